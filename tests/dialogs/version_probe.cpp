// Reports the module's view of the Windows version as its exit code:
// the version class times 10, plus 1 when the file-name-OK message was
// registered at attach.
#include <windows.h>

#include "dialogs/module_frame.h"

int main() {
  zv::ModuleAttach(GetModuleHandleA(nullptr), zv::kReasonProcessAttach, nullptr);
  return static_cast<int>(zv::GetWindowsVersionClass() * 10 + (zv::FileNameOkMessage() != 0 ? 1 : 0));
}
