// Placeholder until the register existing form dialog lands.
#include "dialogs/register_existing_dialog.h"

namespace zv {
INT_PTR CALLBACK RegisterExistingProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
}  // namespace zv
