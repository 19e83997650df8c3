#include "catalogue/form_name_list.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"

namespace zv {

using namespace form_list;

namespace {

// Working memory of the operations that walk records.
struct WalkWork {
  FormRecordBlock block;
  PathBuffer path;
  char noFormName[kFormNameSize];
};

struct CountWork {
  PathBuffer path;
  unsigned char header[kHeaderSize];
};
static_assert(sizeof(CountWork) == 296, "a path and a header");

// Copies at most size - 1 characters of a fixed field and terminates the copy,
// so that a field without its terminator cannot run past either buffer.
void CopyField(const unsigned char* field, size_t size, char* out) {
  const size_t length = strnlen(reinterpret_cast<const char*>(field), size - 1);
  std::memcpy(out, field, length);
  out[length] = '\0';
}

// Sets the code unless the failing path lookup already reported missing
// memory, which is always reported as such.
void SetCodeUnlessNoMemory(uint32_t code) {
  if (GetLastErrorCode() != kMsgNoWorkArea) SetLastErrorCode(code);
}

}  // namespace

ListFileState OpenFormNameList(const char* path, plat::Access access, plat::FileHandle* file,
                               FormListHeader* header, unsigned char* headerBytes) {
  plat::FileHandle f = plat::OpenFile(path, access, plat::kShareRead, plat::kOpenExisting);
  if (!f) return ListFileState::kCannotOpen;
  unsigned char bytes[kHeaderSize];
  uint32_t got = 0;
  const uint32_t size = plat::GetFileSize(f);
  const bool read = plat::SeekFile(f, 0, plat::kSeekBegin) == 0 &&
                    plat::ReadFile(f, bytes, kHeaderSize, &got) && got == kHeaderSize;
  if (read && std::memcmp(bytes, kMagic, kMagicSize) == 0) {
    header->namedCount = GetU32(bytes + kNamedCountOffset);
    header->fileEntryCount = GetU16(bytes + kFileEntryCountOffset);
    header->lastFileEntry = GetU16(bytes + kLastFileEntryOffset);
    const uint64_t expected = kHeaderSize + static_cast<uint64_t>(kRecordSize) *
                                                (uint64_t{header->namedCount} + header->fileEntryCount);
    if (size != plat::kInvalidSize && expected == size) {
      if (headerBytes) std::memcpy(headerBytes, bytes, kHeaderSize);
      *file = f;
      return ListFileState::kValid;
    }
  }
  plat::CloseFile(f);
  return ListFileState::kDamaged;
}

void DecodeFormRecord(const unsigned char* bytes, FormRecord* record) {
  record->id = GetI32(bytes + kIdOffset);
  CopyField(bytes + kNameOffset, kFormNameSize, record->name);
  CopyField(bytes + kDescriptionOffset, kFormDescriptionSize, record->description);
  record->layer = bytes[kLayerOffset];
  record->groupIndex = GetU32(bytes + kGroupIndexOffset);
}

void EncodeFormRecord(const FormRecord& record, unsigned char* bytes) {
  std::memset(bytes, 0, kRecordSize);
  PutI32(bytes + kIdOffset, record.id);
  std::memcpy(bytes + kNameOffset, record.name, strnlen(record.name, kFormNameSize - 1));
  std::memcpy(bytes + kDescriptionOffset, record.description,
              strnlen(record.description, kFormDescriptionSize - 1));
  bytes[kLayerOffset] = record.layer;
  PutU32(bytes + kGroupIndexOffset, record.groupIndex);
}

void LoadNoFormName(char* name) {
  std::memset(name, 0, kFormNameSize);
  LoadMessage(kMsgNoFormName, name, kFormNameSize);
}

int32_t FormRecordId(const unsigned char* bytes) {
  return GetI32(bytes + kIdOffset);
}

void CopyFormRecordName(const unsigned char* bytes, char* name) {
  CopyField(bytes + kNameOffset, kFormNameSize, name);
}

uint32_t CountNamedForms() {
  WorkMemory<CountWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return 0;
  }
  if (!GetListFilePaths(w->path, nullptr)) {
    SetLastErrorCode(kMsgFileNotInFormList);
    return 0;
  }
  plat::FileHandle file = nullptr;
  FormListHeader header;
  switch (OpenFormNameList(w->path, plat::kAccessRead, &file, &header)) {
    case ListFileState::kCannotOpen:
      return 0;  // nothing registered yet
    case ListFileState::kDamaged:
      SetLastErrorCode(kMsgFormListDamaged);
      return 0;
    case ListFileState::kValid:
      break;
  }
  plat::CloseFile(file);
  return header.namedCount;
}

bool ListNamedForms(uint32_t first, uint32_t last, int32_t* ids, char (*names)[kFormNameSize]) {
  WorkMemory<WalkWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  // The caller's arrays hold last - first + 1 elements.
  const int64_t wanted = int64_t{last} - int64_t{first} + 1;
  if (wanted > 0) {
    std::memset(ids, 0, sizeof(int32_t) * static_cast<size_t>(wanted));
    std::memset(names, 0, kFormNameSize * static_cast<size_t>(wanted));
  }
  if (!GetListFilePaths(w->path, nullptr)) {
    SetLastErrorCode(kMsgFileNotInFormList);
    return false;
  }
  plat::FileHandle file = nullptr;
  FormListHeader header;
  switch (OpenFormNameList(w->path, plat::kAccessRead, &file, &header)) {
    case ListFileState::kCannotOpen:
      return true;  // an empty catalogue
    case ListFileState::kDamaged:
      SetLastErrorCode(kMsgFormListDamaged);
      return false;
    case ListFileState::kValid:
      break;
  }
  int32_t end = static_cast<int32_t>(last + 1);
  if (static_cast<int32_t>(header.namedCount) < end) end = static_cast<int32_t>(header.namedCount);
  if (end > 0 && first < static_cast<uint32_t>(end)) {
    plat::SeekFile(file, static_cast<int32_t>(kRecordSize * first), plat::kSeekCurrent);
    uint32_t k = 0;
    WalkFormRecords(file, w->block, static_cast<uint32_t>(end) - first, [&](const unsigned char* record) {
      ids[k] = FormRecordId(record);
      CopyFormRecordName(record, names[k]);
      ++k;
      return true;
    });
  }
  plat::CloseFile(file);
  return true;
}

bool FindNamedFormByName(const char* name, int32_t* id) {
  WorkMemory<WalkWork> w;
  if (!w || !GetListFilePaths(w->path, nullptr)) return false;
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w->path, plat::kAccessRead, &file, &header) != ListFileState::kValid) return false;
  char recordName[kFormNameSize];
  const bool found = WalkFormRecords(file, w->block, header.namedCount, [&](const unsigned char* record) {
    CopyFormRecordName(record, recordName);
    if (std::strcmp(recordName, name) != 0) return true;
    *id = FormRecordId(record);
    return false;
  });
  plat::CloseFile(file);
  return found;
}

bool GetFileEntryName(int32_t id, int32_t* foundId, char* name) {
  WorkMemory<WalkWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  *foundId = 0;
  std::memset(name, 0, kFormNameSize);
  if (!GetListFilePaths(w->path, nullptr)) {
    SetCodeUnlessNoMemory(kMsgFileNotInFormList);
    return false;
  }
  plat::FileHandle file = nullptr;
  FormListHeader header;
  switch (OpenFormNameList(w->path, plat::kAccessRead, &file, &header)) {
    case ListFileState::kCannotOpen:
      SetLastErrorCode(kMsgFileNotInFormList);
      return true;
    case ListFileState::kDamaged:
      SetLastErrorCode(kMsgFormListDamaged);
      return false;
    case ListFileState::kValid:
      break;
  }
  LoadNoFormName(name);
  plat::SeekFile(file, static_cast<int32_t>(FileEntryRegionOffset(header)), plat::kSeekBegin);
  WalkFormRecords(file, w->block, header.fileEntryCount, [&](const unsigned char* record) {
    if (FormRecordId(record) != id) return true;
    *foundId = id;
    CopyFormRecordName(record, name);
    return false;
  });
  plat::CloseFile(file);
  return true;
}

bool CheckFormName(const char* name, int32_t* existingId) {
  WorkMemory<WalkWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return true;
  }
  if (existingId) *existingId = 0;
  LoadNoFormName(w->noFormName);
  if (std::strcmp(name, w->noFormName) == 0) {
    SetLastErrorCode(kMsgFormNameUnusable);
    return false;
  }
  if (!GetListFilePaths(w->path, nullptr)) {
    SetCodeUnlessNoMemory(kMsgRegisterFormFailed);
    return true;
  }
  plat::FileHandle file = nullptr;
  FormListHeader header;
  switch (OpenFormNameList(w->path, plat::kAccessReadWrite, &file, &header)) {
    case ListFileState::kCannotOpen:
      SetLastErrorCode(kMsgRegisterFormFailed);
      return true;
    case ListFileState::kDamaged:
      return true;
    case ListFileState::kValid:
      break;
  }
  char recordName[kFormNameSize];
  const bool taken = WalkFormRecords(file, w->block, header.namedCount, [&](const unsigned char* record) {
    CopyFormRecordName(record, recordName);
    if (std::strcmp(recordName, name) != 0) return true;
    if (existingId) *existingId = FormRecordId(record);
    return false;
  });
  plat::CloseFile(file);
  if (taken) SetLastErrorCode(kMsgFormNameExists);
  return !taken;
}

}  // namespace zv
