// The path rules shared by every part of the catalogue, at their edges.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalogue/paths.h"
#include "platform/platform.h"

namespace {

TEST(PathRulesTest, DirectoryFormDriveRootAndDirectoryOfFile) {
  // Each path, then its directory form, drive root and directory (cut in place).
  const char* rows[][4] = {{"C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\SYSTEM\\", "C:\\", "C:\\WINDOWS\\"},
                           {"C:\\", "C:\\", "C:\\", "C:\\"},
                           {"\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE\\", "\\\\SERVER\\SHARE", "\\\\SERVER\\"},
                           {"FORMS\\NEW", "FORMS\\NEW\\", "FORMS\\NEW", "FORMS\\"},
                           {"C:", "C:", "C:", ""},
                           {"", "", "", ""}};
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
}

TEST(PathRulesTest, NothingGrowsPastTheLongestPath) {
  zv::PathBuffer full;
  const std::string longest = "C:\\" + std::string(plat::kMaxPath - 3, 'A');
  std::strcpy(full, longest.c_str());
  EXPECT_FALSE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::string(full), longest);
  std::strcpy(full, longest.substr(1).c_str());
  EXPECT_TRUE(zv::ToDirectoryForm(full));
  EXPECT_EQ(std::strlen(full), plat::kMaxPath);
  EXPECT_TRUE(zv::CopyPath(full, std::string(plat::kMaxPath, 'z').c_str()));
  EXPECT_FALSE(zv::AppendPath(full, "y"));
  EXPECT_FALSE(zv::CopyPath(full, std::string(plat::kMaxPath + 1, 'z').c_str()));
  EXPECT_STREQ(full, "");
}

}  // namespace
