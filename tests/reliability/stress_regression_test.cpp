// What another process may do between ChooseFormId and AddFormRecord: add
// the identifier or the name that this process chose. The catalogue is
// built as it stands after the other process's add, and AddFormRecord must
// refuse rather than store an identifier or a name twice.
#include <gtest/gtest.h>

#include <string>

#include "dialogs/module_frame.h"
#include "maintenance/form_registration.h"
#include "support/catalogue_files.h"

namespace {

using zvtest::FormListFile;
using zvtest::GroupNameListFile;

class AddAfterAnotherProcessTest : public zvtest::CatalogueTest {
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

TEST_F(AddAfterAnotherProcessTest, AnIdentifierOrANameAlreadyStoredIsRefusedWithNothingWritten) {
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

TEST_F(AddAfterAnotherProcessTest, OnlyTheSameIdentifierInTheSameRegionOrTheSameNamedFormNameCounts) {
  // Names compare byte for byte; a file entry's number is no named form's
  // identifier; file entries' names are not names of named forms.
  EXPECT_EQ(AddCode(4, "other", "C:\\FORMS\\"), 0u);
  EXPECT_EQ(AddCode(5, "P", "C:\\FORMS\\"), 0u);
  EXPECT_EQ(AddCode(-3, "P", "13"), 0u);
  EXPECT_EQ(Files(), FormListFile({{3, "OTHER", "", 1, 0}, {4, "other", "", 1, 2}, {5, "P", "", 1, 3}},
                                  {{-5, "P", "", 1, 1}, {-3, "P", "", 1, 4}}, 3) +
                         GroupNameListFile({"C:\\FORMS\\", "12", "C:\\FORMS\\", "C:\\FORMS\\", "13"}));
}

}  // namespace
