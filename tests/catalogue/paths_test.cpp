// The path rules shared by every part of the catalogue.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/paths.h"
#include "support/sandbox.h"

namespace {

std::string DirectoryForm(const char* path) {
  zv::PathBuffer buffer;
  std::strcpy(buffer, path);
  EXPECT_TRUE(zv::ToDirectoryForm(buffer));
  return buffer;
}

std::string DriveRoot(const char* path) {
  zv::PathBuffer buffer;
  std::strcpy(buffer, path);
  zv::CutToDriveRoot(buffer);
  return buffer;
}

std::string DirectoryOf(const char* path) {
  zv::PathBuffer buffer;
  zv::DirectoryOfFile(path, buffer);
  return buffer;
}

TEST(PathRulesTest, DirectoryFormAppendsOneBackslashWhereOneIsMissing) {
  EXPECT_EQ(DirectoryForm("C:\\WINDOWS\\SYSTEM"), "C:\\WINDOWS\\SYSTEM\\");
  EXPECT_EQ(DirectoryForm("C:\\"), "C:\\");
  EXPECT_EQ(DirectoryForm("C:\\FORMS\\"), "C:\\FORMS\\");
  EXPECT_EQ(DirectoryForm("\\\\SERVER\\SHARE"), "\\\\SERVER\\SHARE\\");
  // No backslash at all: not a path the rule touches.
  EXPECT_EQ(DirectoryForm("FORMS"), "FORMS");
  EXPECT_EQ(DirectoryForm(""), "");
}

TEST(PathRulesTest, DirectoryFormRefusesToOverflowAFullBuffer) {
  zv::PathBuffer full;
  std::string longest = "C:\\" + std::string(plat::kMaxPath - 3, 'A');
  std::strcpy(full, longest.c_str());
  EXPECT_FALSE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::string(full), longest);
  longest.pop_back();
  std::strcpy(full, longest.c_str());
  EXPECT_TRUE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::strlen(full), plat::kMaxPath);
}

TEST(PathRulesTest, DriveRootCutKeepsTheDriveAndNetworkPathsWhole) {
  EXPECT_EQ(DriveRoot("C:\\WORK\\FORMS"), "C:\\");
  EXPECT_EQ(DriveRoot("D:\\DATA\\JOBS"), "D:\\");
  EXPECT_EQ(DriveRoot("C:\\"), "C:\\");
  EXPECT_EQ(DriveRoot("C:"), "C:");
  EXPECT_EQ(DriveRoot("\\\\SERVER\\SHARE\\DIR"), "\\\\SERVER\\SHARE\\DIR");
  EXPECT_EQ(DriveRoot("FORMS\\NEW"), "FORMS\\NEW");
}

TEST(PathRulesTest, DirectoryOfAFileKeepsTheLastBackslash) {
  EXPECT_EQ(DirectoryOf("C:\\DRIVERS\\ZVLMN30E.DLL"), "C:\\DRIVERS\\");
  EXPECT_EQ(DirectoryOf("C:\\LOGO.ZLP"), "C:\\");
  EXPECT_EQ(DirectoryOf("LOGO.ZLP"), "");
  // In place.
  zv::PathBuffer buffer = "C:\\A\\B\\C.ZLP";
  zv::DirectoryOfFile(buffer, buffer);
  EXPECT_STREQ(buffer, "C:\\A\\B\\");
}

TEST(PathRulesTest, AppendingStopsAtTheLongestPath) {
  zv::PathBuffer buffer = "C:\\";
  EXPECT_TRUE(zv::AppendPath(buffer, std::string(plat::kMaxPath - 3, 'x').c_str()));
  EXPECT_FALSE(zv::AppendPath(buffer, "y"));
  EXPECT_EQ(std::strlen(buffer), plat::kMaxPath);
  EXPECT_FALSE(zv::CopyPath(buffer, std::string(plat::kMaxPath + 1, 'z').c_str()));
  EXPECT_STREQ(buffer, "");
}

class PathExistsTest : public zvtest::SandboxTest {};

TEST_F(PathExistsTest, FilesDirectoriesAndDriveRootsExist) {
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM.ZLP"), "x"));
  EXPECT_TRUE(zv::PathExists(Path("FORM.ZLP").c_str()));
  EXPECT_TRUE(zv::PathExists(Path("form.zlp").c_str()));
  EXPECT_FALSE(zv::PathExists(Path("OTHER.ZLP").c_str()));
  std::string dir = Dir();
  dir.pop_back();
  EXPECT_TRUE(zv::PathExists(dir.c_str()));
  // Three characters: a drive root, asked of the drive type.
  EXPECT_TRUE(zv::PathExists(Dir().substr(0, 3).c_str()));
  EXPECT_FALSE(zv::PathExists("Q:\\"));
}

}  // namespace
