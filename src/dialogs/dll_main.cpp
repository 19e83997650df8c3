// The DLL's entry function.
#include <windows.h>

#include "dialogs/module_frame.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return zv::ModuleAttach(instance, reason, reserved) ? TRUE : FALSE;
}
