// Registering form names: choosing identifiers, adding and rewriting form
// records, and the two edits of the group name list file. Every writer is
// checked byte for byte against the files it must leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/form_name_list.h"
#include "dialogs/module_frame.h"
#include "maintenance/deletion.h"
#include "maintenance/form_registration.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/other_process.h"

namespace {

using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupNameListFile;

constexpr uint32_t kUntouched = 0xDEADBEEF;

std::string NoFormName() {
  char name[zv::kFormNameSize];
  zv::LoadNoFormName(name);
  return name;
}

class FormRegistrationTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    zv::SetLastErrorCode(kUntouched);
  }
  void TearDown() override {
    plat::fault::Reset();
    CatalogueTest::TearDown();
  }

  std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(zvtest::ReadWholeFile(path, &bytes)) << path;
    return bytes;
  }
  std::string FormList() { return Read(FormListPath()); }
  std::string GroupList() { return Read(GroupListPath()); }

  // Identifier and can-add flag of ChooseFormId, or the failure code.
  struct Choice {
    bool result;
    int32_t id;
    uint32_t canAdd;
    uint32_t code;
  };
  Choice Choose(uint32_t mode, const char* name) {
    Choice c{false, 12345, 77, 0};
    zv::SetLastErrorCode(kUntouched);
    c.result = zv::ChooseFormId(mode, name, &c.id, &c.canAdd);
    c.code = zv::GetLastErrorCode();
    return c;
  }

  void WriteDriverConfig(const std::string& body) {
    ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + body + "\r\n"));
  }
  void TearDownDriverConfig() { zvtest::RemoveFile(SystemPath("ZVL3.INI")); }
};

// ---------------------------------------------------------------------------
// AddFormRecord and AppendGroupNameEntry

TEST_F(FormRegistrationTest, FirstRecordCreatesBothListFiles) {
  const Choice c = Choose(zv::kChooseNamedForm, "Invoice");
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, 1);

  ASSERT_TRUE(zv::AddFormRecord(1, "Invoice", "Monthly bill", "C:\\FORMS", zv::kLayerBack));
  const std::string formList = FormList();
  EXPECT_EQ(formList.size(), 325u);
  EXPECT_EQ(formList, FormListFile({{1, "Invoice", "Monthly bill", 2, 0}}, {}));
  const std::string groupList = GroupList();
  EXPECT_EQ(groupList.size(), 50u);
  EXPECT_EQ(groupList, GroupNameListFile({"C:\\FORMS"}));
}

TEST_F(FormRegistrationTest, NullNameAndDescriptionAreWrittenEmpty) {
  ASSERT_TRUE(zv::AddFormRecord(-1, nullptr, nullptr, "D:\\DATA\\BILL.ZLP", zv::kLayerFront));
  EXPECT_EQ(FormList(), FormListFile({}, {{-1, "", "", 1, 0}}, 1));
  EXPECT_EQ(GroupList(), GroupNameListFile({"D:\\DATA\\BILL.ZLP"}));
}

TEST_F(FormRegistrationTest, FirstAppendCreatesTheGroupNameList) {
  const std::string path = GroupListPath();
  EXPECT_EQ(zv::AppendGroupNameEntry(path.c_str(), "C:\\FORMS"), 0);
  const std::string bytes = GroupList();
  ASSERT_EQ(bytes.size(), 50u);
  EXPECT_EQ(bytes,
            Bytes().Text("ZEVROFORM GROUPNAMEINFO V1.0").U32(1).U32(10).U32(0).Pooled("C:\\FORMS").str());

  EXPECT_EQ(zv::AppendGroupNameEntry(path.c_str(), "12"), 1);
  EXPECT_EQ(zv::AppendGroupNameEntry(path.c_str(), ""), 2);
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\FORMS", "12", ""}));
  // The append sets no last error code.
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(FormRegistrationTest, AppendRefusesADamagedList) {
  const std::string damaged = GroupNameListFile({"A", "B"}) + "x";
  WriteGroupList(damaged);
  EXPECT_EQ(zv::AppendGroupNameEntry(GroupListPath().c_str(), "C"), -1);
  EXPECT_EQ(GroupList(), damaged);
}

TEST_F(FormRegistrationTest, NamedFormGoesBehindTheNamedFormsAndMovesTheFileEntriesUp) {
  const std::vector<FormSpec> named = {{1, "Invoice", "first", 1, 0}, {3, "Letter", "", 2, 2}};
  const std::vector<FormSpec> entries = {{-1, "P", "one", 1, 1}, {-2, "C", "two", 2, 3}};
  WriteFormList(FormListFile(named, entries, 2));
  WriteGroupList(GroupNameListFile({"C:\\A", "D:\\P.ZLP", "C:\\B", "D:\\C.ZLP"}));

  const Choice c = Choose(zv::kChooseNamedForm, "Order");
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, 2);
  ASSERT_TRUE(zv::AddFormRecord(2, "Order", "new", "E:\\ORDERS\\", zv::kLayerFront));

  std::vector<FormSpec> expected = named;
  expected.push_back({2, "Order", "new", 1, 4});
  EXPECT_EQ(FormList(), FormListFile(expected, entries, 2));
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\A", "D:\\P.ZLP", "C:\\B", "D:\\C.ZLP", "E:\\ORDERS\\"}));
}

TEST_F(FormRegistrationTest, ManyFileEntriesMoveThroughTheBufferInPieces) {
  // 40 file entries are 11600 bytes: three pieces of at most 5120 bytes.
  std::vector<FormSpec> entries;
  std::vector<std::string> texts = {"C:\\A"};
  for (int i = 0; i < 40; ++i) {
    entries.push_back(
        {-(i + 1), i % 2 ? "P" : "C", "entry " + std::to_string(i), 1, static_cast<uint32_t>(i + 1)});
    texts.push_back("D:\\F" + std::to_string(i) + ".ZLP");
  }
  WriteFormList(FormListFile({{1, "A", "", 1, 0}}, entries, 40));
  WriteGroupList(GroupNameListFile(texts));

  ASSERT_TRUE(zv::AddFormRecord(2, "B", "b", "C:\\B", zv::kLayerFront));
  EXPECT_EQ(FormList(), FormListFile({{1, "A", "", 1, 0}, {2, "B", "b", 1, 41}}, entries, 40));
  texts.push_back("C:\\B");
  EXPECT_EQ(GroupList(), GroupNameListFile(texts));
}

TEST_F(FormRegistrationTest, FileEntryIsAppendedAndBecomesTheLastNumber) {
  WriteFormList(FormListFile({{1, "Invoice", "", 1, 0}}, {{-4, "P", "", 1, 1}}, 4));
  WriteGroupList(GroupNameListFile({"C:\\A", "D:\\P.ZLP"}));

  const Choice c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, -5);
  EXPECT_EQ(c.canAdd, 1u);
  ASSERT_TRUE(zv::AddFormRecord(-5, "C", "capture", "D:\\NEW.ZLP", zv::kLayerBack));
  EXPECT_EQ(FormList(),
            FormListFile({{1, "Invoice", "", 1, 0}}, {{-4, "P", "", 1, 1}, {-5, "C", "capture", 2, 2}}, 5));
}

TEST_F(FormRegistrationTest, AddRefusesADamagedGroupListBeforeTouchingTheFormList) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {});
  const std::string groupList = GroupNameListFile({"C:\\A"}).substr(1);
  WriteFormList(formList);
  WriteGroupList(groupList);
  EXPECT_FALSE(zv::AddFormRecord(2, "B", "", "C:\\B", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
}

TEST_F(FormRegistrationTest, AddRefusesADamagedFormListWithoutAppendingAGroupText) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {}) + std::string(3, '\0');
  const std::string groupList = GroupNameListFile({"C:\\A"});
  WriteFormList(formList);
  WriteGroupList(groupList);
  EXPECT_FALSE(zv::AddFormRecord(2, "B", "", "C:\\B", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
}

TEST_F(FormRegistrationTest, AddRefusesOverLongInputBeforeWritingAnything) {
  const std::string name25(25, 'N');
  const std::string description256(256, 'D');
  const std::string text261 = "C:\\" + std::string(258, 'T');
  EXPECT_FALSE(zv::AddFormRecord(1, name25.c_str(), "", "C:\\A", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(zv::AddFormRecord(1, "A", description256.c_str(), "C:\\A", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(zv::AddFormRecord(1, "A", "", text261.c_str(), 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
  EXPECT_FALSE(zvtest::FileExists(GroupListPath()));

  // The longest values fit.
  const std::string name24(24, 'N');
  const std::string description255(255, 'D');
  const std::string text260 = "C:\\" + std::string(257, 'T');
  ASSERT_TRUE(zv::AddFormRecord(1, name24.c_str(), description255.c_str(), text260.c_str(), 1));
  EXPECT_EQ(FormList(), FormListFile({{1, name24, description255, 1, 0}}, {}));
  EXPECT_EQ(GroupList(), GroupNameListFile({text260}));
}

TEST_F(FormRegistrationTest, AddRefusesAFullRangeAndAFullRing) {
  WriteDriverConfig("F3GRP=1,2");
  const std::string formList = FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}}, {});
  const std::string groupList = GroupNameListFile({"C:\\A", "C:\\B"});
  WriteFormList(formList);
  WriteGroupList(groupList);
  EXPECT_FALSE(zv::AddFormRecord(3, "C", "", "C:\\C", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
  TearDownDriverConfig();
}

// ---------------------------------------------------------------------------
// ChooseFormId

TEST_F(FormRegistrationTest, ChooseGivesTheLowestOfTheRangeWithoutAFormList) {
  Choice c = Choose(zv::kChooseNamedForm, "Invoice");
  EXPECT_TRUE(c.result);
  EXPECT_EQ(c.id, 1);
  c = Choose(zv::kChooseFileEntry, nullptr);
  EXPECT_TRUE(c.result);
  EXPECT_EQ(c.id, -1);
  EXPECT_EQ(c.canAdd, 1u);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
}

TEST_F(FormRegistrationTest, ChooseGivesTheLowestFreeIdentifier) {
  WriteFormList(
      FormListFile({{4, "D", "", 1, 0}, {1, "A", "", 1, 1}, {2, "B", "", 1, 2}}, {{-3, "C", "", 1, 3}}, 3));
  const Choice c = Choose(zv::kChooseNamedForm, "New");
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, 3);
}

TEST_F(FormRegistrationTest, ChooseStartsAtTheLowestOfTheConfiguredRange) {
  WriteDriverConfig("F3GRP=10,20");
  WriteFormList(FormListFile({{10, "A", "", 1, 0}, {1, "B", "", 1, 1}}, {}));
  const Choice c = Choose(zv::kChooseNamedForm, "New");
  TearDownDriverConfig();
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, 11);
}

TEST_F(FormRegistrationTest, ChooseRefusesUnusableNames) {
  const std::string noFormName = NoFormName();
  ASSERT_FALSE(noFormName.empty());
  for (const char* name : {"", " ", " \t  ", "\t", noFormName.c_str()}) {
    const Choice c = Choose(zv::kChooseNamedForm, name);
    EXPECT_FALSE(c.result) << '"' << name << '"';
    EXPECT_EQ(c.code, 405u) << '"' << name << '"';
    EXPECT_EQ(c.id, 12345);
  }
  const Choice null = Choose(zv::kChooseNamedForm, nullptr);
  EXPECT_FALSE(null.result);
  EXPECT_EQ(null.code, 405u);
  // A name longer than the record's 24 characters cannot be stored.
  const Choice longName = Choose(zv::kChooseNamedForm, std::string(25, 'x').c_str());
  EXPECT_FALSE(longName.result);
  EXPECT_EQ(longName.code, 405u);
  // Blanks around other characters are part of a usable name.
  EXPECT_TRUE(Choose(zv::kChooseNamedForm, " x ").result);
}

TEST_F(FormRegistrationTest, ChooseRefusesAnExistingNameButNotInOtherCase) {
  WriteFormList(FormListFile({{1, "Invoice", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 1));
  Choice c = Choose(zv::kChooseNamedForm, "Invoice");
  EXPECT_FALSE(c.result);
  EXPECT_EQ(c.code, 406u);
  c = Choose(zv::kChooseNamedForm, "INVOICE");
  EXPECT_TRUE(c.result);
  EXPECT_EQ(c.id, 2);
  // File entries are not compared.
  c = Choose(zv::kChooseNamedForm, "P");
  EXPECT_TRUE(c.result);
  EXPECT_EQ(c.id, 2);
}

TEST_F(FormRegistrationTest, ChooseFailsWhenTheWholeRangeIsUsed) {
  std::vector<FormSpec> named;
  for (int i = 1; i <= 4096; ++i) named.push_back({i, "F" + std::to_string(i), "", 1, 0});
  WriteFormList(FormListFile(named, {}));
  const Choice c = Choose(zv::kChooseNamedForm, "New");
  EXPECT_FALSE(c.result);
  EXPECT_EQ(c.code, 404u);
}

TEST_F(FormRegistrationTest, ChooseRefusesAnUnknownMode) {
  const Choice c = Choose(2, "A");
  EXPECT_FALSE(c.result);
  EXPECT_EQ(c.code, 404u);
  EXPECT_EQ(c.id, 12345);
}

TEST_F(FormRegistrationTest, ChooseRefusesADamagedFormList) {
  WriteFormList(FormListFile({{1, "A", "", 1, 0}}, {}).substr(0, 324));
  EXPECT_EQ(Choose(zv::kChooseNamedForm, "New").code, 404u);
  EXPECT_EQ(Choose(zv::kChooseFileEntry, nullptr).code, 404u);
}

TEST_F(FormRegistrationTest, FileEntryNumbersGoRoundARingOf256) {
  WriteFormList(FormListFile({}, {{-255, "P", "", 1, 0}}, 255));
  Choice c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, -256);
  EXPECT_EQ(c.canAdd, 1u);

  WriteFormList(FormListFile({}, {{-256, "P", "", 1, 0}}, 256));
  c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, -1);
  EXPECT_EQ(c.canAdd, 1u);

  std::vector<FormSpec> entries;
  for (int i = 1; i <= 256; ++i) entries.push_back({-i, "C", "", 1, 0});
  WriteFormList(FormListFile({}, entries, 17));
  c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, -18);
  EXPECT_EQ(c.canAdd, 0u);
}

TEST_F(FormRegistrationTest, AWrappedRingSkipsNumbersStillInUse) {
  // The ring went round and entries -1, -2 and -4 remain: the next number,
  // -1, is taken, and so is -2; -3 is the first free one.
  std::vector<std::string> texts = {"D:\\A.ZLP", "D:\\B.ZLP", "D:\\D.ZLP"};
  WriteFormList(FormListFile({}, {{-1, "P", "", 1, 0}, {-2, "P", "", 1, 1}, {-4, "P", "", 1, 2}}, 256));
  WriteGroupList(GroupNameListFile(texts));
  Choice c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, -3);
  EXPECT_EQ(c.canAdd, 1u);
  ASSERT_TRUE(zv::AddFormRecord(c.id, "P", "", "D:\\C.ZLP", 1));
  // Then -4 is in use and -5 follows; every number stays unique.
  c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  EXPECT_EQ(c.id, -5);
  // A number already stored is never added a second time.
  EXPECT_FALSE(zv::AddFormRecord(-4, "P", "", "D:\\X.ZLP", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(FormRegistrationTest, AFullRingIsReusedByUpdatingTheRecord) {
  std::vector<FormSpec> entries;
  std::vector<std::string> texts;
  for (int i = 1; i <= 256; ++i) {
    entries.push_back({-i, "C", "", 1, static_cast<uint32_t>(i - 1)});
    texts.push_back("D:\\F" + std::to_string(i) + ".ZLP");
  }
  WriteFormList(FormListFile({}, entries, 256));
  WriteGroupList(GroupNameListFile(texts));
  const Choice c = Choose(zv::kChooseFileEntry, nullptr);
  ASSERT_TRUE(c.result);
  ASSERT_EQ(c.id, -1);
  ASSERT_EQ(c.canAdd, 0u);
  // Adding a 257th file entry is refused.
  EXPECT_FALSE(zv::AddFormRecord(-1, "P", "", "D:\\X.ZLP", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);

  ASSERT_TRUE(zv::UpdateFormRecord(-1, "P", "again", "D:\\FX.ZLP", 2));
  entries[0] = {-1, "P", "again", 2, 0};
  texts[0] = "D:\\FX.ZLP";
  EXPECT_EQ(FormList(), FormListFile({}, entries, 1));
  EXPECT_EQ(GroupList(), GroupNameListFile(texts));
}

// ---------------------------------------------------------------------------
// UpdateFormRecord and ReplaceGroupNameEntry

TEST_F(FormRegistrationTest, UpdateRewritesTheRecordAndItsGroupText) {
  WriteFormList(FormListFile({{1, "A", "a", 1, 0}, {2, "B", "b", 1, 1}}, {{-1, "P", "", 1, 2}}, 1));
  WriteGroupList(GroupNameListFile({"C:\\A", "C:\\B", "D:\\P.ZLP"}));
  ASSERT_TRUE(zv::UpdateFormRecord(2, "Bee", nullptr, "C:\\FORMS\\_F3002.FGP", 2));
  EXPECT_EQ(FormList(), FormListFile({{1, "A", "a", 1, 0}, {2, "Bee", "", 2, 1}}, {{-1, "P", "", 1, 2}}, 1));
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\A", "C:\\FORMS\\_F3002.FGP", "D:\\P.ZLP"}));
}

TEST_F(FormRegistrationTest, UpdateOfAMissingIdentifierChangesNothingButTheLastNumber) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 1);
  const std::string groupList = GroupNameListFile({"C:\\A", "D:\\P.ZLP"});
  WriteFormList(formList);
  WriteGroupList(groupList);

  zv::SetLastErrorCode(kUntouched);
  EXPECT_TRUE(zv::UpdateFormRecord(7, "X", "", "C:\\X", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);

  // A file entry's number is recorded even when no record carries it.
  EXPECT_TRUE(zv::UpdateFormRecord(-9, "P", "", "D:\\X.ZLP", 1));
  EXPECT_EQ(FormList(), FormListFile({{1, "A", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 9));
  EXPECT_EQ(GroupList(), groupList);
  // Found: the record and its group text are rewritten, the number recorded.
  EXPECT_TRUE(zv::UpdateFormRecord(-1, "C", "", "D:\\Y.ZLP", 2));
  EXPECT_EQ(FormList(), FormListFile({{1, "A", "", 1, 0}}, {{-1, "C", "", 2, 1}}, 1));
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\A", "D:\\Y.ZLP"}));
}

TEST_F(FormRegistrationTest, UpdateNeedsAValidFormList) {
  EXPECT_FALSE(zv::UpdateFormRecord(1, "A", "", "C:\\A", 1));
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
  const std::string damaged = FormListFile({{1, "A", "", 1, 0}}, {}) + "!";
  WriteFormList(damaged);
  WriteGroupList(GroupNameListFile({"C:\\A"}));
  EXPECT_FALSE(zv::UpdateFormRecord(1, "A", "", "C:\\B", 1));
  EXPECT_EQ(FormList(), damaged);
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\A"}));
}

TEST_F(FormRegistrationTest, UpdateRefusesOverLongInputBeforeWritingAnything) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 1);
  const std::string groupList = GroupNameListFile({"C:\\A", "D:\\P.ZLP"});
  WriteFormList(formList);
  WriteGroupList(groupList);
  const std::string name25(25, 'N');
  const std::string description256(256, 'D');
  const std::string text261 = "C:\\" + std::string(258, 'T');
  for (int32_t id : {1, -1}) {
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::UpdateFormRecord(id, name25.c_str(), "", "C:\\B", 1));
    EXPECT_EQ(zv::GetLastErrorCode(), 0u);
    EXPECT_FALSE(zv::UpdateFormRecord(id, "B", description256.c_str(), "C:\\B", 1));
    EXPECT_FALSE(zv::UpdateFormRecord(id, "B", "", text261.c_str(), 1));
  }
  EXPECT_FALSE(zv::UpdateFormRecord(-257, "P", "", "C:\\B", 1));
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
}

TEST_F(FormRegistrationTest, UpdateWithADamagedGroupListLeavesBothFiles) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {{-2, "P", "", 1, 1}}, 3);
  const std::string groupList = GroupNameListFile({"C:\\A", "D:\\P.ZLP"}) + "?";
  WriteFormList(formList);
  WriteGroupList(groupList);
  EXPECT_FALSE(zv::UpdateFormRecord(1, "B", "", "C:\\B", 1));
  EXPECT_FALSE(zv::UpdateFormRecord(-2, "C", "", "D:\\Q.ZLP", 1));
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
}

TEST_F(FormRegistrationTest, ReplaceKeepsTheGroupInfoFileNameWhenOnlyTheDirectoryIsGiven) {
  for (const char* directory : {"E:\\NEW", "E:\\NEW\\"}) {
    WriteGroupList(GroupNameListFile({"C:\\A", "D:\\OLD\\ABC001.FGP", "C:\\C"}));
    ASSERT_TRUE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 1, directory)) << directory;
    EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\A", "E:\\NEW\\ABC001.FGP", "C:\\C"})) << directory;
  }
  // The extension is compared without regard to case; a relative old text
  // is resolved in the list's directory first.
  WriteGroupList(GroupNameListFile({"abc002.fgp"}));
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 0, "F:\\X"));
  EXPECT_EQ(GroupList(), GroupNameListFile({"F:\\X\\abc002.fgp"}));
}

TEST_F(FormRegistrationTest, ReplaceStoresOtherTextsUnchanged) {
  WriteGroupList(GroupNameListFile({"C:\\FORMS\\", "D:\\OLD\\ABC001.FGP", "D:\\P.ZLP"}));
  const std::string path = GroupListPath();
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(path.c_str(), 0, "C:\\FORMS\\_F3001.FGP"));
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(path.c_str(), 1, "42"));
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(path.c_str(), 2, "E:\\Q.ZLP"));
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\FORMS\\_F3001.FGP", "42", "E:\\Q.ZLP"}));
}

TEST_F(FormRegistrationTest, ReplaceWithTheSameLengthKeepsTheSize) {
  WriteGroupList(GroupNameListFile({"C:\\AAAA", "C:\\BBBB", "C:\\CCCC"}));
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 1, "D:\\XXXX"));
  EXPECT_EQ(GroupList(), GroupNameListFile({"C:\\AAAA", "D:\\XXXX", "C:\\CCCC"}));
}

TEST_F(FormRegistrationTest, ReplaceWithAShorterTextShrinksTheFileAndLowersLaterOffsets) {
  const std::string before = GroupNameListFile({"C:\\AAAA", "C:\\BBBBBBBB", "C:\\CC", "C:\\DDD"});
  WriteGroupList(before);
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 1, "C:\\B"));
  const std::string after = GroupList();
  EXPECT_EQ(after.size(), before.size() - 7);
  EXPECT_EQ(after, GroupNameListFile({"C:\\AAAA", "C:\\B", "C:\\CC", "C:\\DDD"}));
}

TEST_F(FormRegistrationTest, ReplaceWithALongerTextGrowsTheFileAndRaisesLaterOffsets) {
  std::vector<std::string> texts;
  for (int i = 0; i < 1500; ++i) texts.push_back("C:\\T" + std::to_string(i));
  WriteGroupList(GroupNameListFile(texts));
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 3, "C:\\A MUCH LONGER TEXT THAN BEFORE"));
  texts[3] = "C:\\A MUCH LONGER TEXT THAN BEFORE";
  EXPECT_EQ(GroupList(), GroupNameListFile(texts));
  // And back: the last entry, shrinking to nothing.
  ASSERT_TRUE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 1499, ""));
  texts[1499] = "";
  EXPECT_EQ(GroupList(), GroupNameListFile(texts));
}

TEST_F(FormRegistrationTest, ReplaceRefusesABadIndexADamagedListAndAnOverLongResult) {
  const std::string list = GroupNameListFile({"C:\\A", "D:\\" + std::string(240, 'O') + "\\ABC001.FGP"});
  WriteGroupList(list);
  const std::string path = GroupListPath();
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(path.c_str(), 2, "C:\\B"));
  // The directory and the kept file name would not fit a path.
  const std::string longDirectory = "E:\\" + std::string(250, 'N');
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(path.c_str(), 1, longDirectory.c_str()));
  EXPECT_EQ(GroupList(), list);
  WriteGroupList(list + "x");
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(path.c_str(), 0, "C:\\B"));
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(Path("MISSING.GLT").c_str(), 0, "C:\\B"));
  EXPECT_FALSE(zvtest::FileExists(Path("MISSING.GLT")));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

// ---------------------------------------------------------------------------
// Two writers, memory and write failures

TEST_F(FormRegistrationTest, ASecondWriterFailsAndLeavesBothFilesAsTheyWere) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 1);
  const std::string groupList = GroupNameListFile({"C:\\A", "D:\\P.ZLP"});
  WriteFormList(formList);
  WriteGroupList(groupList);
  for (const std::string& held : {FormListPath(), GroupListPath()}) {
    zvtest::FileHolder holder(held, plat::kAccessReadWrite, plat::kShareRead);
    ASSERT_TRUE(holder.Opened()) << held;
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::AddFormRecord(2, "B", "", "C:\\B", 1)) << held;
    EXPECT_EQ(zv::GetLastErrorCode(), 404u) << held;
    zv::SetLastErrorCode(kUntouched);
    EXPECT_FALSE(zv::AddFormRecord(-2, "C", "", "D:\\C.ZLP", 1)) << held;
    EXPECT_EQ(zv::GetLastErrorCode(), 404u) << held;
    EXPECT_FALSE(zv::UpdateFormRecord(1, "A", "new", "C:\\AA", 1)) << held;
    EXPECT_FALSE(zv::UpdateFormRecord(-1, "P", "new", "D:\\PP.ZLP", 1)) << held;
    EXPECT_EQ(zv::AppendGroupNameEntry(GroupListPath().c_str(), "C:\\B"), held == GroupListPath() ? -1 : 2);
    if (held == FormListPath()) {
      // ChooseFormId does not take a held list for a missing one.
      EXPECT_EQ(Choose(zv::kChooseNamedForm, "B").code, 404u);
      EXPECT_EQ(Choose(zv::kChooseFileEntry, nullptr).code, 404u);
      WriteGroupList(groupList);
    } else {
      EXPECT_FALSE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 0, "C:\\B"));
    }
  }
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
}

TEST_F(FormRegistrationTest, AWriterHandleInThisProcessExcludesTheOperations) {
  const std::string formList = FormListFile({{1, "A", "", 1, 0}}, {});
  const std::string groupList = GroupNameListFile({"C:\\A"});
  WriteFormList(formList);
  WriteGroupList(groupList);
  plat::FileHandle writer =
      plat::OpenFile(FormListPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  ASSERT_NE(writer, nullptr);
  EXPECT_FALSE(zv::AddFormRecord(2, "B", "", "C:\\B", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  plat::CloseFile(writer);
  EXPECT_EQ(FormList(), formList);
  EXPECT_EQ(GroupList(), groupList);
}

TEST_F(FormRegistrationTest, NoWorkingMemoryGives401AndWritesNothing) {
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::AddFormRecord(1, "A", "", "C:\\A", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  Choice c = Choose(zv::kChooseNamedForm, "A");
  EXPECT_FALSE(c.result);
  EXPECT_EQ(c.code, 401u);
  EXPECT_EQ(c.id, 12345);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  zv::SetLastErrorCode(kUntouched);
  EXPECT_FALSE(zv::UpdateFormRecord(1, "A", "", "C:\\A", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_EQ(zv::AppendGroupNameEntry(GroupListPath().c_str(), "C:\\A"), -1);
  plat::fault::FailNth(plat::fault::kAlloc, 1);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 0, "C:\\A"));
  plat::fault::Reset();
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
  EXPECT_FALSE(zvtest::FileExists(GroupListPath()));

  // The list paths' lookup runs out of memory: 401 stays.
  plat::fault::FailNth(plat::fault::kAlloc, 2);
  EXPECT_FALSE(zv::AddFormRecord(1, "A", "", "C:\\A", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  EXPECT_FALSE(zvtest::FileExists(GroupListPath()));
}

TEST_F(FormRegistrationTest, AFailedHeaderWriteDeletesANewListFile) {
  plat::fault::FailNth(plat::fault::kWrite, 1);
  EXPECT_EQ(zv::AppendGroupNameEntry(GroupListPath().c_str(), "C:\\A"), -1);
  EXPECT_FALSE(zvtest::FileExists(GroupListPath()));

  // The form name list's empty header fails after the group text went in.
  WriteGroupList(GroupNameListFile({"C:\\A"}));
  plat::fault::Reset();
  plat::fault::FailNth(plat::fault::kWrite, 5);  // 4 writes append the text
  EXPECT_FALSE(zv::AddFormRecord(1, "A", "", "C:\\B", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
}

TEST_F(FormRegistrationTest, EveryFailedWriteIsReported) {
  const std::string formList =
      FormListFile({{1, "A", "", 1, 0}}, {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}}, 2);
  const std::string groupList = GroupNameListFile({"C:\\A", "D:\\P.ZLP", "D:\\C.ZLP"});
  auto reset = [&] {
    WriteFormList(formList);
    WriteGroupList(groupList);
  };

  struct Operation {
    const char* name;
    bool (*run)(const std::string& groupListPath);
  };
  const Operation operations[] = {
      {"add named", [](const std::string&) { return zv::AddFormRecord(2, "B", "", "C:\\B", 1); }},
      {"add file entry", [](const std::string&) { return zv::AddFormRecord(-3, "C", "", "D:\\Q.ZLP", 1); }},
      {"update longer",
       [](const std::string&) { return zv::UpdateFormRecord(-2, "P", "x", "D:\\LONGER.ZLP", 1); }},
      {"update shorter", [](const std::string&) { return zv::UpdateFormRecord(1, "B", "y", "C:", 2); }},
      {"append", [](const std::string& p) { return zv::AppendGroupNameEntry(p.c_str(), "C:\\X") >= 0; }},
      {"replace", [](const std::string& p) { return zv::ReplaceGroupNameEntry(p.c_str(), 0, "C:\\LONGER"); }},
  };
  for (const Operation& op : operations) {
    reset();
    plat::fault::Reset();
    ASSERT_TRUE(op.run(GroupListPath())) << op.name;
    const uint32_t writes = plat::fault::CallCount(plat::fault::kWrite);
    ASSERT_GT(writes, 1u) << op.name;
    for (uint32_t n = 1; n <= writes; ++n) {
      reset();
      plat::fault::FailNth(plat::fault::kWrite, n);
      zv::SetLastErrorCode(kUntouched);
      EXPECT_FALSE(op.run(GroupListPath())) << op.name << ", write " << n << " of " << writes;
      if (op.name[0] == 'a' && op.name[1] == 'd') {
        EXPECT_EQ(zv::GetLastErrorCode(), 404u) << op.name << ", write " << n;
      }
    }
    plat::fault::Reset();
  }
}

TEST_F(FormRegistrationTest, AFailedCutIsReported) {
  WriteGroupList(GroupNameListFile({"C:\\AAAA", "C:\\B"}));
  plat::fault::FailNth(plat::fault::kSetEnd, 1);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(GroupListPath().c_str(), 0, "C:"));
}

}  // namespace

namespace {

// The file calls of one call of op on a catalogue of count named forms
// (each with a group text of one length) and one file entry.
template <typename Op>
uint32_t FileCallsOn(const std::string& formList, const std::string& groupList, uint32_t count, Op op) {
  std::vector<FormSpec> named;
  std::vector<std::string> texts;
  for (uint32_t i = 1; i <= count; ++i) {
    named.push_back({static_cast<int32_t>(i), "F" + std::to_string(i), "", 1, i - 1});
    texts.push_back("C:\\F" + std::to_string(1000 + i));  // all of one length
  }
  texts.push_back("D:\\P.ZLP");
  EXPECT_TRUE(zvtest::WriteWholeFile(formList, FormListFile(named, {{-1, "P", "", 1, count}}, 1)));
  EXPECT_TRUE(zvtest::WriteWholeFile(groupList, GroupNameListFile(texts)));
  plat::io::Reset();
  op(count);
  return plat::io::Current().fileCalls;
}

}  // namespace

TEST_F(FormRegistrationTest, RecordsAreWalkedWithOneReadPerBlockOf17) {
  // 170 forms are 9 blocks of 17 more than 17 forms: every walk over the
  // named forms makes exactly 9 more file calls, one read per block and no
  // positioning between blocks that follow each other.
  const auto choose = [](uint32_t) {
    int32_t id = 0;
    EXPECT_TRUE(zv::ChooseFormId(zv::kChooseNamedForm, "New", &id, nullptr));
  };
  EXPECT_EQ(FileCallsOn(FormListPath(), GroupListPath(), 170, choose) -
                FileCallsOn(FormListPath(), GroupListPath(), 17, choose),
            9u);
  const auto add = [](uint32_t count) {
    EXPECT_TRUE(zv::AddFormRecord(static_cast<int32_t>(count + 1), "New", "", "C:\\NEW", 1));
  };
  EXPECT_EQ(FileCallsOn(FormListPath(), GroupListPath(), 170, add) -
                FileCallsOn(FormListPath(), GroupListPath(), 17, add),
            9u);
  const auto update = [](uint32_t count) {
    EXPECT_TRUE(zv::UpdateFormRecord(static_cast<int32_t>(count), "Last", "", "C:\\LAST1", 1));
  };
  EXPECT_EQ(FileCallsOn(FormListPath(), GroupListPath(), 170, update) -
                FileCallsOn(FormListPath(), GroupListPath(), 17, update),
            9u);
}

TEST_F(FormRegistrationTest, RecordsRewrittenInPlaceArePositionedOnlyForTheirWrite) {
  // Deleting the last record, a file entry, leaves every other record in
  // place but lowers the group indexes above its own, block by block. Each
  // block is read where the last write left the file and positioned only to
  // be written back: the 9 more blocks of 170 forms cost 3 calls each.
  const auto remove = [](uint32_t) { EXPECT_TRUE(zv::DeleteForm(-1)); };
  EXPECT_EQ(FileCallsOn(FormListPath(), GroupListPath(), 170, remove) -
                FileCallsOn(FormListPath(), GroupListPath(), 17, remove),
            9u * 3);
}
