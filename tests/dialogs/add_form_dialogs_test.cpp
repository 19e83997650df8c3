// The add form and form/file settings dialogs, opened with Add from the form
// settings dialog of the real module in both resource sets: what they show,
// what they refuse and ask, and what they register (the list files after
// compared byte for byte) or leave on Cancel.
#include "dialogs/form_settings_fixture.h"

namespace formsettings {
namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Texts = std::vector<std::string>;
template <class T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class AddFormTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    data_ = Dir() + "DATA";
    groups_ = {Dir() + "A", Dir() + "B"};
    ASSERT_TRUE(CreateDirectoryA(data_.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(data_ + "\\OLD.TXT.ZLP", "old data"));
  }
  // The named forms ALPHA (2) and BETA (3); file entries after ALPHA alone.
  std::function<void()> Named() {
    return [=] {
      SetRememberedDirectory(data_);
      WriteFormList(FormListFile(named_, {}));
      WriteGroupList(GroupNameListFile(groups_));
    };
  }
  std::function<void()> Entries(const std::vector<FormSpec>& entries, const Texts& texts, uint16_t last,
                                const std::string& start = "") {
    return [=] {
      SetRememberedDirectory(start.empty() ? data_ : start);
      WriteFormList(FormListFile({alpha_}, entries, last));
      WriteGroupList(GroupNameListFile(Texts{Dir() + "ALPHA"} + texts));
    };
  }
  Steps OpenAdd() const { return {Wait(Settings()), Click(kAdd), Wait(AddForm())}; }
  Steps OpenFile() const { return {Wait(Settings()), Click(kAdd), Wait(FormFile())}; }
  Steps Back(int button = kCancel) const { return {Wait(Settings()), Click(button), Returns(button == kOk)}; }
  Steps Refuse(int field, const std::string& text, uint32_t message) const {
    return {Type(field, text), Click(kOk), Refused(Message(message)), Quiet(), Shows(field, text)};
  }

  std::string data_;
  Texts groups_;
  const std::vector<FormSpec> named_ = {{2, "ALPHA", "First", 1, 0}, {3, "BETA", "Second", 2, 1}};
  const FormSpec alpha_ = {2, "ALPHA", "", 1, 0};
};

TEST_P(AddFormTest, ScriptsFromCatalogueToCatalogue) {
  const std::string form = data_ + "\\FORM.ZLP", old = data_ + "\\OLD.ZLP";
  const auto fileEntry = [&](const std::vector<FormSpec>& entries, uint16_t last) {
    return FormListFile({alpha_}, entries, last);
  };
  const std::vector<ScriptRow> rows = {
      // The add form dialog.
      Row("starts empty in front in the remembered directory; refuses unusable and existing names", Named(),
          2,
          OpenAdd() +
              Steps{Shows(kFormName, ""), Shows(kFormDescription, ""), Limit(kFormName, 24),
                    Limit(kFormDescription, 255), Checked(kToFront), Checked(kToBack, false),
                    Shows(kSaveTo, data_), Enabled(kFormBrowse)} +
              Refuse(kFormName, "A/B", 405) + Refuse(kFormName, " \t ", 405) +
              Steps{Type(kFormDescription, "Kept")} + Refuse(kFormName, "BETA", 406) +
              Steps{Shows(kFormDescription, "Kept"), Click(kHelp), Click(kCancel), Wait(Settings()),
                    Rows(kForms, {"ALPHA", "BETA"})} +
              Back(),
          2, "=", "=", {300005}),
      Row("registers the form with the lowest free id and selects it", Named(), 3,
          OpenAdd() +
              Steps{Type(kFormName, "NEW FORM"), Type(kFormDescription, "Fresh one"), Click(kToBack),
                    Click(kOk), Wait(Settings()), Rows(kForms, {"ALPHA", "BETA", "NEW FORM"}),
                    Selected(kForms, 2), Shows(kDescription, "Fresh one"), Shows(kLayer, Message(310))} +
              Back(kOk),
          1, FormListFile({named_[0], named_[1], {1, "NEW FORM", "Fresh one", 2, 2}}, {}),
          GroupNameListFile(groups_ + Texts{data_}), {}, data_),
      // The form/file settings dialog.
      Row("a new entry starts empty in front; refuses unusable names and missing directories",
          Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Shows(kFile, ""), Shows(kFileDescription, ""), Limit(kFile, 260),
                    Limit(kFileDescription, 255), Checked(kToFront), Checked(kToBack, false)} +
              Refuse(kFile, "_FORM.ZLP", 411) + Refuse(kFile, "A*B", 411) +
              Refuse(kFile, Dir() + "MISSING\\FORM", 611) + Steps{Click(kHelp), Click(kCancel)} + Back(),
          0, "=", "=", {300006}),
      Row("a bare name goes into the remembered directory; the file is not made", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Type(kFile, "FORM"), Type(kFileDescription, "Capture"), Click(kToBack), Click(kOk),
                    Wait(Settings()), Rows(kForms, {form}), Enabled(kOk), Shows(kDescription, "Capture"),
                    Shows(kLayer, Message(310))} +
              Back(kOk),
          -1, fileEntry({{-1, "C", "Capture", 2, 1}}, 1), GroupNameListFile({Dir() + "ALPHA", form}), {},
          data_),
      Row("too long a path is refused", Entries({}, {}, 0, "C:\\" + std::string(252, 'X')), 0,
          OpenFile() + Refuse(kFile, "FORM", 418) + Steps{Click(kCancel)} + Back(), 0),
      Row("an existing file is named once the user agrees, and left as it is", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Type(kFile, "OLD.TXT"), Click(kOk), Asked(Message(606), IDNO), Quiet(), Click(kOk),
                    Asked(Message(606), IDYES)} +
              Back(),
          0, fileEntry({{-1, "C", "", 1, 1}}, 1),
          GroupNameListFile({Dir() + "ALPHA", data_ + "\\OLD.TXT.ZLP"}), {}, data_),
      Row("a capture entry shown is rewritten",
          Entries({{-1, "P", "Logo", 1, 1}, {-2, "C", "Old text", 2, 2}}, {"LOGO.ZLP", old}, 2), -2,
          OpenFile() +
              Steps{Shows(kFile, old), Shows(kFileDescription, "Old text"), Checked(kToBack),
                    Type(kFile, "RENAMED"), Type(kFileDescription, "New text"), Click(kToFront), Click(kOk),
                    Wait(Settings()), Rows(kForms, {data_ + "\\RENAMED.ZLP"})} +
              Back(kOk),
          -2, fileEntry({{-1, "P", "Logo", 1, 1}, {-2, "C", "New text", 1, 2}}, 2),
          GroupNameListFile({Dir() + "ALPHA", "LOGO.ZLP", data_ + "\\RENAMED.ZLP"}), {}, data_)};
  for (const ScriptRow& row : rows) {
    Run(row);
    EXPECT_FALSE(FileExists(form)) << row.what;
    EXPECT_EQ(ReadOrEmpty(data_ + "\\OLD.TXT.ZLP"), "old data") << row.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, AddFormTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
