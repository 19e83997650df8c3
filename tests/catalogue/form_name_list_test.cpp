// The form name list file: its validity rule at every edge, its two regions,
// block reading, and each reader's result and code on each kind of failure.
#include <gtest/gtest.h>

#include <cstring>

#include "catalogue/form_name_list.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using zvtest::FormListFile;
using zvtest::FormSpec;
constexpr uint32_t kUntouched = 0xDEADBEEF;
constexpr uint32_t kAny = 0xFFFFFFFF;  // not checked

std::vector<FormSpec> Named(int count) {
  std::vector<FormSpec> forms;
  for (int i = 0; i < count; ++i) forms.push_back({i + 1, "Form" + std::to_string(i), "D", 1, uint32_t(i)});
  return forms;
}

std::string NoFormName() {
  char name[zv::kFormNameSize];
  zv::LoadNoFormName(name);
  return name;
}

struct Listing {
  bool result;
  std::vector<int32_t> ids;
  std::vector<std::string> names;
};

// ListNamedForms into arrays prefilled with junk.
Listing List(uint32_t first, uint32_t last) {
  const size_t n = last - first + 1;
  Listing l{false, std::vector<int32_t>(n, 0x5A5A5A5A), {}};
  std::vector<char> names(n * zv::kFormNameSize, 'x');
  l.result = zv::ListNamedForms(first, last, l.ids.data(), reinterpret_cast<char(*)[zv::kFormNameSize]>(names.data()));
  for (size_t i = 0; i < n; ++i) l.names.emplace_back(&names[i * 25], strnlen(&names[i * 25], 25));
  return l;
}

class FormNameListTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }
};

TEST_F(FormNameListTest, SizeMustMatchTheCountsAndEveryMagicByteCounts) {
  const std::string one = FormListFile(Named(1), {});
  ASSERT_EQ(one.size(), 325u);
  std::string wrongCount = one;
  wrongCount[31] = 1;  // a file entry the size does not carry
  std::vector<std::pair<std::string, uint32_t>> rows = {
      {one, 1}, {FormListFile({}, {}), 0}, {one.substr(0, 324), kAny}, {one + '\0', kAny},
      {wrongCount, kAny}, {one.substr(0, 34), kAny}};
  for (size_t i = 0; i < 27; ++i) {
    rows.push_back({one, kAny});
    rows.back().first[i] ^= 0x20;
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    WriteFormList(rows[i].first);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_EQ(zv::CountNamedForms(), rows[i].second == kAny ? 0 : rows[i].second) << "row " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), rows[i].second == kAny ? 403u : 0u) << "row " << i;
  }
}

TEST_F(FormNameListTest, EachReaderOnEachFailure) {
  const struct {
    const char* what;
    bool file, damaged, noPath;
    uint32_t allocFail;
    uint32_t countCode;
    bool list;
    uint32_t listCode;
    bool entry;
    uint32_t entryCode;
    uint32_t checkCode;  // CheckFormName finds no conflict in every row
  } rows[] = {
      {"missing file", false, false, false, 0, 0, true, 0, true, 402, 404},
      {"damaged", true, true, false, 0, 403, false, 403, false, 403, 0},
      {"no memory", true, false, false, 1, 401, false, 401, false, 401, 401},
      {"no memory for the path", true, false, false, 2, 402, false, kAny, false, 401, 401},
      {"no list path", false, false, true, 0, 402, false, 402, false, 402, 404},  // last: it keeps the file
  };
  for (const auto& row : rows) {
    const std::string good = FormListFile(Named(2), {});
    if (row.file) WriteFormList(row.damaged ? good.substr(0, good.size() - 1) : good);
    if (row.noPath) {
      ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
    }
    auto arm = [&] {
      zv::SetLastErrorCode(kUntouched);
      plat::fault::FailNth(plat::fault::kAlloc, row.allocFail);
    };
    arm();
    EXPECT_EQ(zv::CountNamedForms(), 0u) << row.what;
    EXPECT_EQ(zv::GetLastErrorCode(), row.countCode) << row.what;
    arm();
    const Listing listing = List(0, 1);
    EXPECT_EQ(listing.result, row.list) << row.what;
    if (row.listCode != kAny) { EXPECT_EQ(zv::GetLastErrorCode(), row.listCode) << row.what; }
    if (row.allocFail == 1) { EXPECT_EQ(listing.ids[0], 0x5A5A5A5A) << "arrays untouched"; }
    arm();
    int32_t id = 77;
    EXPECT_FALSE(zv::FindNamedFormByName("Form0", &id)) << row.what;
    EXPECT_EQ(id, 77) << row.what;
    if (row.allocFail == 1) { EXPECT_EQ(zv::GetLastErrorCode(), kUntouched); }
    arm();
    char name[zv::kFormNameSize] = "junk";
    int32_t found = 9;
    EXPECT_EQ(zv::GetFileEntryName(-1, &found, name), row.entry) << row.what;
    EXPECT_EQ(zv::GetLastErrorCode(), row.entryCode) << row.what;
    if (row.entry) { EXPECT_EQ(std::string(name) + std::to_string(found), "0") << row.what; }
    arm();
    EXPECT_TRUE(zv::CheckFormName("Form0", nullptr)) << row.what;
    EXPECT_EQ(zv::GetLastErrorCode(), row.checkCode) << row.what;
    plat::fault::Reset();
  }
}

TEST_F(FormNameListTest, RegionsListingAndBlocks) {
  WriteFormList(FormListFile(Named(3), {{-1, "P", "first", 1, 3}, {-2, "C", "second", 2, 4}}, 2));
  char name[zv::kFormNameSize];
  int32_t found = 0;
  ASSERT_TRUE(zv::GetFileEntryName(-2, &found, name));
  EXPECT_EQ(std::string(name) + std::to_string(found), "C-2");
  // Named forms are never taken for file entries, nor the other way round.
  ASSERT_TRUE(zv::GetFileEntryName(2, &found, name));
  EXPECT_EQ(found, 0);
  EXPECT_EQ(std::string(name), NoFormName());
  int32_t id = 0;
  EXPECT_FALSE(zv::FindNamedFormByName("P", &id));
  EXPECT_EQ(List(1, 5).ids, (std::vector<int32_t>{2, 3, 0, 0, 0}));
  EXPECT_EQ(List(1, 5).names, (std::vector<std::string>{"Form1", "Form2", "", "", ""}));
  const Listing past = List(3, 4);
  EXPECT_TRUE(past.result);
  EXPECT_EQ(past.ids, (std::vector<int32_t>{0, 0}));

  WriteFormList(FormListFile(Named(40), {}));
  plat::fault::FailNth(plat::fault::kRead, 0);  // counts reads from here
  Listing all = List(0, 39);
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 4u);  // the header, then 17, 17 and 6
  for (int i = 0; i < 40; ++i) EXPECT_EQ(all.ids[i], i + 1);
  EXPECT_EQ(all.names[39], "Form39");
  // A failed block read goes unreported: the buffer keeps the first block.
  plat::fault::FailNth(plat::fault::kRead, 3);
  all = List(0, 19);
  ASSERT_TRUE(all.result);
  EXPECT_EQ(all.ids[16], 17);
  EXPECT_EQ(all.ids[17], 1);
  EXPECT_EQ(all.names[19], "Form2");
}

TEST_F(FormNameListTest, RecordsDecodeEncodeAndAreCutToTheirFields) {
  const std::string bytes = zvtest::FormRecordBytes({-7, "Invoice", "Monthly", 2, 0x01020304});
  zv::FormRecord r;
  zv::DecodeFormRecord(reinterpret_cast<const unsigned char*>(bytes.data()), &r);
  EXPECT_EQ(std::to_string(r.id) + r.name + r.description + std::to_string(r.layer), "-7InvoiceMonthly2");
  EXPECT_EQ(r.groupIndex, 0x01020304u);
  unsigned char encoded[290];
  zv::EncodeFormRecord(r, encoded);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), 290), bytes);

  std::string file = FormListFile({{1, "", "", 1, 0}}, {{-1, "", "", 1, 1}});
  std::memset(&file[35 + 4], 'N', 25);
  std::memset(&file[35 + 29], 'D', 256);
  std::memset(&file[35 + 290 + 4], 'E', 25);
  WriteFormList(file);
  EXPECT_EQ(List(0, 0).names[0], std::string(24, 'N'));
  char name[zv::kFormNameSize];
  int32_t found = 0;
  ASSERT_TRUE(zv::GetFileEntryName(-1, &found, name));
  EXPECT_EQ(std::string(name), std::string(24, 'E'));
  zv::DecodeFormRecord(reinterpret_cast<const unsigned char*>(file.data()) + 35, &r);
  EXPECT_EQ(std::string(r.description), std::string(255, 'D'));
}

TEST_F(FormNameListTest, NamesCompareByteForByte) {
  WriteFormList(FormListFile({{4, "INVOICE", "", 1, 0}, {9, "Invoice", "", 1, 1}, {12, "Invoice", "", 1, 2}},
                             {{-1, "P", "", 1, 3}}));
  int32_t id = 0;
  ASSERT_TRUE(zv::FindNamedFormByName("Invoice", &id));
  EXPECT_EQ(id, 9);  // the first of two
  const struct {
    const char* name;
    bool free;
    int32_t existing;
    uint32_t code;
  } rows[] = {{"INVOICE", false, 4, 406}, {"Invoice 2", true, 0, 0}, {"invoice", true, 0, 0},
              {"P", true, 0, 0}, {"Invoic", true, 0, 0}};
  for (const auto& row : rows) {
    id = 55;
    EXPECT_EQ(zv::FindNamedFormByName(row.name, &id), !row.free) << row.name;
    int32_t existing = 3;
    zv::SetLastErrorCode(kUntouched);
    EXPECT_EQ(zv::CheckFormName(row.name, &existing), row.free) << row.name;
    EXPECT_EQ(existing, row.existing) << row.name;
    EXPECT_EQ(zv::GetLastErrorCode(), row.code) << row.name;
  }
  // The "no form name" text is never a name, and a writer's lock shows as 404.
  int32_t existing = 3;
  EXPECT_FALSE(zv::CheckFormName(NoFormName().c_str(), &existing));
  EXPECT_EQ(existing, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 405u);
  zvtest::FileHolder reader(FormListPath(), plat::kAccessRead, plat::kShareRead);
  ASSERT_TRUE(reader.Opened());
  EXPECT_TRUE(zv::CheckFormName("INVOICE", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(zv::CountNamedForms(), 3u);  // readers still share it
}

}  // namespace
