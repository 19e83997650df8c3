// The group name list file: one text per form record, saying where the form's
// overlay data lives (its save directory or group info file, or a file
// entry's overlay data file or overlay number). A 36-byte header, a table of
// 32-bit pool offsets, then a pool of length-prefixed texts.
#pragma once

#include <cstdint>

#include "catalogue/form_name_list.h"
#include "platform/platform.h"

namespace zv {

// Layout of the file. Every offset of the format is here and nowhere else.
namespace group_list {
constexpr char kMagic[] = "ZEVROFORM GROUPNAMEINFO V1.0";
constexpr uint32_t kMagicSize = 28;
constexpr uint32_t kHeaderSize = 36;
constexpr uint32_t kEntryCountOffset = 28;  // u32
constexpr uint32_t kPoolSizeOffset = 32;    // u32

constexpr uint32_t kOffsetTableOffset = 36;  // entry count x u32, pool offsets
constexpr uint32_t kTableSlotSize = 4;

// A pooled text: u16 length n, then n bytes without a terminator.
constexpr uint32_t kTextLengthSize = 2;
}  // namespace group_list

struct GroupListHeader {
  uint32_t entryCount;
  uint32_t poolSize;
};

// Where the pool starts: after the header and the offset table.
inline uint32_t GroupListPoolOffset(const GroupListHeader& header) {
  return group_list::kOffsetTableOffset + group_list::kTableSlotSize * header.entryCount;
}

void DecodeGroupListHeader(const unsigned char* bytes, GroupListHeader* header);
// Writes the magic and both counts into 36 bytes.
void EncodeGroupListHeader(const GroupListHeader& header, unsigned char* bytes);

// Opens the group name list file with the given access (sharing reading only)
// and validates it: the magic, and a size of exactly 36 + 4 x entry count +
// pool size. When valid the caller closes the file; otherwise nothing is left
// open. headerBytes, when given, gets the 36 bytes of the header as read.
ListFileState OpenGroupNameList(const char* path, plat::Access access, plat::FileHandle* file,
                                GroupListHeader* header, unsigned char* headerBytes = nullptr);

// Where a pooled text lies: its offset from the start of the pool and its
// length, without the 2-byte length field before it.
struct PooledTextPlace {
  uint32_t offset;
  uint32_t length;
};

// Reads text number index of a pool reached through an offset table, into a
// 261-byte buffer, zero-terminated. The offset table holds count u32 pool
// offsets from tableOffset; the pool holds poolSize bytes from poolOffset.
// False, when the file is damaged: an index at or above the count, an offset
// or length that reaches outside the pool, or a text longer than 260
// characters; also when a seek or read does not deliver the bytes. Nothing
// outside the pool is read and nothing is written past text[260]. place,
// when given, gets where the text lies, for a writer that edits it next.
bool ReadPooledText(plat::FileHandle file, uint32_t tableOffset, uint32_t count, uint32_t poolOffset,
                    uint32_t poolSize, uint32_t index, char* text, PooledTextPlace* place = nullptr);

// The text of entry index of an open, valid group name list file, into a
// 261-byte buffer. False as ReadPooledText: a damaged entry.
bool ReadGroupText(plat::FileHandle file, const GroupListHeader& header, uint32_t index, char* text,
                   PooledTextPlace* place = nullptr);

// Full rule: an empty text, a text of digits only (an overlay number) and a
// text holding a backslash are used as they stand; any other text is a file
// name in the directory of the group name list file. The result goes into a
// 261-byte buffer; false (and an empty path) when it would not fit.
bool ResolveGroupTextFull(const char* text, const char* groupListPath, char* path);

// Path rule: a text holding a backslash is used as it stands; any other,
// digits and empty texts included, is put after the directory of the group
// name list file. False (and an empty path) when it would not fit.
bool ResolveGroupTextPath(const char* text, const char* groupListPath, char* path);

enum class GroupRule { kFull, kPath };

// Which region of the form name list file a search walks.
enum class FormRegion { kNamedForms, kFileEntries };

// Opens the form name list file at formListPath and searches one region, in
// blocks of 17 records, for the first record with identifier id; gives its
// group index and the file, still open for reading. The caller reads the
// group text before it closes the file: while the file is open no writer can
// delete a form and move the group name entries under the index. False
// (nothing left open) when the file cannot be opened, is damaged, or has no
// such record in that region.
bool FindFormGroupIndex(const char* formListPath, int32_t id, FormRegion region, FormRecordBlock& block,
                        uint32_t* groupIndex, plat::FileHandle* formList);

// Opens the group name list file at groupListPath, reads the text of entry
// index into text and resolves it by the rule into path (both 261-byte
// buffers, distinct). False when the file cannot be opened or is damaged, the
// entry is damaged, or the result does not fit; path is then not meaningful.
bool ReadGroupPath(const char* groupListPath, uint32_t index, GroupRule rule, char* text, char* path);

// The group text of a form, resolved by the full rule: negative identifiers
// are looked for among the file entries only, others among the named forms
// only. False when the catalogue cannot be read, either list file is missing
// or damaged, or no record has the identifier. Sets no last error code of its
// own.
bool GetFormGroupPath(int32_t id, char* path);

// Finds a form record by identifier, or by name (byte for byte, named forms
// before file entries) when id is 0, and gives its description (256 bytes),
// its name when found by identifier (name may be null) and, when location is
// given, where its group is: the resolved group text (path rule) when it names
// a .FGP file, else the directory part of it without the final backslash.
// Returns the record's layer, or -1 when no record matches or the form name
// list cannot be read. A missing or damaged group name list file leaves the
// location untouched without failing.
int16_t GetFormRecordInfo(int32_t id, char* name, char* description, char* location);

}  // namespace zv
