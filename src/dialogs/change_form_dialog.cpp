#include "dialogs/change_form_dialog.h"

#include <cstring>
#include <initializer_list>

#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/paths.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/file_pickers.h"
#include "dialogs/help.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "maintenance/file_transfer.h"
#include "maintenance/form_registration.h"
#include "platform/platform.h"

namespace zv {
namespace {

// Typing limits of the name field (a form's name, or in file mode a whole
// path, so that a file can be moved to any place typed in full) and of the
// description field.
constexpr uint32_t kNameLimit = kFormNameSize - 1;
constexpr uint32_t kPathLimit = plat::kMaxPath;
constexpr uint32_t kDescriptionLimit = kFormDescriptionSize - 1;

bool IsFileMode(const EditFormContext* context) {
  return context->mode != kEditModeFormNames;
}

uint8_t CheckedLayer(HWND dialog) {
  return IsDlgButtonChecked(dialog, ZV_ID_TO_BACK) == BST_CHECKED ? kLayerBack : kLayerFront;
}

void CheckLayer(HWND dialog, uint16_t layer) {
  CheckRadioButton(dialog, ZV_ID_TO_FRONT, ZV_ID_TO_BACK,
                   layer == kLayerBack ? ZV_ID_TO_BACK : ZV_ID_TO_FRONT);
}

void HideControl(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  ShowWindow(control, SW_HIDE);
  EnableWindow(control, FALSE);
}

void CopyText(char* to, const char* from, size_t size) {
  size_t length = std::strlen(from);
  if (length > size - 1) length = size - 1;
  std::memcpy(to, from, length);
  to[length] = '\0';
}

void InitChangeForm(HWND dialog, EditFormContext* context) {
  SendDlgItemMessageA(dialog, ZV_ID_CHANGE_NAME, EM_LIMITTEXT, IsFileMode(context) ? kPathLimit : kNameLimit,
                      0);
  SendDlgItemMessageA(dialog, ZV_ID_CHANGE_DESCRIPTION, EM_LIMITTEXT, kDescriptionLimit, 0);
  if (IsFileMode(context)) {
    for (const int id : {ZV_ID_CHANGE_FORM_LABEL, ZV_ID_CHANGE_SAVE_TO_LABEL, ZV_ID_CHANGE_SAVE_TO,
                         ZV_ID_CHANGE_DIRECTORY}) {
      HideControl(dialog, id);
    }
    // The template hides the file label, which shares its place with the
    // form name label.
    ShowWindow(GetDlgItem(dialog, ZV_ID_CHANGE_FILE_LABEL), SW_SHOW);
    CheckLayer(dialog, context->fileLayer);
    SetDlgItemTextA(dialog, ZV_ID_CHANGE_NAME, context->filePath);
    SetDlgItemTextA(dialog, ZV_ID_CHANGE_DESCRIPTION, context->fileDescription);
  } else {
    HideControl(dialog, ZV_ID_CHANGE_FILE_LABEL);
    CheckLayer(dialog, context->formLayer);
    SetDlgItemTextA(dialog, ZV_ID_CHANGE_NAME, context->formName);
    SetDlgItemTextA(dialog, ZV_ID_CHANGE_DESCRIPTION, context->formDescription);
    SetDlgItemTextA(dialog, ZV_ID_CHANGE_SAVE_TO, context->saveDirectory);
  }
}

// The file entry shown named the file at its old place: it follows the file
// to the new one, keeping its name, description and layer. Best effort: an
// entry that cannot be rewritten names a file that is gone, and the driver
// is told so when the edit form dialog closes.
void FollowMovedFile(const EditFormContext* context, const char* from, const char* to) {
  if (context->fileEntryId >= 0) return;
  char named[plat::kPathBuffer];
  if (!GetFormGroupPath(context->fileEntryId, named) || !EqualsIgnoringCase(named, from)) return;
  char name[kFormNameSize] = "";
  char description[kFormDescriptionSize] = "";
  const int16_t layer = GetFormRecordInfo(context->fileEntryId, name, description, nullptr);
  if (layer < 0) return;
  UpdateFormRecord(context->fileEntryId, name, description, to, static_cast<uint8_t>(layer));
}

// OK in file mode: the file gets its new name or place, then its header the
// new description and layer. Any refusal keeps the dialog open.
void ChangeFile(HWND dialog, EditFormContext* context, uint8_t layer) {
  char* description = context->workText1;
  char* typed = context->workText2;
  char* path = context->workText3;
  GetDlgItemTextA(dialog, ZV_ID_CHANGE_DESCRIPTION, description, kFormDescriptionSize);
  GetDlgItemTextA(dialog, ZV_ID_CHANGE_NAME, typed, plat::kPathBuffer);

  bool moved = false;
  if (std::strcmp(typed, context->filePath) != 0) {
    char currentDirectory[plat::kPathBuffer];
    const DWORD length = GetCurrentDirectoryA(sizeof currentDirectory, currentDirectory);
    if (length == 0 || length >= sizeof currentDirectory) currentDirectory[0] = '\0';
    const uint32_t refusal = ComposeRenamedFilePath(typed, currentDirectory, path);
    if (refusal != 0) {
      ShowErrorBox(dialog, refusal);
      return;
    }
    if (PathExists(path) && AskQuestion(dialog, kMsgOverwriteExistingFile) == kAnswerNo) return;
    if (!MoveOverlayFile(context->filePath, path)) {
      ShowErrorBox(dialog, kMsgMoveFailed);
      return;
    }
    FollowMovedFile(context, context->filePath, path);
    CopyText(context->filePath, path, sizeof context->filePath);
    moved = true;
  }
  if (!moved && std::strcmp(description, context->fileDescription) == 0 && layer == context->fileLayer) {
    EndDialog(dialog, ZV_ID_OK);
    return;
  }
  // A header that cannot be rewritten leaves the move done.
  RewriteOverlayHeader(context->filePath, layer, description);
  CopyText(context->fileDescription, description, sizeof context->fileDescription);
  context->fileLayer = layer;
  EndDialog(dialog, ZV_ID_OK);
}

// The values a changed form's record takes, for the step of the group move
// that repoints it.
struct FormUpdate {
  int32_t id;
  const char* name;
  const char* description;
  const char* directory;
  uint8_t layer;
};

bool RepointForm(void* data) {
  const FormUpdate* update = static_cast<const FormUpdate*>(data);
  return UpdateFormRecord(update->id, update->name, update->description, update->directory, update->layer);
}

// OK in form-name mode: the form's record takes the new name, description,
// layer and directory, and a new directory takes the group's files along.
// Any refusal keeps the dialog open.
void ChangeForm(HWND dialog, EditFormContext* context, uint8_t layer) {
  char name[kFormNameSize];
  char* description = context->workText1;
  char* directory = context->workText2;
  GetDlgItemTextA(dialog, ZV_ID_CHANGE_NAME, name, sizeof name);
  GetDlgItemTextA(dialog, ZV_ID_CHANGE_DESCRIPTION, description, kFormDescriptionSize);
  GetDlgItemTextA(dialog, ZV_ID_CHANGE_SAVE_TO, directory, plat::kPathBuffer);

  const bool nameChanged = std::strcmp(name, context->formName) != 0;
  const bool directoryChanged = !EqualsIgnoringCase(directory, context->saveDirectory);
  if (!nameChanged && !directoryChanged && std::strcmp(description, context->formDescription) == 0 &&
      layer == context->formLayer) {
    EndDialog(dialog, ZV_ID_CANCEL);
    return;
  }
  context->formLayer = layer;

  if (nameChanged) {
    if (!IsUsableFormName(name)) {
      ShowErrorBox(dialog, kMsgFormNameUnusable);
      return;
    }
    if (!CheckFormName(name, nullptr)) {
      ShowErrorBox(dialog, GetLastErrorCode());
      return;
    }
  }
  bool repointed = false;
  if (directoryChanged) {
    const uint64_t groupSize = GetGroupSize(context->selectedForm);
    // The free space is asked of the directory's drive; the text is cut
    // for the question and restored.
    if (GetFreeDiskBytes(directory) < groupSize) {
      ShowErrorBox(dialog, kMsgNoDiskSpace);
      return;
    }
    // A group info file that exists but reads as size 0 (it cannot be
    // opened, or is damaged) is asked to move all the same, and refuses.
    if (groupSize != 0 || HasGroupToMove(context->selectedForm)) {
      if (!PathExists(directory)) {
        ShowErrorBox(dialog, kMsgDirectoryMissing);
        return;
      }
      // The record is repointed while the group can still go back: a record
      // that cannot be rewritten undoes the whole move.
      FormUpdate update{context->selectedForm, name, description, directory, layer};
      if (!MoveGroupFiles(dialog, context->selectedForm, directory, RepointForm, &update)) {
        ShowErrorBox(dialog, kMsgMoveFailed);
        return;
      }
      repointed = true;
    }
  }
  // The record keeps naming the group info file in its new directory.
  // Without a group to move, its result is not examined.
  if (!repointed) UpdateFormRecord(context->selectedForm, name, description, directory, layer);
  CopyText(context->formName, name, sizeof context->formName);
  CopyText(context->formDescription, description, sizeof context->formDescription);
  CopyText(context->saveDirectory, directory, sizeof context->saveDirectory);
  EndDialog(dialog, ZV_ID_OK);
}

INT_PTR ChangeFormCommand(HWND dialog, EditFormContext* context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case ZV_ID_CHANGE_DESCRIPTION:
      if (code == EN_MAXTEXT) MessageBeep(MB_ICONHAND);
      return TRUE;
    case ZV_ID_CHANGE_DIRECTORY:
      if (code == BN_CLICKED) PickDirectory(dialog, ZV_ID_CHANGE_SAVE_TO, &context->openFile);
      return TRUE;
    case ZV_ID_HELP:
      // The help session belongs to the edit form dialog, which ends it.
      context->helpOpen = ShowHelp(dialog, HELP_CONTEXT,
                                   IsFileMode(context) ? ZV_HELP_CHANGE_FILES : ZV_HELP_CHANGE_FORM_NAMES,
                                   context->deviceName, context->driverPath);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialog(dialog, ZV_ID_CANCEL);
      return TRUE;
    case ZV_ID_OK:
      if (IsFileMode(context)) {
        ChangeFile(dialog, context, CheckedLayer(dialog));
      } else {
        ChangeForm(dialog, context, CheckedLayer(dialog));
      }
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK ChangeFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<EditFormContext, InitChangeForm, ChangeFormCommand, kOwnFocus>(dialog, message,
                                                                                           wParam, lParam);
}

}  // namespace zv
