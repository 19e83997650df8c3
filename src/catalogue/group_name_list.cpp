#include "catalogue/group_name_list.h"

#include <climits>
#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"

namespace zv {
namespace {

// The text as a file name in the directory of the group name list file.
bool InListDirectory(const char* text, const char* groupListPath, char* path) {
  DirectoryOfFile(groupListPath, path);
  if (AppendPath(path, text)) return true;
  path[0] = '\0';
  return false;
}

// The record's name equals name byte for byte, up to the terminator. A
// record whose name field holds no terminator in its 25 bytes is damaged and
// matches nothing; name is never read past its own terminator.
bool RecordNameEquals(const unsigned char* record, const char* name) {
  const unsigned char* field = record + form_list::kNameOffset;
  for (uint32_t i = 0; i < kFormNameSize; ++i) {
    if (field[i] != static_cast<unsigned char>(name[i])) return false;
    if (field[i] == '\0') return true;
  }
  return false;
}

// Copies text into a buffer of size bytes, cut to size - 1 characters.
void CopyBounded(char* buffer, const char* text, size_t size) {
  const size_t length = strnlen(text, size - 1);
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
}

constexpr char kGroupInfoExtension[] = ".FGP";

struct FormGroupWork {
  FormRecordBlock block;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
};
static_assert(sizeof(FormGroupWork) == 5713, "a block of 17 records and three path buffers");

struct RecordInfoWork {
  FormRecordBlock block;
  FormRecord record;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer resolved;
  FormListHeader formHeader;
};

}  // namespace

void DecodeGroupListHeader(const unsigned char* bytes, GroupListHeader* header) {
  header->entryCount = GetU32(bytes + group_list::kEntryCountOffset);
  header->poolSize = GetU32(bytes + group_list::kPoolSizeOffset);
}

void EncodeGroupListHeader(const GroupListHeader& header, unsigned char* bytes) {
  std::memcpy(bytes, group_list::kMagic, group_list::kMagicSize);
  PutU32(bytes + group_list::kEntryCountOffset, header.entryCount);
  PutU32(bytes + group_list::kPoolSizeOffset, header.poolSize);
}

ListFileState OpenGroupNameList(const char* path, plat::Access access, plat::FileHandle* file,
                                GroupListHeader* header, unsigned char* headerBytes) {
  *file = nullptr;
  plat::FileHandle opened = plat::OpenFile(path, access, plat::kShareRead, plat::kOpenExisting);
  if (!opened) return ListFileState::kCannotOpen;
  unsigned char bytes[group_list::kHeaderSize];
  const uint32_t size = plat::GetFileSize(opened);
  bool valid = size != plat::kInvalidSize && SeekTo(opened, 0) && ReadExactly(opened, bytes, sizeof bytes) &&
               std::memcmp(bytes, group_list::kMagic, group_list::kMagicSize) == 0;
  if (valid) {
    DecodeGroupListHeader(bytes, header);
    // Counted in 64 bits: a damaged header must not wrap around to the size.
    const uint64_t expected = uint64_t{group_list::kOffsetTableOffset} +
                              uint64_t{group_list::kTableSlotSize} * header->entryCount + header->poolSize;
    valid = expected == size;
  }
  if (!valid) {
    plat::CloseFile(opened);
    return ListFileState::kDamaged;
  }
  if (headerBytes) std::memcpy(headerBytes, bytes, sizeof bytes);
  *file = opened;
  return ListFileState::kValid;
}

bool ReadPooledText(plat::FileHandle file, uint32_t tableOffset, uint32_t count, uint32_t poolOffset,
                    uint32_t poolSize, uint32_t index, char* text, PooledTextPlace* place) {
  text[0] = '\0';
  // The writers keep every index below the count; one that is not belongs to
  // a damaged file, and its table slot would lie outside the table.
  if (index >= count) return false;
  unsigned char slot[group_list::kTableSlotSize];
  if (!SeekTo(file, uint64_t{tableOffset} + uint64_t{group_list::kTableSlotSize} * index) ||
      !ReadExactly(file, slot, sizeof slot)) {
    return false;
  }
  const uint64_t offset = GetU32(slot);
  // Damaged: the length would lie outside the pool.
  if (offset + group_list::kTextLengthSize > poolSize) return false;
  unsigned char lengthBytes[group_list::kTextLengthSize];
  if (!SeekTo(file, poolOffset + offset) || !ReadExactly(file, lengthBytes, sizeof lengthBytes)) return false;
  const uint32_t length = GetU16(lengthBytes);
  // Damaged: a text longer than a path, or one that runs past the pool.
  if (length > plat::kMaxPath || offset + group_list::kTextLengthSize + length > poolSize) return false;
  if (length > 0 && !ReadExactly(file, text, length)) {
    text[0] = '\0';
    return false;
  }
  text[length] = '\0';
  if (place) *place = PooledTextPlace{static_cast<uint32_t>(offset), length};
  return true;
}

bool ReadGroupText(plat::FileHandle file, const GroupListHeader& header, uint32_t index, char* text,
                   PooledTextPlace* place) {
  return ReadPooledText(file, group_list::kOffsetTableOffset, header.entryCount, GroupListPoolOffset(header),
                        header.poolSize, index, text, place);
}

bool ResolveGroupTextFull(const char* text, const char* groupListPath, char* path) {
  if (IsDigitsOnly(text) || std::strchr(text, '\\')) return CopyPath(path, text);
  return InListDirectory(text, groupListPath, path);
}

bool ResolveGroupTextPath(const char* text, const char* groupListPath, char* path) {
  if (std::strchr(text, '\\')) return CopyPath(path, text);
  return InListDirectory(text, groupListPath, path);
}

bool FindFormGroupIndex(const char* formListPath, int32_t id, FormRegion region, FormRecordBlock& block,
                        uint32_t* groupIndex, plat::FileHandle* formList) {
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(formListPath, plat::kAccessRead, &file, &header) != ListFileState::kValid)
    return false;
  uint32_t count = header.namedCount;
  bool positioned = true;
  if (region == FormRegion::kFileEntries) {
    count = header.fileEntryCount;
    positioned = SeekTo(file, FileEntryRegionOffset(header));
  }
  bool found = false;
  if (positioned) {
    found = WalkFormRecords(file, block, count, [&](const unsigned char* record) {
      if (FormRecordId(record) != id) return true;
      *groupIndex = GetU32(record + form_list::kGroupIndexOffset);
      return false;
    });
  }
  if (!found) {
    plat::CloseFile(file);
    return false;
  }
  *formList = file;
  return true;
}

bool ReadGroupPath(const char* groupListPath, uint32_t index, GroupRule rule, char* text, char* path) {
  plat::FileHandle file = nullptr;
  GroupListHeader header;
  if (OpenGroupNameList(groupListPath, plat::kAccessRead, &file, &header) != ListFileState::kValid) {
    return false;
  }
  const bool read = ReadGroupText(file, header, index, text);
  plat::CloseFile(file);
  if (!read) return false;
  return rule == GroupRule::kFull ? ResolveGroupTextFull(text, groupListPath, path)
                                  : ResolveGroupTextPath(text, groupListPath, path);
}

bool GetFormGroupPath(int32_t id, char* path) {
  WorkMemory<FormGroupWork> w;
  if (!w || !GetListFilePaths(w->formListPath, w->groupListPath)) return false;
  uint32_t groupIndex = 0;
  const FormRegion region = id < 0 ? FormRegion::kFileEntries : FormRegion::kNamedForms;
  plat::FileHandle formList = nullptr;
  if (!FindFormGroupIndex(w->formListPath, id, region, w->block, &groupIndex, &formList)) return false;
  const bool read = ReadGroupPath(w->groupListPath, groupIndex, GroupRule::kFull, w->text, path);
  plat::CloseFile(formList);
  return read;
}

int16_t GetFormRecordInfo(int32_t id, char* name, char* description, char* location) {
  WorkMemory<RecordInfoWork> w;
  if (!w || !GetListFilePaths(w->formListPath, w->groupListPath)) return -1;
  plat::FileHandle file = nullptr;
  if (OpenFormNameList(w->formListPath, plat::kAccessRead, &file, &w->formHeader) != ListFileState::kValid) {
    return -1;
  }
  bool matched = false;
  if (id != 0 || name) {
    // Both regions, named forms first: a valid file's counts fit its size,
    // so their sum cannot wrap.
    const uint32_t count = w->formHeader.namedCount + w->formHeader.fileEntryCount;
    matched = WalkFormRecords(file, w->block, count, [&](const unsigned char* record) {
      const bool match = id != 0 ? FormRecordId(record) == id : RecordNameEquals(record, name);
      if (!match) return true;
      DecodeFormRecord(record, &w->record);
      return false;
    });
  }
  if (!matched) {
    plat::CloseFile(file);
    return -1;
  }

  if (description) CopyBounded(description, w->record.description, kFormDescriptionSize);
  if (id != 0 && name) CopyBounded(name, w->record.name, kFormNameSize);
  const int16_t layer = w->record.layer;
  // The group text is read while the form name list file is open, so that
  // the group index still names this record's entry.
  const bool read = location && ReadGroupPath(w->groupListPath, w->record.groupIndex, GroupRule::kPath,
                                              w->text, w->resolved);
  plat::CloseFile(file);
  // A missing or damaged group name list only costs the location.
  if (!read) return layer;
  // The extension runs from the last dot; a text without one is all
  // extension. Anything but a group info file gives its directory, without
  // the final backslash.
  const char* dot = std::strrchr(w->resolved, '.');
  if (!EqualsIgnoringCase(dot ? dot : w->resolved, kGroupInfoExtension)) {
    if (char* backslash = std::strrchr(w->resolved, '\\')) *backslash = '\0';
  }
  CopyPath(location, w->resolved);
  return layer;
}

}  // namespace zv
