// How the Linux backend places Windows paths on the host: only this build
// has a drive map, so these tests run natively only.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "support/sandbox.h"
#include "support/system_dir.h"

namespace {

class PathMappingTest : public zvtest::SandboxTest {
 protected:
  void SetUp() override {
    SandboxTest::SetUp();
    ASSERT_TRUE(plat::posix::ToHostPath(Dir().c_str(), host_, sizeof host_));
    plat::posix::MapDrive('M', host_);
    mkdir((std::string(host_) + "/Forms").c_str(), 0777);
    mkdir((std::string(host_) + "/Forms/Invoices").c_str(), 0777);
  }
  void TearDown() override {
    plat::posix::MapDrive('M', nullptr);
    plat::posix::SetDataDirectory(zvtest::DataDirectory().c_str());
    SandboxTest::TearDown();
  }
  std::string Host(const char* windowsPath) {
    char out[4096];
    if (!plat::posix::ToHostPath(windowsPath, out, sizeof out)) return "(unmapped)";
    return out;
  }
  std::string Windows(const std::string& hostPath) {
    char out[plat::kPathBuffer];
    if (!plat::posix::ToWindowsPath(hostPath.c_str(), out, sizeof out)) return "(unmapped)";
    return out;
  }
  std::string H(const char* rest) { return std::string(host_) + rest; }

  char host_[4096];
};

// Existing names are found in any case, new ones keep theirs; "." and ".."
// fold, ".." stopping at the drive's root; Z: is the host root, as in Wine.
TEST_F(PathMappingTest, DrivesMapOntoTheirDirectoriesAndUnmappablePathsAreRefused) {
  const std::pair<std::string, std::string> rows[] = {
      {"M:\\", H("")},
      {"M:\\FORMS\\invoices", H("/Forms/Invoices")},
      {"m:/forms/INVOICES/", H("/Forms/Invoices")},
      {"M:\\FORMS\\New\\LOGO.ZLP", H("/Forms/New/LOGO.ZLP")},
      {"M:\\FORMS\\.\\INVOICES\\..\\X.ZLP", H("/Forms/X.ZLP")},
      {"M:\\..\\..\\X.ZLP", H("/X.ZLP")},
      {"Z:\\usr\\bin", "/usr/bin"},
      {"Q:\\FORMS", "(unmapped)"},
      {"\\\\SERVER\\SHARE\\FORMS", "(unmapped)"},
      {"M:\\" + std::string(plat::kMaxPath, 'A'), "(unmapped)"}};
  for (const auto& row : rows) EXPECT_EQ(row.second, Host(row.first.c_str())) << row.first;
  EXPECT_EQ(plat::OpenFile("Q:\\X.DAT", plat::kAccessRead, plat::kShareRead, plat::kOpenAlways), nullptr);
}

TEST_F(PathMappingTest, RelativeAndRootedPathsStartFromTheCurrentDirectory) {
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(H("/Forms").c_str()), 0);
  EXPECT_EQ(Host("invoices\\A.ZLP"), H("/Forms/Invoices/A.ZLP"));
  // Rooted without a drive: the root of the current directory's drive (M:).
  EXPECT_EQ(Host("\\forms"), H("/Forms"));
  char cwd[plat::kPathBuffer];
  ASSERT_GT(plat::GetCurrentDirectory(cwd, sizeof cwd), 0u);
  EXPECT_STREQ(cwd, "M:\\Forms");
  ASSERT_EQ(chdir(saved), 0);
}

TEST_F(PathMappingTest, HostPathsGoBackThroughTheDeepestDrive) {
  EXPECT_EQ(Windows(H("/Forms/Invoices")), "M:\\Forms\\Invoices");
  EXPECT_EQ(Windows(H("")), "M:\\");
  EXPECT_EQ(Windows("/usr/bin"), "Z:\\usr\\bin");
  plat::posix::MapDrive('Z', nullptr);
  EXPECT_EQ(Windows("/usr/bin"), "(unmapped)");
  plat::posix::MapDrive('Z', "/");
}

TEST_F(PathMappingTest, TheSystemDirectoryLivesInTheDataDirectoryUntilSetElsewhere) {
  plat::posix::SetDataDirectory(host_);
  char dir[plat::kPathBuffer];
  ASSERT_GT(plat::GetSystemDirectory(dir, sizeof dir), 0u);
  EXPECT_STREQ(dir, "C:\\WINDOWS\\SYSTEM32");
  struct stat st;
  EXPECT_EQ(stat(H("/drive_c/WINDOWS/SYSTEM32").c_str(), &st), 0);  // made on first use

  plat::posix::SetSystemDirectory("M:\\FORMS");
  ASSERT_GT(plat::GetSystemDirectory(dir, sizeof dir), 0u);
  EXPECT_STREQ(dir, "M:\\FORMS");
}

TEST_F(PathMappingTest, TheRegistryKeepsOddNamesApart) {
  plat::posix::SetRegistryDirectory(H("/registry").c_str());
  plat::RegKey key = nullptr;
  ASSERT_EQ(plat::RegCreateKey("Software\\A b%c", &key), plat::kRegSuccess);
  ASSERT_EQ(plat::RegSetValue(key, "x/y", plat::kRegSz, "1", 2), plat::kRegSuccess);
  ASSERT_EQ(plat::RegSetValue(key, "x.y", plat::kRegSz, "2", 2), plat::kRegSuccess);
  ASSERT_EQ(plat::RegSetValue(key, "", plat::kRegSz, "default", 8), plat::kRegSuccess);
  char value[16];
  uint32_t size = sizeof value;
  ASSERT_EQ(plat::RegQueryValue(key, "X/Y", nullptr, value, &size), plat::kRegSuccess);
  EXPECT_STREQ(value, "1");
  size = sizeof value;
  ASSERT_EQ(plat::RegQueryValue(key, "x.y", nullptr, value, &size), plat::kRegSuccess);
  EXPECT_STREQ(value, "2");
  size = sizeof value;
  ASSERT_EQ(plat::RegQueryValue(key, nullptr, nullptr, value, &size), plat::kRegSuccess);
  EXPECT_STREQ(value, "default");
  plat::RegCloseKey(key);
  EXPECT_EQ(plat::RegDeleteKey("software\\a B%C"), plat::kRegSuccess);
  EXPECT_EQ(plat::RegCreateKey("Software\\\\Empty", &key), 87);  // an empty key name
}

TEST_F(PathMappingTest, MessageBoxesAreRecordedAndAnsweredWithTheDefaultButton) {
  plat::posix::ClearRecordedMessageBoxes();
  int owner = 0;
  EXPECT_EQ(plat::MessageBox(&owner, "Delete?", "Overlay", 36), 6);    // MB_YESNO: Yes
  EXPECT_EQ(plat::MessageBox(nullptr, "Delete?", "Overlay", 292), 7);  // MB_DEFBUTTON2: No
  EXPECT_EQ(plat::MessageBox(nullptr, "Stop", "Overlay", 16), 1);
  const auto& boxes = plat::posix::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].owner, &owner);
  EXPECT_EQ(boxes[0].text, "Delete?");
  EXPECT_EQ(boxes[0].caption, "Overlay");
  EXPECT_EQ(boxes[0].style, 36u);
  plat::posix::ClearRecordedMessageBoxes();
  EXPECT_TRUE(plat::posix::RecordedMessageBoxes().empty());
}

}  // namespace
