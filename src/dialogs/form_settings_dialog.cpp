// Placeholder until the form settings dialog lands.
#include "dialogs/form_settings_dialog.h"

#include "zvlmn30e.h"

namespace zv {
INT_PTR CALLBACK FormSettingsProc(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}
int RefreshFormSettings(HWND, FormSettingsContext*) {
  return 0;
}
}  // namespace zv

extern "C" int32_t ZVAPI ZVCreateFormDlg(void*, const void*, const char*, const char*, int32_t*, uint32_t,
                                         uint32_t) {
  return 0;
}
