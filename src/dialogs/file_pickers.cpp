// Placeholder until the pickers land.
#include "dialogs/file_pickers.h"

namespace zv {
BOOL RunOpenFileDialog(OPENFILENAMEA*) {
  return FALSE;
}
UINT_PTR CALLBACK ClassicPickerHook(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
UINT_PTR CALLBACK ExplorerPickerHook(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
bool PickDirectory(HWND, int, OPENFILENAMEA*) {
  return false;
}
bool PickFormFile(HWND, int, DWORD, OPENFILENAMEA*, char*, char*, char*) {
  return false;
}
}  // namespace zv
