// Placeholder until the form details dialogs land.
#include "dialogs/form_details_dialog.h"

#include "zvlmn30e.h"

namespace zv {
INT_PTR CALLBACK FormDetailsProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
INT_PTR CALLBACK FormSelectionProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
INT_PTR CALLBACK PickFormNameProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
}  // namespace zv

extern "C" int32_t ZVAPI ZVFormDetailsDlg(void*, const void*, uint16_t, const char*, const char*, uint32_t,
                                          int32_t*) {
  return 0;
}
