// The catalogue configuration file, the driver's ranges and the path rules,
// on the real profile functions under Wine and on the emulation natively.
#ifndef _WIN32
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "catalogue/catalogue_config.h"
#include "catalogue/paths.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "support/other_process.h"
#include "support/system_dir.h"

namespace {

using zvtest::FileBytes;
using zvtest::WriteWholeFile;
constexpr uint32_t kUntouched = 0xDEADBEEF;

TEST(PathRulesTest, DirectoryFormDriveRootDirectoryOfFileAndTheLongestPath) {
  // Each path, then its directory form, drive root and directory (cut in place).
  // clang-format off
  const char* rows[][4] = {{"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\", "C:\\", "C:\\WINDOWS\\"},
                           {"\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE\\", "\\\\SERVER\\SHARE", "\\\\SERVER\\"},
                           {"FORMS\\NEW", "FORMS\\NEW\\", "FORMS\\NEW", "FORMS\\"},
                           {"C:\\", "C:\\", "C:\\", "C:\\"}, {"C:", "C:", "C:", ""}, {"", "", "", ""}};
  // clang-format on
  for (const auto& row : rows) {
    zv::PathBuffer form, root, dir;
    std::strcpy(form, row[0]);
    std::strcpy(root, row[0]);
    std::strcpy(dir, row[0]);
    EXPECT_TRUE(zv::ToDirectoryForm(form));
    zv::CutToDriveRoot(root);
    zv::DirectoryOfFile(dir, dir);
    EXPECT_EQ(std::string(form) + "|" + root + "|" + dir, std::string(row[1]) + "|" + row[2] + "|" + row[3]);
  }
  zv::PathBuffer full;
  const std::string longest = "C:\\" + std::string(plat::kMaxPath - 3, 'A');
  std::strcpy(full, longest.c_str());
  EXPECT_FALSE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::string(full), longest);
  std::strcpy(full, longest.substr(1).c_str());
  EXPECT_TRUE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::strlen(full), plat::kMaxPath);
  EXPECT_FALSE(zv::AppendPath(full, "y"));
  EXPECT_FALSE(zv::CopyPath(full, std::string(plat::kMaxPath + 1, 'z').c_str()));
  EXPECT_STREQ(full, "");
}

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
    plat::ReadProfileValue(section, key, "(missing)", buffer, sizeof buffer, ConfigPath().c_str());
    return buffer;
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

TEST_F(CatalogueConfigTest, FirstUseWritesTheDefaultsOnceAndKeepsTheUsersDirectory) {
  char dir[plat::kPathBuffer] = "", cwd[plat::kPathBuffer] = "";
  plat::GetWorkingDirectory(cwd, sizeof cwd);
  const std::string root = std::string(cwd).substr(0, 3);
  EXPECT_FALSE(zv::GetCurrentDirSetting(dir));
  EXPECT_EQ(dir + FileBytes(ConfigPath()), root + zvtest::kMissing);                           // only read
  EXPECT_EQ(ListPaths(), "1:0:" + SystemPath("ZVLMN3.FLT") + "|" + SystemPath("ZVLMN3.GLT"));  // creates it
  EXPECT_EQ(Value("ENVIRONMENT", "CURRENTDIR") + "|" + Value("ENVIRONMENT", "USER"), root + "|DEFAULT");
  const std::string edited = FileBytes(ConfigPath()) + "; edited by hand\r\n";
  ASSERT_TRUE(WriteWholeFile(ConfigPath(), edited));
  zv::SetLastErrorCode(kUntouched);
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(FileBytes(ConfigPath()), edited);
  for (const char* stored : {"E:\\OVERLAYS\\2024", ""}) {
    ASSERT_NE(zv::SetCurrentDirSetting(stored), 0);
    EXPECT_EQ(zv::GetCurrentDirSetting(dir), *stored != '\0');
    EXPECT_EQ(std::string(dir) + Value("ENVIRONMENT", "USER"),
              (*stored ? stored : root) + std::string("DEFAULT"));
  }
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
    EXPECT_EQ(FileBytes(ConfigPath()), seed) << major;
    zvtest::FileHolder writer(ConfigPath(), plat::kAccessReadWrite, plat::kShareRead);
    EXPECT_TRUE(writer.Opened()) << "the copy must not be read-only";
  }
  plat::SetAttributesNormal(seedPath.c_str());
  // A seed that cannot be read: no copy, no code, no defaults.
  zvtest::RemoveFile(ConfigPath());
  zvtest::FileHolder holder(seedPath, plat::kAccessReadWrite, plat::kShareNone);
  ASSERT_TRUE(holder.Opened());
  EXPECT_EQ(ListPaths(false) + FileBytes(ConfigPath()), "0:0:|" + zvtest::kMissing);
}

// ZVLMN3.DAT: the list paths with and without the group list; ZVL3.INI or
// ZVL3DRV.DAT: "form ids lowest,highest prefix overlay numbers lowest,highest".
TEST_F(CatalogueConfigTest, ConfigurationTextsAndWhatIsReadFromThem) {
  const std::string f = "\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n";
  // clang-format off
  const struct {
    const char* file;
    std::string text;
    const char* outcome;
  } rows[] = {
      {"ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=Accounts\r\n[DEFAULT]\r\nFormName=C:\\D.FLT\r\n"
       "GroupName=C:\\D.GLT\r\n"
       "[ACCOUNTS]\r\nformname=  C:\\ACC\\F.FLT  \r\nGROUPNAME=\"C:\\ACC\\G.GLT\"\r\n",
       "1:0:C:\\ACC\\F.FLT|C:\\ACC\\G.GLT 1:0:C:\\ACC\\F.FLT|"},
      {"ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=DEFAULT" + f, "0:0:C:\\F.FLT| 1:0:C:\\F.FLT|"},
      {"ZVLMN3.DAT", "[ENVIRONMENT]\r\nCURRENTDIR=C:\\" + f, "0:0:| 0:0:|"},
      {"ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=" + f, "0:0:| 0:0:|"},
      {"ZVLMN3.DAT", "[ENVIRONMENT]\r\nUSER=NOWHERE" + f, "0:0:| 0:0:|"},
      {"", "", "1,4096_F3 0,255"},
      {"ZVL3.INI", "EDITOR=notepad.exe\r\nF3GRP=1,200\r\nF3CMD=0,999\r\n", "1,200_F3 0,255"},
      {"ZVL3.INI", "F3GRP=50,10\r\nX3CMD=20,5\r\n", "50,50_F3 20,20"},
      {"ZVL3.INI", "A1GRP= 7 ,+9 forms\r\nA1CMD=3x,12\r\n", "7,9_A1 3,12"},  // as atol reads them
      {"ZVL3.INI", "A1GRP=-5,10\r\n", "4294967291,4294967291_A1 0,255"},     // compared unsigned
      {"ZVL3.INI", "F3CMD=\r\nX_CMD=10,20\r\nY_CMD=30,40\r\nB2GRP=\r\nC3GRP=5,6\r\nD4GRP=7,8\r\n",
       "5,6_C3 10,20"},
      {"ZVL3.INI", "B2GRP=\r\nf3grp=5,6\r\nF3Grp=5,6\r\n", "1,4096_F3 0,255"},  // keys are matched with case
      {"ZVL3.INI", "F3GRP=5000\r\nF3CMD=300\r\n", "5000,5000_F3 300,300"},
      {"ZVL3.INI", "LASERGRP=1,10\r\n", "1,10_LA 0,255"},
      {"ZVL3DRV.DAT", "M1GRP=2,3\r\nM1CMD=4,5\r\n", "2,3_M1 4,5"},
      {"ZVL3.INI", "EDITOR=notepad.exe\r\n", "1,4096_F3 0,255"}};  // shadows the module's file
  // clang-format on
  for (const auto& row : rows) {
    const std::string file = row.file;
    if (file == "ZVLMN3.DAT") {
      ASSERT_TRUE(WriteWholeFile(ConfigPath(), row.text));
      EXPECT_EQ(ListPaths() + " " + ListPaths(false), row.outcome) << row.text;
      EXPECT_EQ(FileBytes(ConfigPath()), row.text) << "never repaired";
      continue;
    }
    ASSERT_TRUE(file != "ZVL3.INI" || WriteWholeFile(SystemPath(file), "[ENVIRONMENT]\r\n" + row.text));
    if (file == "ZVL3DRV.DAT") {
      zvtest::RemoveFile(SystemPath("ZVL3.INI"));
      ASSERT_TRUE(WriteWholeFile(ModuleDirPath(file), "[ENVIRONMENT]\r\n" + row.text));
    }
    uint32_t lowest = 0, highest = 0, overlayLowest = 77, overlayHighest = 77, noPrefixLowest,
             noPrefixHighest;
    char prefix[zv::kGroupFilePrefixSize] = "";
    zv::GetFormIdRange(&lowest, &highest, prefix);
    zv::GetOverlayNumberRange(&overlayLowest, &overlayHighest);
    zv::GetFormIdRange(&noPrefixLowest, &noPrefixHighest, nullptr);
    EXPECT_EQ(std::to_string(lowest) + "," + std::to_string(highest) + prefix + " " +
                  std::to_string(overlayLowest) + "," + std::to_string(overlayHighest),
              row.outcome);
    EXPECT_EQ(noPrefixLowest * 10000 + noPrefixHighest, lowest * 10000 + highest) << row.text;
  }
}

TEST_F(CatalogueConfigTest, MissingWorkingMemoryAndFailedWrites) {
  char buffer[plat::kPathBuffer];
  const auto ensure = [] { return zv::EnsureCatalogueConfiguration(); };
  const auto paths = [&] { return zv::GetListFilePaths(buffer, nullptr); };
  const auto getDir = [&] { return zv::GetCurrentDirSetting(buffer); };
  const auto setDir = [] { return zv::SetCurrentDirSetting("C:\\") != 0; };
  constexpr auto kAlloc = plat::fault::kAlloc, kWrite = plat::fault::kProfileWrite;
  const struct {
    bool seed;
    plat::fault::Point point;
    uint32_t nth;
    std::function<bool()> call;
    uint32_t code;
  } rows[] = {
      // clang-format off
      {false, kAlloc, 1, ensure, 401}, {true, kAlloc, 2, ensure, 401}, {true, kAlloc, 3, ensure, kUntouched},
      {false, kAlloc, 1, paths, 401}, {false, kAlloc, 2, paths, 401}, {false, kAlloc, 1, getDir, 401},
      {false, kAlloc, 1, setDir, 401}, {false, kWrite, 1, ensure, 400}, {false, kWrite, 3, ensure, 400},
      {false, kWrite, 4, ensure, 400}, {false, kWrite, 2, ensure, 400}};  // last: its file is checked
  // clang-format on
  for (const auto& row : rows) {
    zvtest::RemoveFile(ConfigPath());
    zvtest::RemoveFile(SystemPath("ZVLMN3.INI"));
    ASSERT_TRUE(!row.seed || WriteWholeFile(SystemPath("ZVLMN3.INI"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
    std::strcpy(buffer, "untouched");
    zv::SetLastErrorCode(kUntouched);
    plat::fault::FailNth(row.point, row.nth);
    EXPECT_FALSE(row.call()) << row.nth;
    plat::fault::Reset();
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << row.nth;
    EXPECT_EQ(zvtest::FileExists(ConfigPath()), &row == std::end(rows) - 1) << row.nth;
    EXPECT_STREQ(buffer, "untouched") << row.nth;
  }
  // What the failed USER write left: the directory, no user; the next call starts again.
  EXPECT_NE(Value("ENVIRONMENT", "CURRENTDIR"), "(missing)");
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "(missing)");
  zvtest::RemoveFile(ConfigPath());
  EXPECT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Value("DEFAULT", "GroupName"), SystemPath("ZVLMN3.GLT"));
  // Without working memory the driver's ranges keep their defaults.
  uint32_t lowest = 0, highest = 0;
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3GRP=5,200\r\n"));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  zv::GetFormIdRange(&lowest, &highest, nullptr);
  EXPECT_EQ(lowest * 10000 + highest, 14096u);
}

}  // namespace
