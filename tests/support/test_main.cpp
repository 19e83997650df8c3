// Every test program's entry: attaches the module frame as the DLL's entry function would and, natively,
// keeps all files in a data directory of the run's own (over the memory backend, in memory).
#ifdef _WIN32
#include <windows.h>
#elif defined(ZV_PLATFORM_MEMORY)
#include "support/sandbox.h"
#else
#include <stdlib.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <string>

#include "dialogs/module_frame.h"
#include "support/system_dir.h"

namespace zvtest {
std::string g_dataDirectory;  // set once, by main
const std::string& DataDirectory() {
  return g_dataDirectory;
}
}  // namespace zvtest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
  zv::ModuleAttach(GetModuleHandleA(nullptr), zv::kReasonProcessAttach, nullptr);
#elif defined(ZV_PLATFORM_MEMORY)
  zvtest::ResetMemoryPlatform();
  zv::ModuleAttach(nullptr, zv::kReasonProcessAttach, nullptr);
#else
  char dir[] = "/tmp/zvdata-XXXXXX";
  if (!mkdtemp(dir)) return 2;
  zvtest::g_dataDirectory = dir;
  plat::posix::SetDataDirectory(dir);
  zv::ModuleAttach(nullptr, zv::kReasonProcessAttach, nullptr);
#endif
  const int result = RUN_ALL_TESTS();
  if (!zvtest::g_dataDirectory.empty()) zvtest::RemoveTree(zvtest::g_dataDirectory);
  return result;
}
