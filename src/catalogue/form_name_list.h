// The form name list file: the index of the catalogue, one 290-byte record per
// named form or file entry after a 35-byte header.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace zv {

// Layout of the file. Every offset of the format is here and nowhere else.
namespace form_list {
constexpr char kMagic[] = "ZEVROFORM FORMNAMEINFO V1.0";
constexpr uint32_t kMagicSize = 27;
constexpr uint32_t kHeaderSize = 35;
constexpr uint32_t kNamedCountOffset = 27;      // u32
constexpr uint32_t kFileEntryCountOffset = 31;  // u16
constexpr uint32_t kLastFileEntryOffset = 33;   // u16

constexpr uint32_t kRecordSize = 290;
constexpr uint32_t kIdOffset = 0;            // i32
constexpr uint32_t kNameOffset = 4;          // 25 bytes, zero-terminated
constexpr uint32_t kDescriptionOffset = 29;  // 256 bytes, zero-terminated
constexpr uint32_t kLayerOffset = 285;       // u8
constexpr uint32_t kGroupIndexOffset = 286;  // u32

constexpr uint32_t kBlockRecords = 17;  // records read at once
}  // namespace form_list

constexpr uint32_t kFormNameSize = 25;          // 24 characters and the terminator
constexpr uint32_t kFormDescriptionSize = 256;  // 255 characters and the terminator

// Layer byte values.
constexpr uint8_t kLayerFront = 1;
constexpr uint8_t kLayerBack = 2;

struct FormListHeader {
  uint32_t namedCount;
  uint16_t fileEntryCount;
  uint16_t lastFileEntry;
};

// One record, decoded. Names and descriptions are always terminated within
// their buffers, whatever the file holds.
struct FormRecord {
  int32_t id;
  char name[kFormNameSize];
  char description[kFormDescriptionSize];
  uint8_t layer;
  uint32_t groupIndex;
};

// A buffer for one block of records.
struct FormRecordBlock {
  unsigned char bytes[form_list::kBlockRecords * form_list::kRecordSize];
};

enum class ListFileState { kValid, kCannotOpen, kDamaged };

// Opens the form name list file with the given access (sharing reading only)
// and validates it: the magic, and a size of exactly 35 + 290 x (named count +
// file-entry count). When valid the file stands at offset 35 and the caller
// closes it; otherwise nothing is left open. headerBytes, when given, gets
// the 35 bytes of the header as read, for a writer that writes them back.
ListFileState OpenFormNameList(const char* path, plat::Access access, plat::FileHandle* file,
                               FormListHeader* header, unsigned char* headerBytes = nullptr);

// Offset of the file-entry region.
inline uint32_t FileEntryRegionOffset(const FormListHeader& header) {
  return form_list::kHeaderSize + form_list::kRecordSize * header.namedCount;
}

// The size of a valid file with this header: the end of its last record.
inline uint32_t FormListEnd(const FormListHeader& header) {
  return FileEntryRegionOffset(header) + form_list::kRecordSize * header.fileEntryCount;
}

void DecodeFormRecord(const unsigned char* bytes, FormRecord* record);
void EncodeFormRecord(const FormRecord& record, unsigned char* bytes);
// The record's identifier straight from its bytes.
int32_t FormRecordId(const unsigned char* bytes);
// Copies the record's name, at most 24 characters, into a 25-byte slot.
void CopyFormRecordName(const unsigned char* bytes, char* name);

// Reads count records from the file's position, block by block, one read per
// block of at most 17, and calls visit(recordBytes) for each in file order
// until it returns false. A failed read is not reported: the block keeps what
// it held. Returns true when visit stopped the walk.
template <typename Visit>
bool WalkFormRecords(plat::FileHandle file, FormRecordBlock& block, uint32_t count, Visit visit) {
  while (count > 0) {
    const uint32_t n = count < form_list::kBlockRecords ? count : form_list::kBlockRecords;
    plat::ReadFile(file, block.bytes, n * form_list::kRecordSize, nullptr);
    for (uint32_t i = 0; i < n; ++i) {
      if (!visit(block.bytes + i * form_list::kRecordSize)) return true;
    }
    count -= n;
  }
  return false;
}

// Puts the text of message 201 ("No Form name"), cut to 24 characters, into
// a 25-byte name slot, zero-filled after it.
void LoadNoFormName(char* name);

// The readers shared by the rest of the module.
uint32_t CountNamedForms();
bool ListNamedForms(uint32_t first, uint32_t last, int32_t* ids, char (*names)[kFormNameSize]);
bool FindNamedFormByName(const char* name, int32_t* id);
bool GetFileEntryName(int32_t id, int32_t* foundId, char* name);
bool CheckFormName(const char* name, int32_t* existingId);

}  // namespace zv
