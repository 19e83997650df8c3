// The catalogue configuration file (creation, seed copy, list paths, the
// user's directory, each failure code) and the driver's ranges, on the real
// profile functions under Wine and on the emulation natively.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

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

using zvtest::ReadWholeFile;
using zvtest::WriteWholeFile;

constexpr uint32_t kUntouched = 0xDEADBEEF;

// Moves the process into a directory for the life of the object.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& windowsPath) {
    char previous[plat::kPathBuffer];
    plat::GetCurrentDirectory(previous, sizeof previous);
    previous_ = previous;
    Change(windowsPath);
  }
  ~CurrentDirectory() { Change(previous_); }

 private:
  static void Change(const std::string& windowsPath) {
#ifdef _WIN32
    ASSERT_TRUE(SetCurrentDirectoryA(windowsPath.c_str())) << windowsPath;
#else
    char host[4096];
    ASSERT_TRUE(plat::posix::ToHostPath(windowsPath.c_str(), host, sizeof host));
    ASSERT_EQ(chdir(host), 0) << host;
#endif
  }
  std::string previous_;
};

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

  std::string ConfigPath() const { return SystemPath("ZVLMN3.DAT"); }
  std::string Value(const char* section, const char* key) const {
    char buffer[plat::kPathBuffer] = "";
    plat::GetProfileString(section, key, "(missing)", buffer, sizeof buffer, ConfigPath().c_str());
    return buffer;
  }
  std::string Contents(const std::string& path) const {
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }
  void MakeDirectory(const std::string& path) {
    ASSERT_TRUE(plat::CreateDirectory(path.c_str())) << path;
  }
};

TEST_F(CatalogueConfigTest, FirstUseWritesTheDefaultsOnce) {
  MakeDirectory(Path("DATA"));
  MakeDirectory(Path("DATA\\JOBS"));
  CurrentDirectory cwd(Path("DATA\\JOBS"));
  char formList[plat::kPathBuffer] = "";
  char groupList[plat::kPathBuffer] = "";
  ASSERT_TRUE(zv::GetListFilePaths(formList, groupList));  // creates the file
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(std::string(formList) + "|" + groupList, SystemPath("ZVLMN3.FLT") + "|" + SystemPath("ZVLMN3.GLT"));
  EXPECT_EQ(Value("ENVIRONMENT", "CURRENTDIR"), Dir().substr(0, 3));
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "DEFAULT");
  EXPECT_EQ(Value("DEFAULT", "FormName"), SystemPath("ZVLMN3.FLT"));
  EXPECT_EQ(Value("DEFAULT", "GroupName"), SystemPath("ZVLMN3.GLT"));
  const std::string edited = Contents(ConfigPath()) + "; edited by hand\r\n";
  ASSERT_TRUE(WriteWholeFile(ConfigPath(), edited));
  zv::SetLastErrorCode(kUntouched);
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(Contents(ConfigPath()), edited);
}

TEST_F(CatalogueConfigTest, TheSeedIsCopiedByteForByteWithNormalAttributes) {
  const std::string seed =
      "; installed by the driver\r\n[ENVIRONMENT]\r\nUSER = SITE\r\nCURRENTDIR=C:\\FORMS\r\n\r\n"
      "[SITE]\r\nFormName=C:\\FORMS\\SITE.FLT\r\nGroupName=C:\\FORMS\\SITE.GLT";
#ifdef _WIN32
  for (int major : {5}) {
#else
  for (int major : {10, 4}) {  // Windows NT 3 and 4 copy with the system's copy
    plat::posix::SetVersion(true, 2, major);
#endif
    zvtest::RemoveFile(ConfigPath());
    zv::SetLastErrorCode(kUntouched);
    plat::SetAttributesNormal(SystemPath("ZVLMN3.INI").c_str());
    ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), seed));
    ASSERT_TRUE(plat::SetAttributesReadOnly(SystemPath("ZVLMN3.INI").c_str()));
    ASSERT_TRUE(zv::EnsureCatalogueConfiguration()) << major;
    EXPECT_EQ(Contents(ConfigPath()), seed) << major;
    EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
    plat::FileHandle writer =
        plat::OpenFile(ConfigPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
    EXPECT_NE(writer, nullptr) << "the copy must not be read-only";
    plat::CloseFile(writer);
    char formList[plat::kPathBuffer] = "";
    char groupList[plat::kPathBuffer] = "";
    ASSERT_TRUE(zv::GetListFilePaths(formList, groupList));
    EXPECT_EQ(std::string(formList) + "|" + groupList, "C:\\FORMS\\SITE.FLT|C:\\FORMS\\SITE.GLT");
  }
  plat::SetAttributesNormal(SystemPath("ZVLMN3.INI").c_str());
}

#ifndef _WIN32
TEST_F(CatalogueConfigTest, DriveRootsOfTheSystemAndCurrentDirectories) {
  MakeDirectory("D:\\DATA");
  MakeDirectory("D:\\DATA\\JOBS");
  CurrentDirectory cwd("D:\\DATA\\JOBS");
  plat::posix::SetSystemDirectory("C:\\");
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  char buffer[plat::kPathBuffer] = "";
  plat::GetProfileString("DEFAULT", "FormName", "", buffer, sizeof buffer, "C:\\ZVLMN3.DAT");
  EXPECT_STREQ(buffer, "C:\\ZVLMN3.FLT");  // no doubled backslash
  plat::GetProfileString("ENVIRONMENT", "CURRENTDIR", "", buffer, sizeof buffer, "C:\\ZVLMN3.DAT");
  EXPECT_STREQ(buffer, "D:\\");
  zvtest::RemoveFile("C:\\ZVLMN3.DAT");
}
#endif

TEST_F(CatalogueConfigTest, AFailedSeedCopySetsNoCode) {
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
  zvtest::FileHolder holder(SystemPath("ZVLMN3.INI"), plat::kAccessReadWrite, plat::kShareNone);
  ASSERT_TRUE(holder.Opened());
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));
  char formList[plat::kPathBuffer] = "";
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

TEST_F(CatalogueConfigTest, ListPathsComeFromTheUsersSection) {
  const std::string f = "\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n";
  const struct {
    std::string config;
    bool wantGroup, found;
    const char* paths;
  } rows[] = {
      {"[ENVIRONMENT]\r\nUSER=Accounts\r\n[DEFAULT]\r\nFormName=C:\\D.FLT\r\nGroupName=C:\\D.GLT\r\n"
       "[ACCOUNTS]\r\nformname=  C:\\ACC\\F.FLT  \r\nGROUPNAME=\"C:\\ACC\\G.GLT\"\r\n",
       true, true, "C:\\ACC\\F.FLT|C:\\ACC\\G.GLT"},
      {"[ENVIRONMENT]\r\nUSER=DEFAULT" + f, false, true, "C:\\F.FLT|"},
      {"[ENVIRONMENT]\r\nUSER=DEFAULT" + f, true, false, ""},
      {"[ENVIRONMENT]\r\nCURRENTDIR=C:\\" + f, false, false, ""}, {"[ENVIRONMENT]\r\nUSER=" + f, false, false, ""},
      {"[ENVIRONMENT]\r\nUSER=NOWHERE" + f, false, false, ""},
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(WriteWholeFile(ConfigPath(), row.config));
    zv::SetLastErrorCode(kUntouched);
    char formList[plat::kPathBuffer] = "";
    char groupList[plat::kPathBuffer] = "";
    EXPECT_EQ(zv::GetListFilePaths(formList, row.wantGroup ? groupList : nullptr), row.found) << row.config;
    EXPECT_EQ(zv::GetLastErrorCode(), 0u);
    if (row.found) { EXPECT_EQ(std::string(formList) + "|" + groupList, row.paths); }
    EXPECT_EQ(Contents(ConfigPath()), row.config) << "never repaired";
  }
}

TEST_F(CatalogueConfigTest, TheUsersDirectoryElseTheCurrentDriveRoot) {
  char dir[plat::kPathBuffer] = "";
  char cwd[plat::kPathBuffer] = "";
  plat::GetCurrentDirectory(cwd, sizeof cwd);
  const std::string root = std::string(cwd).substr(0, 3);
  EXPECT_FALSE(zv::GetCurrentDirSetting(dir));
  EXPECT_EQ(std::string(dir), root);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));  // only read

  // Stored before the file exists: the lists cannot use what is written.
  ASSERT_NE(zv::SetCurrentDirSetting("C:\\FORMS"), 0);
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "(missing)");
  char formList[plat::kPathBuffer] = "";
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);

  zvtest::RemoveFile(ConfigPath());
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  for (const char* stored : {"E:\\OVERLAYS\\2024", "C:\\", ""}) {
    ASSERT_NE(zv::SetCurrentDirSetting(stored), 0);
    EXPECT_EQ(zv::GetCurrentDirSetting(dir), *stored != '\0');
    EXPECT_EQ(std::string(dir), *stored ? stored : root);
  }
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "DEFAULT");  // the rest stays
}

TEST_F(CatalogueConfigTest, MissingWorkingMemoryAndFailedWrites) {
  char buffer[plat::kPathBuffer];
  const struct {
    const char* what;
    bool seed;
    plat::fault::Point point;
    uint32_t nth;
    std::function<bool()> call;
    uint32_t code;
    bool exists;  // the configuration file afterwards
  } rows[] = {
      {"ensure", false, plat::fault::kAlloc, 1, [] { return zv::EnsureCatalogueConfiguration(); }, 401, false},
      {"seed path", true, plat::fault::kAlloc, 2, [] { return zv::EnsureCatalogueConfiguration(); }, 401, false},
      {"seed copy buffer", true, plat::fault::kAlloc, 3, [] { return zv::EnsureCatalogueConfiguration(); }, kUntouched, false},
      {"list paths", false, plat::fault::kAlloc, 1, [&] { return zv::GetListFilePaths(buffer, nullptr); }, 401, false},
      {"list paths' ensure", false, plat::fault::kAlloc, 2, [&] { return zv::GetListFilePaths(buffer, nullptr); }, 401, false},
      {"get dir", false, plat::fault::kAlloc, 1, [&] { return zv::GetCurrentDirSetting(buffer); }, 401, false},
      {"set dir", false, plat::fault::kAlloc, 1, [] { return zv::SetCurrentDirSetting("C:\\") != 0; }, 401, false},
      {"CURRENTDIR", false, plat::fault::kProfileWrite, 1, [] { return zv::EnsureCatalogueConfiguration(); }, 400, false},
      {"FormName", false, plat::fault::kProfileWrite, 3, [] { return zv::EnsureCatalogueConfiguration(); }, 400, false},
      {"GroupName", false, plat::fault::kProfileWrite, 4, [] { return zv::EnsureCatalogueConfiguration(); }, 400, false},
      {"USER", false, plat::fault::kProfileWrite, 2, [] { return zv::EnsureCatalogueConfiguration(); }, 400, true},  // last: the file it leaves is checked below
  };
  for (const auto& row : rows) {
    zvtest::RemoveFile(ConfigPath());
    zvtest::RemoveFile(SystemPath("ZVLMN3.INI"));
    if (row.seed) {
      ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
    }
    std::strcpy(buffer, "untouched");
    zv::SetLastErrorCode(kUntouched);
    plat::fault::FailNth(row.point, row.nth);
    EXPECT_FALSE(row.call()) << row.what;
    plat::fault::Reset();
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << row.what;
    EXPECT_EQ(zvtest::FileExists(ConfigPath()), row.exists) << row.what;
    if (row.nth == 1 && row.point == plat::fault::kAlloc) { EXPECT_STREQ(buffer, "untouched") << row.what; }
  }
  // What the failed USER write left: the directory, no user.
  EXPECT_NE(Value("ENVIRONMENT", "CURRENTDIR"), "(missing)");
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "(missing)");
  // The next call starts again from the beginning.
  zvtest::RemoveFile(ConfigPath());
  EXPECT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Value("DEFAULT", "GroupName"), SystemPath("ZVLMN3.GLT"));
}

TEST_F(CatalogueConfigTest, DriverRanges) {
  const struct {
    std::string environment;  // of ZVL3.INI; "module:" for ZVL3DRV.DAT beside the module
    uint32_t lowest, highest;
    const char* prefix;
    uint32_t overlayLowest, overlayHighest;
  } rows[] = {
      {"", 1, 4096, "_F3", 0, 255}, {"EDITOR=notepad.exe\r\nF3GRP=1,200\r\nF3CMD=0,999\r\n", 1, 200, "_F3", 0, 255},
      {"GRP=0,9000\r\n", 1, 4096, "_", 0, 255}, {"F3GRP=50,10\r\nX3CMD=20,5\r\n", 50, 50, "_F3", 20, 20},
      {"A1GRP= 7 ,+9 forms\r\nA1CMD=3x,12\r\n", 7, 9, "_A1", 3, 12},  // as atol reads them
      {"A1GRP=abc,def\r\n", 1, 1, "_A1", 0, 255},
      {"A1GRP=-5,10\r\n", 0xFFFFFFFB, 0xFFFFFFFB, "_A1", 0, 255},  // compared unsigned
      {"F3CMD=\r\nX_CMD=10,20\r\nY_CMD=30,40\r\nB2GRP=\r\nC3GRP=5,6\r\nD4GRP=7,8\r\n", 5, 6, "_C3", 10, 20},
      {"B2GRP=\r\nf3grp=5,6\r\nF3Grp=5,6\r\n", 1, 4096, "_F3", 0, 255},  // the key text is matched with case
      {"F3GRP=300\r\nF3CMD=16\r\n", 300, 4096, "_F3", 16, 255},
      {"F3GRP=5000\r\nF3CMD=300\r\n", 5000, 5000, "_F3", 300, 300}, {"LASERGRP=1,10\r\n", 1, 10, "_LA", 0, 255},
      {"QGRP=1,10\r\n", 1, 10, "_Q", 0, 255}, {"module:M1GRP=2,3\r\nM1CMD=4,5\r\n", 2, 3, "_M1", 4, 5},
      {"EDITOR=notepad.exe\r\n", 1, 4096, "_F3", 0, 255},  // shadows the module's file
  };
  for (const auto& row : rows) {
    if (row.environment.rfind("module:", 0) == 0) {
      zvtest::RemoveFile(SystemPath("ZVL3.INI"));
      ASSERT_TRUE(WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), "[ENVIRONMENT]\r\n" + row.environment.substr(7)));
    } else if (!row.environment.empty()) {
      ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + row.environment));
    }
    uint32_t lowest = 0, highest = 0, overlayLowest = 77, overlayHighest = 77;
    char prefix[zv::kGroupFilePrefixSize] = "";
    zv::GetFormIdRange(&lowest, &highest, prefix);
    zv::GetOverlayNumberRange(&overlayLowest, &overlayHighest);
    EXPECT_EQ(std::vector<uint32_t>({lowest, highest, overlayLowest, overlayHighest}),
              std::vector<uint32_t>({row.lowest, row.highest, row.overlayLowest, row.overlayHighest}))
        << row.environment;
    EXPECT_STREQ(prefix, row.prefix) << row.environment;
    zv::GetFormIdRange(&lowest, &highest, nullptr);  // no prefix wanted
    EXPECT_EQ(highest, row.highest);
  }
  // Without working memory the defaults stand.
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3GRP=1,200\r\nF3CMD=5,6\r\n"));
  uint32_t lowest = 0, highest = 0;
  char prefix[zv::kGroupFilePrefixSize] = "";
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  zv::GetFormIdRange(&lowest, &highest, prefix);
  EXPECT_EQ(std::to_string(lowest) + "," + std::to_string(highest) + prefix, "1,4096_F3");
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  zv::GetOverlayNumberRange(&lowest, &highest);
  EXPECT_EQ(std::to_string(lowest) + "," + std::to_string(highest), "0,255");
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

}  // namespace
