// Registering form names: identifiers chosen, form records added and rewritten, the group name list file's
// two edits, each compared byte for byte with the list files it must leave; refusals leave them as they were.
#include "maintenance/form_registration.h"

#include <gtest/gtest.h>

#include "catalogue/form_name_list.h"
#include "maintenance/maintenance_fixture.h"

namespace {

using namespace zvtest;
using Texts = std::vector<std::string>;

// count numbered forms (sign 1) or file entries (-1), group index = position.
std::vector<FormRow> Forms(int count, int sign) {
  std::vector<FormRow> forms;
  for (int i = 1; i <= count; ++i)
    forms.push_back({sign * i, "C" + std::to_string(i), "", 1, uint32_t(i - 1)});
  return forms;
}
Texts Numbered(int count, const std::string& prefix = "D:\\F") {
  Texts texts;
  for (int i = 1; i <= count; ++i) texts.push_back(prefix + std::to_string(i) + ".ZLP");
  return texts;
}
Texts With(Texts texts, size_t i, const std::string& text) {
  (i < texts.size() ? texts[i] : texts.emplace_back()) = text;
  return texts;
}
std::string Both(const std::string& forms, const Texts& texts) {
  return forms + "|" + GroupNameListFile(texts);
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
  std::string Lists() { return Read(FormListPath()) + "|" + Read(GroupListPath()); }
};

TEST_F(FormRegistrationTest, AddAndUpdateWriteBothListsOrLeaveThem) {
  const std::string n24(24, 'N'), d255(255, 'D'), t260 = "C:\\" + std::string(257, 'T');
  const std::vector<FormRow> named = {{1, "Invoice", "first", 1, 0}, {3, "Letter", "", 2, 2}};
  const std::vector<FormRow> entries = {{-1, "P", "one", 1, 1}, {-2, "C", "two", 2, 3}};
  const Texts texts = {"C:\\A", "D:\\P.ZLP", "C:\\B", "D:\\C.ZLP"};
  const std::string two = FormListFile(named, entries, 2), twoTexts = GroupNameListFile(texts);
  const std::string one = FormListFile({{1, "A", "", 1, 0}}, {}), oneText = GroupNameListFile({"C:\\A"});
  std::vector<FormRow> full = Forms(256, -1);
  full[255].id = -1;  // 256 entries, -256 free
  const std::string ring = GroupNameListFile(Numbered(256));
  // 'A' adds, 'U' updates; after empty: refused, both lists unchanged (Add with 404, Update without a code);
  // "=": done, lists unchanged.
  const std::vector<std::tuple<const char*, std::string, std::string, int32_t, std::string, std::string,
                               std::string, std::string>>
      rows = {
          {"A", kMissing, kMissing, 1, "Invoice", "Monthly bill", "C:\\FORMS",
           Both(FormListFile({{1, "Invoice", "Monthly bill", 2, 0}}, {}), {"C:\\FORMS"})},
          {"A", kMissing, kMissing, -1, "", "", "D:\\B.ZLP",
           Both(FormListFile({}, {{-1, "", "", 2, 0}}, 1), {"D:\\B.ZLP"})},
          {"A", two, twoTexts, 2, "Order", "new", "E:\\ORDERS\\",
           Both(FormListFile({named[0], named[1], {2, "Order", "new", 2, 4}}, entries, 2),
                With(texts, 4, "E:\\ORDERS\\"))},
          {"A", kMissing, kMissing, 1, n24, d255, t260,
           Both(FormListFile({{1, n24, d255, 2, 0}}, {}), {t260})},
          {"A", one, oneText, -256, "B", "", "C:\\B",
           Both(FormListFile({{1, "A", "", 1, 0}}, {{-256, "B", "", 2, 1}}, 256), {"C:\\A", "C:\\B"})},
          {"U", two, twoTexts, 3, "Bee", "", "C:\\FORMS\\_F3002.FGP",
           Both(FormListFile({named[0], {3, "Bee", "", 2, 2}}, entries, 2),
                With(texts, 2, "C:\\FORMS\\_F3002.FGP"))},
          {"U", two, twoTexts, 7, "X", "", "C:\\X", "="},  // no such record
          {"U", two, twoTexts, -256, "P", "", "D:\\X.ZLP",
           FormListFile(named, entries, 256) + "|" + twoTexts},
          // clang-format off
          {"AU", one, oneText, 1, n24 + "N", "", "C:\\A", ""},
          {"AU", one, oneText, 1, "A", d255 + "D", "C:\\A", ""},
          {"AU", one, oneText, 1, "A", "", t260 + "T", ""},
          {"AU", one, oneText, -257, "B", "", "C:\\B", ""},
          {"A", one, oneText.substr(1), 2, "B", "", "C:\\B", ""},  // damaged group list
          {"U", one, oneText + "?", 1, "B", "", "C:\\B", ""},
          {"AU", one + std::string(3, '\0'), oneText, 1, "B", "", "C:\\B", ""},  // damaged form list
          {"U", kMissing, oneText, 1, "A", "", "C:\\A", ""},
          {"A", one, oneText, 0, "B", "", "C:\\B", ""},
          {"A", one, oneText, 1, "B", "", "C:\\B", ""},  // identifier present
          {"A", one, oneText, 2, "A", "", "C:\\B", ""},  // name present
          {"A", one, oneText, 2, "a", "", "C:\\B",  // names compare byte for byte
           Both(FormListFile({{1, "A", "", 1, 0}, {2, "a", "", 2, 1}}, {}), {"C:\\A", "C:\\B"})},
          {"A", FormListFile({{1, n24, "", 1, 0}}, {}), oneText, 2, n24, "", "C:\\B", ""},  // 24 characters
          {"A", two, twoTexts, -2, "P", "", "D:\\X.ZLP", ""},  // file entry present
          {"A", FormListFile({}, full, 256), ring, -256, "P", "", "D:\\X.ZLP", ""},  // a 257th file entry
          // clang-format on
      };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [ops, forms, groups, id, name, description, text, after] = rows[i];
    for (const char* op = ops; *op; ++op) {
      Set(forms, groups);
      const bool ok = !after.empty(), add = *op == 'A';
      const char* n = name.empty() ? nullptr : name.c_str();  // null is written empty
      const char* d = description.empty() ? nullptr : description.c_str();
      EXPECT_EQ(add ? zv::AddFormRecord(id, n, d, text.c_str(), 2)
                    : zv::UpdateFormRecord(id, n, d, text.c_str(), 2),
                ok)
          << "row " << i << *op;
      EXPECT_EQ(zv::GetLastErrorCode(), add && !ok ? 404u : 0u) << "row " << i << *op;
      EXPECT_EQ(Lists(), after.empty() || after == "=" ? forms + "|" + groups : after) << "row " << i << *op;
    }
  }
  // The list paths not found, the lookup short of memory: a failed registration all the same.
  Set(one, oneText);
  fault::FailNth(fault::kAlloc, 2);
  EXPECT_FALSE(zv::AddFormRecord(2, "B", nullptr, "C:\\B", 1));
  fault::Reset();
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  EXPECT_EQ(Lists(), one + "|" + oneText);
}

TEST_F(FormRegistrationTest, ChooseFormIdGivesTheNextFreeIdentifierOrTheReason) {
  char noForm[zv::kFormNameSize];
  zv::LoadNoFormName(noForm);
  ASSERT_NE(noForm[0], '\0');
  const std::string one = FormListFile({{1, "Invoice", "", 1, 0}}, {{-1, "P", "", 1, 1}}, 1), n25(25, 'x');
  const std::string cut = one.substr(0, one.size() - 1);
  // The form list, the range, the mode and name; the code (0: chosen), the identifier and canAdd given out.
  const std::vector<std::tuple<std::string, std::string, uint32_t, const char*, uint32_t, int32_t, uint32_t>>
      rows = {
          {kMissing, "", 0, "Invoice", 0, 1, 77},
          {kMissing, "", 1, nullptr, 0, -1, 1},
          {FormListFile({{4, "D", "", 1, 0}, {1, "A", "", 1, 1}, {2, "B", "", 1, 2}}, {{-3, "C", "", 1, 3}},
                        3),
           "", 0, "New", 0, 3, 77},
          {FormListFile({{10, "A", "", 1, 0}, {1, "B", "", 1, 1}}, {}), "10,20", 0, "New", 0, 11, 77},
          // clang-format off
      {kMissing, "", 0, "", 405, 0, 0},
      {kMissing, "", 0, " \t  ", 405, 0, 0},
      {kMissing, "", 0, noForm, 405, 0, 0},
      {kMissing, "", 0, nullptr, 405, 0, 0},
      {kMissing, "", 0, n25.c_str(), 405, 0, 0},
      {kMissing, "", 0, " x ", 0, 1, 77},
      {one, "", 0, "Invoice", 406, 0, 0},
      {one, "", 0, "INVOICE", 0, 2, 77},
      {one, "", 0, "P", 0, 2, 77},
      {FormListFile(Forms(4096, 1), {}), "", 0, "New", 404, 0, 0},
      {kMissing, "-1", 0, "New", 404, 0, 0},  // ranges that wrap to identifiers below 1 give none
      {one, "-5,10", 0, "New", 404, 0, 0},
      {one, "", 2, "A", 404, 0, 0},
      {cut, "", 0, "New", 404, 0, 0},
      {cut, "", 1, nullptr, 404, 0, 0},
      {FormListFile({}, {{-255, "P", "", 1, 0}}, 255), "", 1, nullptr, 0, -256, 1},
      {FormListFile({}, {{-256, "P", "", 1, 0}}, 256), "", 1, nullptr, 0, -1, 1},
      {FormListFile({}, Forms(256, -1), 17), "", 1, nullptr, 0, -18, 0},
      {FormListFile({}, Forms(256, -1), 256), "", 1, nullptr, 0, -1, 0},
      {FormListFile({}, Forms(4, -1), 3), "", 1, nullptr, 0, -5, 1},
          // clang-format on
      };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [forms, range, mode, name, code, wantId, wantCanAdd] = rows[i];
    Set(forms, kMissing, range);
    int32_t id = 12345;
    uint32_t canAdd = 77;
    EXPECT_EQ(zv::ChooseFormId(mode, name, &id, &canAdd), code == 0) << "row " << i;
    EXPECT_EQ(zv::GetLastErrorCode(), code) << "row " << i;
    EXPECT_EQ(id, code ? 12345 : wantId) << "row " << i;
    EXPECT_EQ(canAdd, code ? 77 : wantCanAdd) << "row " << i;
    EXPECT_EQ(Read(FormListPath()), forms) << "row " << i;
  }
  Write(SystemPath("ZVLMN3.DAT"), "[ENVIRONMENT]\r\nUSER=\r\n");  // without the list paths
  int32_t id = 0;
  EXPECT_FALSE(zv::ChooseFormId(zv::kChooseNamedForm, "New", &id, nullptr));
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
}

TEST_F(FormRegistrationTest, GroupNameEntriesAreAppendedOrReplacedKeepingAGroupInfoFileName) {
  const std::string g = GroupListPath(), deep = "D:\\" + std::string(240, 'O') + "\\ABC001.FGP";
  EXPECT_EQ(zv::AppendGroupNameEntry(g.c_str(), "C:\\FORMS"), 0);  // the file is created
  EXPECT_EQ(Read(g),
            Bytes().Text("ZEVROFORM GROUPNAMEINFO V1.0").U32(1).U32(10).U32(0).Pooled("C:\\FORMS").str());
  EXPECT_EQ(zv::AppendGroupNameEntry(g.c_str(), "12"), 1);
  EXPECT_EQ(zv::AppendGroupNameEntry(g.c_str(), ""), 2);
  EXPECT_EQ(Read(g), GroupNameListFile({"C:\\FORMS", "12", ""}));
  const Texts many = Numbered(1500, "C:\\T"), old = {"C:\\A", "D:\\OLD\\ABC001.FGP", "C:\\C"};
  const Texts moved = {"C:\\A", "E:\\NEW\\ABC001.FGP", "C:\\C"};
  // before, index, text, after (empty: refused, unchanged)
  const std::vector<std::tuple<Texts, uint32_t, std::string, Texts>> rows = {
      {old, 1, "E:\\NEW", moved},
      {old, 1, "E:\\NEW\\", moved},
      {{"abc002.fgp"}, 0, "F:\\X", {"F:\\X\\abc002.fgp"}},  // any case, resolved first
      {{"C:\\FORMS\\", "D:\\P.ZLP"}, 0, "C:\\FORMS\\_F3001.FGP", {"C:\\FORMS\\_F3001.FGP", "D:\\P.ZLP"}},
      {old, 1, "42", {"C:\\A", "42", "C:\\C"}},
      {{"C:\\AAAA", "C:\\BBBBBBBB", "C:\\CC"}, 1, "C:\\B", {"C:\\AAAA", "C:\\B", "C:\\CC"}},
      {many, 3, "C:\\A MUCH LONGER TEXT", With(many, 3, "C:\\A MUCH LONGER TEXT")},
      {many, 1499, "", With(many, 1499, "")},
      {{"C:\\A", deep}, 2, "C:\\B", {}},
      {{"C:\\A", deep}, 1, "E:\\" + std::string(250, 'N'), {}},  // directory and kept name do not fit a path
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [before, index, text, after] = rows[i];
    WriteGroupList(GroupNameListFile(before));
    EXPECT_EQ(zv::ReplaceGroupNameEntry(g.c_str(), index, text.c_str()), !after.empty()) << "row " << i;
    EXPECT_EQ(Read(g), GroupNameListFile(after.empty() ? before : after)) << "row " << i;
  }
  const std::string damaged = GroupNameListFile({"A", "B"}) + "x";
  WriteGroupList(damaged);
  EXPECT_EQ(zv::AppendGroupNameEntry(g.c_str(), "C"), -1);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(g.c_str(), 0, "C:\\B"));
  EXPECT_EQ(Read(g), damaged);
  EXPECT_FALSE(zv::ReplaceGroupNameEntry(Path("MISSING.GLT").c_str(), 0, "C:\\B"));
  EXPECT_FALSE(FileExists(Path("MISSING.GLT")));
  EXPECT_EQ(zv::GetLastErrorCode(), kUntouched);
}

}  // namespace
