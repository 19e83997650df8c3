#include "dialogs/add_form_dialogs.h"

#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/file_pickers.h"
#include "dialogs/form_details_dialog.h"
#include "dialogs/help.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "maintenance/form_registration.h"
#include "platform/platform.h"

namespace zv {
namespace {

// The name of every file entry this dialog records: one to capture into.
constexpr char kCaptureEntryName[] = "C";

uint8_t CheckedLayer(HWND dialog) {
  return IsDlgButtonChecked(dialog, ZV_ID_TO_BACK) == BST_CHECKED ? kLayerBack : kLayerFront;
}

void CheckLayer(HWND dialog, uint16_t layer) {
  CheckRadioButton(dialog, ZV_ID_TO_FRONT, ZV_ID_TO_BACK,
                   layer == kLayerBack ? ZV_ID_TO_BACK : ZV_ID_TO_FRONT);
}

void LimitText(HWND dialog, int id, uint32_t characters) {
  SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, characters, 0);
}

void CopyText(char* to, const char* from, size_t size) {
  size_t length = std::strlen(from);
  if (length > size - 1) length = size - 1;
  std::memcpy(to, from, length);
  to[length] = '\0';
}

// --- Add form -------------------------------------------------------------

void InitAddForm(HWND dialog, FormSettingsContext* context) {
  context->formName[0] = '\0';
  context->formDescription[0] = '\0';
  context->saveDirectory[0] = '\0';
  CheckLayer(dialog, kLayerFront);
  if (context->namedCount <= 0) EnableWindow(GetDlgItem(dialog, ZV_ID_NEWFORM_BROWSE), FALSE);
  SetDlgItemTextA(dialog, ZV_ID_NEWFORM_NAME, "");
  LimitText(dialog, ZV_ID_NEWFORM_NAME, kFormNameSize - 1);
  SetDlgItemTextA(dialog, ZV_ID_NEWFORM_DESCRIPTION, "");
  LimitText(dialog, ZV_ID_NEWFORM_DESCRIPTION, kFormDescriptionSize - 1);
  context->workText1[0] = '\0';
  GetCurrentDirSetting(context->workText1);
  SetDlgItemTextA(dialog, ZV_ID_NEWFORM_SAVE_TO, context->workText1);
}

// Browse: the name and description of an existing form, to start from. A
// typed name that no form bears comes back unpicked (identifier 0) unless
// the user picks a row: the name and the typed description then stay. The
// picker keeps a help flag of its own and ends its own help session.
void BrowseNamedForms(HWND dialog, FormSettingsContext* context) {
  FormNamePickerContext& picker = context->picker;
  std::memset(&picker, 0, sizeof picker);
  picker.driverPath = context->driverPath;
  picker.deviceName = context->deviceName;
  picker.count = context->namedCount;
  picker.ids = context->ids;
  picker.names = context->names;
  picker.pickedForm = 0;
  GetDlgItemTextA(dialog, ZV_ID_NEWFORM_NAME, picker.pickedName, kFormNameSize);
  if (RunDialog("DETAIL", dialog, PickFormNameProc, &picker) != ZV_ID_OK) return;
  SetDlgItemTextA(dialog, ZV_ID_NEWFORM_NAME, picker.pickedName);
  if (picker.pickedForm != 0) SetDlgItemTextA(dialog, ZV_ID_NEWFORM_DESCRIPTION, picker.pickedDescription);
}

// Register: the form is added to the catalogue, its save directory
// remembered, and the dialog ends with 1. Any refusal keeps it open.
void RegisterForm(HWND dialog, FormSettingsContext* context) {
  char name[kFormNameSize];
  char* description = context->workText2;
  char* directory = context->workText3;
  GetDlgItemTextA(dialog, ZV_ID_NEWFORM_NAME, name, sizeof name);
  GetDlgItemTextA(dialog, ZV_ID_NEWFORM_DESCRIPTION, description, kFormDescriptionSize);
  GetDlgItemTextA(dialog, ZV_ID_NEWFORM_SAVE_TO, directory, plat::kPathBuffer);
  const uint8_t layer = CheckedLayer(dialog);

  if (!IsUsableFormName(name)) {
    ShowErrorBox(dialog, kMsgFormNameUnusable);
    return;
  }
  int32_t id = 0;
  if (!ChooseFormId(kChooseNamedForm, name, &id, nullptr)) {
    ShowErrorBox(dialog, GetLastErrorCode());
    return;
  }
  if (!AddFormRecord(id, name, description, directory, layer)) {
    ShowErrorBox(dialog, GetLastErrorCode());
    return;
  }
  CopyText(context->formName, name, sizeof context->formName);
  CopyText(context->formDescription, description, sizeof context->formDescription);
  CopyText(context->saveDirectory, directory, sizeof context->saveDirectory);
  context->selectedForm = id;
  SetCurrentDirSetting(context->saveDirectory);
  EndDialog(dialog, ZV_ID_OK);
}

INT_PTR AddFormCommand(HWND dialog, FormSettingsContext* context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case ZV_ID_NEWFORM_DESCRIPTION:
      if (code == EN_MAXTEXT) MessageBeep(MB_ICONHAND);
      return TRUE;
    case ZV_ID_NEWFORM_CHANGE_DIRECTORY:
      if (code == BN_CLICKED) PickDirectory(dialog, ZV_ID_NEWFORM_SAVE_TO, &context->openFile);
      return TRUE;
    case ZV_ID_NEWFORM_BROWSE:
      if (code == BN_CLICKED) BrowseNamedForms(dialog, context);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_ADD_FORM, context->deviceName, context->driverPath);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialog(dialog, ZV_ID_CANCEL);
      return TRUE;
    case ZV_ID_OK:
      RegisterForm(dialog, context);
      return TRUE;
    default:
      return FALSE;
  }
}

// --- Form/file settings ----------------------------------------------------

void InitFormFile(HWND dialog, FormSettingsContext* context) {
  CheckLayer(dialog, context->fileEntryLayer);
  LimitText(dialog, ZV_ID_NEWFILE_FILE, plat::kPathBuffer - 1);
  LimitText(dialog, ZV_ID_NEWFILE_DESCRIPTION, kFormDescriptionSize - 1);
  SetDlgItemTextA(dialog, ZV_ID_NEWFILE_FILE, context->filePath);
  SetDlgItemTextA(dialog, ZV_ID_NEWFILE_DESCRIPTION, context->fileDescription);
}

// Browse: a file to capture into, which need not exist yet; an existing one
// brings its own description along.
void BrowseFormFile(HWND dialog, FormSettingsContext* context) {
  if (!PickFormFile(dialog, ZV_ID_NEWFILE_FILE, kPickNewFile, &context->openFile, context->workText1,
                    context->workText2, context->workText3)) {
    return;
  }
  char path[plat::kPathBuffer];
  GetDlgItemTextA(dialog, ZV_ID_NEWFILE_FILE, path, sizeof path);
  char description[kOverlayDescriptionSize];
  description[0] = '\0';
  if (GetOverlayDescription(path, description) == 0) description[0] = '\0';
  SetDlgItemTextA(dialog, ZV_ID_NEWFILE_DESCRIPTION, description);
}

struct FormFileWork {
  char text[plat::kPathBuffer];
  char directory[plat::kPathBuffer];
  char path[plat::kPathBuffer];
  char description[kFormDescriptionSize];
};

// OK: the file entry is recorded (a new "C" entry, or the one being shown
// rewritten) and the dialog ends with 1. Any refusal keeps it open.
void RecordFormFile(HWND dialog, FormSettingsContext* context) {
  WorkMemory<FormFileWork> work;
  if (!work) return;
  GetDlgItemTextA(dialog, ZV_ID_NEWFILE_FILE, work->text, sizeof work->text);
  GetDlgItemTextA(dialog, ZV_ID_NEWFILE_DESCRIPTION, work->description, sizeof work->description);
  const uint8_t layer = CheckedLayer(dialog);

  // A bare name goes into the remembered directory.
  if (std::strchr(work->text, '\\') == nullptr) GetCurrentDirSetting(work->directory);
  const uint32_t refusal = ComposeFormFilePath(work->text, work->directory, work->path);
  if (refusal != 0) {
    ShowErrorBox(dialog, refusal);
    return;
  }
  if (PathExists(work->path) && AskQuestion(dialog, kMsgOverwriteExistingFile) == kAnswerNo) return;

  int32_t id = context->fileEntryId;
  bool recorded;
  if (id >= 0) {
    uint32_t canAdd = 0;
    recorded = ChooseFormId(kChooseFileEntry, kCaptureEntryName, &id, &canAdd);
    if (recorded) {
      recorded = canAdd == 1 ? AddFormRecord(id, kCaptureEntryName, work->description, work->path, layer)
                             : UpdateFormRecord(id, kCaptureEntryName, work->description, work->path, layer);
    }
  } else {
    recorded = UpdateFormRecord(id, kCaptureEntryName, work->description, work->path, layer);
  }
  if (!recorded) {
    ShowErrorBox(dialog, GetLastErrorCode() == kMsgNoWorkArea ? kMsgNoWorkArea : kMsgCannotSaveOverlayInfo);
    return;
  }
  CopyText(context->filePath, work->path, sizeof context->filePath);
  CopyText(context->fileDescription, work->description, sizeof context->fileDescription);
  context->fileEntryLayer = layer;
  context->fileEntryId = id;
  EndDialog(dialog, ZV_ID_OK);
}

INT_PTR FormFileCommand(HWND dialog, FormSettingsContext* context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case ZV_ID_NEWFILE_DESCRIPTION:
      if (code == EN_MAXTEXT) MessageBeep(MB_ICONHAND);
      return TRUE;
    case ZV_ID_NEWFILE_BROWSE:
      if (code == BN_CLICKED) BrowseFormFile(dialog, context);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen = ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_FORM_FILE_SETTINGS, context->deviceName,
                                   context->driverPath);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialog(dialog, ZV_ID_CANCEL);
      return TRUE;
    case ZV_ID_OK:
      RecordFormFile(dialog, context);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK AddFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<FormSettingsContext, InitAddForm, AddFormCommand, kSystemFocus>(dialog, message,
                                                                                            wParam, lParam);
}

INT_PTR CALLBACK FormFileSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<FormSettingsContext, InitFormFile, FormFileCommand, kSystemFocus>(dialog, message,
                                                                                              wParam, lParam);
}

}  // namespace zv
