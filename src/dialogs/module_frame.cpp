#include "dialogs/module_frame.h"

#include "platform/platform.h"

namespace zv {
namespace {

// Set once at attach; every call runs on the driver's thread.
uint32_t g_fileNameOkMessage = 0;

}  // namespace

bool ModuleAttach(void* instance, uint32_t reason, void* /*reserved*/) {
  if (reason != kReasonProcessAttach) return true;
  plat::SetModuleInstance(instance);
  // A failed version query gives class 0, which registers nothing.
  if (GetWindowsVersionClass() == kVersionNt4) {
    g_fileNameOkMessage = RegisterWindowMessageLate("commdlg_FileNameOK");
  }
  return true;
}

uint32_t RegisterWindowMessageLate(const char* name) {
  plat::ModuleHandle user32 = plat::LoadModule("USER32.DLL");
  if (!user32) return 0;
  using RegisterFn = uint32_t(
#ifdef _WIN32
      __stdcall
#endif
          *)(const char*);
  uint32_t id = 0;
  if (auto fn = reinterpret_cast<RegisterFn>(plat::GetEntryPoint(user32, "RegisterWindowMessageA"))) {
    id = fn(name);
  }
  plat::UnloadModule(user32);
  return id;
}

uint32_t FileNameOkMessage() {
  return g_fileNameOkMessage;
}

}  // namespace zv
