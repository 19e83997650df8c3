#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>

#include "platform/posix/posix_config.h"
#endif

#include "support/system_dir.h"

namespace zvtest {
namespace {

const char* const kCatalogueFiles[] = {"ZVLMN3.DAT", "ZVLMN3.INI", "ZVL3.INI", "ZVLMN3.FLT", "ZVLMN3.GLT"};

std::string DirectoryForm(std::string dir) {
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir;
}

#ifndef _WIN32
// Makes a directory given by Windows path, with its parents.
void MakeDirectories(const std::string& windowsPath) {
  std::string partial;
  for (size_t i = 0; i <= windowsPath.size(); ++i) {
    if (i == windowsPath.size() || windowsPath[i] == '\\') {
      const std::string host = partial.size() > 3 ? HostPath(partial) : "";
      if (!host.empty()) mkdir(host.c_str(), 0777);
    }
    if (i < windowsPath.size()) partial += windowsPath[i];
  }
}
#endif

}  // namespace

void SystemDirTest::SetUp() {
  SandboxTest::SetUp();
#ifdef _WIN32
  char buffer[MAX_PATH];
  GetSystemDirectoryA(buffer, sizeof buffer);
  systemDir_ = buffer;
  GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  moduleDir_ = buffer;
  moduleDir_.erase(moduleDir_.rfind('\\') + 1);
#else
  const std::string host = HostPath(Dir());
  ASSERT_FALSE(host.empty());
  const std::string c = host + "/c";
  const std::string d = host + "/d";
  mkdir(c.c_str(), 0777);
  mkdir(d.c_str(), 0777);
  plat::posix::MapDrive('C', c.c_str());
  plat::posix::MapDrive('D', d.c_str());
  plat::posix::SetRegistryDirectory((host + "/registry").c_str());
  systemDir_ = "C:\\WINDOWS\\SYSTEM";
  plat::posix::SetSystemDirectory(systemDir_.c_str());
  MakeDirectories(systemDir_);
  moduleDir_ = "C:\\DRIVERS\\";
  MakeDirectories(moduleDir_);
  plat::posix::SetModuleFileName("C:\\DRIVERS\\ZVLMN30E.DLL");
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

std::string SystemDirTest::SystemPath(const std::string& name) const {
  return DirectoryForm(systemDir_) + name;
}

std::string SystemDirTest::ModuleDirPath(const std::string& name) const {
  return moduleDir_ + name;
}

void SystemDirTest::RemoveCatalogueFiles() {
  for (const char* name : kCatalogueFiles) RemoveFile(SystemPath(name));
  RemoveFile(ModuleDirPath("ZVL3DRV.DAT"));
}

}  // namespace zvtest
