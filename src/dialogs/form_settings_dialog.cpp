#include "dialogs/form_settings_dialog.h"

#include <cstring>

#include "catalogue/catalogue_config.h"
#include "catalogue/form_name_list.h"
#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "catalogue/print_settings.h"
#include "dialogs/add_form_dialogs.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/help.h"
#include "dialogs/module_frame.h"
#include "dialogs/overlay_list.h"
#include "dialogs/resource_ids.h"
#include "driverapi/form_search.h"
#include "driverlink/driver_entry_points.h"
#include "driverlink/paper_size_list.h"
#include "platform/platform.h"
#include "zvlmn30e.h"

namespace zv {
namespace {

constexpr char kPrintEntryName[] = "P";

// Bytes of one named form in the arrays: its identifier and its name.
constexpr uint32_t kNamedFormBytes = sizeof(int32_t) + kFormNameSize;

HWND Item(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

void EmptyList(HWND dialog, int id) {
  SendDlgItemMessageA(dialog, id, LB_RESETCONTENT, 0, 0);
}

// Appends a row at the end whatever the list's sort style; the row's index.
LRESULT AppendRow(HWND dialog, int id, const char* text) {
  return SendDlgItemMessageA(dialog, id, LB_INSERTSTRING, static_cast<WPARAM>(-1),
                             reinterpret_cast<LPARAM>(text));
}

void SelectRow(HWND dialog, int id, LRESULT row) {
  SendDlgItemMessageA(dialog, id, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

uint16_t BlockWord(const void* block, uint32_t offset) {
  uint16_t value = 0;
  std::memcpy(&value, static_cast<const unsigned char*>(block) + offset, sizeof value);
  return value;
}

// The paper name the driver settings block points to.
const char* BlockPaperName(const void* block) {
  const char* name = nullptr;
  std::memcpy(&name, static_cast<const unsigned char*>(block) + driver_block::kPaperNameOffset, sizeof name);
  return name;
}

void ShowLayer(HWND dialog, int layer) {
  SetMessageText(dialog, ZV_ID_SETTINGS_LAYER, layer == kLayerFront ? kMsgFront : kMsgBack);
}

void ShowOrientation(HWND dialog, bool portrait) {
  SetMessageText(dialog, ZV_ID_SETTINGS_ORIENTATION, portrait ? kMsgPortrait : kMsgLandscape);
}

void EmptyPaperAndOrientation(HWND dialog) {
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_ORIENTATION, "");
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_PAPER, "");
}

// The named-form arrays, released (handle and count cleared).
void ReleaseNamedForms(FormSettingsContext* context) {
  if (context->namedForms != nullptr) {
    plat::UnlockMemory(context->namedForms);
    plat::FreeMemory(context->namedForms);
  }
  context->namedForms = nullptr;
  context->namedCount = 0;
  context->ids = nullptr;
  context->names = nullptr;
}

// Makes the arrays hold count named forms: allocated the first time,
// reallocated when the count changed. False after a failure, with the
// arrays released.
bool SizeNamedForms(FormSettingsContext* context, uint32_t count) {
  const uint32_t size = count * kNamedFormBytes;
  if (context->namedForms == nullptr) {
    context->namedForms = plat::AllocMovable(size);
  } else if (static_cast<uint32_t>(context->namedCount) != count) {
    plat::UnlockMemory(context->namedForms);
    plat::MemoryHandle grown = plat::ReAllocMovable(context->namedForms, size);
    if (grown == nullptr) plat::FreeMemory(context->namedForms);
    context->namedForms = grown;
  } else {
    return true;
  }
  void* block = context->namedForms ? plat::LockMemory(context->namedForms) : nullptr;
  if (block == nullptr) {
    if (context->namedForms != nullptr) plat::FreeMemory(context->namedForms);
    context->namedForms = nullptr;
    context->namedCount = 0;
    context->ids = nullptr;
    context->names = nullptr;
    return false;
  }
  context->ids = static_cast<int32_t*>(block);
  context->names = reinterpret_cast<FormName*>(static_cast<unsigned char*>(block) + sizeof(int32_t) * count);
  context->namedCount = static_cast<int32_t>(count);
  return true;
}

// Layer, description, overlay data files, paper and orientation of the
// selected named form.
void ShowSelectedForm(HWND dialog, FormSettingsContext* context) {
  const int16_t layer = GetFormRecordInfo(context->selectedForm, nullptr, context->formDescription, nullptr);
  if (layer < 0) context->formDescription[0] = '\0';
  ShowLayer(dialog, layer);
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_DESCRIPTION, context->formDescription);

  HWND overlays = Item(dialog, ZV_ID_SETTINGS_OVERLAY_LIST);
  SendMessageA(overlays, LB_RESETCONTENT, 0, 0);
  FillOverlayList(overlays, context->selectedForm, context->papers, context->paperCount);
}

void ShowSelectedPaper(HWND dialog, FormSettingsContext* context) {
  uint16_t orientation = context->formOrientation;
  context->formPaperIndex =
      FindFormPaperEntry(context->selectedForm, context->paperCount, context->papers, &orientation);
  context->formOrientation = orientation;
  if (context->formPaperIndex == kNoPaper || context->formPaperIndex >= context->paperCount) {
    EmptyPaperAndOrientation(dialog);
    return;
  }
  ShowOrientation(dialog, context->formOrientation == kPortrait);
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_PAPER, context->papers[context->formPaperIndex].name);
}

// The file entry's description and layer into the context and the dialog.
void ShowFileEntry(HWND dialog, FormSettingsContext* context) {
  context->fileEntryLayer = kLayerFront;
  context->fileDescription[0] = '\0';
  context->workText1[0] = '\0';
  if (context->fileEntryId < 0) {
    if (!GetFormGroupPath(context->fileEntryId, context->filePath)) context->filePath[0] = '\0';
    const int16_t layer = GetFormRecordInfo(context->fileEntryId, nullptr, context->fileDescription, nullptr);
    if (layer < 0) context->fileDescription[0] = '\0';
    if (layer > 0) context->fileEntryLayer = static_cast<uint16_t>(layer);
    LoadMessage(layer == kLayerBack ? kMsgBack : kMsgFront, context->workText1, plat::kPathBuffer);
  }
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_LAYER, context->workText1);
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_DESCRIPTION, context->fileDescription);
}

// The driver's own paper and orientation, shown for a file entry.
void ShowDriverPaper(HWND dialog, const FormSettingsContext* context) {
  if (context->settings == nullptr) {
    EmptyPaperAndOrientation(dialog);
    return;
  }
  ShowOrientation(dialog, BlockWord(context->settings, driver_block::kOrientationOffset) == kPortrait);
  const char* paper = BlockPaperName(context->settings);
  SetDlgItemTextA(dialog, ZV_ID_SETTINGS_PAPER, paper ? paper : "");
}

int RefreshFileMode(HWND dialog, FormSettingsContext* context) {
  ShowFileEntry(dialog, context);
  const char* row;
  char undefined[kMessageBufferSize];
  if (context->fileEntryId < 0) {
    ShowDriverPaper(dialog, context);
    EnableWindow(Item(dialog, ZV_ID_OK), TRUE);
    row = context->filePath;
  } else {
    EmptyPaperAndOrientation(dialog);
    EnableWindow(Item(dialog, ZV_ID_OK), FALSE);
    LoadMessage(kMsgUndefined, undefined, sizeof undefined);
    row = undefined;
  }
  SelectRow(dialog, ZV_ID_SETTINGS_FORM_LIST, AppendRow(dialog, ZV_ID_SETTINGS_FORM_LIST, row));
  return 1;
}

int RefreshFormNameMode(HWND dialog, FormSettingsContext* context) {
  EmptyPaperAndOrientation(dialog);
  const uint32_t count = CountNamedForms();
  if (count == 0) {
    ReleaseNamedForms(context);
    SetDlgItemTextA(dialog, ZV_ID_SETTINGS_LAYER, "");
    SetDlgItemTextA(dialog, ZV_ID_SETTINGS_DESCRIPTION, "");
    EnableWindow(Item(dialog, ZV_ID_OK), FALSE);
    char undefined[kMessageBufferSize];
    LoadMessage(kMsgUndefined, undefined, sizeof undefined);
    SelectRow(dialog, ZV_ID_SETTINGS_FORM_LIST, AppendRow(dialog, ZV_ID_SETTINGS_FORM_LIST, undefined));
    return 1;
  }
  EnableWindow(Item(dialog, ZV_ID_OK), TRUE);
  if (!SizeNamedForms(context, count)) {
    ShowErrorBox(dialog, kMsgNoWorkArea);
    return 0;
  }
  if (!ListNamedForms(0, count - 1, context->ids, context->names)) {
    ShowErrorBox(dialog, GetLastErrorCode());
    return 0;
  }
  // Rows in catalogue order: row i is named form i.
  int32_t chosen = 0;
  for (int32_t i = 0; i < context->namedCount; ++i) {
    AppendRow(dialog, ZV_ID_SETTINGS_FORM_LIST, context->names[i]);
    if (context->ids[i] == context->selectedForm) chosen = i;
  }
  context->selectedForm = context->ids[chosen];
  std::memcpy(context->formName, context->names[chosen], kFormNameSize);
  context->formName[kFormNameSize - 1] = '\0';
  ShowSelectedForm(dialog, context);
  SelectRow(dialog, ZV_ID_SETTINGS_FORM_LIST, chosen);
  ShowSelectedPaper(dialog, context);
  return 1;
}

// The labels and the overlay list for the mode the dialog now shows.
void ShowModeControls(HWND dialog, const FormSettingsContext* context) {
  if (context->mode == kModeFiles) {
    CheckDlgButton(dialog, ZV_ID_SETTINGS_USE_FORM_NAME, BST_UNCHECKED);
    EnableWindow(Item(dialog, ZV_ID_SETTINGS_ADD), TRUE);
    EnableWindow(Item(dialog, ZV_ID_SETTINGS_OVERLAY_LIST), FALSE);
    SetMessageText(dialog, ZV_ID_SETTINGS_ADD, kMsgSettingFileButton);
    SetMessageText(dialog, ZV_ID_SETTINGS_LIST_LABEL, kMsgFileLabel);
  } else {
    CheckDlgButton(dialog, ZV_ID_SETTINGS_USE_FORM_NAME, BST_CHECKED);
    EnableWindow(Item(dialog, ZV_ID_SETTINGS_OVERLAY_LIST), TRUE);
    SetMessageText(dialog, ZV_ID_SETTINGS_ADD, kMsgAddFormNameButton);
    SetMessageText(dialog, ZV_ID_SETTINGS_LIST_LABEL, kMsgFormNameLabel);
  }
}

void OnSelectionChange(HWND dialog, FormSettingsContext* context) {
  EmptyList(dialog, ZV_ID_SETTINGS_OVERLAY_LIST);
  if (context->mode == kModeFiles) {
    if (context->fileEntryId < 0) {
      ShowFileEntry(dialog, context);
    } else {
      EmptyPaperAndOrientation(dialog);
    }
    return;
  }
  if (context->namedCount <= 0) return;
  const LRESULT row = SendDlgItemMessageA(dialog, ZV_ID_SETTINGS_FORM_LIST, LB_GETCURSEL, 0, 0);
  if (row < 0 || row >= context->namedCount) return;
  const LRESULT length = SendDlgItemMessageA(dialog, ZV_ID_SETTINGS_FORM_LIST, LB_GETTEXTLEN, row, 0);
  if (length < 0 || length >= static_cast<LRESULT>(kFormNameSize)) return;
  SendDlgItemMessageA(dialog, ZV_ID_SETTINGS_FORM_LIST, LB_GETTEXT, row,
                      reinterpret_cast<LPARAM>(context->formName));
  int32_t id = 0;
  context->selectedForm = FindNamedFormByName(context->formName, &id) ? id : context->ids[row];
  ShowSelectedForm(dialog, context);
  ShowSelectedPaper(dialog, context);
}

void OnAddButton(HWND dialog, FormSettingsContext* context) {
  INT_PTR result;
  if (context->mode == kModeFormNames) {
    if (static_cast<uint32_t>(context->namedCount) >= context->namedCapacity) {
      ShowNumberBox(dialog, kMsgTooManyForms, static_cast<long>(context->namedCapacity), context->workText3);
      return;
    }
    result = RunDialog("NEWFORM", dialog, AddFormProc, context);
  } else {
    result = RunDialog("NEWFILE", dialog, FormFileSettingsProc, context);
  }
  if (result == ZV_ID_OK) RefreshFormSettings(dialog, context);
}

void OnModeSwitch(HWND dialog, FormSettingsContext* context) {
  context->mode = context->mode == kModeFiles ? kModeFormNames : kModeFiles;
  RefreshFormSettings(dialog, context);
  ShowModeControls(dialog, context);
}

// OK in form-name mode: the questions before the choice is taken. False
// keeps the dialog open.
bool ConfirmFormChoice(HWND dialog, FormSettingsContext* context) {
  uint32_t found = 0;
  if (context->settings != nullptr) {
    uint16_t deviceNumber = kNoDeviceNumber;
    found = SearchForm(context->settings, static_cast<int16_t>(context->capabilityCount),
                       context->capabilities, context->selectedForm, &deviceNumber, context->workText1);
  }
  if (found != 0) {
    const uint16_t resolution = BlockWord(context->settings, driver_block::kResolutionOffset);
    if ((found >> 16) == resolution && AskQuestion(dialog, kMsgOverwriteMatchingOverlay) == kAnswerNo) {
      return false;
    }
    return true;
  }
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetOverlayNumberRange(&lowest, &highest);
  const uint32_t size = highest - lowest + 1;
  if (CountOverlayEntries(context->selectedForm) >= size) {
    ShowNumberBox(dialog, kMsgTooManyOverlays, static_cast<long>(size), context->workText3);
    return false;
  }
  return true;
}

void CloseSettings(HWND dialog, FormSettingsContext* context, INT_PTR result) {
  ReleaseNamedForms(context);
  EndDialogEndingHelp(dialog, &context->helpOpen, context->deviceName, context->driverPath, result);
}

INT_PTR OnCommand(HWND dialog, FormSettingsContext* context, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case ZV_ID_SETTINGS_FORM_LIST:
      if (code == LBN_SELCHANGE) OnSelectionChange(dialog, context);
      return TRUE;
    case ZV_ID_SETTINGS_ADD:
      if (code == BN_CLICKED) OnAddButton(dialog, context);
      return TRUE;
    case ZV_ID_SETTINGS_USE_FORM_NAME:
      if (code == BN_CLICKED) OnModeSwitch(dialog, context);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT,
                   context->mode == kModeFiles ? ZV_HELP_SETTINGS_FILES : ZV_HELP_SETTINGS_FORM_NAMES,
                   context->deviceName, context->driverPath);
      return TRUE;
    case ZV_ID_OK:
      if (context->mode == kModeFormNames && !ConfirmFormChoice(dialog, context)) return TRUE;
      CloseSettings(dialog, context, ZV_ID_OK);
      return TRUE;
    case ZV_ID_CANCEL:
      CloseSettings(dialog, context, ZV_ID_CANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

// The paper size list and the capability list of the driver, kept locked
// for the whole call.
void TakeDriverLists(FormSettingsContext* context, plat::MemoryHandle* capabilityBlock) {
  uint16_t paperCount = 0;
  context->paperList = BuildPaperSizeList(context->deviceName, context->driverPath, 1, &paperCount);
  const void* papers = context->paperList ? plat::LockMemory(context->paperList) : nullptr;
  if (papers == nullptr) {
    if (context->paperList) plat::FreeMemory(context->paperList);
    context->paperList = nullptr;
    paperCount = 0;
  }
  context->papers = static_cast<const PaperEntry*>(papers);
  context->paperCount = paperCount;

  int16_t modelCount = 0;
  int16_t capabilityCount = 0;
  *capabilityBlock =
      QueryDriverCapabilities(context->deviceName, context->driverPath, &modelCount, &capabilityCount);
  const void* block = *capabilityBlock ? plat::LockMemory(*capabilityBlock) : nullptr;
  if (block == nullptr) {
    if (*capabilityBlock) plat::FreeMemory(*capabilityBlock);
    *capabilityBlock = nullptr;
    return;
  }
  // The model ids come first, the capability words behind them.
  context->capabilities = static_cast<const uint16_t*>(block) + modelCount;
  context->capabilityCount = static_cast<uint16_t>(capabilityCount);
}

void ReleaseDriverLists(FormSettingsContext* context, plat::MemoryHandle capabilityBlock) {
  if (context->paperList) {
    plat::UnlockMemory(context->paperList);
    plat::FreeMemory(context->paperList);
  }
  context->paperList = nullptr;
  if (capabilityBlock) {
    plat::UnlockMemory(capabilityBlock);
    plat::FreeMemory(capabilityBlock);
  }
}

// The mode the dialog opens in, from the driver's current choice.
void ChooseMode(FormSettingsContext* context, int32_t current) {
  if (current > 0) {
    context->mode = kModeFormNames;
    context->selectedForm = current;
    return;
  }
  if (current < 0 || CountNamedForms() > 0) {
    context->mode = kModeFiles;
    char name[kFormNameSize];
    int32_t found = 0;
    const bool known = GetFileEntryName(current, &found, name);
    context->fileEntryId = found;
    // A printing entry is not one to capture into: the user sets up a new one.
    if (known && std::strcmp(name, kPrintEntryName) == 0) context->fileEntryId = 0;
    return;
  }
  context->mode = kModeFormNames;
  context->selectedForm = 0;
}

}  // namespace

int RefreshFormSettings(HWND dialog, FormSettingsContext* context) {
  EmptyList(dialog, ZV_ID_SETTINGS_FORM_LIST);
  EmptyList(dialog, ZV_ID_SETTINGS_OVERLAY_LIST);
  return context->mode == kModeFiles ? RefreshFileMode(dialog, context)
                                     : RefreshFormNameMode(dialog, context);
}

INT_PTR CALLBACK FormSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      return MeasureOverlayListItem(dialog, ZV_ID_SETTINGS_OVERLAY_LIST,
                                    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_DRAWITEM: {
      // The overlay list's rows, and the column titles above it.
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item != nullptr && item->CtlType == ODT_STATIC) {
        return DrawOverlayListHeader(dialog, ZV_ID_SETTINGS_OVERLAY_LIST, item);
      }
      return DrawOverlayListItem(dialog, ZV_ID_SETTINGS_OVERLAY_LIST, item);
    }
    default:
      break;
  }
  if (!IsDialogFrameMessage(message)) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      FormSettingsContext* context = KeepContext<FormSettingsContext>(dialog, lParam);
      SendDlgItemMessageA(dialog, ZV_ID_SETTINGS_DESCRIPTION, EM_LIMITTEXT, kFormDescriptionSize - 1, 0);
      RefreshFormSettings(dialog, context);
      if (context->mode == kModeFiles) {
        EnableWindow(Item(dialog, ZV_ID_SETTINGS_OVERLAY_LIST), FALSE);
        SetMessageText(dialog, ZV_ID_SETTINGS_LIST_LABEL, kMsgFileLabel);
        SetMessageText(dialog, ZV_ID_SETTINGS_ADD, kMsgSettingFileButton);
      } else {
        CheckDlgButton(dialog, ZV_ID_SETTINGS_USE_FORM_NAME, BST_CHECKED);
        EnableWindow(Item(dialog, ZV_ID_SETTINGS_OVERLAY_LIST), TRUE);
        SetMessageText(dialog, ZV_ID_SETTINGS_ADD, kMsgAddFormNameButton);
      }
      return FALSE;
    }
    case WM_COMMAND: {
      FormSettingsContext* context = ContextOf<FormSettingsContext>(dialog);
      if (context == nullptr) return FALSE;
      return OnCommand(dialog, context, wParam);
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return AnswerControlColour(wParam);
    default:
      return FALSE;
  }
}

}  // namespace zv

extern "C" ZVLONG ZVAPI ZVCreateFormDlg(ZVHWND owner, const void* settings, ZVLPCSTR deviceName,
                                        ZVLPCSTR driverPath, ZVLONG* formId, ZVDWORD, ZVDWORD) {
  using namespace zv;
  HWND ownerWindow = static_cast<HWND>(owner);
  if (!EnsureCatalogueConfiguration()) {
    ShowErrorBox(ownerWindow, GetLastErrorCode());
    return 0;
  }
  auto* context = static_cast<FormSettingsContext*>(plat::AllocZeroed(sizeof(FormSettingsContext)));
  if (context == nullptr) {
    ShowErrorBox(ownerWindow, kMsgNoWorkArea);
    return 0;
  }
  context->deviceName = deviceName;
  context->driverPath = driverPath;
  context->settings = settings;
  context->helpOpen = 0;
  context->capabilityCount = 0;
  plat::MemoryHandle capabilityBlock = nullptr;
  TakeDriverLists(context, &capabilityBlock);

  ChooseMode(context, formId ? *formId : 0);
  uint32_t lowest = 0;
  uint32_t highest = 0;
  GetFormIdRange(&lowest, &highest, nullptr);
  context->namedCapacity = highest - lowest + 1;

  CreateDialogBrush();
  const INT_PTR result = RunDialog("FORMINFO", ownerWindow, FormSettingsProc, context);
  DeleteDialogBrush();

  if (result == ZV_ID_OK && formId != nullptr) {
    *formId = context->mode == kModeFormNames ? context->selectedForm : context->fileEntryId;
  }
  ReleaseNamedForms(context);
  ReleaseDriverLists(context, capabilityBlock);
  plat::FreeBlock(context);
  return result == ZV_ID_OK ? 1 : 0;
}
