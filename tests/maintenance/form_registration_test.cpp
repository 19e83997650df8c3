// Registering form names: identifiers chosen, form records added and
// rewritten, the group name list file's two edits, each compared byte for
// byte with the list files it must leave; refusals and failures leave them
// as they were, and a list file a failed call created is not left.
#include "maintenance/form_registration.h"

#include <gtest/gtest.h>

#include <functional>

#include "catalogue/form_name_list.h"
#include "maintenance/maintenance_fixture.h"
#include "support/other_process.h"

namespace {

using namespace zvtest;

// Numbered forms or file entries (group index = position), and their texts.
std::vector<FormSpec> Forms(int count, int sign) {
  std::vector<FormSpec> forms;
  for (int i = 1; i <= count; ++i)
    forms.push_back({sign * i, "C" + std::to_string(i), "", 1, uint32_t(i - 1)});
  return forms;
}
std::vector<std::string> Texts(int count, const std::string& prefix = "D:\\F") {
  std::vector<std::string> texts;
  for (int i = 1; i <= count; ++i) texts.push_back(prefix + std::to_string(i) + ".ZLP");
  return texts;
}
std::vector<std::string> With(std::vector<std::string> texts, size_t i, const std::string& text) {
  (i < texts.size() ? texts[i] : texts.emplace_back()) = text;
  return texts;
}

class FormRegistrationTest : public MaintenanceTest {
 protected:
  void TearDown() override {
    RemoveFile(SystemPath("ZVL3.INI"));
    MaintenanceTest::TearDown();
  }
  // Both list files as given (kMissing: none), and the identifier range.
  void Set(const std::string& forms, const std::string& groups, const std::string& range = "") {
    Write(FormListPath(), forms);
    Write(GroupListPath(), groups);
    Write(SystemPath("ZVL3.INI"), range.empty() ? kMissing : "[ENVIRONMENT]\r\nF3GRP=" + range + "\r\n");
    zv::SetLastErrorCode(kUntouched);
  }
  void ExpectLists(const std::string& forms, const std::string& groups, size_t row) {
    EXPECT_EQ(Read(FormListPath()), forms) << "row " << row;
    EXPECT_EQ(Read(GroupListPath()), groups) << "row " << row;
  }
};

TEST_F(FormRegistrationTest, AddWritesBothListsOrRefusesWith404LeavingThem) {
  const std::string n24(24, 'N'), d255(255, 'D'), t260 = "C:\\" + std::string(257, 'T');
  const std::vector<FormSpec> named = {{1, "Invoice", "first", 1, 0}, {3, "Letter", "", 2, 2}};
  const std::vector<FormSpec> entries = {{-1, "P", "one", 1, 1}, {-2, "C", "two", 2, 3}};
  const std::vector<std::string> texts = {"C:\\A", "D:\\P.ZLP", "C:\\B", "D:\\C.ZLP"};
  const std::string two = FormListFile(named, entries, 2), twoTexts = GroupNameListFile(texts);
  const std::vector<FormSpec> forty = Forms(40, -1);  // 11600 bytes: pieces through the buffer
  const std::vector<std::string> fortyTexts = With(Texts(40), 40, "C:\\A");
  const std::string one = FormListFile({{1, "A", "", 1, 0}}, {}), oneText = GroupNameListFile({"C:\\A"});
  std::vector<FormSpec> full = Forms(256, -1);
  full[255].id = -1;  // 256 entries, -256 free
  struct Row {
    std::string forms, groups, range;
    int32_t id;
    std::string name, description, text;
    std::string formsAfter, groupsAfter;  // empty: refused with 404, both lists unchanged
  };
  const std::vector<Row> rows = {
      {kMissing, kMissing, "", 1, "Invoice", "Monthly bill", "C:\\FORMS",
       FormListFile({{1, "Invoice", "Monthly bill", 2, 0}}, {}), GroupNameListFile({"C:\\FORMS"})},
      {kMissing, kMissing, "", -1, "", "", "D:\\B.ZLP", FormListFile({}, {{-1, "", "", 2, 0}}, 1),
       GroupNameListFile({"D:\\B.ZLP"})},
      {two, twoTexts, "", 2, "Order", "new", "E:\\ORDERS\\",
       FormListFile({named[0], named[1], {2, "Order", "new", 2, 4}}, entries, 2),
       GroupNameListFile(With(texts, 4, "E:\\ORDERS\\"))},
      {two, twoTexts, "", -5, "X", "capture", "D:\\N.ZLP",
       FormListFile(named, {entries[0], entries[1], {-5, "X", "capture", 2, 4}}, 5),
       GroupNameListFile(With(texts, 4, "D:\\N.ZLP"))},
      {FormListFile({{1, "A", "", 1, 40}}, forty, 40), GroupNameListFile(fortyTexts), "", 2, "B", "b",
       "C:\\B", FormListFile({{1, "A", "", 1, 40}, {2, "B", "b", 2, 41}}, forty, 40),
       GroupNameListFile(With(fortyTexts, 41, "C:\\B"))},
      {kMissing, kMissing, "", 1, n24, d255, t260, FormListFile({{1, n24, d255, 2, 0}}, {}),
       GroupNameListFile({t260})},
      {one, oneText, "", -256, "B", "", "C:\\B",
       FormListFile({{1, "A", "", 1, 0}}, {{-256, "B", "", 2, 1}}, 256),
       GroupNameListFile({"C:\\A", "C:\\B"})},
      {kMissing, kMissing, "", 1, n24 + "N", "", "C:\\A", "", ""},
      {kMissing, kMissing, "", 1, "A", d255 + "D", "C:\\A", "", ""},
      {kMissing, kMissing, "", 1, "A", "", t260 + "T", "", ""},
      {one, oneText.substr(1), "", 2, "B", "", "C:\\B", "", ""},               // damaged group list
      {one + std::string(3, '\0'), oneText, "", 2, "B", "", "C:\\B", "", ""},  // damaged form list
      {FormListFile({{1, "A", "", 1, 0}, {2, "B", "", 1, 1}}, {}), GroupNameListFile({"C:\\A", "C:\\B"}),
       "1,2", 3, "C", "", "C:\\C", "", ""},                   // the range is full
      {one, oneText, "", 1, "B", "", "C:\\B", "", ""},        // identifier present
      {one, oneText, "", 2, "A", "", "C:\\B", "", ""},        // name present
      {two, twoTexts, "", -2, "P", "", "D:\\X.ZLP", "", ""},  // file entry present
      {FormListFile({}, full, 256), GroupNameListFile(Texts(256)), "", -256, "P", "", "D:\\X.ZLP", "",
       ""},  // 257th
      {one, oneText, "", 0, "B", "", "C:\\B", "", ""},
      {one, oneText, "", -257, "B", "", "C:\\B", "", ""},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    Set(r.forms, r.groups, r.range);
    const bool ok = !r.formsAfter.empty();
    const char* name = r.name.empty() ? nullptr : r.name.c_str();  // null is written empty
    EXPECT_EQ(zv::AddFormRecord(r.id, name, name ? r.description.c_str() : nullptr, r.text.c_str(), 2), ok)
        << i;
    EXPECT_EQ(zv::GetLastErrorCode(), ok ? 0u : 404u) << "row " << i;
    ExpectLists(ok ? r.formsAfter : r.forms, ok ? r.groupsAfter : r.groups, i);
  }
}

TEST_F(FormRegistrationTest, ChooseFormIdGivesTheNextFreeIdentifierOrTheReason) {
  char noForm[zv::kFormNameSize];
  zv::LoadNoFormName(noForm);
  ASSERT_NE(noForm[0], '\0');
  const std::string one = FormListFile({{1, "Invoice", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 1), n25(25, 'x');
  struct Row {
    std::string forms, range;
    uint32_t mode;
    const char* name;
    uint32_t code;  // 0: chosen
    int32_t id;
    uint32_t canAdd;
  };
  const std::vector<Row> rows = {
      {kMissing, "", 0, "Invoice", 0, 1, 77},
      {kMissing, "", 1, nullptr, 0, -1, 1},
      {FormListFile({{4, "D", "", 1, 0}, {1, "A", "", 1, 1}, {2, "B", "", 1, 2}}, {{-3, "C", "", 1, 3}}, 3),
       "", 0, "New", 0, 3, 77},
      {FormListFile({{10, "A", "", 1, 0}, {1, "B", "", 1, 1}}, {}), "10,20", 0, "New", 0, 11, 77},
      {kMissing, "", 0, "", 405},
      {kMissing, "", 0, " \t  ", 405},
      {kMissing, "", 0, noForm, 405},
      {kMissing, "", 0, nullptr, 405},
      {kMissing, "", 0, n25.c_str(), 405},
      {kMissing, "", 0, " x ", 0, 1, 77},
      {one, "", 0, "Invoice", 406},
      {one, "", 0, "INVOICE", 0, 2, 77},
      {one, "", 0, "P", 0, 2, 77},
      {FormListFile(Forms(4096, 1), {}), "", 0, "New", 404},
      {one, "", 2, "A", 404},
      {one.substr(0, one.size() - 1), "", 0, "New", 404},
      {one.substr(0, one.size() - 1), "", 1, nullptr, 404},
      {FormListFile({}, {{-255, "P", "", 1, 0}}, 255), "", 1, nullptr, 0, -256, 1},
      {FormListFile({}, {{-256, "P", "", 1, 0}}, 256), "", 1, nullptr, 0, -1, 1},
      {FormListFile({}, Forms(256, -1), 17), "", 1, nullptr, 0, -18, 0},
      {FormListFile({}, Forms(256, -1), 256), "", 1, nullptr, 0, -1, 0},
      {FormListFile({}, {{-1, "P", "", 1, 0}, {-2, "P", "", 1, 1}, {-4, "P", "", 1, 2}}, 256), "", 1, nullptr,
       0, -3, 1},  // a wrapped ring steps past numbers in use
      {FormListFile({}, Forms(4, -1), 3), "", 1, nullptr, 0, -5, 1},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    Set(r.forms, kMissing, r.range);
    int32_t id = 12345;
    uint32_t canAdd = 77;
    EXPECT_EQ(zv::ChooseFormId(r.mode, r.name, &id, &canAdd), r.code == 0) << "row " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), r.code) << "row " << i;
    EXPECT_EQ(id, r.code ? 12345 : r.id) << "row " << i;
    EXPECT_EQ(canAdd, r.code ? 77 : r.canAdd) << "row " << i;
    EXPECT_EQ(Read(FormListPath()), r.forms) << "row " << i;
  }
}

TEST_F(FormRegistrationTest, UpdateRewritesTheRecordAndItsGroupTextOrLeavesBoth) {
  const std::string forms =
      FormListFile({{1, "A", "a", 1, 0}, {2, "B", "b", 1, 1}}, {{-1, "P", "", 1, 2}}, 1);
  const std::vector<std::string> texts = {"C:\\A", "C:\\B", "D:\\P.ZLP"};
  const std::string groups = GroupNameListFile(texts);
  std::vector<FormSpec> ring = Forms(256, -1);
  const std::string ringForms = FormListFile({}, ring, 256);
  ring[0] = {-1, "P", "again", 2, 0};
  const auto numbered = [](uint16_t last) {
    return FormListFile({{1, "A", "a", 1, 0}, {2, "B", "b", 1, 1}}, {{-1, "P", "", 1, 2}}, last);
  };
  struct Row {
    std::string forms, groups;
    int32_t id;
    std::string name, description, text;
    bool ok;
    std::string formsAfter, groupsAfter;  // empty: unchanged
  };
  const std::vector<Row> rows = {
      {forms, groups, 2, "Bee", "", "C:\\FORMS\\_F3002.FGP", true,
       FormListFile({{1, "A", "a", 1, 0}, {2, "Bee", "", 2, 1}}, {{-1, "P", "", 1, 2}}, 1),
       GroupNameListFile(With(texts, 1, "C:\\FORMS\\_F3002.FGP"))},
      {forms, groups, 7, "X", "", "C:\\X", true, "", ""},
      {forms, groups, -9, "P", "", "D:\\X.ZLP", true, numbered(9), ""},
      {forms, groups, -256, "P", "", "C:\\B", true, numbered(256), ""},
      {forms, groups, -1, "C", "", "D:\\Y.ZLP", true,
       FormListFile({{1, "A", "a", 1, 0}, {2, "B", "b", 1, 1}}, {{-1, "C", "", 2, 2}}, 1),
       GroupNameListFile(With(texts, 2, "D:\\Y.ZLP"))},
      {ringForms, GroupNameListFile(Texts(256)), -1, "P", "again", "D:\\FX.ZLP", true,
       FormListFile({}, ring, 1), GroupNameListFile(With(Texts(256), 0, "D:\\FX.ZLP"))},
      {kMissing, groups, 1, "A", "", "C:\\A", false, "", ""},
      {forms + "!", groups, 1, "A", "", "C:\\B", false, "", ""},
      {forms, groups + "?", 1, "B", "", "C:\\B", false, "", ""},
      {forms, groups + "?", -1, "C", "", "D:\\Q.ZLP", false, "", ""},
      {forms, groups, 1, std::string(25, 'N'), "", "C:\\B", false, "", ""},
      {forms, groups, 1, "B", std::string(256, 'D'), "C:\\B", false, "", ""},
      {forms, groups, 1, "B", "", "C:\\" + std::string(258, 'T'), false, "", ""},
      {forms, groups, -257, "P", "", "C:\\B", false, "", ""},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    Set(r.forms, r.groups);
    const char* description = r.description.empty() ? nullptr : r.description.c_str();
    EXPECT_EQ(zv::UpdateFormRecord(r.id, r.name.c_str(), description, r.text.c_str(), 2), r.ok)
        << "row " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), 0u) << "row " << i;
    ExpectLists(r.formsAfter.empty() ? r.forms : r.formsAfter,
                r.groupsAfter.empty() ? r.groups : r.groupsAfter, i);
  }
}

TEST_F(FormRegistrationTest, GroupNameEntriesAreAppendedOrReplacedKeepingAGroupInfoFileName) {
  const std::string groups = GroupListPath();
  EXPECT_EQ(zv::AppendGroupNameEntry(groups.c_str(), "C:\\FORMS"), 0);  // the file is created
  EXPECT_EQ(Read(groups),
            Bytes().Text("ZEVROFORM GROUPNAMEINFO V1.0").U32(1).U32(10).U32(0).Pooled("C:\\FORMS").str());
  EXPECT_EQ(zv::AppendGroupNameEntry(groups.c_str(), "12"), 1);
  EXPECT_EQ(zv::AppendGroupNameEntry(groups.c_str(), ""), 2);
  EXPECT_EQ(Read(groups), GroupNameListFile({"C:\\FORMS", "12", ""}));
  const std::vector<std::string> many = Texts(1500, "C:\\T");
  const std::string deep = "D:\\" + std::string(240, 'O') + "\\ABC001.FGP";
  struct Row {
    std::vector<std::string> before;
    uint32_t index;
    std::string text;
    std::vector<std::string> after;  // empty: refused, unchanged
  };
  const std::vector<Row> rows = {
      {{"C:\\A", "D:\\OLD\\ABC001.FGP", "C:\\C"}, 1, "E:\\NEW", {"C:\\A", "E:\\NEW\\ABC001.FGP", "C:\\C"}},
      {{"C:\\A", "D:\\OLD\\ABC001.FGP", "C:\\C"}, 1, "E:\\NEW\\", {"C:\\A", "E:\\NEW\\ABC001.FGP", "C:\\C"}},
      {{"abc002.fgp"}, 0, "F:\\X", {"F:\\X\\abc002.fgp"}},  // any case, resolved first
      {{"C:\\FORMS\\", "D:\\P.ZLP"}, 0, "C:\\FORMS\\_F3001.FGP", {"C:\\FORMS\\_F3001.FGP", "D:\\P.ZLP"}},
      {{"C:\\A", "D:\\OLD\\ABC001.FGP"}, 1, "42", {"C:\\A", "42"}},
      {{"C:\\AAAA", "C:\\BBBB", "C:\\CCCC"}, 1, "D:\\XXXX", {"C:\\AAAA", "D:\\XXXX", "C:\\CCCC"}},
      {{"C:\\AAAA", "C:\\BBBBBBBB", "C:\\CC"}, 1, "C:\\B", {"C:\\AAAA", "C:\\B", "C:\\CC"}},
      {many, 3, "C:\\A MUCH LONGER TEXT", With(many, 3, "C:\\A MUCH LONGER TEXT")},
      {many, 1499, "", With(many, 1499, "")},
      {{"C:\\A", deep}, 2, "C:\\B", {}},
      {{"C:\\A", deep}, 1, "E:\\" + std::string(250, 'N'), {}},  // directory and kept name do not fit a path
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    WriteGroupList(GroupNameListFile(r.before));
    EXPECT_EQ(zv::ReplaceGroupNameEntry(groups.c_str(), r.index, r.text.c_str()), !r.after.empty()) << i;
    EXPECT_EQ(Read(groups), GroupNameListFile(r.after.empty() ? r.before : r.after)) << "row " << i;
  }
  const std::string damaged = GroupNameListFile({"A", "B"}) + "x";
  WriteGroupList(damaged);
  EXPECT_EQ(zv::AppendGroupNameEntry(groups.c_str(), "C"), -1);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(groups.c_str(), 0, "C:\\B"));
  EXPECT_EQ(Read(groups), damaged);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(Path("MISSING.GLT").c_str(), 0, "C:\\B"));
  EXPECT_FALSE(FileExists(Path("MISSING.GLT")));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

TEST_F(FormRegistrationTest, HeldFilesNoMemoryAndFailedWritesLeaveTheListsAndAreReported) {
  const std::string forms = FormListFile({{1, "A", "", 1, 0}}, {{-1, "P", "", 1, 1}, {-2, "C", "", 1, 2}}, 2);
  const std::string groups = GroupNameListFile({"C:\\A", "D:\\P.ZLP", "D:\\C.ZLP"}), g = GroupListPath();
  struct Operation {
    bool formList;  // needs the form list
    uint32_t code;  // the last error code of a failure
    std::function<bool()> run;
  };
  const Operation operations[] = {
      {true, 404, [] { return zv::AddFormRecord(2, "B", "", "C:\\B", 1); }},
      {true, 404, [] { return zv::AddFormRecord(-3, "C", "", "D:\\Q.ZLP", 1); }},
      {true, 0, [] { return zv::UpdateFormRecord(-2, "P", "x", "D:\\LONG.ZLP", 1); }},
      {true, 0, [] { return zv::UpdateFormRecord(1, "B", "y", "C:", 2); }},
      {false, kUntouched, [&] { return zv::AppendGroupNameEntry(g.c_str(), "C:\\X") >= 0; }},
      {false, kUntouched, [&] { return zv::ReplaceGroupNameEntry(g.c_str(), 0, "C:\\LONGER"); }},
  };
  for (size_t i = 0; i < std::size(operations); ++i) {
    const Operation& op = operations[i];
    for (const std::string& held : {FormListPath(), GroupListPath()}) {
      Set(forms, groups);
      FileHolder holder(held, plat::kAccessReadWrite, plat::kShareRead);
      ASSERT_TRUE(holder.Opened());
      EXPECT_EQ(op.run(), held == FormListPath() && !op.formList) << i << " " << held;
      EXPECT_EQ(zv::GetLastErrorCode(), op.code) << i;
    }
    Set(forms, groups);
    fault::FailNth(fault::kWrite, 2);
    EXPECT_FALSE(op.run()) << i;
    EXPECT_EQ(zv::GetLastErrorCode(), op.code) << i;
    Set(kMissing, kMissing);
    fault::FailNth(fault::kAlloc, 1);
    EXPECT_FALSE(op.run()) << i;
    EXPECT_EQ(zv::GetLastErrorCode(), op.formList ? 401u : kUntouched) << i;
    ExpectLists(kMissing, kMissing, i);
  }
  fault::FailNth(fault::kAlloc, 2);  // the list paths' lookup runs short
  EXPECT_FALSE(zv::AddFormRecord(1, "A", "", "C:\\A", 1));
  EXPECT_EQ(zv::GetLastErrorCode(), 401u);
  Set(forms, groups);
  {
    FileHolder holder(FormListPath(), plat::kAccessReadWrite, plat::kShareRead);
    int32_t id = 0;
    EXPECT_FALSE(zv::ChooseFormId(zv::kChooseNamedForm, "B", &id, nullptr));  // held is not missing
    EXPECT_EQ(zv::GetLastErrorCode(), 404u);
    EXPECT_FALSE(zv::ChooseFormId(zv::kChooseFileEntry, nullptr, &id, nullptr));
  }
  plat::FileHandle writer =
      plat::OpenFile(FormListPath().c_str(), plat::kAccessReadWrite, plat::kShareRead, plat::kOpenExisting);
  EXPECT_FALSE(zv::AddFormRecord(2, "B", "", "C:\\B", 1));  // a writer in this process
  plat::CloseFile(writer);
  ExpectLists(forms, groups, 0);
  WriteGroupList(GroupNameListFile({"C:\\AAAA", "C:\\B"}));
  fault::FailNth(fault::kSetEnd, 1);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(g.c_str(), 0, "C:"));
  // A list file the call created is removed again when it cannot be completed.
  Set(kMissing, kMissing);
  fault::FailNth(fault::kWrite, 1);
  EXPECT_EQ(zv::AppendGroupNameEntry(g.c_str(), "C:\\A"), -1);
  EXPECT_FALSE(FileExists(g));
  WriteGroupList(GroupNameListFile({"C:\\A"}));
  fault::FailNth(fault::kWrite, 5);  // 4 writes append the text, then the new form list's header
  EXPECT_FALSE(zv::AddFormRecord(1, "A", "", "C:\\B", 1));
  EXPECT_FALSE(FileExists(FormListPath()));
}

}  // namespace
