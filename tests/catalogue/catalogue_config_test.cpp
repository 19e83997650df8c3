// The catalogue configuration file (creation, seed copy, list paths, the
// user's directory, each failure code) and the driver's ranges, on the real
// profile functions under Wine and on the emulation natively.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "catalogue/catalogue_config.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/other_process.h"
#include "support/system_dir.h"

namespace {

using zvtest::WriteWholeFile;
constexpr uint32_t kUntouched = 0xDEADBEEF;

class CatalogueConfigTest : public zvtest::SystemDirTest {
 protected:
  void SetUp() override {
    SystemDirTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
#ifndef _WIN32
    plat::posix::SetVersion(true, 2, 10);
#endif
    SystemDirTest::TearDown();
  }
  std::string ConfigPath() const {
    return SystemPath("ZVLMN3.DAT");
  }
  std::string Value(const char* section, const char* key) const {
    char buffer[plat::kPathBuffer] = "";
    plat::GetProfileString(section, key, "(missing)", buffer, sizeof buffer, ConfigPath().c_str());
    return buffer;
  }
  std::string Contents(const std::string& path) const {
    std::string bytes = "(missing)";
    zvtest::ReadWholeFile(path, &bytes);
    return bytes;
  }
  // "result:code:form list|group list" of GetListFilePaths, the code starting untouched.
  std::string ListPaths(bool wantGroup = true) {
    char formList[plat::kPathBuffer] = "", groupList[plat::kPathBuffer] = "";
    zv::SetLastErrorCode(kUntouched);
    const bool found = zv::GetListFilePaths(formList, wantGroup ? groupList : nullptr);
    return std::to_string(found) + ":" + std::to_string(zv::GetLastErrorCode()) + ":" + formList + "|" +
           groupList;
  }
};

TEST_F(CatalogueConfigTest, FirstUseWritesTheDefaultsOnce) {
  char cwd[plat::kPathBuffer] = "";
  plat::GetCurrentDirectory(cwd, sizeof cwd);
  EXPECT_EQ(ListPaths(),
            "1:0:" + SystemPath("ZVLMN3.FLT") + "|" + SystemPath("ZVLMN3.GLT"));  // creates the file
  EXPECT_EQ(Value("ENVIRONMENT", "CURRENTDIR") + "|" + Value("ENVIRONMENT", "USER"),
            std::string(cwd).substr(0, 3) + "|DEFAULT");
  const std::string edited = Contents(ConfigPath()) + "; edited by hand\r\n";
  ASSERT_TRUE(WriteWholeFile(ConfigPath(), edited));
  zv::SetLastErrorCode(kUntouched);
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(Contents(ConfigPath()), edited);
}

TEST_F(CatalogueConfigTest, TheSeedIsCopiedByteForByteWithNormalAttributes) {
  const std::string seed =
      "; installed by the driver\r\n[ENVIRONMENT]\r\nUSER = SITE\r\n\r\n"
      "[SITE]\r\nFormName=C:\\FORMS\\SITE.FLT\r\nGroupName=C:\\FORMS\\SITE.GLT";
  const std::string seedPath = SystemPath("ZVLMN3.INI");
#ifdef _WIN32
  for (int major : {5}) {
#else
  for (int major : {10, 4}) {  // Windows NT 3 and 4 copy with the system's copy
    plat::posix::SetVersion(true, 2, major);
#endif
    zvtest::RemoveFile(ConfigPath());
    plat::SetAttributesNormal(seedPath.c_str());
    ASSERT_TRUE(WriteWholeFile(seedPath, seed));
    ASSERT_TRUE(plat::SetAttributesReadOnly(seedPath.c_str()));
    EXPECT_EQ(ListPaths(), "1:0:C:\\FORMS\\SITE.FLT|C:\\FORMS\\SITE.GLT") << major;
    EXPECT_EQ(Contents(ConfigPath()), seed) << major;
    zvtest::FileHolder writer(ConfigPath(), plat::kAccessReadWrite, plat::kShareRead);
    EXPECT_TRUE(writer.Opened()) << "the copy must not be read-only";
  }
  plat::SetAttributesNormal(seedPath.c_str());
  // A seed that cannot be read: no copy, no code, no defaults.
  zvtest::RemoveFile(ConfigPath());
  zvtest::FileHolder holder(seedPath, plat::kAccessReadWrite, plat::kShareNone);
  ASSERT_TRUE(holder.Opened());
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(ListPaths(false) + Contents(ConfigPath()), "0:0:|(missing)");
}

TEST_F(CatalogueConfigTest, ListPathsComeFromTheUsersSection) {
  const std::string f = "\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n";
  const struct {
    std::string config;
    bool wantGroup;
    const char* outcome;
  } rows[] = {{"[ENVIRONMENT]\r\nUSER=Accounts\r\n[DEFAULT]\r\nFormName=C:\\D.FLT\r\nGroupName=C:\\D.GLT\r\n"
               "[ACCOUNTS]\r\nformname=  C:\\ACC\\F.FLT  \r\nGROUPNAME=\"C:\\ACC\\G.GLT\"\r\n",
               true, "1:0:C:\\ACC\\F.FLT|C:\\ACC\\G.GLT"},
              {"[ENVIRONMENT]\r\nUSER=DEFAULT" + f, false, "1:0:C:\\F.FLT|"},
              {"[ENVIRONMENT]\r\nUSER=DEFAULT" + f, true, "0:0:C:\\F.FLT|"},
              {"[ENVIRONMENT]\r\nCURRENTDIR=C:\\" + f, false, "0:0:|"},
              {"[ENVIRONMENT]\r\nUSER=" + f, false, "0:0:|"},
              {"[ENVIRONMENT]\r\nUSER=NOWHERE" + f, false, "0:0:|"}};
  for (const auto& row : rows) {
    ASSERT_TRUE(WriteWholeFile(ConfigPath(), row.config));
    EXPECT_EQ(ListPaths(row.wantGroup), row.outcome) << row.config;
    EXPECT_EQ(Contents(ConfigPath()), row.config) << "never repaired";
  }
}

TEST_F(CatalogueConfigTest, TheUsersDirectoryElseTheCurrentDriveRoot) {
  char dir[plat::kPathBuffer] = "", cwd[plat::kPathBuffer] = "";
  plat::GetCurrentDirectory(cwd, sizeof cwd);
  const std::string root = std::string(cwd).substr(0, 3);
  EXPECT_FALSE(zv::GetCurrentDirSetting(dir));
  EXPECT_EQ(dir + Contents(ConfigPath()), root + "(missing)");  // only read
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  for (const char* stored : {"E:\\OVERLAYS\\2024", ""}) {
    ASSERT_NE(zv::SetCurrentDirSetting(stored), 0);
    EXPECT_EQ(zv::GetCurrentDirSetting(dir), *stored != '\0');
    EXPECT_EQ(std::string(dir) + Value("ENVIRONMENT", "USER"),
              (*stored ? stored : root) + std::string("DEFAULT"));
  }
}

TEST_F(CatalogueConfigTest, MissingWorkingMemoryAndFailedWrites) {
  char buffer[plat::kPathBuffer];
  const auto ensure = [] { return zv::EnsureCatalogueConfiguration(); };
  const auto paths = [&] { return zv::GetListFilePaths(buffer, nullptr); };
  const struct {
    const char* what;
    bool seed;
    plat::fault::Point point;
    uint32_t nth;
    std::function<bool()> call;
    uint32_t code;
    bool exists;  // the configuration file afterwards
  } rows[] = {{"ensure", false, plat::fault::kAlloc, 1, ensure, 401, false},
              {"seed path", true, plat::fault::kAlloc, 2, ensure, 401, false},
              {"seed copy buffer", true, plat::fault::kAlloc, 3, ensure, kUntouched, false},
              {"list paths", false, plat::fault::kAlloc, 1, paths, 401, false},
              {"list paths' ensure", false, plat::fault::kAlloc, 2, paths, 401, false},
              {"get dir", false, plat::fault::kAlloc, 1, [&] { return zv::GetCurrentDirSetting(buffer); },
               401, false},
              {"set dir", false, plat::fault::kAlloc, 1, [] { return zv::SetCurrentDirSetting("C:\\") != 0; },
               401, false},
              {"CURRENTDIR", false, plat::fault::kProfileWrite, 1, ensure, 400, false},
              {"FormName", false, plat::fault::kProfileWrite, 3, ensure, 400, false},
              {"GroupName", false, plat::fault::kProfileWrite, 4, ensure, 400, false},
              {"USER", false, plat::fault::kProfileWrite, 2, ensure, 400,
               true}};  // last: the file it leaves is checked
  for (const auto& row : rows) {
    zvtest::RemoveFile(ConfigPath());
    zvtest::RemoveFile(SystemPath("ZVLMN3.INI"));
    ASSERT_TRUE(!row.seed || WriteWholeFile(SystemPath("ZVLMN3.INI"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
    std::strcpy(buffer, "untouched");
    zv::SetLastErrorCode(kUntouched);
    plat::fault::FailNth(row.point, row.nth);
    EXPECT_FALSE(row.call()) << row.what;
    plat::fault::Reset();
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << row.what;
    EXPECT_EQ(zvtest::FileExists(ConfigPath()), row.exists) << row.what;
    EXPECT_STREQ(buffer, "untouched") << row.what;
  }
  // What the failed USER write left: the directory, no user; the next call starts again.
  EXPECT_NE(Value("ENVIRONMENT", "CURRENTDIR"), "(missing)");
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "(missing)");
  zvtest::RemoveFile(ConfigPath());
  EXPECT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Value("DEFAULT", "GroupName"), SystemPath("ZVLMN3.GLT"));
}

TEST_F(CatalogueConfigTest, DriverRanges) {
  // ZVL3.INI's [ENVIRONMENT] ("module:" for ZVL3DRV.DAT beside the module) and
  // "form ids lowest,highest prefix overlay numbers lowest,highest".
  const std::pair<std::string, const char*> rows[] = {
      {"", "1,4096_F3 0,255"},
      {"EDITOR=notepad.exe\r\nF3GRP=1,200\r\nF3CMD=0,999\r\n", "1,200_F3 0,255"},
      {"F3GRP=50,10\r\nX3CMD=20,5\r\n", "50,50_F3 20,20"},
      {"A1GRP= 7 ,+9 forms\r\nA1CMD=3x,12\r\n", "7,9_A1 3,12"},  // as atol reads them
      {"A1GRP=-5,10\r\n", "4294967291,4294967291_A1 0,255"},     // compared unsigned
      {"F3CMD=\r\nX_CMD=10,20\r\nY_CMD=30,40\r\nB2GRP=\r\nC3GRP=5,6\r\nD4GRP=7,8\r\n", "5,6_C3 10,20"},
      {"B2GRP=\r\nf3grp=5,6\r\nF3Grp=5,6\r\n", "1,4096_F3 0,255"},  // the key text is matched with case
      {"F3GRP=5000\r\nF3CMD=300\r\n", "5000,5000_F3 300,300"},
      {"LASERGRP=1,10\r\n", "1,10_LA 0,255"},
      {"module:M1GRP=2,3\r\nM1CMD=4,5\r\n", "2,3_M1 4,5"},
      {"EDITOR=notepad.exe\r\n", "1,4096_F3 0,255"}};  // shadows the module's file
  const auto ranges = [](bool noMemory) {
    uint32_t lowest = 0, highest = 0, overlayLowest = 77, overlayHighest = 77;
    char prefix[zv::kGroupFilePrefixSize] = "";
    plat::fault::FailNth(plat::fault::kAlloc, noMemory);
    zv::GetFormIdRange(&lowest, &highest, prefix);
    plat::fault::FailNth(plat::fault::kAlloc, noMemory);
    zv::GetOverlayNumberRange(&overlayLowest, &overlayHighest);
    return std::to_string(lowest) + "," + std::to_string(highest) + prefix + " " +
           std::to_string(overlayLowest) + "," + std::to_string(overlayHighest);
  };
  for (const auto& [environment, outcome] : rows) {
    if (environment.rfind("module:", 0) == 0) {
      zvtest::RemoveFile(SystemPath("ZVL3.INI"));
      ASSERT_TRUE(WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), "[ENVIRONMENT]\r\n" + environment.substr(7)));
    } else if (!environment.empty()) {
      ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + environment));
    }
    EXPECT_EQ(ranges(false), outcome) << environment;
    uint32_t lowest = 0, highest = 0;
    zv::GetFormIdRange(&lowest, &highest, nullptr);  // no prefix wanted
    EXPECT_EQ(std::to_string(lowest) + "," + std::to_string(highest),
              std::string(outcome).substr(0, std::string(outcome).find('_')));
  }
  // Without working memory the defaults stand.
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3GRP=1,200\r\nF3CMD=5,6\r\n"));
  EXPECT_EQ(ranges(true), "1,4096_F3 0,255");
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

}  // namespace
