// The form name list file: which files are valid, each reader's result and
// code on each failure, the two regions, block reads, record bytes and names.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/form_name_list.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using std::to_string;
using zvtest::FormListFile;

std::vector<zvtest::FormSpec> Named(int count) {
  std::vector<zvtest::FormSpec> forms;
  for (int i = 0; i < count; ++i) forms.push_back({i + 1, "Form" + to_string(i), "D", 1, uint32_t(i)});
  return forms;
}

std::string NoFormName() {
  char name[zv::kFormNameSize];
  zv::LoadNoFormName(name);
  return name;
}

// A reader's result, then the code it left.
std::string R(long result) {
  return to_string(result) + ":" + to_string(zv::GetLastErrorCode());
}

// ListNamedForms into arrays prefilled with junk: "result:id name,id name,...".
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

class FormNameListTest : public zvtest::CatalogueTest {
 protected:
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }
};

TEST_F(FormNameListTest, ValidOnlyWhenTheMagicMatchesAndTheSizeFitsTheCounts) {
  const std::string one = FormListFile(Named(1), {});
  std::string wrongCount = one, magic0 = one, magic26 = one;
  wrongCount[31] = 1, magic0[0] ^= 0x20, magic26[26] ^= 0x20;
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
// FindNamedFormByName (and the id it leaves), GetFileEntryName (and its
// name and id), CheckFormName.
TEST_F(FormNameListTest, EachReaderOnEachFailure) {
  const struct {
    const char* what;
    int file;  // 0 none, 1 good, 2 damaged, 3 no list path in the configuration
    uint32_t allocFail;
    const char* outcome;
  } rows[] = {{"missing file", 0, 0, "0:0 1:0::0 0:77 1:402:0 1:404"},
              {"damaged", 2, 0, "0:403 0:0::403 0:77 0:403:0 1:0"},
              {"no memory", 1, 1, "0:401 0:15:401 0:77 0:401:junk9 1:401"},
              {"no memory for the path", 1, 2, "0:402 0:0::402 0:77 0:401:0 1:401"},
              {"no list path", 3, 0, "0:402 0:0::402 0:77 0:402:0 1:404"}};
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
    int32_t id = 77;
    out += " " + to_string(zv::FindNamedFormByName("Form0", &id));
    out += ":" + to_string(id);
    arm();
    char name[zv::kFormNameSize] = "junk";
    int32_t found = 9;
    out += " " + R(zv::GetFileEntryName(-1, &found, name));
    out += ":" + std::string(name) + to_string(found);
    arm();
    out += " " + R(zv::CheckFormName("Form0", nullptr));
    EXPECT_EQ(out, row.outcome) << row.what;
    plat::fault::Reset();
  }
}

TEST_F(FormNameListTest, RegionsListingBlocksAndRecordBytes) {
  WriteFormList(FormListFile(Named(3), {{-1, "P", "first", 1, 3}, {-2, "C", "second", 2, 4}}, 2));
  char name[zv::kFormNameSize];
  int32_t found = 0, id = 0;
  // Named forms are never taken for file entries, nor the other way round.
  for (int32_t wanted : {-2, 2}) {
    ASSERT_TRUE(zv::GetFileEntryName(wanted, &found, name));
    EXPECT_EQ(std::string(name) + to_string(found), wanted < 0 ? "C-2" : NoFormName() + "0");
  }
  EXPECT_FALSE(zv::FindNamedFormByName("P", &id));
  EXPECT_EQ(List(1, 5), "1:2Form1:3Form2:0:0:0");

  WriteFormList(FormListFile(Named(40), {}));
  plat::fault::FailNth(plat::fault::kRead, 0);  // counts reads from here
  EXPECT_EQ(List(0, 39).substr(0, 16), "1:1Form0:2Form1:");
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 4u);  // the header, then 17, 17 and 6
  // A failed block read goes unreported: the buffer keeps the first block.
  plat::fault::FailNth(plat::fault::kRead, 3);
  const std::string tail = ":17Form16:1Form0:2Form1:3Form2", listed = List(0, 19);
  EXPECT_EQ(listed.substr(listed.size() - tail.size()), tail);

  // Records decode and encode byte for byte.
  const std::string bytes = zvtest::FormRecordBytes({-7, "Invoice", "Monthly", 2, 0x01020304});
  zv::FormRecord r;
  zv::DecodeFormRecord(reinterpret_cast<const unsigned char*>(bytes.data()), &r);
  EXPECT_EQ(to_string(r.id) + r.name + r.description + to_string(r.layer) + to_string(r.groupIndex),
            "-7InvoiceMonthly216909060");
  unsigned char encoded[290];
  zv::EncodeFormRecord(r, encoded);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), 290), bytes);
}

TEST_F(FormNameListTest, NamesCompareByteForByte) {
  WriteFormList(FormListFile({{4, "INVOICE", "", 1, 0}, {9, "Invoice", "", 1, 1}, {12, "Invoice", "", 1, 2}},
                             {{-1, "P", "", 1, 3}}));
  const std::string none = NoFormName();
  // name: FindNamedFormByName and its id, CheckFormName, the id it gives, its code.
  const std::pair<const char*, const char*> rows[] = {{"Invoice", "1:9 0:9:406"},
                                                      {"INVOICE", "1:4 0:4:406"},
                                                      {"invoice", "0:55 1:0:0"},
                                                      {none.c_str(), "0:55 0:0:405"}};
  for (const auto& [name, outcome] : rows) {
    int32_t id = 55, existing = 3;
    std::string out = to_string(zv::FindNamedFormByName(name, &id));
    out += ":" + to_string(id) + " ";
    zv::SetLastErrorCode(0);
    out += to_string(zv::CheckFormName(name, &existing));
    out += ":" + R(existing);
    EXPECT_EQ(out, outcome) << name;
  }
  // A writer cannot open a file that a reader holds: 404; readers still share it.
  zvtest::FileHolder reader(FormListPath(), plat::kAccessRead, plat::kShareRead);
  ASSERT_TRUE(reader.Opened());
  EXPECT_TRUE(zv::CheckFormName("INVOICE", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(zv::CountNamedForms(), 3u);
}

}  // namespace
