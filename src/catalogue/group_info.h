// The group info file (.FGP) of a named form: one 38-byte overlay entry per
// overlay data file of the form (its print settings record and the index of
// its file name), after a 64-byte header, then a table of pool offsets and a
// pool of length-prefixed texts. Also the overlay list line, the text that
// stands for one overlay entry in the dialogs' overlay lists.
#pragma once

#include <cstdint>

#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "driverlink/paper_size_list.h"
#include "platform/platform.h"

namespace zv {

// Layout of the file. Every offset of the format is here and nowhere else.
namespace group_info {
constexpr char kMagic[] = "ZEVROFORM GROUPINFO V1.0";
constexpr uint32_t kMagicSize = 24;
constexpr uint32_t kHeaderSize = 64;
constexpr uint32_t kFirstStringOffset = 24;       // i32 string index, -1 for none
constexpr uint32_t kEditedFileStringOffset = 28;  // i32 string index, -1 for none
constexpr uint32_t kReservedOffset = 32;          // 16 zero bytes
constexpr uint32_t kReservedSize = 16;
constexpr uint32_t kPreviewStringOffset = 48;  // i32 string index, -1 for none
constexpr uint32_t kEntryCountOffset = 52;     // u32
constexpr uint32_t kStringCountOffset = 56;    // u32
constexpr uint32_t kPoolSizeOffset = 60;       // u32

// Overlay entries start right after the header.
constexpr uint32_t kEntriesOffset = 64;
constexpr uint32_t kEntrySize = 38;
constexpr uint32_t kEntrySettingsOffset = 0;   // 34-byte print settings record
constexpr uint32_t kEntryFileNameOffset = 34;  // i32 string index, -1 for none

// After the entries: string count x u32 pool offsets, then the pool, whose
// texts are a u16 length and that many bytes.
constexpr uint32_t kTableSlotSize = 4;

constexpr uint32_t kBlockEntries = 134;  // entries read at once
}  // namespace group_info

constexpr int32_t kNoString = -1;

struct GroupInfoHeader {
  int32_t firstString;
  int32_t editedFileString;
  int32_t previewString;
  uint32_t entryCount;
  uint32_t stringCount;
  uint32_t poolSize;
};

// A buffer for one block of overlay entries.
struct OverlayEntryBlock {
  unsigned char bytes[group_info::kBlockEntries * group_info::kEntrySize];
};

// Offsets of the string offset table and of the pool in a file with this
// header. A valid file's counts fit its size, so they cannot wrap.
inline uint32_t GroupInfoTableOffset(const GroupInfoHeader& header) {
  return group_info::kEntriesOffset + group_info::kEntrySize * header.entryCount;
}
inline uint32_t GroupInfoPoolOffset(const GroupInfoHeader& header) {
  return GroupInfoTableOffset(header) + group_info::kTableSlotSize * header.stringCount;
}

void DecodeGroupInfoHeader(const unsigned char* bytes, GroupInfoHeader* header);
// Writes the magic, the string indexes, zero reserved bytes and the counts
// into 64 bytes.
void EncodeGroupInfoHeader(const GroupInfoHeader& header, unsigned char* bytes);
// Puts the string indexes and the counts into the 64 bytes of a header as
// they were read, the magic and the reserved bytes untouched: how a writer
// gives an existing file its header back.
void PatchGroupInfoHeader(const GroupInfoHeader& header, unsigned char* bytes);

// An overlay entry's settings and file name string index.
void DecodeOverlayEntry(const unsigned char* bytes, PrintSettings* settings, int32_t* fileNameString);

// Opens a group info file with the given access (sharing reading only) and
// validates it: the magic, and a size of exactly 64 + 38 x entry count + 4 x
// string count + pool size. When valid the file stands at offset 64, the
// first entry, and the caller closes it; otherwise nothing is left open.
// headerBytes, when given, gets the 64 bytes of the header as read, for a
// caller that writes the header back with the bytes it does not decode.
ListFileState OpenGroupInfo(const char* path, plat::Access access, plat::FileHandle* file,
                            GroupInfoHeader* header, unsigned char* headerBytes = nullptr);

// Opens a group info file as OpenGroupInfo does but checks only the magic,
// for the callers that make what they can of a file whose size disagrees
// with its counts. *entriesInFile gets how many of the counted overlay
// entries lie wholly inside the file, and *sizeAgrees whether the size is
// exactly what the counts make (the file is then valid). kDamaged, with
// nothing left open, only for a header that cannot be read or another magic.
ListFileState OpenGroupInfoByMagic(const char* path, plat::Access access, plat::FileHandle* file,
                                   GroupInfoHeader* header, uint32_t* entriesInFile, bool* sizeAgrees);

// Text number index of an open, valid group info file into a 261-byte
// buffer. False for kNoString and for a damaged text: an index outside the
// table, an offset or length reaching outside the pool, or more than 260
// characters. Nothing outside the pool is read.
// place, when given, gets where the text lies in the pool.
bool ReadGroupInfoString(plat::FileHandle file, const GroupInfoHeader& header, int32_t index, char* text,
                         PooledTextPlace* place = nullptr);

// Reads count entries from the file's position, block by block, one read per
// block of at most 134, and calls visit(entryBytes) for each in file order
// until it returns false. A failed read is not reported: the block keeps what
// it held. Returns true when visit stopped the walk.
template <typename Visit>
bool WalkOverlayEntries(plat::FileHandle file, OverlayEntryBlock& block, uint32_t count, Visit visit) {
  while (count > 0) {
    const uint32_t n = count < group_info::kBlockEntries ? count : group_info::kBlockEntries;
    plat::ReadFile(file, block.bytes, n * group_info::kEntrySize, nullptr);
    for (uint32_t i = 0; i < n; ++i) {
      if (!visit(block.bytes + i * group_info::kEntrySize)) return true;
    }
    count -= n;
  }
  return false;
}

// The entry count of the form's group info file (opened for reading and
// writing); 0 when it cannot be had, which the callers take for an empty
// group.
uint32_t CountOverlayEntries(int32_t formId);

// The paper entry that names a form's paper size: the overlay entries are
// tried in file order, each first by paper code, then by width and length;
// the first that gives a paper entry sets the result and *orientation.
// kNoPaper (orientation untouched) when none does, for file entries, and
// when the catalogue cannot be read.
uint16_t FindFormPaperEntry(int32_t formId, uint16_t paperCount, const PaperEntry* papers,
                            uint16_t* orientation);

// The overlay list line: six fields separated by commas (colour, resolution,
// printing mode, zoom, output paper, print layout) in the selected resource
// set. line is a buffer of kOverlayLineSize bytes and is never overrun.
constexpr uint32_t kOverlayLineSize = plat::kPathBuffer;

// The paper entry named in the output paper field: the first with the
// record's output paper code; then, when matchSize is set, the first with its
// output width and height; then the last user-defined (code 256) one seen.
// kNoPaper when none.
uint16_t ChooseOutputPaper(const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount,
                           bool matchSize);

void BuildOverlayLine(const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount,
                      bool matchSize, char* line);

// Receives the lines of an overlay list one at a time, in order.
struct LineSink {
  void (*append)(void* context, const char* line);
  void* context;
};

// Gives the line of every overlay entry of a form to the sink, in file order,
// the output paper matched by size too. A file entry (negative identifier)
// that exists gives 1 and no lines. 0, having given no lines, when there is
// no working memory, the form's group path cannot be had, or its group info
// file is missing or damaged.
bool ListOverlayLines(int32_t formId, const PaperEntry* papers, uint16_t paperCount, LineSink sink);

// Gives the line of one record to the sink, the output paper not matched by
// size. 0 without working memory.
bool ListSingleOverlayLine(const PrintSettings& settings, const PaperEntry* papers, uint16_t paperCount,
                           LineSink sink);

}  // namespace zv
