// The delete form data dialog (EDIT1), opened by the edit form dialog on its
// context: deletes a whole form, its ticked overlay data files, or the one
// file shown in file mode.
#pragma once

#include <windows.h>

namespace zv {

// Ends with 1 when the form (or in file mode the file) is gone, 2 when only
// overlay data files were deleted and on Cancel. The tick flags are released
// whatever the end.
INT_PTR CALLBACK DeleteFormDataProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zv
