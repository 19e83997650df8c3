// The change form dialog (EDIT3), opened by the edit form dialog on its
// context: renames or redescribes a named form and moves its files, or
// renames, moves and redescribes one overlay data file.
#pragma once

#include <windows.h>

namespace zv {

// Ends with 1 when something was applied (or file mode confirmed without a
// change), 2 on Cancel or when form-name mode found nothing changed.
INT_PTR CALLBACK ChangeFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zv
