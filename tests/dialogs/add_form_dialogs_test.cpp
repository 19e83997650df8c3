// The add form and form/file settings dialogs, opened with Add from the form
// settings dialog: what they show, refuse, ask and register, or leave on Cancel.
#include "dialogs/form_settings_fixture.h"

namespace formsettings {
namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Texts = std::vector<std::string>;

class AddFormTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    data_ = Dir() + "DATA";
    ASSERT_TRUE(CreateDirectoryA(data_.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(data_ + "\\OLD.TXT.ZLP", "old data"));
  }
  // The lists, with the remembered directory start (the data directory unless told).
  std::function<void()> Lists(const std::vector<FormSpec>& forms, const std::vector<FormSpec>& entries,
                              const Texts& texts, uint16_t last = 0) {
    return [=] {
      ASSERT_TRUE(WritePrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", data_.c_str(), Config().c_str()));
      WriteFormList(FormListFile(forms, entries, last));
      WriteGroupList(GroupNameListFile(texts));
    };
  }
  Steps OpenAdd() const {
    return {Wait(Settings()), Click(kAdd), Wait(English() ? "Add Form" : "A\361adir formulario")};
  }
  Steps OpenFile() const {
    return {Wait(Settings()), Click(kAdd),
            Wait(English() ? "Form/File Settings" : "Configuraci\363n de formulario/fichero")};
  }
  Steps Back(int button = kCancel) const { return {Wait(Settings()), Click(button), Returns(button == kOk)}; }
  Steps Refuse(int field, const std::string& text, uint32_t message) const {
    return {Type(field, text), Click(kOk), Refused(Message(message)), Quiet(), Shows(field, text)};
  }

  std::string data_;
};

TEST_P(AddFormTest, ScriptsFromCatalogueToCatalogue) {
  const std::string form = data_ + "\\FORM.ZLP", old = data_ + "\\OLD.ZLP";
  // The named forms ALPHA (2) and BETA (3); file entries after ALPHA alone.
  const std::vector<FormSpec> named = {{2, "ALPHA", "First", 1, 0}, {3, "BETA", "Second", 2, 1}};
  const FormSpec alpha = {2, "ALPHA", "", 1, 0};
  const Texts ab = {Dir() + "A", Dir() + "B"};
  const auto fileEntry = [&](const std::vector<FormSpec>& entries, uint16_t last) {
    return FormListFile({alpha}, entries, last);
  };
  const auto none = Lists({alpha}, {}, {Dir() + "ALPHA"});
  const std::vector<ScriptRow> rows = {
      // The add form dialog.
      Row("starts empty in front in the remembered directory; refuses unusable and existing names",
          Lists(named, {}, ab), 2,
          OpenAdd() +
              Steps{Shows(kFormName, ""), Shows(kFormDescription, ""), Limit(kFormName, 24),
                    Limit(kFormDescription, 255), Checked(kToFront), Checked(kToBack, false),
                    Shows(kSaveTo, data_), Enabled(kFormBrowse)} +
              Refuse(kFormName, "A/B", 405) + Steps{Type(kFormDescription, "Kept")} +
              Refuse(kFormName, "BETA", 406) +
              Steps{Shows(kFormDescription, "Kept"), Click(kHelp), Click(kCancel), Wait(Settings()),
                    Rows(kForms, {"ALPHA", "BETA"})} +
              Back(),
          2, "=", "=", {300005}),
      Row("registers the form with the lowest free id and selects it", Lists(named, {}, ab), 3,
          OpenAdd() +
              Steps{Type(kFormName, "NEW FORM"), Type(kFormDescription, "Fresh one"), Click(kToBack),
                    Click(kOk), Wait(Settings()), Rows(kForms, {"ALPHA", "BETA", "NEW FORM"}),
                    Selected(kForms, 2), Shows(kDescription, "Fresh one"), Shows(kLayer, Message(310))} +
              Back(kOk),
          1, FormListFile({named[0], named[1], {1, "NEW FORM", "Fresh one", 2, 2}}, {}),
          GroupNameListFile(ab + Texts{data_}), {}, data_),
      // The form/file settings dialog.
      Row("a new entry starts empty in front; refuses unusable names, missing directories and too long paths",
          none, 0,
          OpenFile() +
              Steps{Shows(kFile, ""), Shows(kFileDescription, ""), Limit(kFile, 260),
                    Limit(kFileDescription, 255), Checked(kToFront), Checked(kToBack, false)} +
              Refuse(kFile, "_FORM.ZLP", 411) + Refuse(kFile, Dir() + "MISSING\\FORM", 611) +
              Refuse(kFile, Dir() + std::string(255 - Dir().size(), 'T'), 418) +
              Steps{Click(kHelp), Click(kCancel)} + Back(),
          0, "=", "=", {300006}),
      Row("a bare name goes into the remembered directory; the file is not made", none, 0,
          OpenFile() +
              Steps{Type(kFile, "FORM"), Type(kFileDescription, "Capture"), Click(kToBack), Click(kOk),
                    Wait(Settings()), Rows(kForms, {form}), Enabled(kOk), Shows(kDescription, "Capture"),
                    Shows(kLayer, Message(310))} +
              Back(kOk),
          -1, fileEntry({{-1, "C", "Capture", 2, 1}}, 1), GroupNameListFile({Dir() + "ALPHA", form}), {},
          data_),
      Row("an existing file is named once the user agrees, and left as it is", none, 0,
          OpenFile() +
              Steps{Type(kFile, "OLD.TXT"), Click(kOk), Asked(Message(606), IDNO), Quiet(), Click(kOk),
                    Asked(Message(606), IDYES)} +
              Back(),
          0, fileEntry({{-1, "C", "", 1, 1}}, 1),
          GroupNameListFile({Dir() + "ALPHA", data_ + "\\OLD.TXT.ZLP"}), {}, data_),
      Row("a capture entry shown is rewritten",
          Lists({alpha}, {{-1, "P", "Logo", 1, 1}, {-2, "C", "Old text", 2, 2}},
                {Dir() + "ALPHA", "LOGO.ZLP", old}, 2),
          -2,
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
