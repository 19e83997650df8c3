// Test fixtures that give each test a fresh place on disk, in both builds.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace zvtest {

// Whole files by Windows path, by the standard library and not the platform layer under test (over the
// memory backend, by its own back door).
bool WriteWholeFile(const std::string& windowsPath, const std::string& bytes);
bool FileExists(const std::string& windowsPath);
// The host's name of a Windows path: itself under Windows and in memory, natively the mapped path (or
// empty).
std::string HostPath(const std::string& windowsPath);
bool RemoveFile(const std::string& windowsPath);
// Removes a directory given by host path and all in it, read-only files too.
void RemoveTree(const std::string& hostDir);
// The whole file, or kMissing when it cannot be read.
inline const std::string kMissing = "<missing>";
std::string FileBytes(const std::string& windowsPath);

#ifdef ZV_PLATFORM_MEMORY
// Empties the memory backend and puts back what every test program finds there: its own file, at the
// module file name.
void ResetMemoryPlatform();
#endif

// Whether opening a read-only file for writing fails here, as on Windows (Wine run by root lets root).
bool WriteProtectionIsEnforced(const std::string& dir);

// A fixture whose every test gets a new, empty scratch directory.
class SandboxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The scratch directory as a Windows path, ending in a backslash.
  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + name; }

 private:
  std::string dir_;
};

}  // namespace zvtest
