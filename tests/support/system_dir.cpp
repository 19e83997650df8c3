#ifdef _WIN32
#include <windows.h>
#else
#include <filesystem>

#include "platform/posix/posix_config.h"
#endif

#include "support/system_dir.h"

namespace zvtest {

void SystemDirTest::SetUp() {
  SandboxTest::SetUp();
#ifdef _WIN32
  char buffer[MAX_PATH];
  GetSystemDirectoryA(buffer, sizeof buffer);
  systemDir_ = std::string(buffer) + "\\";
  GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  moduleDir_ = buffer;
  moduleDir_.erase(moduleDir_.rfind('\\') + 1);
#else
  const std::string host = HostPath(Dir());
  ASSERT_FALSE(host.empty());
  for (const char* dir : {"/c/WINDOWS/SYSTEM", "/c/DRIVERS", "/d"})
    std::filesystem::create_directories(host + dir);
  plat::posix::MapDrive('C', (host + "/c").c_str());
  plat::posix::MapDrive('D', (host + "/d").c_str());
  plat::posix::SetRegistryDirectory((host + "/registry").c_str());
  plat::posix::SetSystemDirectory("C:\\WINDOWS\\SYSTEM");
  plat::posix::SetModuleFileName("C:\\DRIVERS\\ZVLMN30E.DLL");
  systemDir_ = "C:\\WINDOWS\\SYSTEM\\";
  moduleDir_ = "C:\\DRIVERS\\";
#endif
  RemoveCatalogueFiles();
}

void SystemDirTest::TearDown() {
  RemoveCatalogueFiles();
#ifndef _WIN32
  plat::posix::SetDataDirectory(DataDirectory().c_str());
  plat::posix::MapDrive('D', nullptr);
  plat::posix::SetModuleFileName(nullptr);
#endif
  SandboxTest::TearDown();
}

void SystemDirTest::RemoveCatalogueFiles() {
  for (const char* name : {"ZVLMN3.DAT", "ZVLMN3.INI", "ZVL3.INI", "ZVLMN3.FLT", "ZVLMN3.GLT"})
    RemoveFile(SystemPath(name));
  RemoveFile(ModuleDirPath("ZVL3DRV.DAT"));
}

}  // namespace zvtest
