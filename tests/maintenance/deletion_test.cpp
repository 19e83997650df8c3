// Deleting forms, groups and overlay entries: list files and group info files compared byte for byte after
// each deletion, each file that must go or stay checked, and each refusal's code.
#include <gtest/gtest.h>

#include <algorithm>

#include "maintenance/deletion.h"
#include "maintenance/maintenance_fixture.h"
#include "platform/platform.h"

namespace {

using namespace zvtest;
const auto R = [](char fill) { return std::string(34, fill); };  // a record told apart by its fill
const std::string kWithHeader = Bytes().U32(319).Text("PAGE").str();
const std::string kRaw = "\x1DPAGE";

class DeletionTest : public MaintenanceTest {
 protected:
  void Write(const std::string& name, const std::string& b) { MaintenanceTest::Write(Path(name), b); }
  void ExpectOnDisk(const std::vector<std::string>& present, const std::vector<std::string>& gone) const {
    for (const std::string& name : present) EXPECT_TRUE(FileExists(Path(name))) << name;
    for (const std::string& name : gone) EXPECT_FALSE(FileExists(Path(name))) << name;
  }
};

TEST_F(DeletionTest, AFormGoesWithItsGroupAndItsGeneratedFiles) {
  WriteFormList(
      FormListFile({{1, "A", "", 1, 2}, {2, "B", "", 1, 0}, {3, "C", "", 2, 3}}, {{-1, "P", "", 1, 1}}, 1));
  // Form 1's group is a bare name in the list's directory; form 3's group info file is gone already; the file
  // entry names a raw file.
  WriteGroupList(GroupNameListFile({Path("_F3002.FGP"), Path("BILL.ZLC"), "_F3001.FGP", Path("_F3003.FGP")}));
  Write("_F3002.FGP", GroupInfoFile({{R('a'), 0}}, {"_F300200.ZLP"}));
  // Form 1's last entry names form 2's group info file, which stays.
  Write("_F3001.FGP", GroupInfoFile({{R('a'), 2}, {R('b'), 3}, {R('c'), 4}, {R('d'), 5}, {R('e'), 7}},
                                    {"DRV", "_F3001.ZL3", "_F300100.ZLP", "_F300101.ZLC", "_F300102.ZLP",
                                     "LOGO.ZLP", "_F3001.PBF", "_F3002.FGP"},
                                    0, 1, 6));
  for (const char* name : {"_F300100.ZLP", "_F300101.ZLC", "LOGO.ZLP", "_F300200.ZLP"})
    Write(name, kWithHeader);
  Write("_F3001.ZL3", "EDITED");
  Write("_F300102.ZLP", kRaw);
  Write("BILL.ZLC", kRaw);
  // Refused, every file as it was: no such form, a damaged group info file, a group index past the list.
  const std::string list = Read(GroupListPath()), group2 = Read(Path("_F3002.FGP"));
  const std::vector<std::string> files = {"_F3002.FGP", "_F300200.ZLP", "_F3001.FGP"};
  for (const auto& [id, group, groups] :
       {std::tuple{9, group2, list}, {2, group2 + "X", list}, {2, group2, GroupNameListFile({})}}) {
    Write("_F3002.FGP", group);
    WriteGroupList(groups);
    const std::string before = Snapshot(files);
    EXPECT_FALSE(zv::DeleteForm(id)) << id;
    EXPECT_EQ(zv::GetLastErrorCode(), 407u);
    EXPECT_EQ(Snapshot(files), before);
  }
  Write("_F3002.FGP", group2);
  WriteGroupList(list);
  zv::SetLastErrorCode(kUntouched);
  ASSERT_TRUE(zv::DeleteForm(-1));  // the last of its region: 290 bytes fewer
  EXPECT_EQ(Read(FormListPath()),
            FormListFile({{1, "A", "", 1, 1}, {2, "B", "", 1, 0}, {3, "C", "", 2, 2}}, {}, 1));
  ASSERT_TRUE(zv::DeleteForm(1));
  EXPECT_EQ(Read(FormListPath()), FormListFile({{2, "B", "", 1, 0}, {3, "C", "", 2, 1}}, {}, 1));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({Path("_F3002.FGP"), Path("_F3003.FGP")}));
  ExpectOnDisk({"BILL.ZLC", "_F300101.ZLC", "_F300102.ZLP", "LOGO.ZLP", "_F300200.ZLP", "_F3002.FGP"},
               {"_F3001.FGP", "_F3001.ZL3", "_F300100.ZLP"});
  ASSERT_TRUE(zv::DeleteForm(3));
  EXPECT_EQ(Read(FormListPath()), FormListFile({{2, "B", "", 1, 0}}, {}, 1));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({Path("_F3002.FGP")}));
  ASSERT_TRUE(zv::DeleteForm(2));
  EXPECT_EQ(Read(FormListPath()), FormListFile({}, {}, 1));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({}));
  ExpectOnDisk({"BILL.ZLC"}, {"_F3002.FGP", "_F300200.ZLP"});
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

TEST_F(DeletionTest, FlaggedOverlayEntriesGoWithTheirTextsAndTheirFilesWithAHeaderOrAllStays) {
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}, {27, "LETTER", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({Path("_F301A.FGP"), Dir()}));
  struct Row {
    int32_t id;
    std::string before;
    std::vector<std::string> files;  // on disk before, raw data when the name holds RAW
    std::vector<uint32_t> flags;
    std::string after;              // empty: refused with 408, every file as it was
    std::vector<std::string> gone;  // the other files stay
  };
  const std::vector<Row> rows = {
      // Removed names between texts that stay, all three slots naming texts that stay.
      {26,
       GroupInfoFile({{R('a'), 1}, {R('b'), 3}, {R('c'), 4}},
                     {"DRV", "_F301A00.ZLP", "_F301A.ZL3", "_F301A01.ZLP", "_F301A02.ZLC", "_F301A.PBF"}, 0,
                     2, 5),
       {"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLC"},
       {1, 0, 1},
       GroupInfoFile({{R('b'), 2}}, {"DRV", "_F301A.ZL3", "_F301A01.ZLP", "_F301A.PBF"}, 0, 1, 3),
       {"_F301A00.ZLP"}},
      // No underscore, raw data under .ZLP, no name, a file by its full path.
      {26,
       GroupInfoFile({{R('a'), 0}, {R('b'), 1}, {R('c'), -1}, {R('d'), 2}, {R('e'), 3}},
                     {"LOGO.ZLP", "_RAW.ZLP", Path("_ELSE.ZLP"), "KEEP.ZLP"}),
       {"LOGO.ZLP", "_RAW.ZLP", "_ELSE.ZLP", "KEEP.ZLP"},
       {1, 1, 1, 1, 0},
       GroupInfoFile({{R('e'), 0}}, {"KEEP.ZLP"}),
       {"LOGO.ZLP"}},
      // A name index past the table; a group that is still a directory.
      {26, GroupInfoFile({{R('a'), 1}}, {"_F301A00.ZLP"}), {"_F301A00.ZLP"}, {1}, "", {}},
      {27, GroupInfoFile({{R('a'), 0}}, {"_F301A00.ZLP"}), {"_F301A00.ZLP"}, {1}, "", {}},
      // The group gained an entry, or lost one, since the flags were set: which were meant is not known.
      {26,
       GroupInfoFile({{R('a'), 0}, {R('b'), 1}, {R('c'), 2}},
                     {"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP"}),
       {"_F301A00.ZLP", "_F301A01.ZLP", "_F301A02.ZLP"},
       {0, 1},
       "",
       {}},
      {26, GroupInfoFile({{R('a'), 0}}, {"_F301A00.ZLP"}), {"_F301A00.ZLP"}, {0, 1}, "", {}},
      // Names of the catalogue's own files: the entries go, the files stay.
      {26,
       GroupInfoFile({{R('a'), 0}, {R('b'), 1}, {R('c'), 2}}, {"ZVLMN3.FLT", "zvlmn3.glt", "_F301B.FGP"}),
       {},
       {1, 1, 1},
       GroupInfoFile({}, {}),
       {}},
  };
  const std::string other = GroupInfoFile({{R('z'), 0}}, {"_F301B00.ZLP"});
  Write("_F301B.FGP", other);
  const std::string lists = Snapshot({});
  for (const Row& r : rows) {
    Write("_F301A.FGP", r.before);
    for (const std::string& name : r.files)
      Write(name, name.find("RAW") == std::string::npos ? kWithHeader : kRaw);
    zv::SetLastErrorCode(kUntouched);
    // A tick past the count, as a dialog's flag block keeps from a longer list: it is never read.
    std::vector<uint32_t> flags = r.flags;
    flags.push_back(1);
    EXPECT_EQ(zv::DeleteOverlayEntries(r.id, flags.data(), static_cast<uint32_t>(r.flags.size())),
              !r.after.empty())
        << r.id;
    EXPECT_TRUE(!r.after.empty() || zv::GetLastErrorCode() == 408u) << r.id;
    EXPECT_EQ(Snapshot({"_F301A.FGP"}), lists + "|" + (r.after.empty() ? r.before : r.after));
    for (const std::string& name : r.files)
      EXPECT_EQ(FileExists(Path(name)), std::find(r.gone.begin(), r.gone.end(), name) == r.gone.end())
          << name;
  }
  EXPECT_EQ(Read(Path("_F301B.FGP")), other);
}

TEST_F(DeletionTest, TheEditedFileOfAFormsGroup) {
  WriteFormList(FormListFile({{26, "INVOICE", "Monthly", 2, 0},
                              {27, "LETTER", "", 1, 1},
                              {28, "MEMO", "", 1, 2},
                              {29, "NOTE", "", 1, 3}},
                             {{-1, "P", "", 1, 0}}));
  WriteGroupList(
      GroupNameListFile({"_F301A.FGP", Path("_F301B.FGP"), Path("_F301C.FGP"), Path("_F301D.FGP")}));
  Write("_F301A.FGP", GroupInfoFile({}, {"_f301a.zl3"}, -1, 0));
  Write("_F301B.FGP", GroupInfoFile({}, {"DRV"}, 0));
  Write("_F301C.FGP", GroupInfoFile({}, {"D:\\EDIT\\_X.ZL3"}, -1, 0));
  char description[256] = "", groupDir[261] = "", groupPath[261] = "", edited[261] = "";
  int32_t id = 0;
  uint16_t layer = 0;
  EXPECT_EQ(zv::GetFormEditedFile(26, nullptr, description, &id, &layer, groupDir, groupPath, edited), 0);
  using Got = std::tuple<std::string, int32_t, uint16_t, std::string, std::string, std::string>;
  EXPECT_EQ(Got(description, id, layer, groupDir + std::string("\\"), groupPath, edited),
            Got("Monthly", 26, 2, Dir(), Path("_F301A.FGP"), Upper(Path("_f301a.zl3"))));
  // By name, byte for byte; a name with a backslash is given as stored.
  EXPECT_EQ(zv::GetFormEditedFile(0, "MEMO", nullptr, &id, nullptr, nullptr, nullptr, edited), 0);
  EXPECT_EQ(std::pair(id, std::string(edited)), std::pair(28, std::string("D:\\EDIT\\_X.ZL3")));
  const auto find = [&](int32_t formId, const char* name) {
    return zv::GetFormEditedFile(formId, name, nullptr, nullptr, nullptr, nullptr, nullptr, edited);
  };
  // Other case, no edited file, a group info file gone, a file entry.
  const std::pair<int32_t, const char*> none[] = {
      {0, "memo"}, {0, "NEMO"}, {27, nullptr}, {29, nullptr}, {-1, nullptr}};
  for (const auto& [formId, name] : none) EXPECT_EQ(find(formId, name), -3) << formId;
  Write("_F301A.FGP", GroupInfoFile({}, {"_f301a.zl3"}, -1, 0) + "X");
  EXPECT_EQ(find(26, nullptr), -6);
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}}, {}) + "X");
  EXPECT_EQ(find(26, nullptr), -6);
  EXPECT_EQ(zv::GetLastErrorCode(), 403u);
  fault::FailNth(fault::kAlloc, 1);  // its own result for no working memory
  EXPECT_EQ(find(26, nullptr), -1);
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
}

#ifdef _WIN32
// Another program holds the group info file open, sharing writing (Windows lets a writer in beside it; the
// POSIX backend's writer excludes every other handle): its overlays go, and the file that cannot be deleted
// is left as an empty group that names nothing.
TEST_F(DeletionTest, AGroupThatCannotBeDeletedIsLeftEmpty) {
  Write("_F3001.FGP", GroupInfoFile({{R('a'), 0}}, {"_F300100.ZLP"}));
  Write("_F300100.ZLP", kWithHeader);
  const std::string group = Path("_F3001.FGP");
  plat::FileHandle held =
      plat::OpenFile(group.c_str(), plat::kAccessRead, plat::kShareReadWrite, plat::kOpenExisting);
  ASSERT_TRUE(held);
  EXPECT_TRUE(zv::DeleteGroupInfoFile(group.c_str()));
  plat::CloseFile(held);
  EXPECT_EQ(Read(group), GroupInfoFile({}, {}));
  ExpectOnDisk({}, {"_F300100.ZLP"});
}
#endif

}  // namespace
