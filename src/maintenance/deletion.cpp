#include "maintenance/deletion.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "dialogs/module_frame.h"
#include "driverapi/overlay_lookup.h"
#include "maintenance/file_moves.h"
#include "maintenance/group_registration.h"

namespace zv {
namespace {

constexpr char kGroupInfoExtension[] = ".FGP";
constexpr char kEditedFileExtension[] = ".ZL3";
constexpr char kGeneratedNameMark = '_';

struct DeleteFormWork {
  MoveBuffer move;  // also holds a block of form records
  unsigned char header[form_list::kHeaderSize];
  PathBuffer formListPath;
  PathBuffer groupListPath;
};
static_assert(sizeof(MoveBuffer) >= sizeof(FormRecordBlock), "a block of records fits the move buffer");

struct GroupNameWork {
  MoveBuffer move;  // first holds the group text
  unsigned char header[group_list::kHeaderSize];
  PathBuffer groupInfoPath;
};
static_assert(sizeof(MoveBuffer) >= plat::kPathBuffer, "a group text fits the move buffer");

struct GroupInfoWork {
  OverlayEntryBlock block;
  unsigned char header[group_info::kHeaderSize];
  PathBuffer directory;
  PathBuffer name;
  PathBuffer path;
};

struct OverlayEntriesWork {
  unsigned char entry[group_info::kEntrySize];
  MoveBuffer move;
  unsigned char header[group_info::kHeaderSize];
  PathBuffer groupPath;
  PathBuffer directory;
  PathBuffer name;
  PathBuffer path;
  GroupInfoHeader groupHeader;
};

struct EditedFileWork {
  FormRecordBlock block;
  FormRecord record;
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer groupPath;
  PathBuffer directory;
  PathBuffer editedPath;
  FormListHeader formHeader;
  GroupListHeader listHeader;
  GroupInfoHeader groupHeader;
};

bool Fail(uint32_t code) {
  SetLastErrorCode(code);
  return false;
}

// Best-effort deletion: a file whose attributes cannot be made normal stays.
void DeleteFileIfWritable(const char* path) {
  if (plat::SetAttributesNormal(path)) plat::DeleteFile(path);
}

// The file a group info file names, when it lies in the group's directory:
// a name holding a backslash was registered from elsewhere and is not the
// group's to delete. False too when the path does not fit.
bool GroupFilePath(const char* directory, const char* name, char* path) {
  return !std::strchr(name, '\\') && CopyPath(path, directory) && AppendPath(path, name);
}

void ToUpperAscii(char* text) {
  for (; *text; ++text) {
    if (*text >= 'a' && *text <= 'z') *text = static_cast<char>(*text - 'a' + 'A');
  }
}

// The record's name equals name byte for byte, up to the terminator; a name
// field without a terminator matches nothing.
bool RecordNameEquals(const unsigned char* record, const char* name) {
  const unsigned char* field = record + form_list::kNameOffset;
  for (uint32_t i = 0; i < kFormNameSize; ++i) {
    if (field[i] != static_cast<unsigned char>(name[i])) return false;
    if (field[i] == '\0') return true;
  }
  return false;
}

// Puts the counts and string indexes of the header into its 64 bytes as they
// were read, reserved bytes untouched.
void PatchGroupInfoHeader(const GroupInfoHeader& header, unsigned char* bytes) {
  PutI32(bytes + group_info::kFirstStringOffset, header.firstString);
  PutI32(bytes + group_info::kEditedFileStringOffset, header.editedFileString);
  PutI32(bytes + group_info::kPreviewStringOffset, header.previewString);
  PutU32(bytes + group_info::kEntryCountOffset, header.entryCount);
  PutU32(bytes + group_info::kStringCountOffset, header.stringCount);
  PutU32(bytes + group_info::kPoolSizeOffset, header.poolSize);
}

// Finds the record of formId in its region, removes its group through
// DeleteGroupNameEntry, closes the record's gap and lowers the group indexes
// above its own. The header goes last.
bool RemoveFormRecord(plat::FileHandle file, DeleteFormWork& w, FormListHeader& h, int32_t formId) {
  using namespace form_list;
  const bool fileEntry = formId < 0;
  const uint32_t regionAt = fileEntry ? FileEntryRegionOffset(h) : kHeaderSize;
  const uint32_t regionCount = fileEntry ? h.fileEntryCount : h.namedCount;

  bool found = false;
  uint32_t recordAt = 0;
  int32_t groupIndex = 0;
  for (uint32_t first = 0; first < regionCount && !found;) {
    const uint32_t n = regionCount - first < kBlockRecords ? regionCount - first : kBlockRecords;
    if (!ReadAt(file, regionAt + kRecordSize * first, w.move.bytes, kRecordSize * n)) return false;
    for (uint32_t i = 0; i < n && !found; ++i) {
      const unsigned char* record = w.move.bytes + kRecordSize * i;
      if (FormRecordId(record) != formId) continue;
      found = true;
      recordAt = regionAt + kRecordSize * (first + i);
      groupIndex = GetI32(record + kGroupIndexOffset);
    }
    first += n;
  }
  if (!found || !DeleteGroupNameEntry(w.groupListPath, static_cast<uint32_t>(groupIndex))) return false;

  const uint32_t total = h.namedCount + h.fileEntryCount;
  if (!MoveBytesDown(file, recordAt + kRecordSize, kHeaderSize + kRecordSize * total, kRecordSize, w.move)) {
    return false;
  }
  if (fileEntry) {
    --h.fileEntryCount;
  } else {
    --h.namedCount;
  }

  // The group name entries above the removed one have moved down by one.
  const uint32_t remaining = total - 1;
  for (uint32_t first = 0; first < remaining;) {
    const uint32_t n = remaining - first < kBlockRecords ? remaining - first : kBlockRecords;
    const uint32_t at = kHeaderSize + kRecordSize * first;
    // Each block is written back where it was read, which leaves the file
    // at the next block: only the first is positioned for the read.
    if (!(first == 0 ? ReadAt(file, at, w.move.bytes, kRecordSize * n)
                     : ReadExactly(file, w.move.bytes, kRecordSize * n)))
      return false;
    for (uint32_t i = 0; i < n; ++i) {
      unsigned char* index = w.move.bytes + kRecordSize * i + kGroupIndexOffset;
      const int32_t value = GetI32(index);
      if (value > groupIndex) PutI32(index, value - 1);
    }
    if (!WriteAt(file, at, w.move.bytes, kRecordSize * n)) return false;
    first += n;
  }

  PutU32(w.header + kNamedCountOffset, h.namedCount);
  PutU16(w.header + kFileEntryCountOffset, h.fileEntryCount);
  return WriteAt(file, 0, w.header, kHeaderSize);
}

// Removes entry index of an open, valid group name list file once its group
// is deleted: its offset, then its text, then the offsets behind the text.
bool RemoveGroupNameEntry(plat::FileHandle file, GroupNameWork& w, GroupListHeader& h,
                          const char* groupListPath, uint32_t index) {
  using namespace group_list;
  char* text = reinterpret_cast<char*>(w.move.bytes);
  // ReadGroupText refuses an index, offset or length outside the file, so
  // the place it gives lies inside the pool.
  PooledTextPlace place{};
  if (!ReadGroupText(file, h, index, text, &place) ||
      !ResolveGroupTextPath(text, groupListPath, w.groupInfoPath)) {
    return false;
  }
  const uint32_t offset = place.offset;
  const uint32_t textSize = kTextLengthSize + place.length;

  if (!DeleteGroupInfoFile(w.groupInfoPath)) return false;

  uint32_t size = GroupListPoolOffset(h) + h.poolSize;
  if (!MoveBytesDown(file, kOffsetTableOffset + kTableSlotSize * (index + 1), size, kTableSlotSize, w.move)) {
    return false;
  }
  size -= kTableSlotSize;
  --h.entryCount;
  const uint32_t textAt = GroupListPoolOffset(h) + offset;
  if (!MoveBytesDown(file, textAt + textSize, size, textSize, w.move)) return false;
  h.poolSize -= textSize;
  if (!AdjustOffsets(file, kOffsetTableOffset, h.entryCount, offset, -static_cast<int32_t>(textSize),
                     w.move)) {
    return false;
  }
  PutU32(w.header + kEntryCountOffset, h.entryCount);
  PutU32(w.header + kPoolSizeOffset, h.poolSize);
  return WriteAt(file, 0, w.header, kHeaderSize);
}

// Deletes what a group info file, open and valid, names in its directory:
// the edited file, whose slot is then cleared, and the overlay files with a
// header. Only names beginning with an underscore were made by the catalogue.
bool DeleteGroupFiles(plat::FileHandle file, GroupInfoWork& w, GroupInfoHeader& h) {
  PooledTextPlace place{};
  if (h.editedFileString >= 0 && ReadGroupInfoString(file, h, h.editedFileString, w.name, &place) &&
      w.name[0] == kGeneratedNameMark) {
    if (GroupFilePath(w.directory, w.name, w.path)) DeleteFileIfWritable(w.path);
    if (!ClearGroupString(file, &h, GroupStringSlot::kEditedFile, place)) return false;
    PatchGroupInfoHeader(h, w.header);
    if (!WriteAt(file, 0, w.header, group_info::kHeaderSize)) return false;
  }
  return ScanOverlayEntries(file, h, w.block, [&](uint32_t, const unsigned char* entry) {
    const int32_t nameString = GetI32(entry + group_info::kEntryFileNameOffset);
    if (ReadGroupInfoString(file, h, nameString, w.name) && w.name[0] == kGeneratedNameMark &&
        GroupFilePath(w.directory, w.name, w.path) && HasOverlayHeader(w.path)) {
      DeleteFileIfWritable(w.path);
    }
    return ScanStep::kNext;
  });
}

// Removes overlay entry number, which names no text, from an open, valid
// group info file: only its 38 bytes go.
bool RemoveNamelessEntry(plat::FileHandle file, OverlayEntriesWork& w, uint32_t number) {
  GroupInfoHeader& h = w.groupHeader;
  const uint32_t entryAt = group_info::kEntriesOffset + group_info::kEntrySize * number;
  if (!MoveBytesDown(file, entryAt + group_info::kEntrySize, GroupInfoPoolOffset(h) + h.poolSize,
                     group_info::kEntrySize, w.move)) {
    return false;
  }
  --h.entryCount;
  PatchGroupInfoHeader(h, w.header);
  return WriteAt(file, 0, w.header, group_info::kHeaderSize);
}

// Removes the flagged entries of an open, valid group info file, each with
// its name text, and deletes their files that have a header. The flags
// follow the entries as they stood before the first removal.
// Only the flagged entries are read, each once, where it stands: a removal
// moves the next entry into its place, and the header in memory (w.header as
// read, w.groupHeader decoded) follows every removal.
bool RemoveFlaggedEntries(plat::FileHandle file, OverlayEntriesWork& w, const uint32_t* flags) {
  GroupInfoHeader& h = w.groupHeader;
  uint32_t position = 0;
  for (const uint32_t* flag = flags; position < h.entryCount; ++flag) {
    if (*flag == 0) {
      ++position;
      continue;
    }
    if (!ReadAt(file, group_info::kEntriesOffset + group_info::kEntrySize * position, w.entry,
                group_info::kEntrySize)) {
      return Fail(kMsgDeleteOverlayFailed);
    }
    EntryRemoval removal{position, GetI32(w.entry + group_info::kEntryFileNameOffset), 0, 0};
    if (removal.nameString == kNoString) {
      if (!RemoveNamelessEntry(file, w, position)) return Fail(kMsgDeleteOverlayFailed);
      continue;
    }
    // A name too long for a path is removed with its entry, its file left.
    if (!LocateEntryName(file, h, &removal, w.name)) return Fail(kMsgDeleteOverlayFailed);
    const bool known = w.name[0] != '\0' && GroupFilePath(w.directory, w.name, w.path);
    if (!RemoveLocatedOverlayEntry(file, &h, w.header, removal, w.move)) return false;
    // The entry is gone from the group before its file leaves the disk.
    if (known && HasOverlayHeader(w.path)) DeleteFileIfWritable(w.path);
  }
  return true;
}

// The directory of a group info file: up to its last backslash, without it,
// unless it follows a drive colon ("A:\").
void GroupDirectory(const char* groupPath, char* directory) {
  DirectoryOfFile(groupPath, directory);
  const size_t length = std::strlen(directory);
  if (length > 0 && !(length >= 2 && directory[length - 2] == ':')) directory[length - 1] = '\0';
}

// The edited file that a group info file names, by the rules of
// GetFormEditedFile; w.groupPath holds the group info file's path.
int32_t ReadEditedFile(EditedFileWork& w, char* groupDirectory, char* editedFile) {
  plat::FileHandle file = nullptr;
  switch (OpenGroupInfo(w.groupPath, plat::kAccessRead, &file, &w.groupHeader)) {
    case ListFileState::kCannotOpen:
      return kEditedFileNone;
    case ListFileState::kDamaged:
      return kEditedFileDamaged;
    case ListFileState::kValid:
      break;
  }
  GroupDirectory(w.groupPath, w.directory);
  if (groupDirectory) CopyPath(groupDirectory, w.directory);
  const bool named = w.groupHeader.editedFileString >= 0 &&
                     ReadGroupInfoString(file, w.groupHeader, w.groupHeader.editedFileString, w.text);
  plat::CloseFile(file);
  if (!named) return kEditedFileNone;

  CopyPath(editedFile, w.text);
  // A name the catalogue made lies in the group's directory.
  if (!std::strchr(w.text, '\\') && w.text[0] == kGeneratedNameMark &&
      ExtensionEquals(w.text, kEditedFileExtension) && CopyPath(w.editedPath, w.directory) &&
      ToDirectoryForm(w.editedPath) && AppendPath(w.editedPath, w.text)) {
    ToUpperAscii(w.editedPath);
    CopyPath(editedFile, w.editedPath);
  }
  return kEditedFileFound;
}

}  // namespace

bool DeleteForm(int32_t formId) {
  WorkMemory<DeleteFormWork> w;
  if (!w) return Fail(kMsgNoWorkArea);
  if (!GetListFilePaths(w->formListPath, w->groupListPath)) return Fail(kMsgDeleteFormFailed);
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w->formListPath, plat::kAccessReadWrite, &file, &header, w->header) !=
      ListFileState::kValid) {
    return Fail(kMsgDeleteFormFailed);
  }
  const bool removed = RemoveFormRecord(file, *w, header, formId);
  plat::CloseFile(file);
  if (!removed) return Fail(kMsgDeleteFormFailed);
  return true;
}

bool DeleteGroupNameEntry(const char* groupListPath, uint32_t index) {
  WorkMemory<GroupNameWork> w;
  if (!w) return false;
  plat::FileHandle file = nullptr;
  GroupListHeader header;
  if (OpenGroupNameList(groupListPath, plat::kAccessReadWrite, &file, &header, w->header) !=
      ListFileState::kValid) {
    return false;
  }
  const bool removed = RemoveGroupNameEntry(file, *w, header, groupListPath, index);
  plat::CloseFile(file);
  return removed;
}

bool DeleteGroupInfoFile(const char* path) {
  // A save directory, or a file entry's overlay data file: no group to go.
  if (!ExtensionEquals(path, kGroupInfoExtension)) return true;
  WorkMemory<GroupInfoWork> w;
  if (!w) return false;
  plat::FileHandle file = nullptr;
  GroupInfoHeader header;
  switch (OpenGroupInfo(path, plat::kAccessReadWrite, &file, &header, w->header)) {
    case ListFileState::kCannotOpen:
      // Gone already (an emptied group is deleted when a capture is undone);
      // one that is there but held by another writer must stay.
      return !PathExists(path);
    case ListFileState::kDamaged:
      return false;
    case ListFileState::kValid:
      break;
  }
  DirectoryOfFile(path, w->directory);
  const bool deleted = DeleteGroupFiles(file, *w, header);
  if (deleted) {
    // Emptied before it is closed: a file that cannot be deleted (another
    // program holds it open) must not hand the files just deleted to the
    // next form that takes this identifier in this directory. Best effort,
    // like the deletion itself.
    unsigned char empty[group_info::kHeaderSize];
    EncodeGroupInfoHeader({kNoString, kNoString, kNoString, 0, 0, 0}, empty);
    if (WriteAt(file, 0, empty, sizeof empty)) {
      if (SeekTo(file, sizeof empty)) plat::SetEndOfFile(file);
    }
  }
  plat::CloseFile(file);
  if (!deleted) return false;
  DeleteFileIfWritable(path);
  return true;
}

bool DeleteOverlayEntries(int32_t formId, const uint32_t* flags) {
  WorkMemory<OverlayEntriesWork> w;
  if (!w) return Fail(kMsgNoWorkArea);
  if (!flags || !GetFormGroupPath(formId, w->groupPath)) return Fail(kMsgDeleteOverlayFailed);
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessReadWrite, &file, &w->groupHeader, w->header) !=
      ListFileState::kValid) {
    return Fail(kMsgDeleteOverlayFailed);
  }
  DirectoryOfFile(w->groupPath, w->directory);
  const bool removed = RemoveFlaggedEntries(file, *w, flags);
  plat::CloseFile(file);
  return removed;
}

int32_t GetFormEditedFile(int32_t formId, const char* name, char* description, int32_t* foundId,
                          uint16_t* layer, char* groupDirectory, char* groupInfoPath, char* editedFile) {
  WorkMemory<EditedFileWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return kEditedFileNoMemory;
  }
  if (!GetListFilePaths(w->formListPath, w->groupListPath)) {
    SetLastErrorCode(kMsgFileNotInFormList);
    return kEditedFileDamaged;
  }
  plat::FileHandle file = nullptr;
  switch (OpenFormNameList(w->formListPath, plat::kAccessRead, &file, &w->formHeader)) {
    case ListFileState::kCannotOpen:
      return kEditedFileNone;
    case ListFileState::kDamaged:
      SetLastErrorCode(kMsgFormListDamaged);
      return kEditedFileDamaged;
    case ListFileState::kValid:
      break;
  }
  // Only named forms have a group info file.
  const bool found =
      WalkFormRecords(file, w->block, w->formHeader.namedCount, [&](const unsigned char* record) {
        if (name ? !RecordNameEquals(record, name) : FormRecordId(record) != formId) return true;
        DecodeFormRecord(record, &w->record);
        return false;
      });
  if (!found) {
    plat::CloseFile(file);
    return kEditedFileNone;
  }
  if (description) std::memcpy(description, w->record.description, std::strlen(w->record.description) + 1);
  if (foundId) *foundId = w->record.id;
  if (layer) *layer = w->record.layer;

  // The group text is read while the form name list file is still open, so
  // that no deletion can move the group name entries under the index.
  plat::FileHandle formList = file;
  if (OpenGroupNameList(w->groupListPath, plat::kAccessRead, &file, &w->listHeader) !=
      ListFileState::kValid) {
    plat::CloseFile(formList);
    return kEditedFileDamaged;
  }
  const bool read = ReadGroupText(file, w->listHeader, w->record.groupIndex, w->text);
  plat::CloseFile(file);
  plat::CloseFile(formList);
  if (!read || !ResolveGroupTextPath(w->text, w->groupListPath, w->groupPath)) return kEditedFileDamaged;
  if (groupInfoPath) CopyPath(groupInfoPath, w->groupPath);
  return ReadEditedFile(*w, groupDirectory, editedFile);
}

}  // namespace zv
