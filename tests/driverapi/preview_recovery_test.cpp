// ZVPreviewForm and ZVErrorForm on group info files built and compared byte
// by byte.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

using zvtest::Bytes;
using zvtest::FileExists;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;
using zvtest::ReadWholeFile;
using zvtest::WriteWholeFile;

// A print settings record that only has to be told apart from the others.
std::string Record(char fill) {
  return std::string(34, fill);
}

using Entry = zvtest::GroupInfoEntry;  // record, file name string index

using zvtest::GroupInfoFile;

std::string Contents(const std::string& path) {
  std::string bytes;
  return ReadWholeFile(path, &bytes) ? bytes : "<missing>";
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

class PreviewRecoveryTest : public zvtest::CatalogueTest {
 protected:
  // Form 26 with its group info file, form 27 with only a save directory.
  void SetUp() override {
    CatalogueTest::SetUp();
    WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}, {27, "LETTER", "", 1, 1}}, {}));
    WriteGroupList(GroupNameListFile({GroupInfoPath(), Dir()}));
  }

  std::string GroupInfoPath() const { return Path("_F301A.FGP"); }

  void WriteGroup(const std::string& bytes) { ASSERT_TRUE(WriteWholeFile(GroupInfoPath(), bytes)); }
  void WriteOverlays(const std::vector<std::string>& names) {
    for (const std::string& name : names) ASSERT_TRUE(WriteWholeFile(Path(name), "HEADER AND PAGE"));
  }

  std::pair<int32_t, std::string> Preview(int32_t formId) {
    char path[ZV_PATH_BUFFER] = "untouched";
    const int32_t result = ZVPreviewForm(0xFFFFFFFF, formId, path);
    return {result, path};
  }
};

TEST_F(PreviewRecoveryTest, ThePreviewFileIsNamedOnceInThePreviewSlot) {
  WriteGroup(GroupInfoFile({{Record('a'), 1}}, {"DRV", "_F301A00.ZLP"}, 0));
  const std::string named =
      GroupInfoFile({{Record('a'), 1}}, {"DRV", "_F301A00.ZLP", "_F301A.PBF"}, 0, -1, 2);

  EXPECT_EQ(Preview(26), std::make_pair(1, Path("_F301A.PBF")));
  EXPECT_EQ(Contents(GroupInfoPath()), named);
  EXPECT_EQ(Preview(26), std::make_pair(1, Path("_F301A.PBF")));
  EXPECT_EQ(Contents(GroupInfoPath()), named);

  // No group info file yet, or no such form: no preview.
  EXPECT_EQ(Preview(27), std::make_pair(0, std::string("untouched")));
  EXPECT_EQ(Preview(28), std::make_pair(0, std::string("untouched")));
}

TEST_F(PreviewRecoveryTest, APathTheGroupDoesNotListChangesNothing) {
  const std::string group =
      GroupInfoFile({{Record('a'), 0}, {Record('b'), 1}}, {"_F301A00.ZLP", "_F301A01.ZLP"});
  WriteGroup(group);
  WriteOverlays({"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP"});

  EXPECT_EQ(ZVErrorForm(26, Path("_F301A02.ZLP").c_str()), 1);
  EXPECT_EQ(ZVErrorForm(26, Path("SUB\\_F301A00.ZLP").c_str()), 1);
  EXPECT_EQ(Contents(GroupInfoPath()), group);
  EXPECT_TRUE(FileExists(Path("_F301A00.ZLP")));
  EXPECT_TRUE(FileExists(Path("_F301A02.ZLP")));

  // A damaged group is not touched.
  WriteGroup(group + "X");
  EXPECT_EQ(ZVErrorForm(26, Path("_F301A00.ZLP").c_str()), 0);
  EXPECT_EQ(Contents(GroupInfoPath()), group + "X");
  EXPECT_TRUE(FileExists(Path("_F301A00.ZLP")));
}

TEST_F(PreviewRecoveryTest, TheOnlyOverlayTakesAnOtherwiseEmptyGroupWithIt) {
  WriteGroup(GroupInfoFile({{Record('a'), 0}}, {"_F301A00.ZLP"}));
  WriteOverlays({"_F301A00.ZLP"});
  EXPECT_EQ(ZVErrorForm(26, Path("_F301A00.ZLP").c_str()), 1);
  EXPECT_FALSE(FileExists(Path("_F301A00.ZLP")));
  EXPECT_FALSE(FileExists(GroupInfoPath()));

  // A group that names its preview file stays, without entries.
  WriteGroup(GroupInfoFile({{Record('a'), 1}}, {"_F301A.PBF", "_F301A00.ZLP"}, -1, -1, 0));
  WriteOverlays({"_F301A00.ZLP"});
  EXPECT_EQ(ZVErrorForm(26, Path("_F301A00.ZLP").c_str()), 1);
  EXPECT_FALSE(FileExists(Path("_F301A00.ZLP")));
  EXPECT_EQ(Contents(GroupInfoPath()), GroupInfoFile({}, {"_F301A.PBF"}, -1, -1, 0));
}

TEST_F(PreviewRecoveryTest, OneOfThreeOverlaysLeavesTwoEntriesAndOneTextFewer) {
  // The removed name (string 2) lies between texts that stay, and the
  // header's preview index (4) lies above it.
  WriteGroup(GroupInfoFile({{Record('a'), 1}, {Record('b'), 2}, {Record('c'), 3}},
                           {"DRV", "_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP", "_F301A.PBF"}, 0, -1, 4));
  WriteOverlays({"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP"});

  // Paths compare without regard to case.
  EXPECT_EQ(ZVErrorForm(26, Lower(Path("_F301A01.ZLP")).c_str()), 1);
  EXPECT_FALSE(FileExists(Path("_F301A01.ZLP")));
  EXPECT_TRUE(FileExists(Path("_F301A00.ZLP")));
  EXPECT_TRUE(FileExists(Path("_F301A02.ZLP")));
  EXPECT_EQ(Contents(GroupInfoPath()),
            GroupInfoFile({{Record('a'), 1}, {Record('c'), 2}},
                          {"DRV", "_F301A00.ZLP", "_F301A02.ZLP", "_F301A.PBF"}, 0, -1, 3));
}

TEST_F(PreviewRecoveryTest, AFileEntryOnlyLosesItsFile) {
  WriteOverlays({"LOOSE.ZLP"});
  const std::string list = Contents(FormListPath());
  EXPECT_EQ(ZVErrorForm(-5, Path("LOOSE.ZLP").c_str()), 1);
  EXPECT_FALSE(FileExists(Path("LOOSE.ZLP")));
  EXPECT_EQ(ZVErrorForm(-5, Path("LOOSE.ZLP").c_str()), 1);
  EXPECT_EQ(Contents(FormListPath()), list);
}

}  // namespace
