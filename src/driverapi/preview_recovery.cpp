// The two calls around the capture of a form page: the path of the group's
// preview file (ZVPreviewForm), and the undoing of a capture that failed
// (ZVErrorForm).
#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/file_access.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "maintenance/file_moves.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

constexpr char kPreviewExtension[] = ".PBF";

struct PreviewWork {
  PathBuffer groupPath;
  PathBuffer previewPath;
  PathBuffer text;
  unsigned char headerBytes[group_info::kHeaderSize];
  GroupInfoHeader header;
};

struct ErrorWork {
  OverlayEntryBlock block;
  PathBuffer groupPath;
  PathBuffer directory;
  PathBuffer name;
  PathBuffer candidate;
  GroupInfoHeader header;
};

// Names the group's preview file for the first time: the group info path
// with the extension of its file name replaced by ".PBF" is recorded, as a
// file name, in the header's preview slot, and the header is written back
// with its reserved bytes as they were.
bool RecordPreviewName(plat::FileHandle file, PreviewWork& w) {
  if (!CopyPath(w.previewPath, w.groupPath)) return false;
  if (char* dot = std::strrchr(const_cast<char*>(FileNamePart(w.previewPath)), '.')) *dot = '\0';
  if (!AppendPath(w.previewPath, kPreviewExtension) ||
      !ReadAt(file, 0, w.headerBytes, sizeof w.headerBytes)) {
    return false;
  }
  w.header.previewString = kNoString;
  if (!SetGroupString(file, &w.header, GroupStringSlot::kPreviewFile, FileNamePart(w.previewPath)))
    return false;
  PatchGroupInfoHeader(w.header, w.headerBytes);
  return WriteAt(file, 0, w.headerBytes, sizeof w.headerBytes);
}

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVPreviewForm(ZVDWORD /*unused*/, ZVLONG formId, ZVLPSTR path) {
  WorkMemory<PreviewWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return 0;
  }
  if (!GetFormGroupPath(formId, w->groupPath)) return 0;
  plat::FileHandle file = nullptr;
  if (OpenGroupInfo(w->groupPath, plat::kAccessReadWrite, &file, &w->header) != ListFileState::kValid) {
    return 0;
  }
  bool named = false;
  if (w->header.previewString >= 0) {
    // Named before: the recorded file name lies in the group's directory.
    named = ReadGroupInfoString(file, w->header, w->header.previewString, w->text);
    if (named) {
      DirectoryOfFile(w->groupPath, w->previewPath);
      named = AppendPath(w->previewPath, w->text);
    }
  } else {
    named = RecordPreviewName(file, *w);
  }
  plat::CloseFile(file);
  if (!named) return 0;
  CopyPath(path, w->previewPath);
  return 1;
}

extern "C" ZVLONG ZVAPI ZVErrorForm(ZVLONG formId, ZVLPCSTR path) {
  if (!path) return 1;
  // A file entry's file is registered nowhere else: only the file goes.
  if (formId < 0) {
    DeleteFileIfWritable(path);
    return 1;
  }
  WorkMemory<ErrorWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return 0;
  }
  if (!GetFormGroupPath(formId, w->groupPath)) return 0;
  // A group info file whose size no longer agrees with its counts is still
  // searched for the capture (over the entries it holds whole), so that the
  // header-only file does not stay where the search could print it.
  plat::FileHandle file = nullptr;
  uint32_t entriesInFile = 0;
  bool sound = false;
  if (OpenGroupInfoByMagic(w->groupPath, plat::kAccessReadWrite, &file, &w->header, &entriesInFile, &sound) !=
      ListFileState::kValid) {
    return 0;
  }
  DirectoryOfFile(w->groupPath, w->directory);

  // The entry whose file, in the group's directory, is the given path.
  bool found = false;
  uint32_t record = 0;
  GroupInfoHeader scanned = w->header;
  scanned.entryCount = entriesInFile;
  ScanOverlayEntries(file, scanned, w->block, [&](uint32_t number, const unsigned char* entry) {
    const int32_t nameString = GetI32(entry + group_info::kEntryFileNameOffset);
    if (!ReadGroupInfoString(file, w->header, nameString, w->name) || !CopyPath(w->candidate, w->directory) ||
        !AppendPath(w->candidate, w->name) || !EqualsIgnoringCase(w->candidate, path)) {
      return ScanStep::kNext;
    }
    found = true;
    record = number;
    return ScanStep::kStop;
  });
  if (!found) {
    plat::CloseFile(file);
    return 1;
  }
  // A damaged group is not edited: its entry stays, and only the file goes.
  if (!sound) {
    plat::CloseFile(file);
    DeleteFileIfWritable(w->candidate);
    SetLastErrorCode(kMsgDeleteOverlayFailed);
    return 0;
  }

  // A group left with nothing in it goes with its last overlay; the form's
  // group text keeps the name, and the next capture starts the group anew.
  // The entry is removed first all the same: a group info file that another
  // program holds open cannot be deleted, and is then left empty rather than
  // listing the file about to be deleted. The file goes only once no entry
  // names it: a removal that fails leaves the entry and its file.
  const bool last =
      w->header.entryCount == 1 && w->header.editedFileString < 0 && w->header.previewString < 0;
  const bool removed = RemoveOverlayEntry(file, w->groupPath, record);
  plat::CloseFile(file);
  if (last) {
    DeleteFileIfWritable(w->groupPath);
    if (removed || !PathExists(w->groupPath)) DeleteFileIfWritable(w->candidate);
    return 1;
  }
  if (removed) DeleteFileIfWritable(w->candidate);
  return removed ? 1 : 0;
}
