// The catalogue file builders, and a fixture whose configuration points the
// catalogue at the test's scratch directory.
#pragma once

#include <string>

#include "support/catalogue_bytes.h"
#include "support/system_dir.h"

namespace zvtest {

// A fixture whose catalogue configuration names ZVLMN3.FLT and ZVLMN3.GLT
// in the test's scratch directory; the injected faults are disarmed after
// each test.
class CatalogueTest : public SystemDirTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string FormListPath() const { return Path("ZVLMN3.FLT"); }
  std::string GroupListPath() const { return Path("ZVLMN3.GLT"); }
  void WriteFormList(const std::string& bytes) { ASSERT_TRUE(WriteWholeFile(FormListPath(), bytes)); }
  void WriteGroupList(const std::string& bytes) { ASSERT_TRUE(WriteWholeFile(GroupListPath(), bytes)); }
};

}  // namespace zvtest
