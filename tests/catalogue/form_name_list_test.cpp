// The form name list file: its validity rule at every edge, its regions, and
// the readers with their failure codes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "dialogs/module_frame.h"
#include "platform/fault_injection.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using zvtest::FormListFile;
using zvtest::FormSpec;

constexpr uint32_t kUntouched = 0xDEADBEEF;

std::vector<FormSpec> NamedForms(int count) {
  std::vector<FormSpec> forms;
  for (int i = 0; i < count; ++i) {
    forms.push_back(
        {i + 1, "Form" + std::to_string(i), "Description " + std::to_string(i), 1, static_cast<uint32_t>(i)});
  }
  return forms;
}

std::string NoFormName() {
  char name[zv::kFormNameSize];
  zv::LoadNoFormName(name);
  return name;
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

  // ListNamedForms into fresh arrays prefilled with junk.
  struct Listing {
    bool result;
    std::vector<int32_t> ids;
    std::vector<std::string> names;
  };
  Listing List(uint32_t first, uint32_t last) {
    const size_t n = last - first + 1;
    std::vector<int32_t> ids(n, 0x5A5A5A5A);
    std::vector<char> names(n * zv::kFormNameSize, 'x');
    Listing listing;
    listing.result = zv::ListNamedForms(first, last, ids.data(),
                                        reinterpret_cast<char(*)[zv::kFormNameSize]>(names.data()));
    listing.ids = ids;
    for (size_t i = 0; i < n; ++i) {
      listing.names.push_back(std::string(&names[i * zv::kFormNameSize], strnlen(&names[i * 25], 25)));
    }
    return listing;
  }
  void ExpectDamagedEverywhere() {
    zv::SetLastErrorCode(kUntouched);
    EXPECT_EQ(zv::CountNamedForms(), 0u);
    EXPECT_EQ(zv::GetLastErrorCode(), 403u);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(List(0, 0).result);
    EXPECT_EQ(zv::GetLastErrorCode(), 403u);
    int32_t id = 77;
    EXPECT_FALSE(zv::FindNamedFormByName("Form0", &id));
    EXPECT_EQ(id, 77);
    char name[zv::kFormNameSize];
    int32_t found = 5;
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::GetFileEntryName(-1, &found, name));
    EXPECT_EQ(zv::GetLastErrorCode(), 403u);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_TRUE(zv::CheckFormName("Form0", nullptr));  // no conflict found
    EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  }
};

// ---------------------------------------------------------------------------
// Validity

TEST_F(FormNameListTest, AnEmptyHeaderIsAValidEmptyCatalogue) {
  WriteFormList(FormListFile({}, {}));
  EXPECT_EQ(zv::CountNamedForms(), 0u);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  const Listing listing = List(0, 2);
  EXPECT_TRUE(listing.result);
  EXPECT_EQ(listing.ids, std::vector<int32_t>(3, 0));
  EXPECT_EQ(listing.names, std::vector<std::string>(3, ""));
}

TEST_F(FormNameListTest, TheSizeMustMatchTheCountsExactly) {
  const std::string one = FormListFile(NamedForms(1), {});
  ASSERT_EQ(one.size(), 325u);
  WriteFormList(one);
  EXPECT_EQ(zv::CountNamedForms(), 1u);

  WriteFormList(one.substr(0, 324));
  ExpectDamagedEverywhere();
  WriteFormList(one + '\0');
  ExpectDamagedEverywhere();
  // A file-entry count that the size does not carry.
  std::string wrongCount = one;
  wrongCount[31] = 1;
  WriteFormList(wrongCount);
  ExpectDamagedEverywhere();
  // Shorter than a header.
  WriteFormList(one.substr(0, 34));
  ExpectDamagedEverywhere();
}

TEST_F(FormNameListTest, EveryByteOfTheMagicCounts) {
  const std::string good = FormListFile(NamedForms(2), {});
  for (size_t i = 0; i < 27; ++i) {
    std::string bad = good;
    bad[i] = static_cast<char>(bad[i] ^ 0x20);
    WriteFormList(bad);
    zv::SetLastErrorCode(kUntouched);
    EXPECT_EQ(zv::CountNamedForms(), 0u) << "byte " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), 403u) << "byte " << i;
  }
}

// ---------------------------------------------------------------------------
// Regions and blocks

TEST_F(FormNameListTest, FileEntriesFollowTheNamedForms) {
  const std::string file =
      FormListFile(NamedForms(3), {{-1, "P", "first entry", 1, 3}, {-2, "C", "second entry", 2, 4}}, 2);
  ASSERT_EQ(file.size(), 1485u);
  ASSERT_EQ(file.substr(905, 4), std::string("\xFF\xFF\xFF\xFF", 4));  // the first file entry
  WriteFormList(file);

  char name[zv::kFormNameSize];
  int32_t found = 0;
  ASSERT_TRUE(zv::GetFileEntryName(-2, &found, name));
  EXPECT_EQ(found, -2);
  EXPECT_STREQ(name, "C");
  // Named forms are never taken for file entries, nor the other way round.
  ASSERT_TRUE(zv::GetFileEntryName(2, &found, name));
  EXPECT_EQ(found, 0);
  EXPECT_EQ(std::string(name), NoFormName());
  int32_t id = 0;
  EXPECT_FALSE(zv::FindNamedFormByName("P", &id));
}

TEST_F(FormNameListTest, ListingCopiesTheRangeAndZeroesTheRest) {
  WriteFormList(FormListFile(NamedForms(5), {{-1, "P", "", 1, 5}}));
  const Listing listing = List(2, 9);
  ASSERT_TRUE(listing.result);
  EXPECT_EQ(listing.ids, (std::vector<int32_t>{3, 4, 5, 0, 0, 0, 0, 0}));
  EXPECT_EQ(listing.names[0], "Form2");
  EXPECT_EQ(listing.names[2], "Form4");
  EXPECT_EQ(listing.names[3], "");
  // Past the named forms nothing is copied, file entries included.
  const Listing past = List(5, 6);
  EXPECT_TRUE(past.result);
  EXPECT_EQ(past.ids, (std::vector<int32_t>{0, 0}));
}

TEST_F(FormNameListTest, RecordsAreReadInBlocksOfSeventeen) {
  WriteFormList(FormListFile(NamedForms(40), {}));
  plat::fault::FailNth(plat::fault::kRead, 0);  // counts reads from here
  const Listing listing = List(0, 39);
  ASSERT_TRUE(listing.result);
  EXPECT_EQ(plat::fault::CallCount(plat::fault::kRead), 4u);  // the header, then 17, 17 and 6
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(listing.ids[i], i + 1);
    EXPECT_EQ(listing.names[i], "Form" + std::to_string(i));
  }
}

TEST_F(FormNameListTest, AFailedBlockReadGoesUnreported) {
  WriteFormList(FormListFile(NamedForms(20), {}));
  plat::fault::FailNth(plat::fault::kRead, 3);  // the second block
  const Listing listing = List(0, 19);
  ASSERT_TRUE(listing.result);
  // The first block's records, then what the buffer still held.
  EXPECT_EQ(listing.ids[16], 17);
  EXPECT_EQ(listing.ids[17], 1);
  EXPECT_EQ(listing.names[19], "Form2");
}

TEST_F(FormNameListTest, NamesWithoutTerminatorAreCutToTwentyFourCharacters) {
  std::string file = FormListFile({{1, "", "", 1, 0}}, {{-1, "", "", 1, 1}});
  std::memset(&file[35 + 4], 'N', 25);
  std::memset(&file[35 + 29], 'D', 256);
  std::memset(&file[35 + 290 + 4], 'E', 25);
  WriteFormList(file);
  const Listing listing = List(0, 0);
  EXPECT_EQ(listing.names[0], std::string(24, 'N'));
  char name[zv::kFormNameSize];
  int32_t found = 0;
  ASSERT_TRUE(zv::GetFileEntryName(-1, &found, name));
  EXPECT_EQ(std::string(name), std::string(24, 'E'));
  zv::FormRecord record;
  std::string bytes = file.substr(35, 290);
  zv::DecodeFormRecord(reinterpret_cast<const unsigned char*>(bytes.data()), &record);
  EXPECT_EQ(std::string(record.description), std::string(255, 'D'));
}

TEST_F(FormNameListTest, RecordsEncodeAndDecodeAtTheirOffsets) {
  const FormSpec spec{-7, "Invoice", "Monthly invoice", 2, 0x01020304};
  const std::string bytes = zvtest::FormRecordBytes(spec);
  zv::FormRecord record;
  zv::DecodeFormRecord(reinterpret_cast<const unsigned char*>(bytes.data()), &record);
  EXPECT_EQ(record.id, -7);
  EXPECT_STREQ(record.name, "Invoice");
  EXPECT_STREQ(record.description, "Monthly invoice");
  EXPECT_EQ(record.layer, 2);
  EXPECT_EQ(record.groupIndex, 0x01020304u);
  unsigned char encoded[290];
  zv::EncodeFormRecord(record, encoded);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), 290), bytes);
}

// ---------------------------------------------------------------------------
// Searching and checking names

TEST_F(FormNameListTest, NamesAreFoundByteForByte) {
  WriteFormList(FormListFile({{4, "INVOICE", "", 1, 0}, {9, "Invoice", "", 1, 1}, {12, "Invoice", "", 1, 2}},
                             {{-1, "P", "", 1, 3}}));
  int32_t id = 0;
  ASSERT_TRUE(zv::FindNamedFormByName("Invoice", &id));
  EXPECT_EQ(id, 9);  // the first of two
  id = 55;
  EXPECT_FALSE(zv::FindNamedFormByName("invoice", &id));
  EXPECT_FALSE(zv::FindNamedFormByName("Invoic", &id));
  EXPECT_EQ(id, 55);

  int32_t existing = 0;
  EXPECT_FALSE(zv::CheckFormName("INVOICE", &existing));
  EXPECT_EQ(existing, 4);
  EXPECT_EQ(zv::GetLastErrorCode(), 406u);
  zv::SetLastErrorCode(kUntouched);
  EXPECT_TRUE(zv::CheckFormName("Invoice 2", &existing));
  EXPECT_EQ(existing, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  // File entries do not take names away.
  EXPECT_TRUE(zv::CheckFormName("P", nullptr));
}

TEST_F(FormNameListTest, TheNoFormNameTextCanNeverBeAName) {
  // Even before any form name list file exists.
  int32_t existing = 3;
  EXPECT_FALSE(zv::CheckFormName(NoFormName().c_str(), &existing));
  EXPECT_EQ(existing, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 405u);
}

TEST_F(FormNameListTest, CheckingANameNeedsTheFileForItself) {
  WriteFormList(FormListFile(NamedForms(2), {}));
  zvtest::FileHolder reader(FormListPath(), plat::kAccessRead, plat::kShareRead);
  ASSERT_TRUE(reader.Opened());
  EXPECT_TRUE(zv::CheckFormName("Form0", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  // Readers still share it.
  EXPECT_EQ(zv::CountNamedForms(), 2u);
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(FormNameListTest, AMissingFileIsAnEmptyCatalogueToTheCounters) {
  EXPECT_EQ(zv::CountNamedForms(), 0u);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_TRUE(List(0, 1).result);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  int32_t id = 0;
  EXPECT_FALSE(zv::FindNamedFormByName("Form0", &id));
  char name[zv::kFormNameSize];
  int32_t found = 9;
  EXPECT_TRUE(zv::GetFileEntryName(-1, &found, name));
  EXPECT_EQ(found, 0);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(zv::GetLastErrorCode(), 402u);
  zv::SetLastErrorCode(kUntouched);
  EXPECT_TRUE(zv::CheckFormName("Form0", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(FormNameListTest, AConfigurationWithoutTheListPathFails) {
  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=DEFAULT\r\n"));
  EXPECT_EQ(zv::CountNamedForms(), 0u);
  EXPECT_EQ(zv::GetLastErrorCode(), 402u);
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(List(0, 0).result);
  EXPECT_EQ(zv::GetLastErrorCode(), 402u);
  char name[zv::kFormNameSize];
  int32_t found = 0;
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(zv::GetFileEntryName(-1, &found, name));
  EXPECT_EQ(zv::GetLastErrorCode(), 402u);
  zv::SetLastErrorCode(kUntouched);
  EXPECT_TRUE(zv::CheckFormName("Form0", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(FormNameListTest, MissingWorkingMemoryGivesEachReadersOwnResult) {
  WriteFormList(FormListFile(NamedForms(2), {}));
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(zv::CountNamedForms(), 0u);
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);

  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  const Listing listing = List(0, 1);
  EXPECT_FALSE(listing.result);
  EXPECT_EQ(listing.ids[0], 0x5A5A5A5A);  // arrays untouched
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);

  zv::SetLastErrorCode(kUntouched);
  int32_t id = 0;
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::FindNamedFormByName("Form0", &id));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);

  char name[zv::kFormNameSize];
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::GetFileEntryName(-1, &id, name));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);

  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_TRUE(zv::CheckFormName("Form0", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);

  // The path lookup's own memory: 401 stays for the name readers.
  zv::SetLastErrorCode(kUntouched);
  plat::fault::FailNth(plat::fault::kAlloc, 2);
  EXPECT_TRUE(zv::CheckFormName("Form0", nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  plat::fault::FailNth(plat::fault::kAlloc, 2);
  EXPECT_FALSE(zv::GetFileEntryName(-1, &id, name));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  // ...but is overwritten by 402 for the counters.
  plat::fault::FailNth(plat::fault::kAlloc, 2);
  EXPECT_EQ(zv::CountNamedForms(), 0u);
  EXPECT_EQ(zv::GetLastErrorCode(), 402u);
}

}  // namespace
