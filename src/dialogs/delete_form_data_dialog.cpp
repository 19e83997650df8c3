// Placeholder until the delete form data dialog lands.
#include "dialogs/delete_form_data_dialog.h"

namespace zv {
INT_PTR CALLBACK DeleteFormDataProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
}  // namespace zv
