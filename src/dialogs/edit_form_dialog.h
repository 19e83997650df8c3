// The edit form dialog of ZVEntryFormEditDlg: the catalogue editor.
#pragma once

#include <windows.h>

#include "dialogs/dialog_contexts.h"

namespace zv {

// The procedure of EDIT; the dialog always ends with 1.
INT_PTR CALLBACK EditFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Reads the named forms again into the context's arrays. 1, or 0 with the
// last error code set (the arrays released, the count 0).
int ReloadNamedForms(HWND dialog, EditFormContext* context);

}  // namespace zv
