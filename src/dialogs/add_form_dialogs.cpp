// Placeholder until the add form dialogs land.
#include "dialogs/add_form_dialogs.h"

namespace zv {
INT_PTR CALLBACK AddFormProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
INT_PTR CALLBACK FormFileSettingsProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
}  // namespace zv
