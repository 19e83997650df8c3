// The module frame: what happens when the module is attached to a process,
// and the file-name-OK message the pickers use on Windows NT 4.
#pragma once

#include <cstdint>

#include "module/module_state.h"

namespace zv {

constexpr uint32_t kReasonProcessAttach = 1;

// The module's entry function: stores the instance and registers the
// file-name-OK message on Windows NT 4. Always returns true.
bool ModuleAttach(void* instance, uint32_t reason, void* reserved);

// Registers a window message through USER32.DLL loaded by name at each call;
// 0 when the library or the function is missing.
uint32_t RegisterWindowMessageLate(const char* name);

// The id of "commdlg_FileNameOK" registered at attach, or 0.
uint32_t FileNameOkMessage();

}  // namespace zv
