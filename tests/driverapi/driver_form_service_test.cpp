// ZVDriverFormService: whether the driver configuration names a form editor.
#include <gtest/gtest.h>

#include <string>

#include "platform/fault_injection.h"
#include "support/catalogue_files.h"
#include "support/system_dir.h"
#include "zvlmn30e.h"

namespace {

using zvtest::WriteWholeFile;

class DriverFormServiceTest : public zvtest::SystemDirTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    SystemDirTest::TearDown();
  }

  void WriteSystemIni(const std::string& environment) {
    ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + environment));
  }
};

TEST_F(DriverFormServiceTest, TheFileBesideTheModuleIsReadWhenTheSystemOneIsMissing) {
  EXPECT_EQ(ZVDriverFormService(), 0);
  ASSERT_TRUE(
      WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), "[ENVIRONMENT]\r\nF3GRP=1,10\r\nEDITOR=FORMED.EXE\r\n"));
  EXPECT_EQ(ZVDriverFormService(), 1);

  // Without working memory the answer is no.
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(ZVDriverFormService(), 0);
}

TEST_F(DriverFormServiceTest, TheSystemFileShadowsTheOneBesideTheModule) {
  ASSERT_TRUE(WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), "[ENVIRONMENT]\r\nEDITOR=FORMED.EXE\r\n"));
  WriteSystemIni("F3CMD=0,9\r\n");
  EXPECT_EQ(ZVDriverFormService(), 0);
  WriteSystemIni("EDITOR=\r\n");
  EXPECT_EQ(ZVDriverFormService(), 0);
  // Any text will do; the editor need not exist.
  WriteSystemIni("EDITOR=X\r\n");
  EXPECT_EQ(ZVDriverFormService(), 1);
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[OTHER]\r\nEDITOR=X\r\n"));
  EXPECT_EQ(ZVDriverFormService(), 0);
}

}  // namespace
