// The rest of the OS layer on Linux: directories, the version, the module
// instance and dynamic loading. Message boxes, string resources, the heap and
// the clock are the shared emulation (platform/emulation), processes are in
// processes.cpp.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/emulation/path_results.h"
#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "platform/posix/posix_internal.h"

namespace plat {
namespace {

void* g_moduleInstance = nullptr;

}  // namespace

uint32_t GetSystemDirectoryPath(char* buffer, uint32_t size) {
  const char* dir = posix::SystemDirectoryPath();
  char host[posix::kHostPathSize];
  // The directory exists on Windows; here it is made on first use.
  if (!posix::ToHostPath(dir, host, sizeof host) || !posix::MakeHostDirectories(host)) return 0;
  return emulation::CopyDirectoryResult(dir, buffer, size);
}

uint32_t GetModulePath(char* buffer, uint32_t size) {
  const char* overridden = posix::ModuleFileNameOverride();
  char windows[kPathBuffer];
  if (*overridden) {
    std::strncpy(windows, overridden, sizeof windows - 1);
    windows[sizeof windows - 1] = '\0';
  } else {
    Dl_info info;
    char resolved[PATH_MAX];
    if (!dladdr(reinterpret_cast<void*>(&GetModulePath), &info) || !info.dli_fname ||
        !realpath(info.dli_fname, resolved) || !posix::ToWindowsPath(resolved, windows, sizeof windows)) {
      return 0;
    }
  }
  return emulation::CopyModuleNameResult(windows, buffer, size);
}

uint32_t GetWorkingDirectory(char* buffer, uint32_t size) {
  char cwd[posix::kHostPathSize];
  char windows[kPathBuffer];
  if (!getcwd(cwd, sizeof cwd) || !posix::ToWindowsPath(cwd, windows, sizeof windows)) return 0;
  return emulation::CopyDirectoryResult(windows, buffer, size);
}

bool GetVersion(uint32_t* platformId, uint32_t* majorVersion) {
  return posix::VersionNumbers(platformId, majorVersion);
}

void SetModuleInstance(void* instance) {
  g_moduleInstance = instance;
}

void* GetModuleInstance() {
  return g_moduleInstance;
}

ModuleHandle LoadModule(const char* path) {
  char host[posix::kHostPathSize];
  if (!path || !posix::ToHostPath(path, host, sizeof host)) return nullptr;
  return static_cast<ModuleHandle>(dlopen(host, RTLD_NOW | RTLD_LOCAL));
}

void* GetEntryPoint(ModuleHandle module, const char* name) {
  return module && name ? dlsym(module, name) : nullptr;
}

void UnloadModule(ModuleHandle module) {
  if (module) dlclose(module);
}

}  // namespace plat
