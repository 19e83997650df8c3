// A fixture for tests of files that live in the Windows system directory and
// beside the module. Natively each test gets its own drives C: and D:, with
// the system directory C:\WINDOWS\SYSTEM and the module at
// C:\DRIVERS\ZVLMN30E.DLL. Under Wine the prefix's real system directory is
// used, and the catalogue's files are removed before and after each test.
#pragma once

#include <string>

#include "support/sandbox.h"

namespace zvtest {

class SystemDirTest : public SandboxTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A file in the system directory, and one beside the module's own file.
  std::string SystemPath(const std::string& name) const { return systemDir_ + name; }
  std::string ModuleDirPath(const std::string& name) const { return moduleDir_ + name; }

 private:
  void RemoveCatalogueFiles();

  std::string systemDir_;  // both end in a backslash
  std::string moduleDir_;
};

#ifndef _WIN32
// The process-wide data directory the native tests run in.
const std::string& DataDirectory();
#endif

}  // namespace zvtest
