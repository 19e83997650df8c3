// The delete form data dialog: a whole form, the ticked overlay data files of
// a form, or in file mode the one overlay data file of the edit form dialog.
#include "dialogs/delete_form_data_dialog.h"

#include <cstdint>
#include <cstring>

#include "catalogue/group_info.h"
#include "catalogue/print_settings.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/help.h"
#include "module/message_ids.h"
#include "dialogs/module_frame.h"
#include "dialogs/overlay_list.h"
#include "dialogs/resource_ids.h"
#include "maintenance/deletion.h"
#include "platform/platform.h"

namespace zv {
namespace {

// End codes: the form (or the file) is gone; it still exists.
constexpr INT_PTR kEndFormGone = 1;
constexpr INT_PTR kEndFormKept = 2;

// Answers to WM_VKEYTOITEM and WM_CHARTOITEM: the list does its own
// handling of the key, or nothing more.
constexpr INT_PTR kListDefaultHandling = -1;
constexpr INT_PTR kListKeyHandled = -2;

constexpr WPARAM kSpaceBar = 32;

// Posted to the dialog when a key reaches the list; it arrives after the
// character that the key translates to, when the list has done all it does
// for the key, and ends the keyboard-toggle marker.
constexpr UINT_PTR kKeyHandledTimer = 1204;

bool IsFileMode(const EditFormContext* context) {
  return context->mode != 0;
}

HWND List(HWND dialog) {
  return GetDlgItem(dialog, ZV_ID_DELETE_LIST);
}

// The tick flags belong to the edit form dialog's context while this dialog
// is open; whatever the end, they go with it.
void ReleaseFlags(EditFormContext* context) {
  if (context->flagsHandle != nullptr) {
    plat::UnlockMemory(context->flagsHandle);
    plat::FreeMemory(context->flagsHandle);
  }
  context->flagsHandle = nullptr;
  context->flags = nullptr;
  context->flagCount = 0;
}

void EndDeleteDialog(HWND dialog, EditFormContext* context, INT_PTR code) {
  ReleaseFlags(context);
  EndDialog(dialog, code);
}

bool IsTicked(const EditFormContext* context, LRESULT row) {
  return context->flags != nullptr && row >= 0 && static_cast<uint32_t>(row) < context->flagCount &&
         context->flags[row] == 1;
}

// Ticks an unticked row and unticks a ticked one.
void ToggleFlag(EditFormContext* context, LRESULT row) {
  if (context->flags != nullptr && row >= 0 && static_cast<uint32_t>(row) < context->flagCount) {
    context->flags[row] = context->flags[row] == 1 ? 0 : 1;
  }
}

// Selects the row again and redraws it with its tick box.
void SelectAgain(HWND dialog, LRESULT row) {
  HWND list = List(dialog);
  SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  RECT rect;
  if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) !=
      LB_ERR) {
    InvalidateRect(list, &rect, FALSE);
  }
}

// Reads the group's overlays again into the list, with fresh tick flags,
// none ticked. Without memory for the flags the dialog keeps no list.
void ReloadOverlayList(HWND dialog, EditFormContext* context) {
  ReleaseFlags(context);
  const uint32_t count = CountOverlayEntries(context->selectedForm);
  context->flagsHandle = count > 0 ? plat::AllocMovable(count * sizeof(uint32_t)) : nullptr;
  context->flags =
      context->flagsHandle ? static_cast<uint32_t*>(plat::LockMemory(context->flagsHandle)) : nullptr;
  if (context->flags) {
    std::memset(context->flags, 0, count * sizeof(uint32_t));
    context->flagCount = count;
  } else {
    ReleaseFlags(context);
  }
  HWND list = List(dialog);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  if (context->flagCount != 0)
    FillOverlayList(list, context->selectedForm, context->papers, context->paperCount);
}

void OnInitDialog(HWND dialog, EditFormContext* context) {
  context->keyboardToggle = 0;
  HWND list = List(dialog);
  if (IsFileMode(context)) {
    const int radios[] = {ZV_ID_DELETE_FORM, ZV_ID_DELETE_OVERLAYS};
    for (int id : radios) {
      ShowWindow(GetDlgItem(dialog, id), SW_HIDE);
      EnableWindow(GetDlgItem(dialog, id), FALSE);
    }
    ReadOverlaySettings(context->filePath, 0, &context->settingsRecord);
    FillOverlayLine(list, context->settingsRecord, context->papers, context->paperCount);
    return;
  }
  CheckRadioButton(dialog, ZV_ID_DELETE_FORM, ZV_ID_DELETE_OVERLAYS, ZV_ID_DELETE_FORM);
  if (context->flagCount != 0) {
    FillOverlayList(list, context->selectedForm, context->papers, context->paperCount);
  } else {
    EnableWindow(GetDlgItem(dialog, ZV_ID_DELETE_OVERLAYS), FALSE);
  }
  // Rows are ticked only while "delete overlay data" is chosen.
  EnableWindow(list, FALSE);
}

// A key pressed in the list: its virtual key (WM_VKEYTOITEM) and, from some
// list boxes, the character it translates to (WM_CHARTOITEM). The space bar
// ticks or unticks the current row once, on its key; the marker keeps the
// selection change that the list may report for the same key from turning
// the tick over again, and ends when the key press has been handled, so
// that the next click counts.
INT_PTR OnListKey(HWND dialog, EditFormContext* context, UINT message, WPARAM wParam) {
  if (IsFileMode(context)) return kListDefaultHandling;
  context->keyboardToggle = 1;
  PostMessageA(dialog, WM_TIMER, kKeyHandledTimer, 0);
  if (LOWORD(wParam) != kSpaceBar) return kListDefaultHandling;
  if (message == WM_VKEYTOITEM) {
    const LRESULT caret = SendMessageA(List(dialog), LB_GETCARETINDEX, 0, 0);
    ToggleFlag(context, caret);
    SelectAgain(dialog, caret);
  }
  return kListKeyHandled;
}

void OnSelectionChange(HWND dialog, EditFormContext* context) {
  if (IsFileMode(context)) return;
  const LRESULT row = SendMessageA(List(dialog), LB_GETCURSEL, 0, 0);
  if (context->keyboardToggle == 0) ToggleFlag(context, row);
  SelectAgain(dialog, row);
  context->keyboardToggle = 0;
}

bool Confirmed(HWND dialog, EditFormContext* context) {
  return MessageBoxA(dialog, context->workText1, kBoxCaption, kStyleQuestion) == kAnswerYes;
}

bool AnyTicked(const EditFormContext* context) {
  for (uint32_t i = 0; i < context->flagCount; ++i) {
    if (context->flags != nullptr && context->flags[i] == 1) return true;
  }
  return false;
}

void OnOk(HWND dialog, EditFormContext* context) {
  LoadMessage(kMsgConfirmDeleteForm, context->workText1, sizeof context->workText1);
  if (IsFileMode(context)) {
    if (!Confirmed(dialog, context)) return;
    // A directory is no overlay data file and keeps its attributes; a file
    // that cannot go (another program holds it, or it stays read-only) is
    // said so, and the dialog stays for the user to cancel.
    const char* path = context->filePath;
    if (plat::IsDirectory(path) || !plat::SetAttributesNormal(path) || !plat::EraseFile(path)) {
      ShowErrorBox(dialog, kMsgDeleteOverlayFailed);
      return;
    }
    EndDeleteDialog(dialog, context, kEndFormGone);
    return;
  }
  if (IsDlgButtonChecked(dialog, ZV_ID_DELETE_FORM) == BST_CHECKED) {
    if (GetFormEditedFile(context->selectedForm, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                          context->workText2) == kEditedFileFound) {
      ShowErrorBox(dialog, kMsgFormHasEditedFiles);
      return;
    }
    if (!Confirmed(dialog, context)) return;
    if (!DeleteForm(context->selectedForm)) {
      ShowErrorBox(dialog, GetLastErrorCode());
      return;
    }
    EndDeleteDialog(dialog, context, kEndFormGone);
    return;
  }
  if (IsDlgButtonChecked(dialog, ZV_ID_DELETE_OVERLAYS) != BST_CHECKED) return;
  if (!AnyTicked(context)) {
    char text[kMessageBufferSize];
    LoadMessage(kMsgSelectOverlayData, text, sizeof text);
    MessageBoxA(dialog, text, kBoxCaption, MB_ICONEXCLAMATION);
    return;
  }
  if (!Confirmed(dialog, context)) return;
  if (!DeleteOverlayEntries(context->selectedForm, context->flags, context->flagCount)) {
    ShowErrorBox(dialog, GetLastErrorCode());
    // Another process captured or removed an overlay while the list was
    // open: the ticks no longer say which entries were meant. The list is
    // read again, with nothing ticked, for the user to choose anew.
    if (CountOverlayEntries(context->selectedForm) != context->flagCount) ReloadOverlayList(dialog, context);
    return;
  }
  EndDeleteDialog(dialog, context, kEndFormKept);
}

INT_PTR OnCommand(HWND dialog, EditFormContext* context, WPARAM wParam) {
  switch (LOWORD(wParam)) {
    case ZV_ID_DELETE_FORM:
      if (HIWORD(wParam) == BN_CLICKED) EnableWindow(List(dialog), FALSE);
      return TRUE;
    case ZV_ID_DELETE_OVERLAYS:
      if (HIWORD(wParam) == BN_CLICKED) EnableWindow(List(dialog), TRUE);
      return TRUE;
    case ZV_ID_DELETE_LIST:
      if (HIWORD(wParam) == LBN_SELCHANGE) OnSelectionChange(dialog, context);
      return TRUE;
    case ZV_ID_OK:
      OnOk(dialog, context);
      return TRUE;
    case ZV_ID_CANCEL:
      EndDeleteDialog(dialog, context, kEndFormKept);
      return TRUE;
    case ZV_ID_HELP:
      context->helpOpen =
          ShowHelp(dialog, HELP_CONTEXT, ZV_HELP_DELETE_FORM_DATA, context->deviceName, context->driverPath);
      return TRUE;
    default:
      return FALSE;
  }
}

BOOL OnDrawItem(HWND dialog, const DRAWITEMSTRUCT* item) {
  if (item != nullptr && item->CtlType == ODT_STATIC) {
    return DrawOverlayListHeader(dialog, ZV_ID_DELETE_LIST, item, kDeleteOverlayColumns);
  }
  int tick = kNoTickBox;
  const EditFormContext* context = ContextOf<EditFormContext>(dialog);
  if (item != nullptr && context != nullptr && !IsFileMode(context)) {
    tick = IsTicked(context, static_cast<LRESULT>(static_cast<int>(item->itemID))) ? ZV_BITMAP_TICK_SET
                                                                                   : ZV_BITMAP_TICK_EMPTY;
  }
  return DrawOverlayListItem(dialog, ZV_ID_DELETE_LIST, item, kDeleteOverlayColumns, tick);
}

}  // namespace

INT_PTR CALLBACK DeleteFormDataProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM:
      return MeasureOverlayListItem(dialog, ZV_ID_DELETE_LIST, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam),
                                    kDeleteOverlayColumns);
    case WM_DRAWITEM:
      return OnDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: {
      EditFormContext* context = ContextOf<EditFormContext>(dialog);
      if (context == nullptr || reinterpret_cast<HWND>(lParam) != List(dialog)) return kListDefaultHandling;
      return OnListKey(dialog, context, message, wParam);
    }
    default:
      break;
  }
  if (!IsDialogFrameMessage(message)) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog(dialog, KeepContext<EditFormContext>(dialog, lParam));
      return TRUE;
    case WM_COMMAND: {
      EditFormContext* context = ContextOf<EditFormContext>(dialog);
      if (context == nullptr) return FALSE;
      return OnCommand(dialog, context, wParam);
    }
    case WM_TIMER: {
      EditFormContext* context = ContextOf<EditFormContext>(dialog);
      if (context == nullptr || wParam != kKeyHandledTimer) return FALSE;
      context->keyboardToggle = 0;
      return TRUE;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return AnswerControlColour(wParam);
    default:
      return FALSE;
  }
}

}  // namespace zv
