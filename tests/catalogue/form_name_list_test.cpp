// The form name list file: which files are valid, each reader's result and
// code on each failure, and names matched byte for byte.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/form_name_list.h"
#include "module/module_state.h"
#include "platform/fault_injection.h"
#include "support/catalogue_files.h"

namespace {

using std::to_string;
using zvtest::FormListFile;
using FormNameListTest = zvtest::CatalogueTest;

std::vector<zvtest::FormRow> Named(int count) {
  std::vector<zvtest::FormRow> forms;
  for (int i = 0; i < count; ++i) forms.push_back({i + 1, "Form" + to_string(i), "D", 1, uint32_t(i)});
  return forms;
}

// A reader's result, then the code it left.
std::string R(long result) {
  return to_string(result) + ":" + to_string(zv::GetLastErrorCode());
}

// ListNamedForms into arrays prefilled with junk: "result:id name:id name...".
std::string List(uint32_t first, uint32_t last) {
  const size_t n = last - first + 1;
  std::vector<int32_t> ids(n, 0x5A5A5A5A);
  std::vector<char> names(n * zv::kFormNameSize, 'x');
  std::string out = to_string(zv::ListNamedForms(first, last, ids.data(),
                                                 reinterpret_cast<char(*)[zv::kFormNameSize]>(names.data())));
  for (size_t i = 0; i < n; ++i)
    out += ":" + to_string(ids[i]) + std::string(&names[i * 25], strnlen(&names[i * 25], 25));
  return out;
}

TEST_F(FormNameListTest, ValidOnlyWhenTheMagicMatchesAndTheSizeFitsTheCounts) {
  const std::string one = FormListFile(Named(1), {});
  std::string wrongCount = one, magic0 = one, magic26 = one;
  wrongCount[31] = 1;
  magic0[0] ^= 0x20;
  magic26[26] ^= 0x20;
  std::string out;
  for (const std::string& bytes : {one, FormListFile({}, {}), one.substr(0, 324), one + '\0', wrongCount,
                                   one.substr(0, 34), magic0, magic26}) {
    WriteFormList(bytes);
    zv::SetLastErrorCode(1);
    out += R(zv::CountNamedForms()) + " ";
  }
  EXPECT_EQ(out, "1:0 0:0 0:403 0:403 0:403 0:403 0:403 0:403 ");
}

// Each reader's result and code: CountNamedForms, ListNamedForms,
// FindNamedFormByName (and the id it leaves), GetFileEntryName (and its name
// and id), CheckFormName.
TEST_F(FormNameListTest, EachReaderOnEachFailure) {
  const struct {
    int file;  // 0 none, 1 good, 2 damaged, 3 no list path in the configuration
    uint32_t allocFail;
    const char* outcome;
  } rows[] = {{0, 0, "0:0 1:0::0 0:77 1:402:0 1:404"},
              {2, 0, "0:403 0:0::403 0:77 0:403:0 1:0"},
              {1, 1, "0:401 0:15:401 0:77 0:401:junk9 1:401"},
              {1, 2, "0:402 0:0::402 0:77 0:401:0 1:401"},
              {3, 0, "0:402 0:0::402 0:77 0:402:0 1:404"}};
  for (const auto& row : rows) {
    const std::string good = FormListFile(Named(2), {});
    if (row.file == 1 || row.file == 2) WriteFormList(row.file == 2 ? good.substr(0, good.size() - 1) : good);
    ASSERT_TRUE(row.file != 3 || zvtest::WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\n"));
    auto arm = [&] {
      zv::SetLastErrorCode(0xDEADBEEF);
      plat::fault::FailNth(plat::fault::kAlloc, row.allocFail);
    };
    arm();
    std::string out = R(zv::CountNamedForms());
    arm();
    out += " " + List(0, 1).substr(0, 4);  // the arrays are cleared unless memory is missing
    out += ":" + to_string(zv::GetLastErrorCode());
    arm();
    int32_t id = 77, found = 9;
    out += " " + to_string(zv::FindNamedFormByName("Form0", &id));
    out += ":" + to_string(id);
    arm();
    char name[zv::kFormNameSize] = "junk";
    out += " " + R(zv::GetFileEntryName(-1, &found, name));
    out += ":" + std::string(name) + to_string(found);
    arm();
    EXPECT_EQ(out + " " + R(zv::CheckFormName("Form0", nullptr)), row.outcome) << row.file << row.allocFail;
    plat::fault::Reset();
  }
}

TEST_F(FormNameListTest, NamesCompareByteForByte) {
  WriteFormList(FormListFile({{4, "INVOICE", "", 1, 0}, {9, "Invoice", "", 1, 1}, {12, "Invoice", "", 1, 2}},
                             {{-1, "P", "", 1, 3}}));
  char none[zv::kFormNameSize];
  zv::LoadNoFormName(none);
  // name: FindNamedFormByName and its id, CheckFormName, the id it gives, its code.
  const std::pair<const char*, const char*> rows[] = {{"Invoice", "1:9 0:9:406"},
                                                      {"INVOICE", "1:4 0:4:406"},
                                                      {"invoice", "0:55 1:0:0"},
                                                      {none, "0:55 0:0:405"}};
  for (const auto& [name, outcome] : rows) {
    int32_t id = 55, existing = 3;
    std::string out = to_string(zv::FindNamedFormByName(name, &id));
    out += ":" + to_string(id) + " ";
    zv::SetLastErrorCode(0);
    out += to_string(zv::CheckFormName(name, &existing));
    EXPECT_EQ(out + ":" + R(existing), outcome) << name;
  }
}

}  // namespace
