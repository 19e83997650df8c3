// Help from the printer driver's help file, and the rule by which a dialog
// that owns its context ends the help session.
#pragma once

#include <windows.h>

#include <cstdint>

namespace zv {

// WinHelpA on the driver's help file (ZVFormHelpFile; a name with a drive is
// used whole, any other is taken beside this module). WinHelpA's result, or 0
// when the working memory could not be had.
int32_t ShowHelp(HWND owner, uint32_t command, uint32_t data, const char* deviceName, const char* driverPath);

// Ends a dialog that owns its context through OK or Cancel: when help is
// open (flag 1), HELP_QUIT first and the flag back to 0; then EndDialog.
void EndDialogEndingHelp(HWND dialog, int32_t* helpOpen, const char* deviceName, const char* driverPath,
                         INT_PTR result);

}  // namespace zv
