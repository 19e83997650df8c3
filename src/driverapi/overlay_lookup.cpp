// The overlay data file into which the driver captures a form page for its
// current settings (ZVGetOverlayForm).
#include <cstring>

#include "catalogue/byte_order.h"
#include "catalogue/catalogue_config.h"
#include "catalogue/file_access.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/print_settings.h"
#include "catalogue/work_memory.h"
#include "maintenance/form_registration.h"
#include "maintenance/group_registration.h"
#include "maintenance/overlay_entries.h"
#include "module/module_state.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

constexpr char kGroupInfoExtension[] = ".FGP";

struct OverlayFormWork {
  FormRecordBlock forms;
  unsigned char header[overlay_header::kSize];
  unsigned char firstEntry[group_info::kEntrySize];
  PathBuffer formListPath;
  PathBuffer groupListPath;
  PathBuffer text;
  PathBuffer groupPath;
  PathBuffer overlayPath;
  PathBuffer groupString;
  GroupInfoHeader groupHeader;
  PrintSettings settings;
};

// Finds the form record for a capture: a file entry (negative identifier)
// must be named exactly "C". Starts the overlay header with the record's
// name, description and layer, and gives its group index and the form name
// list file, still open for reading; the caller closes it.
bool FindCaptureForm(OverlayFormWork& w, int32_t formId, uint32_t* groupIndex, plat::FileHandle* formList) {
  plat::FileHandle file = nullptr;
  FormListHeader header;
  if (OpenFormNameList(w.formListPath, plat::kAccessRead, &file, &header) != ListFileState::kValid) {
    return false;
  }
  uint32_t count = header.namedCount;
  bool positioned = true;
  if (formId < 0) {
    count = header.fileEntryCount;
    positioned = SeekTo(file, FileEntryRegionOffset(header));
  }
  bool found = false;
  if (positioned) {
    WalkFormRecords(file, w.forms, count, [&](const unsigned char* record) {
      if (FormRecordId(record) != formId) return true;
      const unsigned char* name = record + form_list::kNameOffset;
      found = formId > 0 || (name[0] == 'C' && name[1] == '\0');
      if (found) {
        // The header takes at most 24 name and 255 description characters,
        // so a field without its terminator is cut at the field's end.
        StartOverlayHeader(reinterpret_cast<const char*>(name),
                           reinterpret_cast<const char*>(record + form_list::kDescriptionOffset),
                           record[form_list::kLayerOffset], w.header);
        *groupIndex = GetU32(record + form_list::kGroupIndexOffset);
      }
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

// Creates the file anew and writes the completed header. A file whose header
// cannot be written is closed and, when asked or when this call made it,
// deleted again.
bool WriteNewOverlayFile(const char* path, const void* driverBlock, unsigned char* header,
                         bool deleteOnFailure) {
  // A file this call makes and cannot fill (a full disk) does not stay as
  // an empty file beside the group.
  const bool existed = PathExists(path);
  plat::FileHandle file = plat::OpenFile(path, plat::kAccessReadWrite, plat::kShareRead, plat::kCreateAlways);
  if (!file) return false;
  CompleteOverlayHeader(driverBlock, header);
  uint32_t written = 0;
  const bool ok =
      plat::WriteFile(file, header, overlay_header::kSize, &written) && written == overlay_header::kSize;
  plat::CloseFile(file);
  if (!ok && (deleteOnFailure || !existed)) DeleteFileIfWritable(path);
  return ok;
}

// A capture truncates the file it writes. A damaged group text or overlay
// entry may name a file of the catalogue itself, a list file or a group info
// file (told by its extension), and that is never written over.
bool IsCatalogueFile(const OverlayFormWork& w, const char* path) {
  return EqualsIgnoringCase(path, w.formListPath) || EqualsIgnoringCase(path, w.groupListPath) ||
         EndsWithIgnoringCase(path, kGroupInfoExtension);
}

// One group holds one paper size and one orientation: those of its first
// entry. False when the group info file is damaged or its first entry was
// made for another paper or orientation; a file that cannot be opened is not
// checked.
bool GroupAcceptsPaper(OverlayFormWork& w, const unsigned char* block) {
  plat::FileHandle file = nullptr;
  switch (OpenGroupInfo(w.groupPath, plat::kAccessRead, &file, &w.groupHeader)) {
    case ListFileState::kCannotOpen:
      return true;
    case ListFileState::kDamaged:
      return false;
    case ListFileState::kValid:
      break;
  }
  bool accepted = true;
  if (w.groupHeader.entryCount > 0) {
    int32_t nameString = kNoString;
    accepted = ReadAt(file, group_info::kEntriesOffset, w.firstEntry, group_info::kEntrySize);
    DecodeOverlayEntry(w.firstEntry, &w.settings, &nameString);
    accepted = accepted && w.settings.paperCode == GetU16(block + driver_block::kPaperCodeOffset) &&
               w.settings.orientation == block[driver_block::kOrientationOffset];
  }
  plat::CloseFile(file);
  return accepted;
}

// Writes the capture's overlay data file into the group of w.groupPath and,
// for a new number, its entry (the group info file made when there is none).
// False, with nothing left behind, when the group refuses the paper, no
// name can be proposed, the name is a file of the catalogue, or a write
// fails.
bool CaptureIntoGroup(OverlayFormWork& w, const void* settings, const char* groupString, bool newGroup) {
  const unsigned char* block = static_cast<const unsigned char*>(settings);
  if (!newGroup && PathExists(w.groupPath) && !GroupAcceptsPaper(w, block)) return false;

  const int16_t proposed = ProposeOverlayFileName(settings, w.groupPath, w.overlayPath);
  if (proposed == kOverlayFileNone || IsCatalogueFile(w, w.overlayPath)) return false;
  if (!WriteNewOverlayFile(w.overlayPath, settings, w.header, false)) return false;
  if (proposed != kOverlayFileNew) return true;

  // The driver's text is kept in a pool of texts of at most 260 characters.
  const char* firstGroupString = nullptr;
  if (groupString) {
    const size_t length = strnlen(groupString, plat::kMaxPath);
    std::memcpy(w.groupString, groupString, length);
    w.groupString[length] = '\0';
    firstGroupString = w.groupString;
  }
  DecodePrintSettings(w.header + overlay_header::kSettingsOffset, &w.settings);
  if (!AddOverlayEntry(w.groupPath, FileNamePart(w.overlayPath), &w.settings, firstGroupString, nullptr)) {
    DeleteFileIfWritable(w.overlayPath);
    return false;
  }
  return true;
}

}  // namespace
}  // namespace zv

using namespace zv;

extern "C" ZVLONG ZVAPI ZVGetOverlayForm(const void* settings, ZVLPCSTR groupString, ZVLONG formId,
                                         ZVLPSTR path) {
  SetLastErrorCode(0);
  WorkMemory<OverlayFormWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return 0;
  }
  if (formId == 0 || !GetListFilePaths(w->formListPath, w->groupListPath)) return 0;

  // The form name list file stays open, shared for reading, until the
  // form's group text has been read and, for a new group, replaced: no writer
  // can delete a form meanwhile and move the group name entries, so the
  // record's group index still names this form's entry.
  uint32_t groupIndex = 0;
  plat::FileHandle formList = nullptr;
  if (!FindCaptureForm(*w, formId, &groupIndex, &formList)) return 0;
  bool ok = ReadGroupPath(w->groupListPath, groupIndex, GroupRule::kPath, w->text, w->groupPath);
  const bool newGroup = ok && formId > 0 && !EndsWithIgnoringCase(w->groupPath, kGroupInfoExtension);
  if (newGroup) {
    // The group text is still the form's save directory: the group info
    // file is named now, and becomes the form's group text once it holds
    // the capture's entry.
    ok = MakeGroupInfoFileName(formId, w->groupPath, w->text);
    if (ok) CopyPath(w->groupPath, w->text);
  }
  if (!ok || formId < 0) plat::CloseFile(formList);
  if (!ok) return 0;

  // A file entry "C" names its overlay data file itself; a raw file is never
  // given a header.
  if (formId < 0) {
    if (ExtensionEquals(w->groupPath, kRawFileExtension) || IsCatalogueFile(*w, w->groupPath)) return 0;
    CopyPath(path, w->groupPath);
    return WriteNewOverlayFile(w->groupPath, settings, w->header, true) ? 1 : 0;
  }

  const bool madeGroup = newGroup && !PathExists(w->groupPath);
  const bool captured = CaptureIntoGroup(*w, settings, groupString, newGroup);
  // The new group's text names its group info file only when the file
  // holds the capture: a capture that fails leaves the form as it was, and
  // one whose group text cannot be replaced takes its files back.
  ok = captured && (!newGroup || ReplaceGroupNameEntry(w->groupListPath, groupIndex, w->text));
  plat::CloseFile(formList);
  if (captured && !ok) {
    DeleteFileIfWritable(w->overlayPath);
    if (madeGroup) DeleteFileIfWritable(w->groupPath);
  }
  if (!ok) return 0;
  CopyPath(path, w->overlayPath);
  return 1;
}
