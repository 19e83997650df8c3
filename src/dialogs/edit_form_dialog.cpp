// Placeholder until the edit form dialog lands.
#include "dialogs/edit_form_dialog.h"

#include "zvlmn30e.h"

namespace zv {
INT_PTR CALLBACK EditFormProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
int ReloadNamedForms(HWND, EditFormContext*) {
  return 0;
}
}  // namespace zv

extern "C" int32_t ZVAPI ZVEntryFormEditDlg(void*, const void*, const char*, const char*, int32_t*) {
  return 0;
}
