// What another process may do in the middle of an operation of this one,
// made to happen for certain: between ChooseFormId and AddFormRecord, add
// the identifier or the name that this process chose (the catalogue is built
// as it stands after the other add, and AddFormRecord must refuse rather
// than store an identifier or a name twice); or hold a group info file open
// while this process undoes a capture or deletes the form.
#include <gtest/gtest.h>

#include <string>

#include "catalogue/group_info.h"
#include "catalogue/group_name_list.h"
#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "platform/platform.h"
#include "reliability/stress_worker.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"
#include "zvlmn30e.h"

namespace {

using zvtest::FormListFile;
using zvtest::GroupNameListFile;

class InterleavedTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    WriteFormList(FormListFile({{3, "OTHER", "", 1, 0}}, {{-5, "P", "", 1, 1}}, 5));
    WriteGroupList(GroupNameListFile({"C:\\FORMS\\", "12"}));
  }

  std::string Files() {
    std::string flt, glt;
    EXPECT_TRUE(zvtest::ReadWholeFile(FormListPath(), &flt));
    EXPECT_TRUE(zvtest::ReadWholeFile(GroupListPath(), &glt));
    return flt + glt;
  }

  uint32_t AddCode(int32_t id, const char* name, const char* groupText) {
    zv::SetLastErrorCode(0);
    const bool added = zv::AddFormRecord(id, name, "", groupText, 1);
    return added ? 0 : zv::GetLastErrorCode();
  }
};

TEST_F(InterleavedTest, AnIdentifierOrANameAlreadyStoredIsRefusedWithNothingWritten) {
  const std::string before = Files();
  struct Case {
    int32_t id;
    const char* name;
  };
  for (const Case& c : {Case{3, "MINE"}, Case{4, "OTHER"}, Case{-5, "P"}}) {
    EXPECT_EQ(AddCode(c.id, c.name, "C:\\FORMS\\"), 404u) << c.id << " " << c.name;
    EXPECT_EQ(Files(), before) << c.id << " " << c.name;
  }
}

TEST_F(InterleavedTest, OnlyTheSameIdentifierInTheSameRegionOrTheSameNamedFormNameCounts) {
  // Names compare byte for byte; a file entry's number is no named form's
  // identifier; file entries' names are not names of named forms.
  EXPECT_EQ(AddCode(4, "other", "C:\\FORMS\\"), 0u);
  EXPECT_EQ(AddCode(5, "P", "C:\\FORMS\\"), 0u);
  EXPECT_EQ(AddCode(-3, "P", "13"), 0u);
  EXPECT_EQ(Files(), FormListFile({{3, "OTHER", "", 1, 0}, {4, "other", "", 1, 2}, {5, "P", "", 1, 3}},
                                  {{-5, "P", "", 1, 1}, {-3, "P", "", 1, 4}}, 3) +
                         GroupNameListFile({"C:\\FORMS\\", "12", "C:\\FORMS\\", "C:\\FORMS\\", "13"}));
}

// Undoing the last capture of a group while another program has the group
// info file open (a reader that lets others write): the file cannot be
// deleted, and must not be left listing the overlay file that is gone.
TEST_F(InterleavedTest, AnUndoneLastOverlayLeavesNoEntryWhenItsGroupCannotBeDeleted) {
#ifndef _WIN32
  GTEST_SKIP() << "the Linux backend lets no writer open a file beside a reader";
#endif
  ASSERT_TRUE(zv::AddFormRecord(4, "FORM", "", Dir().c_str(), 1));
  const std::string block = zvstress::SettingsBlock(0);
  char path[ZV_PATH_BUFFER] = "";
  ASSERT_EQ(ZVGetOverlayForm(block.data(), nullptr, 4, path), 1);
  ASSERT_EQ(zv::CountOverlayEntries(4), 1u);
  char group[ZV_PATH_BUFFER] = "";
  ASSERT_TRUE(zv::GetFormGroupPath(4, group));
  {
    zvtest::FileHolder holder(group, plat::kAccessRead, plat::kShareReadWrite);
    ASSERT_TRUE(holder.Opened());
    EXPECT_EQ(ZVErrorForm(4, path), 1);
    EXPECT_FALSE(zvtest::FileExists(path));
    EXPECT_EQ(zv::CountOverlayEntries(4), 0u);
  }
  // The next capture starts from the empty group.
  ASSERT_EQ(ZVGetOverlayForm(block.data(), nullptr, 4, path), 1);
  EXPECT_EQ(zv::CountOverlayEntries(4), 1u);
}

// Deleting a form while another program has its group info file open: the
// file cannot be deleted, and must not hand the deleted form's overlays to
// the next form that takes the identifier in the same directory.
TEST_F(InterleavedTest, ADeletedFormsGroupThatCannotBeDeletedIsLeftEmpty) {
#ifndef _WIN32
  GTEST_SKIP() << "the Linux backend lets no writer open a file beside a reader";
#endif
  ASSERT_TRUE(zv::AddFormRecord(4, "FORM", "", Dir().c_str(), 1));
  char path[ZV_PATH_BUFFER] = "";
  ASSERT_EQ(ZVGetOverlayForm(zvstress::SettingsBlock(0).data(), nullptr, 4, path), 1);
  char group[ZV_PATH_BUFFER] = "";
  ASSERT_TRUE(zv::GetFormGroupPath(4, group));
  {
    zvtest::FileHolder holder(group, plat::kAccessRead, plat::kShareReadWrite);
    ASSERT_TRUE(holder.Opened());
    EXPECT_TRUE(zv::DeleteForm(4));
    EXPECT_FALSE(zvtest::FileExists(path));
  }
  std::string left;
  if (zvtest::ReadWholeFile(group, &left)) {
    EXPECT_EQ(left.size(), 64u) << "the group still lists files";
  }

  ASSERT_TRUE(zv::AddFormRecord(4, "NEXT", "", Dir().c_str(), 1));
  ASSERT_EQ(ZVGetOverlayForm(zvstress::SettingsBlock(1).data(), nullptr, 4, path), 1);
  EXPECT_EQ(zv::CountOverlayEntries(4), 1u);
}

}  // namespace
