// The register existing form dialog (EDIT2), opened by the edit form dialog
// on its context: registers the chosen overlay data file under a named form,
// an existing one or one made here.
#pragma once

#include <windows.h>

namespace zv {

// Ends with 1 when the file was registered, 2 on Cancel.
INT_PTR CALLBACK RegisterExistingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zv
