#include "dialogs/help.h"

#include <cstring>

#include "catalogue/work_memory.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/module_frame.h"
#include "driverlink/driver_entry_points.h"
#include "platform/platform.h"

namespace zv {
namespace {

struct HelpWork {
  char path[plat::kPathBuffer];
  char work[plat::kPathBuffer];
};
static_assert(sizeof(HelpWork) == 522, "a path half and a work half");

}  // namespace

int32_t ShowHelp(HWND owner, uint32_t command, uint32_t data, const char* deviceName,
                 const char* driverPath) {
  WorkMemory<HelpWork> work;
  if (!work) return 0;
  // The module's directory, with its trailing backslash.
  if (plat::GetModulePath(work->work, plat::kPathBuffer) != 0) {
    char* slash = std::strrchr(work->work, '\\');
    if (slash) slash[1] = '\0';
  } else {
    work->work[0] = '\0';
  }
  std::memcpy(work->path, work->work, plat::kPathBuffer);
  // Without an answer from the driver (no module, no entry point, or a
  // failed call) the name is empty and WinHelp gets the module's directory.
  QueryHelpFile(deviceName, driverPath, UseLocalResources() ? 0 : 1, work->work);
  char moduleDirectory[plat::kPathBuffer];
  std::memcpy(moduleDirectory, work->path, plat::kPathBuffer);
  ComposeHelpPath(moduleDirectory, work->work, work->path);
  // The result as WinHelpA gives it: it becomes the help-open flag, and
  // only a flag of 1 ends the session later.
  return WinHelpA(owner, work->path, command, data);
}

void EndDialogEndingHelp(HWND dialog, int32_t* helpOpen, const char* deviceName, const char* driverPath,
                         INT_PTR result) {
  if (*helpOpen == 1) {
    ShowHelp(dialog, HELP_QUIT, 0, deviceName, driverPath);
    *helpOpen = 0;
  }
  EndDialog(dialog, result);
}

}  // namespace zv
