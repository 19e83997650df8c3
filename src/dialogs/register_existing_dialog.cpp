// The register existing form dialog. The left half shows the overlay data
// file that the edit form dialog checked; the right half names the form to
// register it under, in one of two layouts:
// - new form: description, paper choice (combo box and orientation radios),
//   front/back radios and the save directory are editable;
// - existing form: its front/back, description and, when its overlays give
//   one, its paper and orientation are fixed texts.
// A change of the form name switches between them.
//
// Choices made where the behaviour is open:
// - The fixed texts of the existing-form layout (1301, 1019, 1306, 1305) are
//   enabled whenever they are shown, so that they do not read greyed out.
// - A form whose overlays give no known paper shows the fixed labels with
//   empty texts; stale texts of a form shown before are never left.
// - A paper index counts as known only when it names an entry of the list.
// - Without a paper selection (an empty list) the user's choice is no paper;
//   the registration then takes the paper of the file's own header.
// - A new form is made by the registration, only once nothing stands in its
//   way: a refused OK leaves the catalogue as it was, and the dialog's
//   record of the form takes the new one only when it is registered.
#include "dialogs/register_existing_dialog.h"

#include <cstring>
#include <initializer_list>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/file_pickers.h"
#include "dialogs/form_details_dialog.h"
#include "dialogs/help.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "maintenance/existing_file_registration.h"
#include "platform/platform.h"

namespace zv {
namespace {

constexpr uint16_t kPortraitOrientation = 1;
constexpr uint16_t kLandscapeOrientation = 2;

void CopyText(char* to, const char* from, size_t size) {
  size_t length = std::strlen(from);
  if (length > size - 1) length = size - 1;
  std::memcpy(to, from, length);
  to[length] = '\0';
}

void Show(HWND dialog, int id, bool shown) {
  ShowWindow(GetDlgItem(dialog, id), shown ? SW_SHOW : SW_HIDE);
}

void Enable(HWND dialog, int id, bool enabled) {
  EnableWindow(GetDlgItem(dialog, id), enabled ? TRUE : FALSE);
}

void ShowAndEnable(HWND dialog, int id, bool on) {
  Show(dialog, id, on);
  Enable(dialog, id, on);
}

bool IsKnownPaper(const EditFormContext* context, uint16_t index) {
  return index != kNoPaper && context->papers != nullptr && index < context->paperCount;
}

void CheckLayer(HWND dialog, uint16_t layer) {
  CheckRadioButton(dialog, ZV_ID_TO_FRONT, ZV_ID_TO_BACK,
                   layer == kLayerBack ? ZV_ID_TO_BACK : ZV_ID_TO_FRONT);
}

void CheckOrientation(HWND dialog, uint16_t orientation) {
  CheckRadioButton(dialog, ZV_ID_REGISTER_PORTRAIT, ZV_ID_REGISTER_LANDSCAPE,
                   orientation == kPortraitOrientation ? ZV_ID_REGISTER_PORTRAIT : ZV_ID_REGISTER_LANDSCAPE);
}

void SetOrientationText(HWND dialog, int id, uint16_t orientation) {
  SetMessageText(dialog, id, orientation == kPortraitOrientation ? kMsgPortrait : kMsgLandscape);
}

// The driver's paper size code and orientation from its settings block.
void DriverPaper(const EditFormContext* context, uint16_t* code, uint16_t* orientation) {
  *code = 0;
  *orientation = 0;
  if (context->settings == nullptr) return;
  const auto* block = static_cast<const unsigned char*>(context->settings);
  uint16_t value;
  std::memcpy(&value, block + driver_block::kPaperCodeOffset, sizeof value);
  *code = value;
  int16_t signedValue;
  std::memcpy(&signedValue, block + driver_block::kOrientationOffset, sizeof signedValue);
  *orientation = static_cast<uint16_t>(signedValue);
}

// The paper choice of the new-form layout (and of an existing form without
// overlays): fixed to the file's paper when that is known, else the driver's
// paper (its first entry in the list) and orientation, entry 0 and landscape
// when the list lacks it.
void ApplyPaperSelection(HWND dialog, const EditFormContext* context) {
  const bool fileKnown = IsKnownPaper(context, context->filePaperIndex);
  if (fileKnown) {
    SendDlgItemMessageA(dialog, ZV_ID_REGISTER_PAPER, CB_SETCURSEL, context->filePaperIndex, 0);
    CheckOrientation(dialog, context->fileOrientation);
  } else {
    uint16_t code;
    uint16_t orientation;
    DriverPaper(context, &code, &orientation);
    int found = -1;
    for (uint16_t i = 0; i < context->paperCount && context->papers != nullptr; ++i) {
      if (context->papers[i].code == code) {
        found = i;
        break;
      }
    }
    SendDlgItemMessageA(dialog, ZV_ID_REGISTER_PAPER, CB_SETCURSEL, found < 0 ? 0 : found, 0);
    CheckOrientation(dialog, found < 0 ? kLandscapeOrientation : orientation);
  }
  Enable(dialog, ZV_ID_REGISTER_PAPER, !fileKnown);
  Enable(dialog, ZV_ID_REGISTER_PORTRAIT, !fileKnown);
  Enable(dialog, ZV_ID_REGISTER_LANDSCAPE, !fileKnown);
}

// The paper rows: the combo box and radios, or the form's fixed texts.
void ShowPaperChoice(HWND dialog, bool choice) {
  for (const int id :
       {ZV_ID_REGISTER_PAPER_FIXED_LABEL, ZV_ID_REGISTER_FORM_PAPER, ZV_ID_REGISTER_FORM_ORIENTATION}) {
    ShowAndEnable(dialog, id, !choice);
  }
  for (const int id : {ZV_ID_REGISTER_PAPER_LABEL, ZV_ID_REGISTER_PAPER, ZV_ID_REGISTER_PORTRAIT,
                       ZV_ID_REGISTER_LANDSCAPE}) {
    Show(dialog, id, choice);
  }
}

void SetDescriptionReadOnly(HWND dialog, bool readOnly) {
  SendDlgItemMessageA(dialog, ZV_ID_REGISTER_FORM_DESCRIPTION, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void ShowNewFormLayout(HWND dialog, EditFormContext* context) {
  ShowAndEnable(dialog, ZV_ID_REGISTER_FORM_LAYER, false);
  for (const int id : {ZV_ID_TO_FRONT, ZV_ID_TO_BACK, ZV_ID_REGISTER_SAVE_TO_LABEL,
                       ZV_ID_REGISTER_CHANGE_DIRECTORY, ZV_ID_REGISTER_SAVE_TO}) {
    ShowAndEnable(dialog, id, true);
  }
  SetDescriptionReadOnly(dialog, false);
  context->formPaperIndex = kNoPaper;
  context->workText3[0] = '\0';
  GetCurrentDirSetting(context->workText3);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_SAVE_TO, context->workText3);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_DESCRIPTION, "");
  CheckLayer(dialog, context->fileLayer);
  ShowPaperChoice(dialog, true);
  ApplyPaperSelection(dialog, context);
}

void ShowExistingFormLayout(HWND dialog, EditFormContext* context, int32_t id) {
  ShowAndEnable(dialog, ZV_ID_REGISTER_FORM_LAYER, true);
  for (const int control : {ZV_ID_TO_FRONT, ZV_ID_TO_BACK, ZV_ID_REGISTER_SAVE_TO_LABEL,
                            ZV_ID_REGISTER_CHANGE_DIRECTORY, ZV_ID_REGISTER_SAVE_TO}) {
    Show(dialog, control, false);
  }
  SetDescriptionReadOnly(dialog, true);

  context->formDescription[0] = '\0';
  const int16_t layer = GetFormRecordInfo(id, nullptr, context->formDescription, nullptr);
  SetMessageText(dialog, ZV_ID_REGISTER_FORM_LAYER, layer == kLayerBack ? kMsgBack : kMsgFront);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_DESCRIPTION, context->formDescription);

  ShowPaperChoice(dialog, false);
  uint16_t orientation = 0;
  context->formPaperIndex = FindFormPaperEntry(id, context->paperCount, context->papers, &orientation);
  if (IsKnownPaper(context, context->formPaperIndex)) {
    context->formOrientation = orientation;
    SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_PAPER, context->papers[context->formPaperIndex].name);
    SetOrientationText(dialog, ZV_ID_REGISTER_FORM_ORIENTATION, orientation);
  } else {
    context->formPaperIndex = kNoPaper;
    SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_PAPER, "");
    SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_ORIENTATION, "");
  }
  if (CountOverlayEntries(id) == 0) {
    ShowPaperChoice(dialog, true);
    ApplyPaperSelection(dialog, context);
  }
}

// Whether the right half shows an existing form: its layer text is shown
// only then.
bool ShowsExistingForm(HWND dialog) {
  return (GetWindowLongA(GetDlgItem(dialog, ZV_ID_REGISTER_FORM_LAYER), GWL_STYLE) & WS_VISIBLE) != 0;
}

// The right half after the form name changed: an exact name of a named form
// (letter case counts) shows that form, any other name a new one. The
// new-form layout is laid out afresh only when the name stops naming an
// existing form: while a new name is typed or corrected, the description,
// layer and paper set for it stay.
void FormNameChanged(HWND dialog, EditFormContext* context) {
  char* name = context->workText1;
  name[0] = '\0';
  GetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_NAME, name, plat::kPathBuffer);
  int32_t id = 0;
  if (context->namedCount > 0 && FindNamedFormByName(name, &id)) {
    context->selectedForm = id;
    ShowExistingFormLayout(dialog, context, id);
  } else if (ShowsExistingForm(dialog)) {
    ShowNewFormLayout(dialog, context);
  }
}

void InitDialog(HWND dialog, EditFormContext* context) {
  SendDlgItemMessageA(dialog, ZV_ID_REGISTER_FORM_NAME, EM_LIMITTEXT, kFormNameSize - 1, 0);
  SendDlgItemMessageA(dialog, ZV_ID_REGISTER_FORM_DESCRIPTION, EM_LIMITTEXT, kFormDescriptionSize - 1, 0);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_NAME, "");
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_DESCRIPTION, "");

  context->workText3[0] = '\0';
  GetCurrentDirSetting(context->workText3);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_SAVE_TO, context->workText3);
  CheckLayer(dialog, context->fileLayer);

  for (const int id : {ZV_ID_REGISTER_FORM_LAYER, ZV_ID_REGISTER_FORM_PAPER, ZV_ID_REGISTER_FORM_ORIENTATION,
                       ZV_ID_REGISTER_PAPER_FIXED_LABEL}) {
    ShowAndEnable(dialog, id, false);
  }
  SetDescriptionReadOnly(dialog, false);
  context->formPaperIndex = kNoPaper;

  // The combo box: every paper in list order; the file's own paper when it
  // is known, else the last paper with the driver's code (entry 0 when
  // none has it), with the matching orientation.
  for (uint16_t i = 0; i < context->paperCount && context->papers != nullptr; ++i) {
    SendDlgItemMessageA(dialog, ZV_ID_REGISTER_PAPER, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(context->papers[i].name));
  }
  const bool fileKnown = IsKnownPaper(context, context->filePaperIndex);
  if (fileKnown) {
    SendDlgItemMessageA(dialog, ZV_ID_REGISTER_PAPER, CB_SETCURSEL, context->filePaperIndex, 0);
    CheckOrientation(dialog, context->fileOrientation);
  } else {
    uint16_t code;
    uint16_t orientation;
    DriverPaper(context, &code, &orientation);
    int selected = 0;
    for (uint16_t i = 0; i < context->paperCount && context->papers != nullptr; ++i) {
      if (context->papers[i].code == code) selected = i;
    }
    SendDlgItemMessageA(dialog, ZV_ID_REGISTER_PAPER, CB_SETCURSEL, selected, 0);
    CheckOrientation(dialog, orientation);
  }

  if (context->namedCount <= 0) Enable(dialog, ZV_ID_REGISTER_BROWSE, false);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FILE, context->filePath);
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FILE_DESCRIPTION, context->fileDescription);

  if (fileKnown) {
    SetDlgItemTextA(dialog, ZV_ID_REGISTER_FILE_PAPER, context->papers[context->filePaperIndex].name);
    SetOrientationText(dialog, ZV_ID_REGISTER_FILE_ORIENTATION, context->fileOrientation);
    for (const int id : {ZV_ID_REGISTER_PAPER, ZV_ID_REGISTER_PORTRAIT, ZV_ID_REGISTER_LANDSCAPE}) {
      Enable(dialog, id, false);
    }
  } else {
    SetDlgItemTextA(dialog, ZV_ID_REGISTER_FILE_PAPER, "");
    SetDlgItemTextA(dialog, ZV_ID_REGISTER_FILE_ORIENTATION, "");
  }
}

// Browse: an existing form picked from the named forms; its name goes into
// the name field, which shows it, and it becomes the selected form.
void BrowseNamedForms(HWND dialog, EditFormContext* context) {
  FormNamePickerContext& picker = context->picker;
  std::memset(&picker, 0, sizeof picker);
  picker.driverPath = context->driverPath;
  picker.deviceName = context->deviceName;
  picker.count = context->namedCount;
  picker.ids = context->ids;
  picker.names = context->names;
  picker.pickedForm = context->selectedForm;
  CopyText(picker.pickedName, context->formName, sizeof picker.pickedName);
  if (RunDialog("DETAIL", dialog, PickFormNameProc, &picker) != ZV_ID_OK) return;
  SetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_NAME, picker.pickedName);
  context->selectedForm = picker.pickedForm;
}

// OK: the form (found, or a new one that the registration makes once the
// file's paper is settled), then the registration. Every refusal has shown
// its message and keeps the dialog open.
void Register(HWND dialog, EditFormContext* context) {
  char name[kFormNameSize];
  name[0] = '\0';
  GetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_NAME, name, sizeof name);
  if (IsBlankText(name)) {
    ShowErrorBox(dialog, kMsgFormNameUnusable);
    return;
  }

  int32_t id = 0;
  uint32_t entryCount = 0;
  uint8_t layer = kLayerFront;
  PaperChoice formPaper = {kNoPaper, 0};
  const char* description = context->formDescription;
  const char* saveDirectory = nullptr;
  if (FindNamedFormByName(name, &id)) {
    entryCount = CountOverlayEntries(id);
    context->formDescription[0] = '\0';
    context->saveDirectory[0] = '\0';
    const int16_t found = GetFormRecordInfo(id, nullptr, context->formDescription, context->saveDirectory);
    layer = found == kLayerBack ? kLayerBack : kLayerFront;
    uint16_t orientation = 0;
    const uint16_t paper = FindFormPaperEntry(id, context->paperCount, context->papers, &orientation);
    if (IsKnownPaper(context, paper)) formPaper = {paper, orientation};
    CopyText(context->formName, name, sizeof context->formName);
  } else {
    if (!IsUsableFormName(name)) {
      ShowErrorBox(dialog, kMsgFormNameUnusable);
      return;
    }
    layer = IsDlgButtonChecked(dialog, ZV_ID_TO_BACK) == BST_CHECKED ? kLayerBack : kLayerFront;
    char* typedDescription = context->workText2;
    char* directory = context->workText3;
    typedDescription[0] = '\0';
    directory[0] = '\0';
    GetDlgItemTextA(dialog, ZV_ID_REGISTER_FORM_DESCRIPTION, typedDescription, kFormDescriptionSize);
    GetDlgItemTextA(dialog, ZV_ID_REGISTER_SAVE_TO, directory, plat::kPathBuffer);
    description = typedDescription;
    saveDirectory = directory;
  }
  if (id != 0) {
    context->selectedForm = id;
    context->formLayer = layer;
    context->formPaperIndex = formPaper.paperIndex;
    context->formOrientation = formPaper.orientation;
  }

  const LRESULT selection = SendDlgItemMessageA(dialog, ZV_ID_REGISTER_PAPER, CB_GETCURSEL, 0, 0);
  PaperChoice userPaper;
  userPaper.paperIndex = selection == CB_ERR ? kNoPaper : static_cast<uint16_t>(selection);
  userPaper.orientation = IsDlgButtonChecked(dialog, ZV_ID_REGISTER_PORTRAIT) == BST_CHECKED
                              ? kPortraitOrientation
                              : kLandscapeOrientation;

  ExistingFileRegistration in = {};
  in.formId = id;
  in.formName = name;
  in.formDescription = description;
  in.layer = layer;
  in.filePath = context->filePath;
  in.filePaper = {IsKnownPaper(context, context->filePaperIndex) ? context->filePaperIndex : kNoPaper,
                  context->fileOrientation};
  in.formPaper = formPaper;
  in.userPaper = userPaper;
  in.papers = context->papers;
  in.paperCount = context->papers != nullptr ? context->paperCount : 0;
  in.overlayCapacity = context->overlayCapacity;
  in.entryCount = entryCount;
  in.owner = dialog;
  in.saveDirectory = saveDirectory;
  if (RegisterExistingFile(in, &id) != RegistrationResult::kEndDialog) return;
  if (saveDirectory != nullptr) {
    // The new form the registration made.
    context->formLayer = layer;
    context->formPaperIndex = kNoPaper;
    context->formOrientation = 0;
    CopyText(context->formName, name, sizeof context->formName);
    CopyText(context->formDescription, description, sizeof context->formDescription);
    CopyText(context->saveDirectory, saveDirectory, sizeof context->saveDirectory);
  }
  context->selectedForm = id;
  EndDialog(dialog, ZV_ID_OK);
}

INT_PTR Command(HWND dialog, EditFormContext* context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case ZV_ID_REGISTER_FORM_NAME:
      if (code == EN_CHANGE) FormNameChanged(dialog, context);
      return TRUE;
    case ZV_ID_REGISTER_FORM_DESCRIPTION:
      if (code == EN_MAXTEXT) MessageBeep(MB_ICONHAND);
      return TRUE;
    case ZV_ID_REGISTER_BROWSE:
      if (code == BN_CLICKED) BrowseNamedForms(dialog, context);
      return TRUE;
    case ZV_ID_REGISTER_CHANGE_DIRECTORY:
      if (code == BN_CLICKED) PickDirectory(dialog, ZV_ID_REGISTER_SAVE_TO, &context->openFile);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_REGISTER_EXISTING, context->deviceName, context->driverPath);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDialog(dialog, ZV_ID_CANCEL);
      return TRUE;
    case ZV_ID_OK:
      Register(dialog, context);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR CALLBACK RegisterExistingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return RunDialogProcedure<EditFormContext, InitDialog, Command, kSystemFocus>(dialog, message, wParam,
                                                                                lParam);
}

}  // namespace zv
