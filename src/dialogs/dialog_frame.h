// What every dialog of the module shares: opening a template of the chosen
// resource set, the dialog background brush, the context kept with each
// dialog window, and the question and number boxes.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zv {

// Opens the modal dialog `baseName` ("FORMINFO") of the chosen resource set
// ("W_FORMINFO" for the English one). DialogBoxParamA's result: the value
// given to EndDialog, -1 when the template could not be loaded.
INT_PTR RunDialog(const char* baseName, HWND owner, DLGPROC procedure, void* context);

// The template name of the chosen set, in a buffer of kTemplateNameSize bytes.
constexpr uint32_t kTemplateNameSize = 64;
void ChooseTemplateName(const char* baseName, char* name);

// The dialog background brush (COLOR_BTNFACE): made by an exported dialog
// function right before its first modal dialog and deleted right after it.
void CreateDialogBrush();
void DeleteDialogBrush();
HBRUSH DialogBrush();

// Messages that a dialog procedure of the module looks at: WM_INITDIALOG up
// to WM_CTLCOLORDLG. Everything else is answered with FALSE at once.
inline bool IsDialogFrameMessage(UINT message) {
  return message >= WM_INITDIALOG && message <= WM_CTLCOLORDLG;
}

// WM_CTLCOLORBTN and WM_CTLCOLORDLG: a transparent text background on the
// given device context, and the dialog background brush.
INT_PTR AnswerControlColour(WPARAM deviceContext);

// The dialog context: kept in the window's user data at WM_INITDIALOG and
// fetched back for every later message.
template <class Context>
Context* KeepContext(HWND dialog, LPARAM parameter) {
  SetWindowLongPtrA(dialog, DWLP_USER, parameter);
  return reinterpret_cast<Context*>(parameter);
}
template <class Context>
Context* ContextOf(HWND dialog) {
  return reinterpret_cast<Context*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// Initial focus, as WM_INITDIALOG answers it: the system's (the first
// control that takes it) or the dialog's own.
constexpr BOOL kSystemFocus = TRUE;
constexpr BOOL kOwnFocus = FALSE;

// The shape of the module's dialog procedures: messages outside the frame's
// range are answered FALSE at once; WM_INITDIALOG keeps the context and
// fills the dialog; WM_COMMAND goes to the dialog's command handler with its
// context; button and dialog colour requests get the background brush.
template <class Context, void (*Init)(HWND, Context*), INT_PTR (*Command)(HWND, Context*, WPARAM),
          BOOL kFocus>
INT_PTR RunDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsDialogFrameMessage(message)) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog, KeepContext<Context>(dialog, lParam));
      return kFocus;
    case WM_COMMAND: {
      Context* context = ContextOf<Context>(dialog);
      return context ? Command(dialog, context, wParam) : FALSE;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return AnswerControlColour(wParam);
    default:
      return FALSE;
  }
}

// A question of the module (Yes/No, question icon, caption "Overlay").
// Returns IDYES or IDNO.
int AskQuestion(HWND owner, uint32_t messageId);

// A message with a number put in its %ld (413, 414), in a stop box.
// scratch is a work text of the caller's context (261 bytes).
void ShowNumberBox(HWND owner, uint32_t messageId, long number, char* scratch);

// Sets the text of a control to a message of the chosen set.
void SetMessageText(HWND dialog, int controlId, uint32_t messageId);

}  // namespace zv
