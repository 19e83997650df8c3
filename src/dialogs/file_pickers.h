// The two pickers built on the system's open-file dialog: the directory
// picker and the form file picker, with their hook procedures.
#pragma once

#include <windows.h>
// commdlg.h needs the types of windows.h.
#include <commdlg.h>

#include <cstdint>

namespace zv {

// GetOpenFileNameA from Comdlg32.dll, loaded at each call. Its result; 0 when
// the library or the function could not be had.
BOOL RunOpenFileDialog(OPENFILENAMEA* record);

// Hook of the classic open-file dialog (the directory picker, and the form
// file picker outside Windows NT 4).
UINT_PTR CALLBACK ClassicPickerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Hook of the Explorer-style open-file dialog (the form file picker on
// Windows NT 4): checks the chosen name on "commdlg_FileNameOK".
UINT_PTR CALLBACK ExplorerPickerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Flags of the form file picker: the file must exist (the dialogs that pick
// an existing overlay data file) or only its directory (the form/file
// settings dialog, which names a file yet to be captured).
constexpr DWORD kPickExistingFile = 0x1824;
constexpr DWORD kPickNewFile = 0x824;

// The directory picker on the static text textId of dialog, which shows the
// directory to start in. On OK the text shows the chosen directory and it is
// remembered as the current directory setting; true then.
bool PickDirectory(HWND dialog, int textId, OPENFILENAMEA* record);

// The form file picker on the file field fieldId of dialog, with the given
// flags (the hook and OFN_EXPLORER follow the Windows version class). The
// three work texts of the caller's context hold the filter, the file and the
// initial directory. On OK the field shows the chosen path, its directory is
// remembered (a drive root keeps its backslash unless flags is kPickNewFile,
// which remembers the drive alone), and the result is true.
bool PickFormFile(HWND dialog, int fieldId, DWORD flags, OPENFILENAMEA* record, char* filter, char* file,
                  char* directory);

}  // namespace zv
