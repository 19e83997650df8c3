// ZVFormDetailsDlg: the driver's choice of the form to print with. A named
// form is chosen from the form details dialog (DETAIL); without named forms,
// or when the driver's choice is not a named form, the user names an overlay
// data file in the form selection dialog (DETAIL1), which registers it as a
// file entry "P". The form name picker on DETAIL serves the add form and
// register existing form dialogs.
#include "dialogs/form_details_dialog.h"

#include <cstdint>
#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_name_list.h"
#include "catalogue/overlay_files.h"
#include "catalogue/paths.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/file_pickers.h"
#include "dialogs/help.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "maintenance/form_registration.h"
#include "platform/platform.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

// The description controls hold at most this many characters.
constexpr WPARAM kDescriptionLimit = 255;

// The name of the file entries the form selection dialog registers (for
// printing), and of those a capture registers, which it never changes.
constexpr char kPrintEntryName[] = "P";
constexpr char kCaptureEntryName[] = "C";

// The selected row of a list box, or -1.
int SelectedRow(HWND dialog, int listId) {
  const LRESULT row = SendDlgItemMessageA(dialog, listId, LB_GETCURSEL, 0, 0);
  return row == LB_ERR ? -1 : static_cast<int>(row);
}

void FillNameList(HWND dialog, int32_t count, const FormName* names) {
  for (int32_t i = 0; i < count; ++i) {
    SendDlgItemMessageA(dialog, ZV_ID_DETAIL_FORM_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i]));
  }
}

void SelectRow(HWND dialog, int row) {
  SendDlgItemMessageA(dialog, ZV_ID_DETAIL_FORM_LIST, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void LimitDescription(HWND dialog, int controlId) {
  SendDlgItemMessageA(dialog, controlId, EM_LIMITTEXT, kDescriptionLimit, 0);
}

// ---------------------------------------------------------------------------
// The form details dialog.

// Shows the description of the form in row `row` (empty when the catalogue
// no longer has it).
void ShowDetailsDescription(HWND dialog, FormDetailsContext* context, int row) {
  std::memset(context->description, 0, sizeof context->description);
  if (row >= 0 && row < context->count) {
    GetFormRecordInfo(context->ids[row], nullptr, context->description, nullptr);
  }
  SetDlgItemTextA(dialog, ZV_ID_DETAIL_DESCRIPTION, context->description);
}

void InitFormDetails(HWND dialog, FormDetailsContext* context) {
  LimitDescription(dialog, ZV_ID_DETAIL_DESCRIPTION);
  FillNameList(dialog, context->count, context->names);
  int row = 0;
  for (int32_t i = 0; i < context->count; ++i) {
    if (context->ids[i] == context->selectedForm) {
      row = i;
      break;
    }
  }
  if (context->count > 0) SelectRow(dialog, row);
  ShowDetailsDescription(dialog, context, context->count > 0 ? row : -1);
}

// ---------------------------------------------------------------------------
// The form selection dialog.

// Fills the file and description fields from the driver's file entry: its
// overlay data file and that file's description. An entry kept by overlay
// number (digits only) or one that cannot be read leaves both empty.
void InitFormSelection(HWND dialog, FormSelectionContext* context) {
  context->filePath[0] = '\0';
  LimitDescription(dialog, ZV_ID_SELECTION_DESCRIPTION);
  if (!GetFormGroupPath(context->fileEntryId, context->filePath)) return;
  if (IsDigitsOnly(context->filePath)) return;  // empty, or an overlay number
  std::memset(context->workText1, 0, sizeof context->workText1);
  if (GetOverlayDescription(context->filePath, context->workText1) != 0) {
    SetDlgItemTextA(dialog, ZV_ID_SELECTION_DESCRIPTION, context->workText1);
  }
  SetDlgItemTextA(dialog, ZV_ID_SELECTION_FILE, context->filePath);
}

// The typed file changed: a path shows its file's description, anything
// else none.
void FollowTypedFile(HWND dialog, FormSelectionContext* context) {
  GetDlgItemTextA(dialog, ZV_ID_SELECTION_FILE, context->filePath, plat::kPathBuffer);
  std::memset(context->workText1, 0, sizeof context->workText1);
  if (std::strchr(context->filePath, '\\')) GetOverlayDescription(context->filePath, context->workText1);
  SetDlgItemTextA(dialog, ZV_ID_SELECTION_DESCRIPTION, context->workText1);
}

// Registers the file entry "P" for the typed file. False with the last
// error code of the failing step.
bool RegisterPrintEntry(FormSelectionContext* context, uint8_t layer) {
  if (context->fileEntryId != 0) {
    return UpdateFormRecord(context->fileEntryId, kPrintEntryName, "", context->filePath, layer);
  }
  uint32_t canAdd = 0;
  if (!ChooseFormId(kChooseFileEntry, nullptr, &context->fileEntryId, &canAdd)) return false;
  if (canAdd) return AddFormRecord(context->fileEntryId, kPrintEntryName, "", context->filePath, layer);
  // The ring of file entries is full: the oldest one is overwritten.
  return UpdateFormRecord(context->fileEntryId, kPrintEntryName, "", context->filePath, layer);
}

// OK: the typed file must be an existing overlay data file of an acceptable
// name; it is then registered. True when the dialog may close.
bool AcceptSelectedFile(HWND dialog, FormSelectionContext* context) {
  GetDlgItemTextA(dialog, ZV_ID_SELECTION_FILE, context->filePath, plat::kPathBuffer);
  std::memset(context->workText1, 0, sizeof context->workText1);
  uint16_t layer = GetOverlayDescription(context->filePath, context->workText1);
  if (layer == 0) layer = kLayerBack;
  uint32_t refusal = CheckSelectedFileName(context->filePath);
  if (refusal == 0) refusal = CheckExistingFile(context->filePath);
  if (refusal != 0) {
    ShowErrorBox(dialog, refusal);
    return false;
  }
  if (!RegisterPrintEntry(context, static_cast<uint8_t>(layer))) {
    ShowErrorBox(dialog, GetLastErrorCode() == kMsgNoWorkArea ? kMsgNoWorkArea : kMsgCannotSaveOverlayInfo);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The form name picker.

// Shows the picked description.
void ShowPickedDescription(HWND dialog, FormNamePickerContext* context) {
  SetDlgItemTextA(dialog, ZV_ID_DETAIL_DESCRIPTION, context->pickedDescription);
}

void InitFormNamePicker(HWND dialog, FormNamePickerContext* context) {
  LimitDescription(dialog, ZV_ID_DETAIL_DESCRIPTION);
  FillNameList(dialog, context->count, context->names);
  int row = -1;
  for (int32_t i = 0; i < context->count; ++i) {
    if (context->ids[i] == context->pickedForm || std::strcmp(context->names[i], context->pickedName) == 0) {
      row = i;
      break;
    }
  }
  if (row >= 0) {
    SelectRow(dialog, row);
    GetFormRecordInfo(context->pickedForm, context->pickedName, context->pickedDescription, nullptr);
    ShowPickedDescription(dialog, context);
    context->pickedForm = context->ids[row];
    std::memcpy(context->pickedName, context->names[row], kFormNameSize);
    context->pickedName[kFormNameSize - 1] = '\0';
    return;
  }
  // Nothing matches: the pick stays as the caller gave it.
  GetFormRecordInfo(context->pickedForm, nullptr, context->pickedDescription, nullptr);
  ShowPickedDescription(dialog, context);
  if (context->count > 0) SelectRow(dialog, 0);
}

void FollowPickedRow(HWND dialog, FormNamePickerContext* context) {
  const int row = SelectedRow(dialog, ZV_ID_DETAIL_FORM_LIST);
  if (row < 0 || row >= context->count) return;
  context->pickedForm = context->ids[row];
  std::memcpy(context->pickedName, context->names[row], kFormNameSize);
  context->pickedName[kFormNameSize - 1] = '\0';
  std::memset(context->pickedDescription, 0, sizeof context->pickedDescription);
  GetFormRecordInfo(context->pickedForm, nullptr, context->pickedDescription, nullptr);
  ShowPickedDescription(dialog, context);
}

// ---------------------------------------------------------------------------
// ZVFormDetailsDlg's two ways.

// The form selection dialog. 1 when it ended with OK, the registered file
// entry then in *formId.
int32_t ChooseFileEntry(HWND owner, const char* deviceName, const char* driverPath, int32_t* formId) {
  auto* context = static_cast<FormSelectionContext*>(plat::AllocZeroed(sizeof(FormSelectionContext)));
  if (!context) {
    ShowErrorBox(owner, kMsgNoWorkArea);
    return 0;
  }
  if (!GetFileEntryName(*formId, &context->foundId, context->entryName)) {
    ShowErrorBox(owner, GetLastErrorCode());
    plat::FreeBlock(context);
    return 0;
  }
  // The entry to rewrite is the one found: an identifier that no file entry
  // bears (a named form's, one deleted, or any before the catalogue exists)
  // gets a new entry, as a capture's entry does, which is never changed.
  context->fileEntryId = context->foundId;
  if (context->fileEntryId != 0 && std::strcmp(context->entryName, kCaptureEntryName) == 0) {
    context->fileEntryId = 0;
  }
  context->driverPath = driverPath;
  context->deviceName = deviceName;
  CreateDialogBrush();
  const INT_PTR result = RunDialog("DETAIL1", owner, FormSelectionProc, context);
  if (result == IDOK) *formId = context->fileEntryId;
  DeleteDialogBrush();
  plat::FreeBlock(context);
  return result == IDOK ? 1 : 0;
}

// The form details dialog over `count` named forms. 1 when it ended with
// OK, the chosen form then in *formId.
int32_t ChooseNamedForm(HWND owner, uint32_t count, const char* deviceName, const char* driverPath,
                        int32_t* formId) {
  const uint64_t size = sizeof(FormDetailsContext) + uint64_t{count} * (sizeof(int32_t) + kFormNameSize);
  void* block = size <= UINT32_MAX ? plat::AllocZeroed(static_cast<uint32_t>(size)) : nullptr;
  if (!block) {
    ShowErrorBox(owner, kMsgNoWorkArea);
    return 0;
  }
  auto* context = static_cast<FormDetailsContext*>(block);
  unsigned char* arrays = static_cast<unsigned char*>(block) + sizeof(FormDetailsContext);
  context->count = static_cast<int32_t>(count);
  context->ids = reinterpret_cast<int32_t*>(arrays);
  context->names = reinterpret_cast<FormName*>(arrays + sizeof(int32_t) * count);
  context->driverPath = driverPath;
  context->deviceName = deviceName;
  if (!ListNamedForms(0, count - 1, context->ids, context->names)) {
    ShowErrorBox(owner, GetLastErrorCode());
    plat::FreeBlock(block);
    return 0;
  }
  context->selectedForm = *formId;
  CreateDialogBrush();
  const INT_PTR result = RunDialog("DETAIL", owner, FormDetailsProc, context);
  if (result == IDOK) *formId = context->selectedForm;
  DeleteDialogBrush();
  plat::FreeBlock(block);
  return result == IDOK ? 1 : 0;
}

INT_PTR FormDetailsCommand(HWND dialog, FormDetailsContext* context, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case ZV_ID_DETAIL_FORM_LIST:
      if (HIWORD(wParam) == LBN_SELCHANGE) {
        const int row = SelectedRow(dialog, ZV_ID_DETAIL_FORM_LIST);
        if (row >= 0) ShowDetailsDescription(dialog, context, row);
      }
      return FALSE;
    case ZV_ID_OK: {
      const int row = SelectedRow(dialog, ZV_ID_DETAIL_FORM_LIST);
      if (row >= 0 && row < context->count) context->selectedForm = context->ids[row];
      EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDOK);
      return TRUE;
    }
    case ZV_ID_CANCEL:
      EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDCANCEL);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_FORM_DETAILS, context->deviceName, context->driverPath);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR FormSelectionCommand(HWND dialog, FormSelectionContext* context, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case ZV_ID_SELECTION_FILE:
      if (HIWORD(wParam) == EN_CHANGE) FollowTypedFile(dialog, context);
      return FALSE;
    case ZV_ID_SELECTION_BROWSE:
      PickFormFile(dialog, ZV_ID_SELECTION_FILE, kPickExistingFile, &context->openFile, context->workText1,
                   context->workText2, context->workText3);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_FORM_SELECTION, context->deviceName, context->driverPath);
      return TRUE;
    case ZV_ID_OK:
      if (AcceptSelectedFile(dialog, context)) {
        EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDOK);
      }
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR FormNamePickerCommand(HWND dialog, FormNamePickerContext* context, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case ZV_ID_DETAIL_FORM_LIST:
      if (HIWORD(wParam) == LBN_SELCHANGE) FollowPickedRow(dialog, context);
      if (HIWORD(wParam) == LBN_DBLCLK) {
        EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDOK);
      }
      return FALSE;
    // The picker's help flag is its own, not the opening dialog's: a help
    // session it opened is ended here, or nobody would end it.
    case ZV_ID_OK:
      EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDOK);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, IDCANCEL);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_FORM_DETAILS, context->deviceName, context->driverPath);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK FormDetailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<FormDetailsContext, InitFormDetails, FormDetailsCommand, kOwnFocus>(
      dialog, message, wParam, lParam);
}

INT_PTR CALLBACK FormSelectionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<FormSelectionContext, InitFormSelection, FormSelectionCommand, kOwnFocus>(
      dialog, message, wParam, lParam);
}

INT_PTR CALLBACK PickFormNameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<FormNamePickerContext, InitFormNamePicker, FormNamePickerCommand, kOwnFocus>(
      dialog, message, wParam, lParam);
}

}  // namespace zv

extern "C" ZVLONG ZVAPI ZVFormDetailsDlg(ZVHWND owner, const void* /*settings*/, ZVWORD /*unused1*/,
                                         ZVLPCSTR deviceName, ZVLPCSTR driverPath, ZVDWORD /*unused2*/,
                                         ZVLONG* formId) {
  using namespace zv;
  HWND window = static_cast<HWND>(owner);
  if (!formId) return 0;
  if (!EnsureCatalogueConfiguration()) {
    ShowErrorBox(window, GetLastErrorCode());
    return 0;
  }
  // The dialogs work on a copy of the caller's choice; the copy goes back
  // as it was unless a dialog changed it.
  int32_t choice = static_cast<int32_t>(*formId);
  const uint32_t count = CountNamedForms();
  const int32_t result = count < 1 || choice < 1
                             ? ChooseFileEntry(window, deviceName, driverPath, &choice)
                             : ChooseNamedForm(window, count, deviceName, driverPath, &choice);
  *formId = choice;
  return result;
}
