// The form settings dialog of ZVCreateFormDlg.
#pragma once

#include <windows.h>

#include "dialogs/dialog_contexts.h"

namespace zv {

INT_PTR CALLBACK FormSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the form list and the labels for the context's mode. 1, or 0 after
// an error box.
int RefreshFormSettings(HWND dialog, FormSettingsContext* context);

}  // namespace zv
