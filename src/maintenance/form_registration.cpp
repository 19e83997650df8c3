#include "maintenance/form_registration.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "maintenance/file_moves.h"
#include "module/module_state.h"

namespace zv {
namespace {

using form_list::kBlockRecords;
using form_list::kHeaderSize;
using form_list::kRecordSize;

// Longest identifier range: the highest identifier is never above 4096.
constexpr uint32_t kMaxRangeSize = kDefaultHighestFormId;
// The file entry ring: -1 to -256.
constexpr uint32_t kFileEntryRing = 256;
constexpr int32_t kLowestFileEntryId = -static_cast<int32_t>(kFileEntryRing);
// The largest identifier a named form can carry in the record's signed field.
constexpr uint32_t kHighestNamedFormId = 0x7FFFFFFF;

// The longest group text: texts are read back into 261-byte buffers.
constexpr uint32_t kMaxGroupText = plat::kMaxPath;
constexpr uint32_t kMaxName = kFormNameSize - 1;
constexpr uint32_t kMaxDescription = kFormDescriptionSize - 1;

// A pooled text as it is written: the u16 length, then the bytes.
struct PooledText {
  unsigned char bytes[group_list::kTextLengthSize + kMaxGroupText];
};

// Scratch of a group name entry replacement. The new text is built in a
// buffer large enough for a directory and a file name of full length each,
// so that an over-long result is seen before anything is written.
struct ReplaceScratch {
  PathBuffer oldText;
  PathBuffer resolved;
  char newText[2 * plat::kPathBuffer];
  PooledText pooled;
};

// The memory of the group name list edits, taken by their callers.
struct GroupEditWork {
  MoveBuffer buffer;
  ReplaceScratch replace;
};

struct ChooseWork {
  FormRecordBlock block;
  PathBuffer formListPath;
  char noFormName[kFormNameSize];
  unsigned char used[kMaxRangeSize];
};

struct AddWork {
  GroupEditWork edit;
  FormRecordBlock block;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  unsigned char record[kRecordSize];
  unsigned char header[kHeaderSize];
};

struct UpdateWork {
  GroupEditWork edit;
  FormRecordBlock block;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  unsigned char record[kRecordSize];
  unsigned char previous[kRecordSize];  // the record as it was, to put back
  unsigned char header[kHeaderSize];
};

// A null text is an empty one.
const char* TextOrEmpty(const char* text) {
  return text ? text : "";
}

bool IsBlankName(const char* name) {
  for (; *name; ++name) {
    if (*name != ' ' && *name != '\t') return false;
  }
  return true;
}

// The record's name equals name (at most 24 characters) byte for byte, its
// terminator included.
bool RecordNameEquals(const unsigned char* record, const char* name) {
  const size_t length = std::strlen(name);
  if (length > kMaxName) return false;
  return std::memcmp(record + form_list::kNameOffset, name, length + 1) == 0;
}

void SetCodeUnlessNoMemory(uint32_t code) {
  if (GetLastErrorCode() != kMsgNoWorkArea) SetLastErrorCode(code);
}

// Deletes a file that this call created and could not complete: its
// attributes are made normal first, and it is deleted only when that worked.
void DeleteCreatedFile(plat::FileHandle file, const char* path) {
  plat::CloseFile(file);
  DeleteFileIfWritable(path);
}

void EncodeFormListHeader(const FormListHeader& header, unsigned char* bytes) {
  std::memcpy(bytes, form_list::kMagic, form_list::kMagicSize);
  PutU32(bytes + form_list::kNamedCountOffset, header.namedCount);
  PutU16(bytes + form_list::kFileEntryCountOffset, header.fileEntryCount);
  PutU16(bytes + form_list::kLastFileEntryOffset, header.lastFileEntry);
}

// The record of a form with these texts (checked for length) into bytes.
void EncodeRecord(int32_t id, const char* name, const char* description, uint8_t layer, uint32_t groupIndex,
                  unsigned char* bytes) {
  FormRecord record{};
  record.id = id;
  std::memcpy(record.name, name, std::strlen(name) + 1);
  std::memcpy(record.description, description, std::strlen(description) + 1);
  record.layer = layer;
  record.groupIndex = groupIndex;
  EncodeFormRecord(record, bytes);
}

bool WriteFormListHeader(plat::FileHandle file, const FormListHeader& header, unsigned char* bytes) {
  EncodeFormListHeader(header, bytes);
  return WriteAt(file, 0, bytes, kHeaderSize);
}

bool WriteGroupListHeader(plat::FileHandle file, const GroupListHeader& header) {
  unsigned char bytes[group_list::kHeaderSize];
  EncodeGroupListHeader(header, bytes);
  return WriteAt(file, 0, bytes, sizeof bytes);
}

// Writes the u16 length and the bytes of a text of at most 260 characters.
bool WritePooledText(plat::FileHandle file, uint32_t at, const char* text, uint32_t length,
                     PooledText& pooled) {
  PutU16(pooled.bytes, static_cast<uint16_t>(length));
  std::memcpy(pooled.bytes + group_list::kTextLengthSize, text, length);
  return WriteAt(file, at, pooled.bytes, group_list::kTextLengthSize + length);
}

enum class WalkResult { kEnded, kStopped, kReadFailed };

// Reads count records from offset in blocks of 17, one read per block, and
// calls visit(recordBytes, index) for each in file order until it returns
// false. The blocks follow each other, so the file is positioned once and
// then read on (visit does no I/O). A failed read ends the walk and is
// reported.
template <typename Visit>
WalkResult WalkRecordsAt(plat::FileHandle file, uint32_t offset, uint32_t count, FormRecordBlock& block,
                         Visit visit) {
  if (count > 0 && !SeekTo(file, offset)) return WalkResult::kReadFailed;
  for (uint32_t first = 0; first < count;) {
    const uint32_t n = count - first < kBlockRecords ? count - first : kBlockRecords;
    if (!ReadExactly(file, block.bytes, kRecordSize * n)) return WalkResult::kReadFailed;
    for (uint32_t i = 0; i < n; ++i) {
      if (!visit(block.bytes + kRecordSize * i, first + i)) return WalkResult::kStopped;
    }
    first += n;
  }
  return WalkResult::kEnded;
}

// AppendGroupNameEntry with the caller's memory.
int32_t AppendGroupText(const char* path, const char* text, GroupEditWork& w) {
  const uint32_t length = static_cast<uint32_t>(strnlen(text, kMaxGroupText + 1));
  if (length > kMaxGroupText) return -1;  // refused before anything is written

  plat::FileHandle file = nullptr;
  GroupListHeader header{};
  bool created = false;
  if (PathExists(path)) {
    if (OpenGroupNameList(path, plat::kAccessReadWrite, &file, &header) != ListFileState::kValid) return -1;
  } else {
    file = plat::OpenFile(path, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateNew);
    if (!file) return -1;
    created = true;
    if (!WriteGroupListHeader(file, header)) {
      DeleteCreatedFile(file, path);
      return -1;
    }
  }

  const uint32_t slot = GroupListPoolOffset(header);
  const uint32_t end = slot + header.poolSize;
  unsigned char offset[group_list::kTableSlotSize];
  PutU32(offset, header.poolSize);
  bool ok =
      header.entryCount < 0x7FFFFFFFu &&
      ReserveFileEnd(file, end, end + group_list::kTableSlotSize + group_list::kTextLengthSize + length) &&
      MoveBytesUp(file, slot, end, group_list::kTableSlotSize, w.buffer) &&
      WriteAt(file, slot, offset, sizeof offset) &&
      WritePooledText(file, end + group_list::kTableSlotSize, text, length, w.replace.pooled);
  if (ok) {
    header.entryCount += 1;
    header.poolSize += group_list::kTextLengthSize + length;
    ok = WriteGroupListHeader(file, header);
  }
  if (!ok) {
    if (created) {
      DeleteCreatedFile(file, path);
    } else {
      plat::CloseFile(file);
    }
    return -1;
  }
  plat::CloseFile(file);
  return static_cast<int32_t>(header.entryCount - 1);
}

// Builds the text that replaces a group name entry whose old text resolves
// to s.resolved: a group info file keeps its file name when only its new
// directory is given. False when the result would not fit a path.
bool FormReplacementText(const char* text, ReplaceScratch& s) {
  const size_t length = strnlen(text, kMaxGroupText + 1);
  if (length > kMaxGroupText) return false;
  std::memcpy(s.newText, text, length + 1);
  if (IsDigitsOnly(text) || !EndsWithIgnoringCase(s.resolved, ".FGP")) return true;
  // The new text in directory form, then the old file name.
  size_t at = length;
  if (std::strchr(s.newText, '\\') && s.newText[at - 1] != '\\') s.newText[at++] = '\\';
  const char* backslash = std::strrchr(s.resolved, '\\');
  const char* fileName = backslash ? backslash + 1 : s.resolved;
  const size_t nameLength = std::strlen(fileName);
  if (at + nameLength > kMaxGroupText) return false;
  std::memcpy(s.newText + at, fileName, nameLength + 1);
  return true;
}

// ReplaceGroupNameEntry with the caller's memory.
bool ReplaceGroupText(const char* path, uint32_t index, const char* text, GroupEditWork& w) {
  ReplaceScratch& s = w.replace;
  plat::FileHandle file = nullptr;
  GroupListHeader header;
  if (OpenGroupNameList(path, plat::kAccessReadWrite, &file, &header) != ListFileState::kValid) return false;

  const uint32_t poolOffset = GroupListPoolOffset(header);
  unsigned char slot[group_list::kTableSlotSize];
  unsigned char lengthBytes[group_list::kTextLengthSize];
  bool ok =
      index < header.entryCount &&
      ReadAt(file, group_list::kOffsetTableOffset + group_list::kTableSlotSize * index, slot, sizeof slot);
  const uint32_t offset = ok ? GetU32(slot) : 0;
  ok = ok && uint64_t{offset} + group_list::kTextLengthSize <= header.poolSize &&
       ReadAt(file, poolOffset + offset, lengthBytes, sizeof lengthBytes);
  const uint32_t oldLength = ok ? GetU16(lengthBytes) : 0;
  // The old text must lie in the pool and fit a path (else the file is damaged).
  ok = ok && oldLength <= kMaxGroupText &&
       uint64_t{offset} + group_list::kTextLengthSize + oldLength <= header.poolSize &&
       ReadAt(file, poolOffset + offset + group_list::kTextLengthSize, s.oldText, oldLength);
  if (ok) {
    s.oldText[oldLength] = '\0';
    ok = ResolveGroupTextFull(s.oldText, path, s.resolved) && FormReplacementText(text, s);
  }
  if (!ok) {
    plat::CloseFile(file);
    return false;
  }

  const uint32_t newLength = static_cast<uint32_t>(std::strlen(s.newText));
  const uint32_t textAt = poolOffset + offset;
  if (newLength == oldLength) {
    ok = WritePooledText(file, textAt, s.newText, newLength, s.pooled);
  } else {
    const uint32_t rest = textAt + group_list::kTextLengthSize + oldLength;
    const uint32_t end = poolOffset + header.poolSize;
    int32_t delta;
    if (newLength > oldLength) {
      const uint32_t d = newLength - oldLength;
      ok = ReserveFileEnd(file, end, end + d) && MoveBytesUp(file, rest, end, d, w.buffer);
      header.poolSize += d;
      delta = static_cast<int32_t>(d);
    } else {
      const uint32_t d = oldLength - newLength;
      ok = MoveBytesDown(file, rest, end, d, w.buffer);
      header.poolSize -= d;
      delta = -static_cast<int32_t>(d);
    }
    ok = ok && WritePooledText(file, textAt, s.newText, newLength, s.pooled) &&
         AdjustOffsets(file, group_list::kOffsetTableOffset, header.entryCount, offset, delta, w.buffer);
  }
  ok = ok && WriteGroupListHeader(file, header);  // the header last
  plat::CloseFile(file);
  return ok;
}

}  // namespace

bool ChooseFormId(uint32_t mode, const char* name, int32_t* id, uint32_t* canAdd) {
  WorkMemory<ChooseWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  if (mode != kChooseNamedForm && mode != kChooseFileEntry) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  uint32_t lowest = kDefaultLowestFormId;
  uint32_t highest = kDefaultHighestFormId;
  const char* text = TextOrEmpty(name);
  if (mode == kChooseNamedForm) {
    // A name that can never be stored (empty, blank, the placeholder, or
    // longer than the 24 characters of the record's field) is refused.
    LoadNoFormName(w->noFormName);
    if (IsBlankName(text) || std::strcmp(text, w->noFormName) == 0 ||
        strnlen(text, kFormNameSize) > kMaxName) {
      SetLastErrorCode(kMsgFormNameUnusable);
      return false;
    }
    GetFormIdRange(&lowest, &highest, nullptr);
  }
  if (!GetListFilePaths(w->formListPath, nullptr)) {
    SetCodeUnlessNoMemory(kMsgRegisterFormFailed);
    return false;
  }

  plat::FileHandle file = nullptr;
  FormListHeader header;
  switch (OpenFormNameList(w->formListPath, plat::kAccessRead, &file, &header)) {
    case ListFileState::kCannotOpen:
      // No form exists yet, unless the file is there and held by a writer.
      if (PathExists(w->formListPath)) {
        SetLastErrorCode(kMsgRegisterFormFailed);
        return false;
      }
      if (mode == kChooseNamedForm) {
        if (lowest > kHighestNamedFormId) {
          SetLastErrorCode(kMsgRegisterFormFailed);
          return false;
        }
        *id = static_cast<int32_t>(lowest);
      } else {
        *id = -1;
        if (canAdd) *canAdd = 1;
      }
      return true;
    case ListFileState::kDamaged:
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    case ListFileState::kValid:
      break;
  }

  if (mode == kChooseFileEntry) {
    const uint32_t last = header.lastFileEntry;
    uint32_t number = last < kFileEntryRing ? last + 1 : 1;
    const bool full = header.fileEntryCount >= kFileEntryRing;
    if (!full) {
      // Once the ring has wrapped and entries were deleted, the next number
      // may still be in use: the new record takes the first free number
      // from there on, so that no two records carry one identifier (a full
      // ring overwrites the record with the next number instead).
      const WalkResult walk = WalkRecordsAt(file, FileEntryRegionOffset(header), header.fileEntryCount,
                                            w->block, [&](const unsigned char* record, uint32_t) {
                                              const int32_t recordId = FormRecordId(record);
                                              if (recordId < 0 && recordId >= kLowestFileEntryId)
                                                w->used[-recordId - 1] = 1;
                                              return true;
                                            });
      if (walk == WalkResult::kReadFailed) {
        plat::CloseFile(file);
        SetLastErrorCode(kMsgRegisterFormFailed);
        return false;
      }
      while (w->used[number - 1]) number = number < kFileEntryRing ? number + 1 : 1;
    }
    plat::CloseFile(file);
    *id = -static_cast<int32_t>(number);
    if (canAdd) *canAdd = full ? 0 : 1;
    return true;
  }

  bool taken = false;
  const WalkResult walk = WalkRecordsAt(file, kHeaderSize, header.namedCount, w->block,
                                        [&](const unsigned char* record, uint32_t) {
                                          if (RecordNameEquals(record, text)) {
                                            taken = true;
                                            return false;
                                          }
                                          const int64_t recordId = FormRecordId(record);
                                          if (recordId >= int64_t{lowest} && recordId <= int64_t{highest})
                                            w->used[recordId - lowest] = 1;
                                          return true;
                                        });
  plat::CloseFile(file);
  if (walk == WalkResult::kReadFailed) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  if (taken) {
    SetLastErrorCode(kMsgFormNameExists);
    return false;
  }
  // A named form's identifier is positive: a range that the unsigned
  // clamping took past 0x7FFFFFFF would give negative ones, the file entries'
  // kind, and holds none.
  for (uint32_t candidate = lowest; candidate <= highest && candidate <= kHighestNamedFormId; ++candidate) {
    if (!w->used[candidate - lowest]) {
      *id = static_cast<int32_t>(candidate);
      return true;
    }
  }
  SetLastErrorCode(kMsgRegisterFormFailed);
  return false;
}

bool AddFormRecord(int32_t id, const char* name, const char* description, const char* groupText,
                   uint8_t layer) {
  WorkMemory<AddWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  name = TextOrEmpty(name);
  description = TextOrEmpty(description);
  groupText = TextOrEmpty(groupText);
  // Input that the fixed fields or the pool cannot hold is refused before
  // anything is written; so is an identifier that no record may carry.
  if (id == 0 || id < kLowestFileEntryId || strnlen(name, kFormNameSize) > kMaxName ||
      strnlen(description, kFormDescriptionSize) > kMaxDescription ||
      strnlen(groupText, kMaxGroupText + 1) > kMaxGroupText) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  // A lookup that failed for want of memory is reported as the failed
  // registration it causes, like every other lookup failure.
  if (!GetListFilePaths(w->formListPath, w->groupListPath)) {
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }

  // The form name list file is opened (and checked) before the group text is
  // appended, so that a held, damaged or full list leaves both files as they
  // were.
  plat::FileHandle file = nullptr;
  FormListHeader header{};
  const bool exists = PathExists(w->formListPath);
  if (exists) {
    if (OpenFormNameList(w->formListPath, plat::kAccessReadWrite, &file, &header) != ListFileState::kValid) {
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    }
    uint32_t lowest = 0;
    uint32_t highest = 0;
    GetFormIdRange(&lowest, &highest, nullptr);
    const bool full =
        id > 0 ? header.namedCount >= highest - lowest + 1 : header.fileEntryCount >= kFileEntryRing;
    // Another process may have chosen the same identifier, or added the
    // same name, since ChooseFormId looked: checked again here, while this
    // call holds the file, so that no identifier or name is stored twice.
    const bool named = id > 0;
    bool taken = false;
    const WalkResult walk =
        WalkRecordsAt(file, named ? kHeaderSize : FileEntryRegionOffset(header),
                      named ? header.namedCount : header.fileEntryCount, w->block,
                      [&](const unsigned char* record, uint32_t) {
                        taken = FormRecordId(record) == id || (named && RecordNameEquals(record, name));
                        return !taken;
                      });
    if (full || taken || walk == WalkResult::kReadFailed) {
      plat::CloseFile(file);
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    }
  }

  if (!exists) {
    file = plat::OpenFile(w->formListPath, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateNew);
    if (!file) {
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    }
    if (!WriteFormListHeader(file, header, w->header)) {
      DeleteCreatedFile(file, w->formListPath);
      SetLastErrorCode(kMsgRegisterFormFailed);
      return false;
    }
  }

  // The new record's space is reserved before the group text is appended:
  // a disk too full for either fails with both files as they were.
  const uint32_t end = FormListEnd(header);
  const bool reserved = ReserveFileEnd(file, end, end + kRecordSize);
  const bool groupListExisted = PathExists(w->groupListPath);
  const int32_t groupIndex = reserved ? AppendGroupText(w->groupListPath, groupText, w->edit) : -1;
  if (groupIndex < 0) {
    if (!exists) {
      DeleteCreatedFile(file, w->formListPath);
    } else {
      if (reserved && SeekTo(file, end)) plat::SetEndOfFile(file);
      plat::CloseFile(file);
    }
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }

  EncodeRecord(id, name, description, layer, static_cast<uint32_t>(groupIndex), w->record);

  bool ok = true;
  if (id < 0) {
    ok = ok && WriteAt(file, end, w->record, kRecordSize);
    header.lastFileEntry = static_cast<uint16_t>(-id);
    header.fileEntryCount += 1;
  } else {
    // The file entries move up by one record to make room behind the last
    // named form.
    const uint32_t at = FileEntryRegionOffset(header);
    ok = ok && MoveBytesUp(file, at, end, kRecordSize, w->edit.buffer) &&
         WriteAt(file, at, w->record, kRecordSize);
    header.namedCount += 1;
  }
  ok = ok && WriteFormListHeader(file, header, w->header);  // the header last
  if (!ok) {
    if (exists) {
      plat::CloseFile(file);
    } else {
      DeleteCreatedFile(file, w->formListPath);
    }
    // A group name list made for this form goes with the form name list
    // made for it: neither list is left without the other.
    if (!groupListExisted) DeleteFileIfWritable(w->groupListPath);
    SetLastErrorCode(kMsgRegisterFormFailed);
    return false;
  }
  plat::CloseFile(file);
  return true;
}

bool UpdateFormRecord(int32_t id, const char* name, const char* description, const char* groupText,
                      uint8_t layer) {
  WorkMemory<UpdateWork> w;
  if (!w || !GetListFilePaths(w->formListPath, w->groupListPath)) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  name = TextOrEmpty(name);
  description = TextOrEmpty(description);
  groupText = TextOrEmpty(groupText);
  // Refused before anything is written; like every failure of this
  // operation but memory, without a code of its own.
  if (id < kLowestFileEntryId || strnlen(name, kFormNameSize) > kMaxName ||
      strnlen(description, kFormDescriptionSize) > kMaxDescription ||
      strnlen(groupText, kMaxGroupText + 1) > kMaxGroupText) {
    return false;
  }

  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w->formListPath, plat::kAccessReadWrite, &file, &header) != ListFileState::kValid) {
    return false;
  }
  const FormListHeader original = header;
  uint32_t regionOffset = kHeaderSize;
  uint32_t count = header.namedCount;
  if (id < 0) {
    regionOffset = FileEntryRegionOffset(header);
    count = header.fileEntryCount;
    header.lastFileEntry = static_cast<uint16_t>(-id);
  }

  uint32_t matchIndex = 0;
  uint32_t groupIndex = 0;
  const WalkResult walk =
      WalkRecordsAt(file, regionOffset, count, w->block, [&](const unsigned char* record, uint32_t index) {
        if (FormRecordId(record) != id) return true;
        matchIndex = index;
        groupIndex = GetU32(record + form_list::kGroupIndexOffset);
        std::memcpy(w->previous, record, kRecordSize);
        return false;
      });
  if (walk == WalkResult::kReadFailed) {
    plat::CloseFile(file);
    return false;
  }
  // A file entry's number is recorded, found or not.
  if (walk != WalkResult::kStopped) {
    const bool ok = id >= 0 || WriteFormListHeader(file, header, w->header);
    plat::CloseFile(file);
    return ok;
  }
  // The form name list is written first, in place (the record, then a file
  // entry's number), and the group text last: its edit may move bytes and
  // need space, and a failure there, or in the form name list, puts the
  // record and the header back, so that neither file is left agreeing with
  // an edit the other did not take.
  EncodeRecord(id, name, description, layer, groupIndex, w->record);
  const uint32_t recordAt = regionOffset + kRecordSize * matchIndex;
  const bool ok = WriteAt(file, recordAt, w->record, kRecordSize) &&
                  (id >= 0 || WriteFormListHeader(file, header, w->header)) &&
                  ReplaceGroupText(w->groupListPath, groupIndex, groupText, w->edit);
  if (!ok) {
    WriteAt(file, recordAt, w->previous, kRecordSize);
    if (id < 0) WriteFormListHeader(file, original, w->header);
  }
  plat::CloseFile(file);
  return ok;
}

int32_t AppendGroupNameEntry(const char* groupListPath, const char* text) {
  WorkMemory<GroupEditWork> w;
  if (!w) return -1;
  return AppendGroupText(groupListPath, TextOrEmpty(text), *w);
}

bool ReplaceGroupNameEntry(const char* groupListPath, uint32_t index, const char* text) {
  WorkMemory<GroupEditWork> w;
  if (!w) return false;
  return ReplaceGroupText(groupListPath, index, TextOrEmpty(text), *w);
}

}  // namespace zv
