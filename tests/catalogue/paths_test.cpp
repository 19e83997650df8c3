// The path rules shared by every part of the catalogue, at their edges.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/paths.h"
#include "support/sandbox.h"

namespace {

TEST(PathRulesTest, DirectoryFormDriveRootAndDirectoryOfFile) {
  const struct {
    const char* path;
    const char* directoryForm;
    const char* driveRoot;
    const char* directoryOf;
  } rows[] = {
      {"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\", "C:\\", "C:\\WINDOWS\\"}, {"C:\\", "C:\\", "C:\\", "C:\\"},
      {"C:\\FORMS\\", "C:\\FORMS\\", "C:\\", "C:\\FORMS\\"},
      {"\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE\\", "\\\\SERVER\\SHARE", "\\\\SERVER\\"},
      {"D:\\DATA\\JOBS", "D:\\DATA\\JOBS\\", "D:\\", "D:\\DATA\\"},
      {"FORMS\\NEW", "FORMS\\NEW\\", "FORMS\\NEW", "FORMS\\"}, {"C:", "C:", "C:", ""},
      {"FORMS", "FORMS", "FORMS", ""}, {"", "", "", ""},
  };
  for (const auto& row : rows) {
    zv::PathBuffer buffer;
    std::strcpy(buffer, row.path);
    EXPECT_TRUE(zv::ToDirectoryForm(buffer));
    EXPECT_STREQ(buffer, row.directoryForm) << row.path;
    std::strcpy(buffer, row.path);
    zv::CutToDriveRoot(buffer);
    EXPECT_STREQ(buffer, row.driveRoot) << row.path;
    std::strcpy(buffer, row.path);
    zv::DirectoryOfFile(buffer, buffer);  // in place
    EXPECT_STREQ(buffer, row.directoryOf) << row.path;
  }
}

TEST(PathRulesTest, NothingGrowsPastTheLongestPath) {
  zv::PathBuffer full;
  std::string longest = "C:\\" + std::string(plat::kMaxPath - 3, 'A');
  std::strcpy(full, longest.c_str());
  EXPECT_FALSE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::string(full), longest);
  longest.pop_back();
  std::strcpy(full, longest.c_str());
  EXPECT_TRUE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::strlen(full), plat::kMaxPath);

  zv::PathBuffer buffer = "C:\\";
  EXPECT_TRUE(zv::AppendPath(buffer, std::string(plat::kMaxPath - 3, 'x').c_str()));
  EXPECT_FALSE(zv::AppendPath(buffer, "y"));
  EXPECT_EQ(std::strlen(buffer), plat::kMaxPath);
  EXPECT_TRUE(zv::CopyPath(buffer, std::string(plat::kMaxPath, 'z').c_str()));
  EXPECT_FALSE(zv::CopyPath(buffer, std::string(plat::kMaxPath + 1, 'z').c_str()));
  EXPECT_STREQ(buffer, "");
}

class PathExistsTest : public zvtest::SandboxTest {};

TEST_F(PathExistsTest, FilesDirectoriesAndDriveRootsExist) {
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("FORM.ZLP"), "x"));
  const std::pair<std::string, bool> rows[] = {
      {Path("FORM.ZLP"), true}, {Path("form.zlp"), true}, {Path("OTHER.ZLP"), false},
      {Dir().substr(0, Dir().size() - 1), true}, {Dir().substr(0, 3), true}, {"Q:\\", false}};
  for (const auto& [path, exists] : rows) EXPECT_EQ(zv::PathExists(path.c_str()), exists) << path;
}

}  // namespace
