#include "dialogs/edit_form_dialog.h"

#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "dialogs/change_form_dialog.h"
#include "dialogs/delete_form_data_dialog.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/edit_guard.h"
#include "dialogs/file_pickers.h"
#include "dialogs/help.h"
#include "module/message_ids.h"
#include "dialogs/module_frame.h"
#include "dialogs/register_existing_dialog.h"
#include "dialogs/resource_ids.h"
#include "driverlink/paper_size_list.h"
#include "platform/platform.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

// The entry name of a file entry made by the driver's capture; such an entry
// is shown as no file at all and keeps the driver's identifier.
constexpr char kCaptureEntryName[] = "C";

// The extension of a group info file's name.
constexpr char kGroupInfoExtension[] = ".FGP";

// Bytes of one named form in the arrays: its identifier and its name.
constexpr uint32_t kNamedFormBytes = sizeof(int32_t) + kFormNameSize;

HWND Item(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

void ShowControl(HWND dialog, int id, bool shown) {
  ShowWindow(Item(dialog, id), shown ? SW_SHOW : SW_HIDE);
  EnableWindow(Item(dialog, id), shown ? TRUE : FALSE);
}

void EnableControl(HWND dialog, int id, bool enabled) {
  EnableWindow(Item(dialog, id), enabled ? TRUE : FALSE);
}

// Appends a row at the end; the row's index.
LRESULT AppendRow(HWND dialog, const char* text) {
  return SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(text));
}

LRESULT SelectedRow(HWND dialog) {
  return SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_GETCURSEL, 0, 0);
}

// The named-form arrays released (handle null, size and count 0).
void ReleaseNamedForms(EditFormContext* context) {
  if (context->namedForms != nullptr) {
    plat::UnlockMemory(context->namedForms);
    plat::FreeMemory(context->namedForms);
  }
  context->namedForms = nullptr;
  context->namedFormsSize = 0;
  context->namedCount = 0;
  context->ids = nullptr;
  context->names = nullptr;
}

// Points ids and names into the locked block of count named forms.
void PlaceArrays(EditFormContext* context, void* block, uint32_t count) {
  context->ids = static_cast<int32_t*>(block);
  context->names = reinterpret_cast<FormName*>(static_cast<unsigned char*>(block) + sizeof(int32_t) * count);
}

// The row of the named form id, -1 when it is not listed.
int32_t RowOfForm(const EditFormContext* context, int32_t id) {
  for (int32_t i = 0; i < context->namedCount; ++i) {
    if (context->ids[i] == id) return i;
  }
  return -1;
}

// An overlay data file's layer and description (cut to the context's
// 255 characters).
uint16_t ReadOverlayDescription(const char* path, char* description) {
  char text[kOverlayDescriptionSize] = "";
  const uint16_t layer = GetOverlayDescription(path, text);
  std::memcpy(description, text, kFormDescriptionSize - 1);
  description[kFormDescriptionSize - 1] = '\0';
  return layer;
}

// Layer and description of the selected named form, shown in the
// description field.
void ShowSelectedForm(HWND dialog, EditFormContext* context) {
  context->formDescription[0] = '\0';
  const int16_t layer = GetFormRecordInfo(context->selectedForm, nullptr, context->formDescription, nullptr);
  context->formLayer = layer > 0 ? static_cast<uint16_t>(layer) : 0;
  if (layer < 0) context->formDescription[0] = '\0';
  SetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, context->formDescription);
}

// The named forms appended in array order; the row of the selected form
// (the first when it is gone) selected and shown.
void FillFormList(HWND dialog, EditFormContext* context) {
  for (int32_t i = 0; i < context->namedCount; ++i) AppendRow(dialog, context->names[i]);
  if (context->namedCount <= 0) return;
  int32_t row = RowOfForm(context, context->selectedForm);
  if (row < 0) row = 0;
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  context->selectedForm = context->ids[row];
}

// The file entry's path and description into the context and the dialog.
void ShowFileEntry(HWND dialog, EditFormContext* context, bool skipOverlayNumbers) {
  context->filePath[0] = '\0';
  context->fileDescription[0] = '\0';
  if (!GetFormGroupPath(context->fileEntryId, context->filePath)) context->filePath[0] = '\0';
  if (skipOverlayNumbers && IsDigitsOnly(context->filePath)) {
    context->filePath[0] = '\0';
    return;
  }
  ReadOverlayDescription(context->filePath, context->fileDescription);
  SetDlgItemTextA(dialog, ZV_ID_EDIT_FILE, context->filePath);
  SetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, context->fileDescription);
}

void ShowFormNameControls(HWND dialog, const EditFormContext* context) {
  ShowControl(dialog, ZV_ID_EDIT_FILE_LABEL, false);
  ShowControl(dialog, ZV_ID_EDIT_FILE, false);
  ShowControl(dialog, ZV_ID_EDIT_BROWSE, false);
  ShowControl(dialog, ZV_ID_EDIT_REGISTER, false);
  ShowControl(dialog, ZV_ID_EDIT_FORM_LABEL, true);
  ShowControl(dialog, ZV_ID_EDIT_FORM_LIST, true);
  const bool any = context->namedCount > 0;
  EnableControl(dialog, ZV_ID_EDIT_DELETE, any);
  EnableControl(dialog, ZV_ID_EDIT_CHANGE, any);
}

void ShowFileControls(HWND dialog) {
  ShowControl(dialog, ZV_ID_EDIT_FORM_LABEL, false);
  ShowControl(dialog, ZV_ID_EDIT_FORM_LIST, false);
  ShowControl(dialog, ZV_ID_EDIT_FILE_LABEL, true);
  ShowControl(dialog, ZV_ID_EDIT_FILE, true);
  ShowControl(dialog, ZV_ID_EDIT_BROWSE, true);
  ShowControl(dialog, ZV_ID_EDIT_REGISTER, true);
  EnableControl(dialog, ZV_ID_EDIT_DELETE, true);
  EnableControl(dialog, ZV_ID_EDIT_CHANGE, true);
}

// The typed file, checked before a sub-dialog works on it: read into work
// text 1; a refusal is shown and false returned.
bool CheckTypedFile(HWND dialog, EditFormContext* context) {
  context->workText1[0] = '\0';
  GetDlgItemTextA(dialog, ZV_ID_EDIT_FILE, context->workText1, plat::kPathBuffer);
  const uint32_t refusal = CheckEditedFile(context->workText1);
  if (refusal != 0) {
    ShowErrorBox(dialog, refusal);
    return false;
  }
  std::memcpy(context->filePath, context->workText1, plat::kPathBuffer);
  return true;
}

void OnModeSwitch(HWND dialog, EditFormContext* context) {
  if (context->mode == kEditModeFormNames) {
    context->mode = kEditModeFile;
    ShowFileControls(dialog);
    ShowFileEntry(dialog, context, false);
    SetDlgItemTextA(dialog, ZV_ID_EDIT_FILE, context->filePath);
    SetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, context->fileDescription);
  } else {
    context->mode = kEditModeFormNames;
    ShowFormNameControls(dialog, context);
    ShowSelectedForm(dialog, context);
  }
}

// The typed file's description, shown while the user types a full path.
void OnFileChange(HWND dialog, EditFormContext* context) {
  context->workText2[0] = '\0';
  GetDlgItemTextA(dialog, ZV_ID_EDIT_FILE, context->workText2, plat::kPathBuffer);
  char description[kFormDescriptionSize] = "";
  if (std::strchr(context->workText2, '\\') != nullptr)
    ReadOverlayDescription(context->workText2, description);
  SetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, description);
}

void OnSelectionChange(HWND dialog, EditFormContext* context) {
  const LRESULT row = SelectedRow(dialog);
  if (row < 0 || row >= context->namedCount) return;
  context->selectedForm = context->ids[row];
  ShowSelectedForm(dialog, context);
}

// The save directory of a named form: its group info file's directory, or
// the group text itself while it names no group info file yet. Only a name
// ending in .FGP is cut off: a directory may have a dot in its name.
void TakeSaveDirectory(EditFormContext* context) {
  context->saveDirectory[0] = '\0';
  if (!GetFormGroupPath(context->selectedForm, context->saveDirectory)) context->saveDirectory[0] = '\0';
  if (!ExtensionEquals(context->saveDirectory, kGroupInfoExtension)) return;
  char* cut = std::strrchr(context->saveDirectory, '\\');
  if (cut == nullptr) return;
  if (cut > context->saveDirectory && cut[-1] == ':') ++cut;
  *cut = '\0';
}

void OnChange(HWND dialog, EditFormContext* context) {
  LRESULT row = -1;
  if (context->mode == kEditModeFormNames) {
    row = SelectedRow(dialog);
    if (context->namedCount > 0) {
      if (row < 0 || row >= context->namedCount) row = 0;
      context->selectedForm = context->ids[row];
      std::memcpy(context->formName, context->names[row], kFormNameSize);
      context->formName[kFormNameSize - 1] = '\0';
      GetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, context->formDescription, kFormDescriptionSize);
      if (context->selectedForm > 0) {
        TakeSaveDirectory(context);
        const int16_t layer =
            GetFormRecordInfo(context->selectedForm, context->workText1, context->formDescription, nullptr);
        if (layer > 0) context->formLayer = static_cast<uint16_t>(layer);
      }
    }
  } else {
    if (!CheckTypedFile(dialog, context)) return;
    context->fileDescription[0] = '\0';
    context->fileLayer = ReadOverlayDescription(context->filePath, context->fileDescription);
  }
  if (RunDialog("EDIT3", dialog, ChangeFormProc, context) != 1) return;
  if (context->mode == kEditModeFile) {
    SetDlgItemTextA(dialog, ZV_ID_EDIT_FILE, context->filePath);
    SetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, context->fileDescription);
    return;
  }
  if (row < 0 || row >= context->namedCount) return;
  std::memcpy(context->names[row], context->formName, kFormNameSize);
  context->names[row][kFormNameSize - 1] = '\0';
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
  const WPARAM place = row == context->namedCount - 1 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(row);
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_INSERTSTRING, place,
                      reinterpret_cast<LPARAM>(context->names[row]));
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  ShowSelectedForm(dialog, context);
}

// The named forms read again and the list refilled; with none left, Change
// and Delete are disabled.
void RefillFormList(HWND dialog, EditFormContext* context) {
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_RESETCONTENT, 0, 0);
  FillFormList(dialog, context);
  if (context->namedCount > 0) {
    ShowSelectedForm(dialog, context);
  } else {
    context->selectedForm = 0;
    EnableControl(dialog, ZV_ID_EDIT_DELETE, false);
    EnableControl(dialog, ZV_ID_EDIT_CHANGE, false);
  }
}

void ReleaseFlags(EditFormContext* context) {
  if (context->flagsHandle != nullptr) {
    plat::UnlockMemory(context->flagsHandle);
    plat::FreeMemory(context->flagsHandle);
  }
  context->flagsHandle = nullptr;
  context->flags = nullptr;
}

void OnDelete(HWND dialog, EditFormContext* context) {
  if (context->mode == kEditModeFormNames) {
    context->flagCount = CountOverlayEntries(context->selectedForm);
  } else {
    if (!CheckTypedFile(dialog, context)) return;
    context->flagCount = 1;
  }
  if (context->flagCount > 0) {
    context->flagsHandle = plat::AllocMovable(context->flagCount * sizeof(uint32_t));
    context->flags =
        context->flagsHandle ? static_cast<uint32_t*>(plat::LockMemory(context->flagsHandle)) : nullptr;
    if (context->flags == nullptr) {
      ReleaseFlags(context);
      ShowErrorBox(dialog, kMsgNoWorkArea);
      return;
    }
  }
  const INT_PTR result = RunDialog("EDIT1", dialog, DeleteFormDataProc, context);
  // The delete dialog gives the flags back itself; this covers a dialog that
  // could not be opened.
  ReleaseFlags(context);
  if (result != 1) return;
  SetDlgItemTextA(dialog, ZV_ID_EDIT_DESCRIPTION, "");
  if (context->mode == kEditModeFile) {
    context->filePath[0] = '\0';
    context->fileName[0] = '\0';
    context->fileDescription[0] = '\0';
    SetDlgItemTextA(dialog, ZV_ID_EDIT_FILE, "");
    return;
  }
  // The form that went is the selected one; the driver is told when it was
  // its own.
  if (context->selectedForm == context->driverForm) context->driverForm = 0;
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FORM_LIST, LB_RESETCONTENT, 0, 0);
  if (!ReloadNamedForms(dialog, context)) ShowErrorBox(dialog, GetLastErrorCode());
  RefillFormList(dialog, context);
}

void OnRegister(HWND dialog, EditFormContext* context) {
  context->formName[0] = '\0';
  int32_t row = RowOfForm(context, context->selectedForm);
  if (row < 0 && context->namedCount > 0) {
    row = 0;
    context->selectedForm = context->ids[0];
  }
  if (row >= 0) {
    std::memcpy(context->formName, context->names[row], kFormNameSize);
    context->formName[kFormNameSize - 1] = '\0';
  }
  if (!CheckTypedFile(dialog, context)) return;
  context->fileDescription[0] = '\0';
  context->fileLayer = ReadOverlayDescription(context->filePath, context->fileDescription);
  uint16_t orientation = context->fileOrientation;
  context->filePaperIndex = static_cast<uint16_t>(
      FindPaperEntryIndex(context->filePath, context->paperCount, context->papers, &orientation));
  context->fileOrientation = orientation;

  const int32_t countBefore = context->namedCount;
  if (RunDialog("EDIT2", dialog, RegisterExistingProc, context) != 1) return;
  if (!ReloadNamedForms(dialog, context)) ShowErrorBox(dialog, GetLastErrorCode());
  if (context->namedCount != countBefore) RefillFormList(dialog, context);
}

void OnBrowse(HWND dialog, EditFormContext* context) {
  char directory[plat::kPathBuffer] = "";
  PickFormFile(dialog, ZV_ID_EDIT_FILE, kPickExistingFile, &context->openFile, context->workText1,
               context->workText3, directory);
}

INT_PTR OnCommand(HWND dialog, EditFormContext* context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case ZV_ID_EDIT_USE_FORM_NAME:
      if (code == BN_CLICKED) OnModeSwitch(dialog, context);
      return TRUE;
    case ZV_ID_EDIT_FILE:
      if (code == EN_CHANGE) OnFileChange(dialog, context);
      return TRUE;
    case ZV_ID_EDIT_FORM_LIST:
      if (code == LBN_SELCHANGE) OnSelectionChange(dialog, context);
      return TRUE;
    case ZV_ID_EDIT_BROWSE:
      if (code == BN_CLICKED) OnBrowse(dialog, context);
      return TRUE;
    case ZV_ID_EDIT_CHANGE:
      if (code == BN_CLICKED) OnChange(dialog, context);
      return TRUE;
    case ZV_ID_EDIT_DELETE:
      if (code == BN_CLICKED) OnDelete(dialog, context);
      return TRUE;
    case ZV_ID_EDIT_REGISTER:
      if (code == BN_CLICKED) OnRegister(dialog, context);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen = ShowHelp(
          dialog, HELP_CONTEXT, context->mode == kEditModeFile ? ZV_HELP_EDIT_FILES : ZV_HELP_EDIT_FORM_NAMES,
          context->deviceName, context->driverPath);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, 1);
      return TRUE;
    default:
      return FALSE;
  }
}

void OnInitDialog(HWND dialog, EditFormContext* context) {
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_DESCRIPTION, EM_LIMITTEXT, kFormDescriptionSize - 1, 0);
  SendDlgItemMessageA(dialog, ZV_ID_EDIT_FILE, EM_LIMITTEXT, plat::kMaxPath, 0);
  FillFormList(dialog, context);
  if (context->mode == kEditModeFile) {
    ShowFileControls(dialog);
    ShowFileEntry(dialog, context, true);
    return;
  }
  ShowFormNameControls(dialog, context);
  CheckDlgButton(dialog, ZV_ID_EDIT_USE_FORM_NAME, BST_CHECKED);
  ShowSelectedForm(dialog, context);
}

// The paper size list of the driver, kept locked for the whole call.
void TakePaperList(EditFormContext* context) {
  uint16_t count = 0;
  context->paperList = BuildPaperSizeList(context->deviceName, context->driverPath, 1, &count);
  const void* papers = context->paperList ? plat::LockMemory(context->paperList) : nullptr;
  if (papers == nullptr) {
    if (context->paperList) plat::FreeMemory(context->paperList);
    context->paperList = nullptr;
    count = 0;
  }
  context->papers = static_cast<const PaperEntry*>(papers);
  context->paperCount = count;
}

void ReleasePaperList(EditFormContext* context) {
  if (context->paperList) {
    plat::UnlockMemory(context->paperList);
    plat::FreeMemory(context->paperList);
  }
  context->paperList = nullptr;
  context->papers = nullptr;
  context->paperCount = 0;
}

// The named forms read before the dialog opens; false after the failure
// was shown.
bool TakeNamedForms(HWND owner, EditFormContext* context) {
  const uint32_t count = CountNamedForms();
  if (count == 0) return true;
  context->namedForms = plat::AllocMovable(count * kNamedFormBytes);
  void* block = context->namedForms ? plat::LockMemory(context->namedForms) : nullptr;
  if (block == nullptr) {
    if (context->namedForms) plat::FreeMemory(context->namedForms);
    context->namedForms = nullptr;
    ShowErrorBox(owner, kMsgNoWorkArea);
    return false;
  }
  context->namedFormsSize = count * kNamedFormBytes;
  PlaceArrays(context, block, count);
  if (!ListNamedForms(0, count - 1, context->ids, context->names)) {
    ReleaseNamedForms(context);
    ShowErrorBox(owner, GetLastErrorCode());
    return false;
  }
  context->namedCount = static_cast<int32_t>(count);
  return true;
}

// The mode the dialog opens in, from the driver's identifier.
void ChooseMode(EditFormContext* context, int32_t id) {
  if (id > 0) {
    context->mode = kEditModeFormNames;
    context->selectedForm = id;
    context->driverForm = id;
    context->fileEntryId = 0;
    return;
  }
  context->mode = kEditModeFile;
  context->selectedForm = 0;
  context->fileEntryId = id;
  int32_t found = 0;
  if (GetFileEntryName(id, &found, context->entryName) &&
      std::strcmp(context->entryName, kCaptureEntryName) == 0) {
    context->fileEntryId = 0;
  }
}

// The driver's identifier after the dialog: 0 when the edit removed what it
// named, the last selected form when the dialog ended in form-name mode. A
// file entry is judged by the file it names now, whatever the dialog's
// fields were left showing: an entry whose file is gone (deleted here, or
// missing already) gives 0; one kept by overlay number, or a capture's, is
// not looked at.
int32_t CorrectedIdentifier(EditFormContext* context, int32_t id) {
  if (id < 0) {
    if (std::strcmp(context->entryName, kCaptureEntryName) == 0) return id;
    char* path = context->workText1;
    if (!GetFormGroupPath(id, path)) path[0] = '\0';
    if (path[0] == '\0' || IsDigitsOnly(path)) return id;
    return PathExists(path) ? id : 0;
  }
  if (id > 0 && context->driverForm == 0) return 0;
  if (context->namedCount <= 0) return id >= 1 ? 0 : id;
  if (context->mode == kEditModeFormNames) return context->selectedForm;
  return id;
}

int32_t RunEditForm(HWND owner, const void* settings, const char* deviceName, const char* driverPath,
                    int32_t* formId) {
  if (!EnsureCatalogueConfiguration()) {
    ShowErrorBox(owner, GetLastErrorCode());
    return 0;
  }
  auto* context = static_cast<EditFormContext*>(plat::AllocZeroed(sizeof(EditFormContext)));
  if (context == nullptr) {
    ShowErrorBox(owner, kMsgNoWorkArea);
    return 0;
  }
  if (!TakeNamedForms(owner, context)) {
    plat::FreeBlock(context);
    return 0;
  }
  context->deviceName = deviceName;
  context->driverPath = driverPath;
  TakePaperList(context);

  const int32_t passed = formId ? *formId : 0;
  ChooseMode(context, passed);
  context->settings = settings;
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetFormIdRange(&lowest, &highest, nullptr);
  context->namedCapacity = highest - lowest + 1;
  GetOverlayNumberRange(&lowest, &highest);
  context->overlayCapacity = highest - lowest + 1;

  CreateDialogBrush();
  const INT_PTR result = RunDialog("EDIT", owner, EditFormProc, context);
  DeleteDialogBrush();

  if (result == 1 && formId != nullptr) *formId = CorrectedIdentifier(context, passed);
  ReleasePaperList(context);
  ReleaseNamedForms(context);
  ReleaseFlags(context);
  plat::FreeBlock(context);
  return result == 1 ? 1 : 0;
}

}  // namespace

int ReloadNamedForms(HWND, EditFormContext* context) {
  const uint32_t count = CountNamedForms();
  context->namedCount = static_cast<int32_t>(count);
  if (count == 0) {
    ReleaseNamedForms(context);
    return 1;
  }
  const uint32_t size = count * kNamedFormBytes;
  if (size != context->namedFormsSize || context->namedForms == nullptr) {
    plat::MemoryHandle block;
    if (context->namedForms == nullptr) {
      block = plat::AllocMovable(size);
    } else {
      plat::UnlockMemory(context->namedForms);
      block = plat::ReAllocMovable(context->namedForms, size);
      if (block == nullptr) plat::FreeMemory(context->namedForms);
    }
    context->namedForms = block;
    void* bytes = block ? plat::LockMemory(block) : nullptr;
    if (bytes == nullptr) {
      if (block != nullptr) plat::FreeMemory(block);
      context->namedForms = nullptr;
      ReleaseNamedForms(context);
      SetLastErrorCode(kMsgNoWorkArea);
      return 0;
    }
    context->namedFormsSize = size;
    PlaceArrays(context, bytes, count);
  }
  if (!ListNamedForms(0, count - 1, context->ids, context->names)) {
    ReleaseNamedForms(context);
    return 0;
  }
  return 1;
}

INT_PTR CALLBACK EditFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<EditFormContext, OnInitDialog, OnCommand, kOwnFocus>(dialog, message, wParam,
                                                                                 lParam);
}

}  // namespace zv

extern "C" ZVLONG ZVAPI ZVEntryFormEditDlg(ZVHWND owner, const void* settings, ZVLPCSTR deviceName,
                                           ZVLPCSTR driverPath, ZVLONG* formId) {
  using namespace zv;
  HWND ownerWindow = static_cast<HWND>(owner);
  if (AcquireEditGuard() == kGuardHeld) {
    ShowErrorBox(ownerWindow, kMsgEditFormAlreadyOpen);
    return 0;
  }
  // The dialog works on a copy of the caller's choice; the copy goes back
  // as it was unless the dialog changed it.
  int32_t choice = formId ? static_cast<int32_t>(*formId) : 0;
  const int32_t result =
      RunEditForm(ownerWindow, settings, deviceName, driverPath, formId ? &choice : nullptr);
  if (formId) *formId = choice;
  ReleaseEditGuard();
  return result;
}
