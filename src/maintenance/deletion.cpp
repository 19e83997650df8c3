#include "maintenance/deletion.h"

#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "maintenance/file_moves.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"

namespace zv {
namespace {

constexpr char kGroupInfoExtension[] = ".FGP";
constexpr char kEditedFileExtension[] = ".ZL3";
constexpr char kGeneratedNameMark = '_';

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

// A group on its way out: its group name list and its group info file, both
// open, while the entry is removed from the one and before the other goes.
struct GroupRemoval {
  GroupNameWork names;
  GroupInfoWork info;
  plat::FileHandle listFile;
  GroupListHeader listHeader;
  plat::FileHandle infoFile;  // null when the group has no group info file
  GroupInfoHeader infoHeader;
  uint32_t index;         // the entry that goes
  PooledTextPlace place;  // where its text lies
};

struct DeleteFormWork {
  MoveBuffer move;  // also holds a block of form records
  unsigned char header[form_list::kHeaderSize];
  PathBuffer formListPath;
  PathBuffer groupListPath;
  GroupRemoval group;
};
static_assert(sizeof(MoveBuffer) >= sizeof(FormRecordBlock), "a block of records fits the move buffer");

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

// Finds the record of formId in its region: where it lies and the group
// index it holds. False when it is not there or a read fails.
bool FindFormRecord(plat::FileHandle file, DeleteFormWork& w, const FormListHeader& h, int32_t formId,
                    uint32_t* recordAt, int32_t* groupIndex) {
  using namespace form_list;
  const bool fileEntry = formId < 0;
  const uint32_t regionAt = fileEntry ? FileEntryRegionOffset(h) : kHeaderSize;
  const uint32_t regionCount = fileEntry ? h.fileEntryCount : h.namedCount;
  for (uint32_t first = 0; first < regionCount;) {
    const uint32_t n = regionCount - first < kBlockRecords ? regionCount - first : kBlockRecords;
    if (!ReadAt(file, regionAt + kRecordSize * first, w.move.bytes, kRecordSize * n)) return false;
    for (uint32_t i = 0; i < n; ++i) {
      const unsigned char* record = w.move.bytes + kRecordSize * i;
      if (FormRecordId(record) != formId) continue;
      *recordAt = regionAt + kRecordSize * (first + i);
      *groupIndex = GetI32(record + kGroupIndexOffset);
      return true;
    }
    first += n;
  }
  return false;
}

// Closes the gap of the record at recordAt and lowers the group indexes
// above groupIndex, whose group name entry is gone. The header goes last.
bool RemoveFormRecordAt(plat::FileHandle file, DeleteFormWork& w, FormListHeader& h, uint32_t recordAt,
                        int32_t groupIndex) {
  using namespace form_list;
  const uint32_t total = h.namedCount + h.fileEntryCount;
  if (!MoveBytesDown(file, recordAt + kRecordSize, FormListEnd(h), kRecordSize, w.move)) {
    return false;
  }
  if (recordAt >= FileEntryRegionOffset(h)) {
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

// Makes sure that a form name list whose edit failed half way does not read
// as valid: its group name list has already lost an entry, so the old
// records would name the wrong groups. A failure before the record's gap
// began to close left the file as it was; one byte more makes it damaged
// without losing any of its bytes.
void MarkFormListDamaged(plat::FileHandle file, const FormListHeader& before) {
  const uint32_t size = plat::GetFileSize(file);
  if (size == FormListEnd(before) && SeekTo(file, uint64_t{size} + 1)) {
    plat::SetEndOfFile(file);
  }
}

// Removes the entry of a prepared removal from its group name list file: its
// offset, then its text, then the offsets behind the text. The header goes
// last.
bool RemoveGroupNameEntry(GroupRemoval& g) {
  using namespace group_list;
  plat::FileHandle file = g.listFile;
  GroupNameWork& w = g.names;
  GroupListHeader& h = g.listHeader;
  const uint32_t index = g.index;
  const uint32_t offset = g.place.offset;
  const uint32_t textSize = kTextLengthSize + g.place.length;
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
// header (IsDeletableOverlayFile). Only names beginning with an underscore
// were made by the catalogue.
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
        GroupFilePath(w.directory, w.name, w.path) && IsDeletableOverlayFile(w.path)) {
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
    if (known && IsDeletableOverlayFile(w.path)) DeleteFileIfWritable(w.path);
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

// Opens the group info file at path for its deletion: *file stays null
// for a path that names no group info file (a save directory, a file
// entry's overlay data file) and for one that is gone already (an emptied
// group is deleted when a capture is undone). False when it is there but
// cannot be opened (another writer holds it) or is damaged: it must stay.
bool OpenGroupForDeletion(const char* path, GroupInfoWork& w, plat::FileHandle* file,
                          GroupInfoHeader* header) {
  *file = nullptr;
  if (!ExtensionEquals(path, kGroupInfoExtension)) return true;
  switch (OpenGroupInfo(path, plat::kAccessReadWrite, file, header, w.header)) {
    case ListFileState::kCannotOpen:
      return !PathExists(path);
    case ListFileState::kDamaged:
      return false;
    case ListFileState::kValid:
      break;
  }
  DirectoryOfFile(path, w.directory);
  return true;
}

// Deletes the files of a group info file opened by OpenGroupForDeletion,
// then the file itself, and closes it. False when not every file it names
// could be deleted; the group info file goes all the same, since its group
// is no longer named: left with its entries, it would hand them to the next
// form that takes this identifier in this directory, and files already
// deleted or not with them. What could not be deleted stays, unreachable.
bool DeleteOpenGroup(plat::FileHandle file, GroupInfoWork& w, GroupInfoHeader& header, const char* path) {
  const bool deleted = DeleteGroupFiles(file, w, header);
  // Emptied before it is closed, for when it cannot be deleted (another
  // program holds it open). Best effort, like the deletion itself.
  unsigned char empty[group_info::kHeaderSize];
  EncodeGroupInfoHeader({kNoString, kNoString, kNoString, 0, 0, 0}, empty);
  if (WriteAt(file, 0, empty, sizeof empty)) {
    if (SeekTo(file, sizeof empty)) plat::SetEndOfFile(file);
  }
  plat::CloseFile(file);
  DeleteFileIfWritable(path);
  return deleted;
}

// Everything that can refuse a group's removal, before anything changes:
// the group name list opened and valid, entry index read, its group info
// file opened and valid. Both files stay open, so that no other writer
// changes them until the removal is done or given up.
bool PrepareGroupRemoval(GroupRemoval& g, const char* groupListPath, uint32_t index) {
  g.index = index;
  g.infoFile = nullptr;
  if (OpenGroupNameList(groupListPath, plat::kAccessReadWrite, &g.listFile, &g.listHeader, g.names.header) !=
      ListFileState::kValid) {
    return false;
  }
  // ReadGroupText refuses an index, offset or length outside the file, so
  // the place it gives lies inside the pool.
  char* text = reinterpret_cast<char*>(g.names.move.bytes);
  if (ReadGroupText(g.listFile, g.listHeader, index, text, &g.place) &&
      ResolveGroupTextPath(text, groupListPath, g.names.groupInfoPath) &&
      OpenGroupForDeletion(g.names.groupInfoPath, g.info, &g.infoFile, &g.infoHeader)) {
    return true;
  }
  plat::CloseFile(g.listFile);
  return false;
}

// The end of a prepared removal: when the group name entry is gone and
// whatever refers to it agrees, the group's files go; else they stay.
void FinishGroupRemoval(GroupRemoval& g, bool removed) {
  plat::CloseFile(g.listFile);
  if (!g.infoFile) return;
  if (removed) {
    // Named by nothing any more: files that cannot be deleted now stay on
    // disk, unreachable, and the form is gone all the same.
    DeleteOpenGroup(g.infoFile, g.info, g.infoHeader, g.names.groupInfoPath);
  } else {
    plat::CloseFile(g.infoFile);
  }
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
  // The group goes from the group name list first, then the record from
  // the form name list, whose indexes follow, then the group's files. A
  // failure in the group name list leaves the form name list as it was; one
  // in the form name list leaves that file damaged, never old records
  // under a group name list that has moved on; the files go only when both
  // lists agree that nothing names them.
  uint32_t recordAt = 0;
  int32_t groupIndex = 0;
  GroupRemoval& g = w->group;
  if (!FindFormRecord(file, *w, header, formId, &recordAt, &groupIndex) ||
      !PrepareGroupRemoval(g, w->groupListPath, static_cast<uint32_t>(groupIndex))) {
    plat::CloseFile(file);
    return Fail(kMsgDeleteFormFailed);
  }
  if (!RemoveGroupNameEntry(g)) {
    FinishGroupRemoval(g, false);
    plat::CloseFile(file);
    return Fail(kMsgDeleteFormFailed);
  }
  const FormListHeader before = header;
  const bool removed = RemoveFormRecordAt(file, *w, header, recordAt, groupIndex);
  if (!removed) MarkFormListDamaged(file, before);
  FinishGroupRemoval(g, removed);
  plat::CloseFile(file);
  if (!removed) return Fail(kMsgDeleteFormFailed);
  return true;
}

bool DeleteGroupNameEntry(const char* groupListPath, uint32_t index) {
  WorkMemory<GroupRemoval> g;
  if (!g) return false;
  if (!PrepareGroupRemoval(*g, groupListPath, index)) return false;
  const bool removed = RemoveGroupNameEntry(*g);
  FinishGroupRemoval(*g, removed);
  return removed;
}

bool DeleteGroupInfoFile(const char* path) {
  // A save directory, or a file entry's overlay data file: no group to go.
  if (!ExtensionEquals(path, kGroupInfoExtension)) return true;
  WorkMemory<GroupInfoWork> w;
  if (!w) return false;
  plat::FileHandle file = nullptr;
  GroupInfoHeader header;
  if (!OpenGroupForDeletion(path, *w, &file, &header)) return false;
  return !file || DeleteOpenGroup(file, *w, header, path);
}

bool DeleteOverlayEntries(int32_t formId, const uint32_t* flags, uint32_t flagCount) {
  WorkMemory<OverlayEntriesWork> w;
  if (!w) return Fail(kMsgNoWorkArea);
  if (!flags || !GetFormGroupPath(formId, w->groupPath)) return Fail(kMsgDeleteOverlayFailed);
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessReadWrite, &file, &w->groupHeader, w->header) !=
      ListFileState::kValid) {
    return Fail(kMsgDeleteOverlayFailed);
  }
  if (w->groupHeader.entryCount != flagCount) {
    plat::CloseFile(file);
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
