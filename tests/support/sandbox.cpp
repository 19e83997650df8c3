#ifdef _WIN32
#include <windows.h>
#else
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "support/sandbox.h"

namespace zvtest {
namespace {

#ifdef _WIN32
void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path + "\\");
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(h, &data));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

#else
int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  return remove(path);
}

void RemoveTree(const std::string& hostDir) {
  nftw(hostDir.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

#endif

}  // namespace

std::string HostPath(const std::string& windowsPath) {
#ifdef _WIN32
  return windowsPath;
#else
  char host[4096];
  return plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host) ? host : "";
#endif
}

bool WriteWholeFile(const std::string& windowsPath, const std::string& bytes) {
  const std::string host = HostPath(windowsPath);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool ReadWholeFile(const std::string& windowsPath, std::string* bytes) {
  const std::string host = HostPath(windowsPath);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
  std::fclose(f);
  return true;
}

std::string FileBytes(const std::string& windowsPath) {
  std::string bytes;
  return ReadWholeFile(windowsPath, &bytes) ? bytes : kMissing;
}

bool FileExists(const std::string& windowsPath) {
  const std::string host = HostPath(windowsPath);
  FILE* f = host.empty() ? nullptr : std::fopen(host.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

bool RemoveFile(const std::string& windowsPath) {
#ifdef _WIN32
  SetFileAttributesA(windowsPath.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(windowsPath.c_str()) != FALSE;
#else
  const std::string host = HostPath(windowsPath);
  return !host.empty() && remove(host.c_str()) == 0;
#endif
}

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
  static unsigned counter = 0;
#ifdef _WIN32
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  dir_ = std::string(temp) + "zvt" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) +
         "\\";
  RemoveTree(dir_);
  ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
#else
  char host[] = "/tmp/zvt-XXXXXX";
  ASSERT_NE(mkdtemp(host), nullptr);
  char windows[261];
  ASSERT_TRUE(plat::posix::ToWindowsPath(host, windows, sizeof windows)) << host;
  dir_ = std::string(windows) + "\\";
  ++counter;
#endif
}

void SandboxTest::TearDown() {
  // Only ever remove the scratch directory this fixture made: a SetUp that
  // failed half-way leaves nothing (or something else) to remove.
  if (dir_.empty()) return;
#ifdef _WIN32
  if (dir_.find("\\zvt") == std::string::npos) return;
  RemoveTree(dir_);
#else
  const std::string host = HostPath(dir_);
  if (host.rfind("/tmp/zvt-", 0) != 0) return;
  RemoveTree(host);
#endif
  dir_.clear();
}

}  // namespace zvtest
