// The add form (NEWFORM) and form/file settings (NEWFILE) dialogs that the
// form settings dialog opens, on its own context.
#pragma once

#include <windows.h>

namespace zv {

INT_PTR CALLBACK AddFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FormFileSettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zv
