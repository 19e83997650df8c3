// A fixture for files in the system directory and beside the module: natively drives C: and D: of the
// test's own (C:\WINDOWS\SYSTEM, C:\DRIVERS\ZVLMN30E.DLL); under Wine the prefix's, the catalogue's
// files removed before and after each test.
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

// The process-wide data directory the native tests run in (none under Windows).
const std::string& DataDirectory();

}  // namespace zvtest
