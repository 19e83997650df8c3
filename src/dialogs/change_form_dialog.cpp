// Placeholder until the change form dialog lands.
#include "dialogs/change_form_dialog.h"

namespace zv {
INT_PTR CALLBACK ChangeFormProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
}  // namespace zv
