#include "support/catalogue_files.h"

#include "platform/fault_injection.h"

namespace zvtest {

void CatalogueTest::SetUp() {
  SystemDirTest::SetUp();
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.DAT"),
                             "[ENVIRONMENT]\r\nCURRENTDIR=" + Dir() +
                                 "\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=" + FormListPath() +
                                 "\r\nGroupName=" + GroupListPath() + "\r\n"));
}

void CatalogueTest::TearDown() {
  plat::fault::Reset();
  SystemDirTest::TearDown();
}

}  // namespace zvtest
