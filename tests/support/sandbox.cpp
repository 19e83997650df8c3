// The scratch directory fixtures and whole-file helpers of sandbox.h and system_dir.h.
#ifdef _WIN32
#include <windows.h>
#elif defined(ZV_PLATFORM_MEMORY)
#include "platform/memory/memory_config.h"
#else
#include <stdlib.h>

#include "platform/posix/posix_config.h"
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "support/sandbox.h"
#include "support/system_dir.h"

namespace zvtest {

#ifdef ZV_PLATFORM_MEMORY
// In memory the backend's own back door holds every file: nothing reaches a host.

std::string HostPath(const std::string& windowsPath) {
  return windowsPath;
}

bool WriteWholeFile(const std::string& windowsPath, const std::string& bytes) {
  return plat::memory::PutFile(windowsPath, bytes);
}

std::string FileBytes(const std::string& windowsPath) {
  std::string bytes;
  return plat::memory::GetFile(windowsPath, &bytes) ? bytes : kMissing;
}

bool FileExists(const std::string& windowsPath) {
  std::string bytes;
  return plat::memory::GetFile(windowsPath, &bytes);
}

bool RemoveFile(const std::string& windowsPath) {
  return plat::memory::EraseTree(windowsPath);
}

void RemoveTree(const std::string& hostDir) {
  plat::memory::EraseTree(hostDir);
}

void ResetMemoryPlatform() {
  plat::memory::Reset();
  char module[plat::kPathBuffer];
  plat::GetModulePath(module, sizeof module);
  plat::memory::PutFile(module, "");
}

#else

std::string HostPath(const std::string& windowsPath) {
#ifdef _WIN32
  return windowsPath;
#else
  char host[4096];
  return plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host) ? host : "";
#endif
}

bool WriteWholeFile(const std::string& windowsPath, const std::string& bytes) {
  std::ofstream out(HostPath(windowsPath), std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

std::string FileBytes(const std::string& windowsPath) {
  FILE* f = std::fopen(HostPath(windowsPath).c_str(), "rb");
  if (!f) return kMissing;
  std::string bytes;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

bool FileExists(const std::string& windowsPath) {
  return std::ifstream(HostPath(windowsPath), std::ios::binary).is_open();
}

bool RemoveFile(const std::string& windowsPath) {
#ifdef _WIN32
  SetFileAttributesA(windowsPath.c_str(), FILE_ATTRIBUTE_NORMAL);  // Windows deletes no read-only file
#endif
  return std::remove(HostPath(windowsPath).c_str()) == 0;
}

void RemoveTree(const std::string& hostDir) {
  namespace fs = std::filesystem;
  std::error_code error;
  // Windows deletes no read-only file: each is made writable first (links are left alone).
  for (const auto& entry : fs::recursive_directory_iterator(hostDir, error))
    if (!entry.is_symlink(error))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, error);
  fs::remove_all(hostDir, error);
}

#endif

bool WriteProtectionIsEnforced(const std::string& dir) {
  const std::string probe = dir + "write-protection.probe";
  if (!WriteWholeFile(probe, "x") || !plat::SetAttributesReadOnly(probe.c_str())) return true;
  plat::FileHandle f =
      plat::OpenFile(probe.c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  if (f) plat::CloseFile(f);
  RemoveFile(probe);
  return f == nullptr;
}

void SandboxTest::SetUp() {
#ifdef _WIN32
  static unsigned counter = 0;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  dir_ = std::string(temp) + "zvt" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) +
         "\\";
  RemoveTree(dir_);
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
#elif defined(ZV_PLATFORM_MEMORY)
  static unsigned counter = 0;
  dir_ = "C:\\TEMP\\zvt" + std::to_string(++counter) + "\\";
  plat::MakeDirectory("C:\\TEMP");
  ASSERT_TRUE(plat::MakeDirectory(dir_.c_str())) << dir_;
#else
  char host[] = "/tmp/zvt-XXXXXX";
  ASSERT_NE(mkdtemp(host), nullptr);
  char windows[261];
  ASSERT_TRUE(plat::posix::ToWindowsPath(host, windows, sizeof windows)) << host;
  dir_ = std::string(windows) + "\\";
#endif
}

void SandboxTest::TearDown() {
  // Only the scratch directory this fixture made (a failed SetUp made none), whatever the drive map says.
  const std::string host = HostPath(dir_);
#if defined(_WIN32) || defined(ZV_PLATFORM_MEMORY)
  if (host.find("\\zvt") != std::string::npos) RemoveTree(host);
#else
  if (host.rfind("/tmp/zvt-", 0) == 0) RemoveTree(host);
#endif
  dir_.clear();
}

void SystemDirTest::SetUp() {
  SandboxTest::SetUp();
#ifdef _WIN32
  char buffer[MAX_PATH];
  GetSystemDirectoryA(buffer, sizeof buffer);
  systemDir_ = std::string(buffer) + "\\";
  GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  moduleDir_ = buffer;
  moduleDir_.erase(moduleDir_.rfind('\\') + 1);
#elif defined(ZV_PLATFORM_MEMORY)
  plat::memory::SetDrive('D', true);
  for (const char* dir : {"C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM", "C:\\DRIVERS"}) plat::MakeDirectory(dir);
  plat::memory::SetSystemDirectory("C:\\WINDOWS\\SYSTEM");
  plat::memory::SetModuleFileName("C:\\DRIVERS\\ZVLMN30E.DLL");
  systemDir_ = "C:\\WINDOWS\\SYSTEM\\";
  moduleDir_ = "C:\\DRIVERS\\";
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
#ifdef ZV_PLATFORM_MEMORY
  plat::memory::SetDrive('D', false);
  plat::memory::SetSystemDirectory("C:\\WINDOWS\\SYSTEM32");
  plat::memory::SetModuleFileName(nullptr);
#elif !defined(_WIN32)
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
