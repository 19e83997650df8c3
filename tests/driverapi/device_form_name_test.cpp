// ZVGetDevFormName: the name the driver shows for a form identifier.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

using zvtest::FormListFile;
using zvtest::GroupNameListFile;

const std::string kUntouched(260, '#');

class DeviceFormNameTest : public zvtest::CatalogueTest {
 protected:
  struct Call {
    int32_t result;
    std::string name;
  };

  Call Name(int32_t id) {
    char name[261];
    std::fill(name, name + 260, '#');
    name[260] = '\0';
    const int32_t result = ZVGetDevFormName(id, name);
    return {result, name};
  }
};

TEST_F(DeviceFormNameTest, NamedFormGivesItsNameWithoutTheGroupList) {
  // No group name list file exists: a named form does not need it.
  WriteFormList(
      FormListFile({{3, "LETTER", "", 1, 0}, {5, "INVOICE", "monthly", 2, 1}}, {{-5, "P", "", 1, 2}}, 5));
  Call call = Name(5);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.name, "INVOICE");

  for (int32_t id : {0, 4, -3}) {
    call = Name(id);
    EXPECT_EQ(call.result, 0) << id;
    EXPECT_EQ(call.name, kUntouched) << id;
  }
  // A file entry without its group name list.
  EXPECT_EQ(Name(-5).result, 0);
}

TEST_F(DeviceFormNameTest, FileEntryGivesWhatItsTextStandsFor) {
  WriteFormList(
      FormListFile({{5, "INVOICE", "", 1, 0}},
                   {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}, {-3, "P", "", 2, 3}, {-4, "P", "", 1, 9}}, 4));
  WriteGroupList(GroupNameListFile({"INVOICE.FGP", "D:\\OVL\\LOGO.ZLP", "7", "LOGO.ZLP"}));
  EXPECT_EQ(Name(-1).name, "D:\\OVL\\LOGO.ZLP");
  // A stored overlay's number as it stands.
  Call call = Name(-2);
  EXPECT_EQ(call.result, 1);
  EXPECT_EQ(call.name, "7");
  // A bare file name lies beside the group name list file.
  EXPECT_EQ(Name(-3).name, Path("LOGO.ZLP"));
  // A group index outside the list.
  call = Name(-4);
  EXPECT_EQ(call.result, 0);
  EXPECT_EQ(call.name, kUntouched);

  // A damaged group name list.
  const std::string list = GroupNameListFile({"INVOICE.FGP", "D:\\OVL\\LOGO.ZLP"});
  WriteGroupList(list + "x");
  EXPECT_EQ(Name(-1).result, 0);
}

}  // namespace
