// The catalogue configuration file and the driver's ranges, on the real
// profile functions under Wine and on the emulation natively.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

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

  std::string ConfigPath() const {
    return SystemPath("ZVLMN3.DAT");
  }
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

// ---------------------------------------------------------------------------
// Creating the configuration file

TEST_F(CatalogueConfigTest, FirstUseWritesTheDefaults) {
  MakeDirectory(Path("DATA"));
  MakeDirectory(Path("DATA\\JOBS"));
  CurrentDirectory cwd(Path("DATA\\JOBS"));

  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_EQ(Value("ENVIRONMENT", "CURRENTDIR"), Dir().substr(0, 3));
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "DEFAULT");
  EXPECT_EQ(Value("DEFAULT", "FormName"), SystemPath("ZVLMN3.FLT"));
  EXPECT_EQ(Value("DEFAULT", "GroupName"), SystemPath("ZVLMN3.GLT"));

  // A second call finds the file and changes nothing.
  const std::string before = Contents(ConfigPath());
  ASSERT_TRUE(WriteWholeFile(ConfigPath(), before + "; edited by hand\r\n"));
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Contents(ConfigPath()), before + "; edited by hand\r\n");
}

TEST_F(CatalogueConfigTest, ListPathsCreateTheFileWhenItIsMissing) {
  char formList[plat::kPathBuffer] = "";
  char groupList[plat::kPathBuffer] = "";
  ASSERT_TRUE(zv::GetListFilePaths(formList, groupList));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(std::string(formList), SystemPath("ZVLMN3.FLT"));
  EXPECT_EQ(std::string(groupList), SystemPath("ZVLMN3.GLT"));
  EXPECT_TRUE(zvtest::FileExists(ConfigPath()));
}

TEST_F(CatalogueConfigTest, TheSeedIsCopiedByteForByteWithNormalAttributes) {
  const std::string seed =
      "; installed by the driver\r\n[ENVIRONMENT]\r\nUSER = SITE\r\nCURRENTDIR=C:\\FORMS\r\n\r\n"
      "[SITE]\r\nFormName=C:\\FORMS\\SITE.FLT\r\nGroupName=C:\\FORMS\\SITE.GLT";
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), seed));
  ASSERT_TRUE(plat::SetAttributesReadOnly(SystemPath("ZVLMN3.INI").c_str()));

  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Contents(ConfigPath()), seed);
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  plat::FileHandle writer =
      plat::OpenFile(ConfigPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  EXPECT_NE(writer, nullptr) << "the copy must not be read-only";
  plat::CloseFile(writer);

  char formList[plat::kPathBuffer] = "";
  char groupList[plat::kPathBuffer] = "";
  ASSERT_TRUE(zv::GetListFilePaths(formList, groupList));
  EXPECT_STREQ(formList, "C:\\FORMS\\SITE.FLT");
  EXPECT_STREQ(groupList, "C:\\FORMS\\SITE.GLT");
  plat::SetAttributesNormal(SystemPath("ZVLMN3.INI").c_str());
}

#ifndef _WIN32
// Windows NT 3 and 4 copy with the system's copy; the result is the same.
TEST_F(CatalogueConfigTest, TheSeedIsCopiedTheSameWayOnWindowsNt4) {
  plat::posix::SetVersion(true, 2, 4);
  const std::string seed = "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=A\r\nGroupName=B\r\n";
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), seed));
  ASSERT_TRUE(plat::SetAttributesReadOnly(SystemPath("ZVLMN3.INI").c_str()));
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Contents(ConfigPath()), seed);
  plat::FileHandle writer =
      plat::OpenFile(ConfigPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  EXPECT_NE(writer, nullptr);
  plat::CloseFile(writer);
}

TEST_F(CatalogueConfigTest, ASystemDirectoryAtADriveRootGivesNoDoubledBackslash) {
  plat::posix::SetSystemDirectory("C:\\");
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_TRUE(zvtest::FileExists("C:\\ZVLMN3.DAT"));
  char buffer[plat::kPathBuffer] = "";
  plat::GetProfileString("DEFAULT", "FormName", "", buffer, sizeof buffer, "C:\\ZVLMN3.DAT");
  EXPECT_STREQ(buffer, "C:\\ZVLMN3.FLT");
  zvtest::RemoveFile("C:\\ZVLMN3.DAT");
}

TEST_F(CatalogueConfigTest, TheCurrentDirectoryIsStoredAsItsDriveRoot) {
  MakeDirectory("D:\\DATA");
  MakeDirectory("D:\\DATA\\JOBS");
  CurrentDirectory cwd("D:\\DATA\\JOBS");
  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Value("ENVIRONMENT", "CURRENTDIR"), "D:\\");
}
#endif

TEST_F(CatalogueConfigTest, AFailedSeedCopySetsNoCode) {
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
  // Another process is writing the seed: it cannot be read.
  zvtest::FileHolder holder(SystemPath("ZVLMN3.INI"), plat::kAccessReadWrite, plat::kShareNone);
  ASSERT_TRUE(holder.Opened());
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));

  char formList[plat::kPathBuffer] = "";
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

// ---------------------------------------------------------------------------
// Reading the list file paths

TEST_F(CatalogueConfigTest, TheUserValueNamesTheProfileSection) {
  ASSERT_TRUE(WriteWholeFile(
      ConfigPath(),
      "[ENVIRONMENT]\r\nUSER=Accounts\r\n"
      "[DEFAULT]\r\nFormName=C:\\DEFAULT.FLT\r\nGroupName=C:\\DEFAULT.GLT\r\n"
      "[ACCOUNTS]\r\nformname=  C:\\ACC\\FORMS.FLT  \r\nGROUPNAME=\"C:\\ACC\\GROUPS.GLT\"\r\n"));
  char formList[plat::kPathBuffer] = "";
  char groupList[plat::kPathBuffer] = "";
  ASSERT_TRUE(zv::GetListFilePaths(formList, groupList));
  EXPECT_STREQ(formList, "C:\\ACC\\FORMS.FLT");
  EXPECT_STREQ(groupList, "C:\\ACC\\GROUPS.GLT");
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

TEST_F(CatalogueConfigTest, AMissingGroupNameFailsOnlyWhenItIsAskedFor) {
  const std::string config = "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n";
  ASSERT_TRUE(WriteWholeFile(ConfigPath(), config));
  char formList[plat::kPathBuffer] = "";
  char groupList[plat::kPathBuffer] = "";
  ASSERT_TRUE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_STREQ(formList, "C:\\F.FLT");
  EXPECT_FALSE(zv::GetListFilePaths(formList, groupList));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(Contents(ConfigPath()), config);  // not repaired
}

TEST_F(CatalogueConfigTest, AFileWithoutUsableUserFailsWithoutRepair) {
  char formList[plat::kPathBuffer] = "";
  for (const std::string config : {"[ENVIRONMENT]\r\nCURRENTDIR=C:\\\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n",
                                   "[ENVIRONMENT]\r\nUSER=\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n",
                                   "[ENVIRONMENT]\r\nUSER=NOWHERE\r\n[DEFAULT]\r\nFormName=C:\\F.FLT\r\n"}) {
    ASSERT_TRUE(WriteWholeFile(ConfigPath(), config));
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr)) << config;
    EXPECT_EQ(zv::GetLastErrorCode(), 0u);
    EXPECT_EQ(Contents(ConfigPath()), config);
  }
}

TEST_F(CatalogueConfigTest, StoringTheDirectoryFirstLeavesAFileTheListsCannotUse) {
  ASSERT_NE(zv::SetCurrentDirSetting("C:\\FORMS"), 0);
  const std::string written = Contents(ConfigPath());
  EXPECT_EQ(Value("ENVIRONMENT", "CURRENTDIR"), "C:\\FORMS");
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "(missing)");

  char formList[plat::kPathBuffer] = "";
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(Contents(ConfigPath()), written);
}

// ---------------------------------------------------------------------------
// The user's directory

TEST_F(CatalogueConfigTest, TheStoredDirectoryIsGivenBackElseTheCurrentDriveRoot) {
  char dir[plat::kPathBuffer] = "";
  EXPECT_FALSE(zv::GetCurrentDirSetting(dir));
  char cwd[plat::kPathBuffer] = "";
  plat::GetCurrentDirectory(cwd, sizeof cwd);
  EXPECT_EQ(std::string(dir), std::string(cwd).substr(0, 3));
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));  // only read

  ASSERT_TRUE(zv::EnsureCatalogueConfiguration());
  ASSERT_NE(zv::SetCurrentDirSetting("E:\\OVERLAYS\\2024"), 0);
  EXPECT_TRUE(zv::GetCurrentDirSetting(dir));
  EXPECT_STREQ(dir, "E:\\OVERLAYS\\2024");
  ASSERT_NE(zv::SetCurrentDirSetting("C:\\"), 0);
  EXPECT_TRUE(zv::GetCurrentDirSetting(dir));
  EXPECT_STREQ(dir, "C:\\");

  ASSERT_NE(zv::SetCurrentDirSetting(""), 0);
  EXPECT_FALSE(zv::GetCurrentDirSetting(dir));
  EXPECT_EQ(std::string(dir), std::string(cwd).substr(0, 3));
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "DEFAULT");  // the rest stays
}

// ---------------------------------------------------------------------------
// Working memory

TEST_F(CatalogueConfigTest, EveryOperationReportsMissingWorkingMemory) {
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));

  zv::SetLastErrorCode(kUntouched);
  char formList[plat::kPathBuffer] = "";
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  // The configuration file is needed, and Ensure's own block fails.
  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kAlloc, 2);
  EXPECT_FALSE(zv::GetListFilePaths(formList, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);

  zv::SetLastErrorCode(kUntouched);
  char dir[plat::kPathBuffer] = "untouched";
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::GetCurrentDirSetting(dir));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_STREQ(dir, "untouched");

  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(zv::SetCurrentDirSetting("C:\\"), 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));
}

TEST_F(CatalogueConfigTest, TheSeedPathNeedsASecondBlock) {
  ASSERT_TRUE(WriteWholeFile(SystemPath("ZVLMN3.INI"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
  plat::fault::FailNth(plat::fault::kAlloc, 2);
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));

  // The copy's own buffer failing is a failed copy: no code.
  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kAlloc, 3);
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));
}

// ---------------------------------------------------------------------------
// Failing writes of the defaults

TEST_F(CatalogueConfigTest, AFailedListPathWriteRemovesTheHalfMadeFile) {
  for (uint32_t failing : {3u, 4u}) {
    zv::SetLastErrorCode(kUntouched);
    plat::fault::FailNth(plat::fault::kProfileWrite, failing);
    EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
    EXPECT_EQ(zv::GetLastErrorCode(), 400u);
    EXPECT_FALSE(zvtest::FileExists(ConfigPath())) << "write " << failing;
  }
  // The next call starts again from the beginning.
  plat::fault::Reset();
  EXPECT_TRUE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(Value("DEFAULT", "GroupName"), SystemPath("ZVLMN3.GLT"));
}

TEST_F(CatalogueConfigTest, AFailedEnvironmentWriteKeepsWhatWasWritten) {
  plat::fault::FailNth(plat::fault::kProfileWrite, 1);
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), 400u);
  EXPECT_FALSE(zvtest::FileExists(ConfigPath()));

  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kProfileWrite, 2);
  EXPECT_FALSE(zv::EnsureCatalogueConfiguration());
  EXPECT_EQ(zv::GetLastErrorCode(), 400u);
  ASSERT_TRUE(zvtest::FileExists(ConfigPath()));
  EXPECT_NE(Value("ENVIRONMENT", "CURRENTDIR"), "(missing)");
  EXPECT_EQ(Value("ENVIRONMENT", "USER"), "(missing)");
}

// ---------------------------------------------------------------------------
// The driver's ranges

class DriverRangesTest : public CatalogueConfigTest {
 protected:
  void WriteDriverConfig(const std::string& environment) {
    ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + environment));
  }
  struct FormIds {
    uint32_t lowest;
    uint32_t highest;
    std::string prefix;
  };
  FormIds Ids() {
    FormIds ids{0, 0, ""};
    char prefix[zv::kGroupFilePrefixSize] = "";
    zv::GetFormIdRange(&ids.lowest, &ids.highest, prefix);
    ids.prefix = prefix;
    return ids;
  }
  std::pair<uint32_t, uint32_t> OverlayNumbers() {
    uint32_t lowest = 77, highest = 77;
    zv::GetOverlayNumberRange(&lowest, &highest);
    return {lowest, highest};
  }
};

#define EXPECT_IDS(ids, low, high, pre) \
  do {                                  \
    const auto got = (ids);             \
    EXPECT_EQ(got.lowest, low);         \
    EXPECT_EQ(got.highest, high);       \
    EXPECT_EQ(got.prefix, pre);         \
  } while (0)

TEST_F(DriverRangesTest, WithoutADriverFileTheDefaultsStand) {
  EXPECT_IDS(Ids(), 1u, 4096u, "_F3");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(0u, 255u));
  uint32_t lowest = 0, highest = 0;
  zv::GetFormIdRange(&lowest, &highest, nullptr);  // no prefix wanted
  EXPECT_EQ(lowest, 1u);
  EXPECT_EQ(highest, 4096u);
}

TEST_F(DriverRangesTest, RangesAreReadAndClamped) {
  WriteDriverConfig("EDITOR=notepad.exe\r\nF3GRP=1,200\r\nF3CMD=0,999\r\n");
  EXPECT_IDS(Ids(), 1u, 200u, "_F3");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(0u, 255u));

  WriteDriverConfig("GRP=0,9000\r\n");
  EXPECT_IDS(Ids(), 1u, 4096u, "_");
  WriteDriverConfig("F3GRP=50,10\r\nX3CMD=20,5\r\n");
  EXPECT_IDS(Ids(), 50u, 50u, "_F3");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(20u, 20u));

  // Blanks, signs and trailing text as atol reads them.
  WriteDriverConfig("A1GRP= 7 ,+9 forms\r\nA1CMD=3x,12\r\n");
  EXPECT_IDS(Ids(), 7u, 9u, "_A1");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(3u, 12u));
  WriteDriverConfig("A1GRP=abc,def\r\n");
  EXPECT_IDS(Ids(), 1u, 1u, "_A1");
  // The comparisons are unsigned: a negative lowest is a huge one.
  WriteDriverConfig("A1GRP=-5,10\r\n");
  EXPECT_IDS(Ids(), 0xFFFFFFFBu, 0xFFFFFFFBu, "_A1");
}

TEST_F(DriverRangesTest, TheFirstKeyWithAValueWins) {
  WriteDriverConfig("F3CMD=\r\nX_CMD=10,20\r\nY_CMD=30,40\r\nB2GRP=\r\nC3GRP=5,6\r\nD4GRP=7,8\r\n");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(10u, 20u));
  // The prefix comes from the key that was used, not from a passed-over one.
  EXPECT_IDS(Ids(), 5u, 6u, "_C3");

  WriteDriverConfig("B2GRP=\r\nf3grp=5,6\r\nF3Grp=5,6\r\n");  // the text is matched with case
  EXPECT_IDS(Ids(), 1u, 4096u, "_F3");
}

TEST_F(DriverRangesTest, AValueWithoutACommaGivesTheLowestOnly) {
  WriteDriverConfig("F3GRP=300\r\nF3CMD=16\r\n");
  EXPECT_IDS(Ids(), 300u, 4096u, "_F3");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(16u, 255u));
  WriteDriverConfig("F3GRP=5000\r\nF3CMD=300\r\n");
  EXPECT_IDS(Ids(), 5000u, 5000u, "_F3");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(300u, 300u));
}

TEST_F(DriverRangesTest, ALongPrefixIsCutToThreeCharacters) {
  WriteDriverConfig("LASERGRP=1,10\r\n");
  EXPECT_IDS(Ids(), 1u, 10u, "_LA");
  WriteDriverConfig("QGRP=1,10\r\n");
  EXPECT_IDS(Ids(), 1u, 10u, "_Q");
}

TEST_F(DriverRangesTest, TheSystemDirectoryFileShadowsTheOneBesideTheModule) {
  ASSERT_TRUE(WriteWholeFile(ModuleDirPath("ZVL3DRV.DAT"), "[ENVIRONMENT]\r\nM1GRP=2,3\r\nM1CMD=4,5\r\n"));
  EXPECT_IDS(Ids(), 2u, 3u, "_M1");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(4u, 5u));

  WriteDriverConfig("EDITOR=notepad.exe\r\n");  // no range key at all
  EXPECT_IDS(Ids(), 1u, 4096u, "_F3");
  EXPECT_EQ(OverlayNumbers(), std::make_pair(0u, 255u));
}

TEST_F(DriverRangesTest, WithoutWorkingMemoryTheDefaultsStand) {
  WriteDriverConfig("F3GRP=1,200\r\nF3CMD=5,6\r\n");
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_IDS(Ids(), 1u, 4096u, "_F3");
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(OverlayNumbers(), std::make_pair(0u, 255u));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

}  // namespace
