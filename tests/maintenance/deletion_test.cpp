// Deleting forms and overlay entries: the list files and group info files are
// built byte by byte and compared byte for byte after each deletion, and the
// files that leave the disk are checked one by one.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "catalogue/group_name_list.h"
#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using zvtest::Bytes;
using zvtest::FileExists;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupNameListFile;

constexpr uint32_t kUntouched = 0xDEADBEEF;

// A print settings record that only has to be told apart from the others.
std::string Record(char fill) {
  return std::string(34, fill);
}

using Entry = zvtest::GroupInfoEntry;  // record, file name string index

using zvtest::GroupInfoFile;

// Overlay data with a header, and raw printer data.
const std::string kWithHeader = Bytes().U32(319).Text("PAGE").str();
const std::string kRaw = std::string("\x1D") + "PAGE";

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

class DeletionTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), bytes)) << name;
  }
  std::string Contents(const std::string& path) const {
    std::string bytes;
    return zvtest::ReadWholeFile(path, &bytes) ? bytes : "<missing>";
  }
  // The contents of the list files and of the named files in the directory.
  std::vector<std::string> Snapshot(const std::vector<std::string>& names) const {
    std::vector<std::string> all{Contents(FormListPath()), Contents(GroupListPath())};
    for (const std::string& name : names) all.push_back(Contents(Path(name)));
    return all;
  }
  void ExpectOnDisk(const std::vector<std::string>& present, const std::vector<std::string>& gone) const {
    for (const std::string& name : present) EXPECT_TRUE(FileExists(Path(name))) << name;
    for (const std::string& name : gone) EXPECT_FALSE(FileExists(Path(name))) << name;
  }
};

// ---------------------------------------------------------------------------
// DeleteForm

TEST_F(DeletionTest, TheLastFormOfARegionLeavesAFile290BytesShorter) {
  const FormSpec invoice{1, "INVOICE", "Monthly", 1, 0};
  const FormSpec letter{2, "LETTER", "", 2, 1};
  const FormSpec entry{-1, "P", "", 1, 2};
  const std::string formList = FormListFile({invoice, letter}, {entry}, 1);
  WriteFormList(formList);
  // A save directory, a group info file by its full path, a raw overlay.
  WriteGroupList(GroupNameListFile({Dir(), Path("_F3002.FGP"), Path("BILL.ZLC")}));
  Write("_F3002.FGP", GroupInfoFile({{Record('a'), 0}}, {"_F300200.ZLP"}));
  Write("_F300200.ZLP", kWithHeader);
  Write("BILL.ZLC", kRaw);

  ASSERT_TRUE(zv::DeleteForm(-1));
  EXPECT_EQ(Contents(FormListPath()), FormListFile({invoice, letter}, {}, 1));
  EXPECT_EQ(Contents(FormListPath()).size(), formList.size() - 290);
  EXPECT_EQ(Contents(GroupListPath()), GroupNameListFile({Dir(), Path("_F3002.FGP")}));
  ExpectOnDisk({"BILL.ZLC", "_F3002.FGP", "_F300200.ZLP"}, {});

  ASSERT_TRUE(zv::DeleteForm(2));
  EXPECT_EQ(Contents(FormListPath()), FormListFile({invoice}, {}, 1));
  EXPECT_EQ(Contents(GroupListPath()), GroupNameListFile({Dir()}));
  ExpectOnDisk({"BILL.ZLC"}, {"_F3002.FGP", "_F300200.ZLP"});
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

TEST_F(DeletionTest, AFormTakesItsGeneratedFilesAndLowersTheGroupIndexesAbove) {
  WriteFormList(
      FormListFile({{1, "A", "", 1, 2}, {2, "B", "", 1, 0}, {3, "C", "", 2, 3}}, {{-1, "P", "", 1, 1}}));
  // Form 1's group is a bare name in the list file's directory; form 3's
  // group info file is gone already.
  WriteGroupList(GroupNameListFile({Dir(), "12", "_F3001.FGP", Path("_F3003.FGP")}));
  Write("_F3001.FGP", GroupInfoFile({{Record('a'), 2}, {Record('b'), 3}, {Record('c'), 4}, {Record('d'), 5}},
                                    {"DRV", "_F3001.ZL3", "_F300100.ZLP", "_F300101.ZLC", "_F300102.ZLP",
                                     "LOGO.ZLP", "_F3001.PBF"},
                                    0, 1, 6));
  Write("_F3001.ZL3", "EDITED");
  Write("_F300100.ZLP", kWithHeader);
  Write("_F300101.ZLC", kWithHeader);
  Write("_F300102.ZLP", kRaw);
  Write("LOGO.ZLP", kWithHeader);
  Write("_F300200.ZLP", kWithHeader);

  ASSERT_TRUE(zv::DeleteForm(1));
  EXPECT_EQ(Contents(FormListPath()),
            FormListFile({{2, "B", "", 1, 0}, {3, "C", "", 2, 2}}, {{-1, "P", "", 1, 1}}));
  EXPECT_EQ(Contents(GroupListPath()), GroupNameListFile({Dir(), "12", Path("_F3003.FGP")}));
  ExpectOnDisk({"_F300101.ZLC", "_F300102.ZLP", "LOGO.ZLP", "_F300200.ZLP"},
               {"_F3001.FGP", "_F3001.ZL3", "_F300100.ZLP"});

  ASSERT_TRUE(zv::DeleteForm(3));
  EXPECT_EQ(Contents(FormListPath()), FormListFile({{2, "B", "", 1, 0}}, {{-1, "P", "", 1, 1}}));
  EXPECT_EQ(Contents(GroupListPath()), GroupNameListFile({Dir(), "12"}));
}

TEST_F(DeletionTest, AFormThatCannotGoLeavesEveryFileAsItWas) {
  WriteFormList(FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({Dir(), "_F3002.FGP"}));
  const std::string group = GroupInfoFile({{Record('a'), 0}}, {"_F300200.ZLP"});
  Write("_F3002.FGP", group);
  Write("_F300200.ZLP", kWithHeader);
  const std::vector<std::string> files{"_F3002.FGP", "_F300200.ZLP"};

  auto expectRefused = [&](int32_t id, uint32_t code, const std::string& why) {
    const std::vector<std::string> before = Snapshot(files);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::DeleteForm(id)) << why;
    EXPECT_EQ(zv::GetLastErrorCode(), code) << why;
    EXPECT_EQ(Snapshot(files), before) << why;
  };
  expectRefused(3, 407, "no such form");
  for (const std::string& held : {FormListPath(), GroupListPath(), Path("_F3002.FGP")}) {
    zvtest::FileHolder holder(held, plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(holder.Opened()) << held;
    expectRefused(2, 407, held);
  }
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  expectRefused(2, 401, "no memory");
  plat::fault::Reset();

  Write("_F3002.FGP", group + "X");
  expectRefused(2, 407, "damaged group info file");
  Write("_F3002.FGP", group);
  WriteGroupList(GroupNameListFile({Dir()}));  // form 2's entry is missing
  expectRefused(2, 407, "group index beyond the group name list");
}

TEST_F(DeletionTest, AGroupIsDeletedReadingEachByteOnce) {
  // The group name entry: the header, its offset, length and text, then the
  // three moves' bytes (the offsets behind it, the pool behind its text, the
  // offsets to fix).
  WriteGroupList(GroupNameListFile({"C:\\DIR1", "C:\\DIR2", "C:\\DIR3"}));
  plat::io::Reset();
  ASSERT_TRUE(zv::DeleteGroupNameEntry(GroupListPath().c_str(), 1));
  EXPECT_EQ(Contents(GroupListPath()), GroupNameListFile({"C:\\DIR1", "C:\\DIR3"}));
  EXPECT_EQ(plat::io::Current().bytesRead, 36u + 4 + 2 + 7 + (4 + 3 * 9) + 9 + 2 * 4);

  // The group info file: the header; the edited file's offset, length and
  // name, the pool behind it moved down and the two offsets fixed; the
  // entry, its name's offset, length and text, and the overlay's first
  // bytes.
  Write("_F301A.FGP", GroupInfoFile({{Record('a'), 1}}, {"_E.ZL3", "_F301A00.ZLP"}, -1, 0));
  Write("_E.ZL3", "EDITED");
  Write("_F301A00.ZLP", kWithHeader);
  plat::io::Reset();
  ASSERT_TRUE(zv::DeleteGroupInfoFile(Path("_F301A.FGP").c_str()));
  ExpectOnDisk({}, {"_F301A.FGP", "_E.ZL3", "_F301A00.ZLP"});
  EXPECT_EQ(plat::io::Current().bytesRead, 64u + (4 + 2 + 6) + (2 + 12) + 2 * 4 + 38 + (4 + 2 + 12) + 5);
}

// ---------------------------------------------------------------------------
// DeleteOverlayEntries

class OverlayDeletionTest : public DeletionTest {
 protected:
  void SetUp() override {
    DeletionTest::SetUp();
    WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}, {27, "LETTER", "", 1, 1}}, {}));
    WriteGroupList(GroupNameListFile({Path("_F301A.FGP"), Dir()}));
  }
};

TEST_F(OverlayDeletionTest, EntriesFlaggedOneZeroOneGoWithTheirTexts) {
  // The removed names (texts 1 and 4) lie between texts that stay, and all
  // three header slots name texts that stay.
  Write("_F301A.FGP",
        GroupInfoFile({{Record('a'), 1}, {Record('b'), 3}, {Record('c'), 4}},
                      {"DRV", "_F301A00.ZLP", "_F301A.ZL3", "_F301A01.ZLP", "_F301A02.ZLC", "_F301A.PBF"}, 0,
                      2, 5));
  Write("_F301A00.ZLP", kWithHeader);
  Write("_F301A01.ZLP", kWithHeader);
  Write("_F301A02.ZLC", kWithHeader);

  const uint32_t flags[] = {1, 0, 1};
  ASSERT_TRUE(zv::DeleteOverlayEntries(26, flags));
  EXPECT_EQ(Contents(Path("_F301A.FGP")),
            GroupInfoFile({{Record('b'), 2}}, {"DRV", "_F301A.ZL3", "_F301A01.ZLP", "_F301A.PBF"}, 0, 1, 3));
  ExpectOnDisk({"_F301A01.ZLP", "_F301A02.ZLC"}, {"_F301A00.ZLP"});
}

TEST_F(OverlayDeletionTest, OnlyTheFlaggedEntryIsReadAndEachByteOnce) {
  Write("_F301A.FGP",
        GroupInfoFile({{Record('a'), 0}, {Record('b'), 1}, {Record('c'), 2}}, {"A.ZLP", "B.ZLP", "C.ZLP"}));
  Write("B.ZLP", kWithHeader);
  // What finding the group costs, measured apart.
  char groupPath[plat::kPathBuffer];
  plat::io::Reset();
  ASSERT_TRUE(zv::GetFormGroupPath(26, groupPath));
  const uint64_t lookup = plat::io::Current().bytesRead;

  const uint32_t flags[] = {0, 1, 0};
  plat::io::Reset();
  ASSERT_TRUE(zv::DeleteOverlayEntries(26, flags));
  EXPECT_EQ(Contents(Path("_F301A.FGP")),
            GroupInfoFile({{Record('a'), 0}, {Record('c'), 1}}, {"A.ZLP", "C.ZLP"}));
  ExpectOnDisk({}, {"B.ZLP"});
  // The header; the middle entry, its name's offset, length and text; the
  // file's first bytes; the three moves (what follows the entry, what
  // follows its offset, the pool behind its text); the string indexes of
  // the two entries left and their two offsets.
  const uint64_t table = 3 * 4;
  const uint64_t pool = 3 * (2 + 5);
  EXPECT_EQ(plat::io::Current().bytesRead - lookup,
            64 + 38 + 4 + 2 + 5 + 5 + (38 + table + pool) + (4 + pool) + (2 + 5) + 2 * 38 + 2 * 4);
}

TEST_F(OverlayDeletionTest, AnyNameWithAHeaderInTheGroupsDirectoryIsDeleted) {
  // A name without an underscore, raw data under .ZLP, an entry without a
  // name, and a file registered by its full path.
  Write("_F301A.FGP",
        GroupInfoFile(
            {{Record('a'), 0}, {Record('b'), 1}, {Record('c'), -1}, {Record('d'), 2}, {Record('e'), 3}},
            {"LOGO.ZLP", "_RAW.ZLP", Path("ELSE.ZLP"), "KEEP.ZLP"}));
  for (const char* name : {"LOGO.ZLP", "ELSE.ZLP", "KEEP.ZLP"}) Write(name, kWithHeader);
  Write("_RAW.ZLP", kRaw);

  const uint32_t flags[] = {1, 1, 1, 1, 0};
  ASSERT_TRUE(zv::DeleteOverlayEntries(26, flags));
  EXPECT_EQ(Contents(Path("_F301A.FGP")), GroupInfoFile({{Record('e'), 0}}, {"KEEP.ZLP"}));
  ExpectOnDisk({"_RAW.ZLP", "ELSE.ZLP", "KEEP.ZLP"}, {"LOGO.ZLP"});
}

TEST_F(OverlayDeletionTest, AGroupThatCannotBeRewrittenIsLeftAsItWas) {
  const std::string group = GroupInfoFile({{Record('a'), 0}}, {"_F301A00.ZLP"});
  Write("_F301A.FGP", group);
  Write("_F301A00.ZLP", kWithHeader);
  const std::vector<std::string> files{"_F301A.FGP", "_F301A00.ZLP"};
  const std::vector<std::string> before = Snapshot(files);
  const uint32_t flags[] = {1};

  auto expectRefused = [&](int32_t id, uint32_t code, const std::string& why) {
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::DeleteOverlayEntries(id, flags)) << why;
    EXPECT_EQ(zv::GetLastErrorCode(), code) << why;
    EXPECT_EQ(Snapshot(files), before) << why;
  };
  expectRefused(27, 408, "a group that is still a directory");
  {
    zvtest::FileHolder holder(Path("_F301A.FGP"), plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(holder.Opened());
    expectRefused(26, 408, "held by another writer");
  }
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  expectRefused(26, 401, "no memory");
  plat::fault::Reset();

  // The name index of the chosen entry points past the table.
  const std::string damaged = GroupInfoFile({{Record('a'), 1}}, {"_F301A00.ZLP"});
  Write("_F301A.FGP", damaged);
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(zv::DeleteOverlayEntries(26, flags));
  EXPECT_EQ(zv::GetLastErrorCode(), 408u);
  EXPECT_EQ(Contents(Path("_F301A.FGP")), damaged);
  ExpectOnDisk({"_F301A00.ZLP"}, {});
}

// ---------------------------------------------------------------------------
// GetFormEditedFile

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

  std::string directory = Dir();
  directory.pop_back();
  char description[256] = "";
  int32_t id = 0;
  uint16_t layer = 0;
  char groupDir[261] = "";
  char groupPath[261] = "";
  char edited[261] = "";
  EXPECT_EQ(zv::GetFormEditedFile(26, nullptr, description, &id, &layer, groupDir, groupPath, edited), 0);
  EXPECT_STREQ(description, "Monthly");
  EXPECT_EQ(id, 26);
  EXPECT_EQ(layer, 2);
  EXPECT_EQ(groupDir, directory);
  EXPECT_EQ(groupPath, Path("_F301A.FGP"));
  EXPECT_EQ(edited, Upper(Path("_f301a.zl3")));

  // By name, byte for byte; a name with a backslash is given as stored.
  EXPECT_EQ(zv::GetFormEditedFile(0, "MEMO", nullptr, &id, nullptr, nullptr, nullptr, edited), 0);
  EXPECT_EQ(id, 28);
  EXPECT_STREQ(edited, "D:\\EDIT\\_X.ZL3");
  auto find = [&](int32_t formId, const char* name) {
    return zv::GetFormEditedFile(formId, name, nullptr, nullptr, nullptr, nullptr, nullptr, edited);
  };
  EXPECT_EQ(find(0, "memo"), -3);
  // No edited file, a group info file that is gone, a file entry.
  EXPECT_EQ(find(27, nullptr), -3);
  EXPECT_EQ(find(29, nullptr), -3);
  EXPECT_EQ(find(-1, nullptr), -3);

  Write("_F301A.FGP", GroupInfoFile({}, {"_f301a.zl3"}, -1, 0) + "X");
  EXPECT_EQ(find(26, nullptr), -6);
  WriteFormList(FormListFile({{26, "INVOICE", "", 1, 0}}, {}) + "X");
  EXPECT_EQ(find(26, nullptr), -6);
  EXPECT_EQ(zv::GetLastErrorCode(), 403u);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(find(26, nullptr), -1);
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
}

}  // namespace
