// The form details and form selection dialogs of ZVFormDetailsDlg, and the
// form name picker that the add form and register existing form dialogs
// open on the same template.
#pragma once

#include <windows.h>

namespace zv {

INT_PTR CALLBACK FormDetailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FormSelectionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// DETAIL opened with a FormNamePickerContext: ends with 1 (OK or a double
// click, the pick in the context) or 2 (Cancel).
INT_PTR CALLBACK PickFormNameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zv
