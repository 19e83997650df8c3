// How the Linux backend places Windows paths and the system directory on the host: native only, as
// only this build has a drive map.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

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
    host_ = zvtest::HostPath(Dir());
    plat::posix::MapDrive('M', host_.c_str());
    ASSERT_EQ(0, mkdir(H("/Forms").c_str(), 0777) + mkdir(H("/Forms/Invoices").c_str(), 0777));
  }
  void TearDown() override {
    plat::posix::MapDrive('M', nullptr);
    plat::posix::MapDrive('Z', "/");
    plat::posix::SetDataDirectory(zvtest::DataDirectory().c_str());
    SandboxTest::TearDown();
  }
  static std::string Windows(const std::string& hostPath) {
    char out[plat::kPathBuffer];
    return plat::posix::ToWindowsPath(hostPath.c_str(), out, sizeof out) ? out : "(unmapped)";
  }
  std::string H(const char* rest) const { return host_ + rest; }
  std::string host_;
};

// Existing names are found in any case, new ones keep theirs; "." and ".." fold, ".." stopping at
// the root; Z: is the host root, as in Wine; relative and rooted paths start from the current
// directory (here M:\Forms); host paths go back through the deepest drive.
TEST_F(PathMappingTest, DrivesMapBothWaysAndUnmappablePathsAreRefused) {
  char saved[4096], cwd[plat::kPathBuffer];
  ASSERT_TRUE(getcwd(saved, sizeof saved) && chdir(H("/Forms").c_str()) == 0);
  const std::pair<std::string, std::string> rows[] = {
      {"M:\\", H("")},
      {"m:/forms/INVOICES/", H("/Forms/Invoices")},
      {"M:\\FORMS\\New\\LOGO.ZLP", H("/Forms/New/LOGO.ZLP")},
      {"M:\\FORMS\\.\\INVOICES\\..\\X.ZLP", H("/Forms/X.ZLP")},
      {"M:\\..\\..\\X.ZLP", H("/X.ZLP")},
      {"invoices\\A.ZLP", H("/Forms/Invoices/A.ZLP")},
      {"\\forms", H("/Forms")},
      {"Z:\\usr\\bin", "/usr/bin"},
      {"Q:\\FORMS", ""},
      {"\\\\SERVER\\SHARE\\FORMS", ""},
      {"M:\\" + std::string(plat::kMaxPath, 'A'), ""}};
  for (const auto& row : rows) EXPECT_EQ(row.second, zvtest::HostPath(row.first)) << row.first;
  ASSERT_GT(plat::GetWorkingDirectory(cwd, sizeof cwd), 0u);
  EXPECT_STREQ(cwd, "M:\\Forms");
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_EQ(plat::OpenFile("Q:\\X.DAT", plat::kAccessRead, plat::kShareRead, plat::kOpenAlways), nullptr);
  EXPECT_EQ(Windows(H("/Forms/Invoices")) + " " + Windows(H("")) + " " + Windows("/usr/bin"),
            "M:\\Forms\\Invoices M:\\ Z:\\usr\\bin");
  plat::posix::MapDrive('Z', nullptr);
  EXPECT_EQ(Windows("/usr/bin"), "(unmapped)");
}

// The system directory is in the data directory (made on first use) until set elsewhere.
TEST_F(PathMappingTest, SystemDirectoryIsInTheDataDirectoryUntilSetElsewhere) {
  plat::posix::SetDataDirectory(host_.c_str());
  char dir[plat::kPathBuffer];
  ASSERT_GT(plat::GetSystemDirectoryPath(dir, sizeof dir), 0u);
  EXPECT_STREQ(dir, "C:\\WINDOWS\\SYSTEM32");
  struct stat st;
  EXPECT_EQ(stat(H("/drive_c/WINDOWS/SYSTEM32").c_str(), &st), 0);
  plat::posix::SetSystemDirectory("M:\\FORMS");
  ASSERT_GT(plat::GetSystemDirectoryPath(dir, sizeof dir), 0u);
  EXPECT_STREQ(dir, "M:\\FORMS");
  plat::RegKey key = nullptr;  // an empty key name is refused here (Wine takes it)
  EXPECT_EQ(plat::CreateRegKey("Software\\\\Empty", &key), 87);
}

}  // namespace
