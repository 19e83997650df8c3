// The add form and form/file settings dialogs, opened with Add from the form
// settings dialog of the real module in both resource sets: what they show,
// what they refuse, what they register (the list files after compared byte
// for byte), the pickers behind Browse and Change Directory, the remembered
// directory, and help.
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
constexpr int kDetailForms = 2400, kPickerDirectories = 1121, kPickerFileName = 1152;

class AddFormTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    data_ = Dir() + "DATA";
    sub_ = data_ + "\\SUB";
    groups_ = {Dir() + "A", Dir() + "B"};
    for (const std::string& d : {data_, sub_}) ASSERT_TRUE(CreateDirectoryA(d.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(data_ + "\\OLD.TXT.ZLP", "old data"));
    ASSERT_TRUE(WriteWholeFile(data_ + "\\OLD.ZLP",
                               OverlayDataFile("OLD", "Old overlay", SettingsRecordBytes(MatchingRecord()))));
  }
  // The named forms ALPHA (2) and BETA (3); file entries after ALPHA alone.
  std::function<void()> Named(const std::string& start = "") {
    return [=] {
      SetRememberedDirectory(start.empty() ? data_ : start);
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

  std::string data_, sub_;
  Texts groups_;
  const std::vector<FormSpec> named_ = {{2, "ALPHA", "First", 1, 0}, {3, "BETA", "Second", 2, 1}};
  const FormSpec alpha_ = {2, "ALPHA", "", 1, 0};
};

TEST_P(AddFormTest, ScriptsFromCatalogueToCatalogue) {
  const std::string empty = "", form = data_ + "\\FORM.ZLP", old = data_ + "\\OLD.ZLP";
  std::vector<FormSpec> ring;
  Texts ringTexts;
  for (int32_t i = 1; i <= 256; ++i) {
    ring.push_back({-i, i == 10 ? "P" : "C", "", 1, static_cast<uint32_t>(i)});
    ringTexts.push_back("F" + std::to_string(i) + ".ZLP");
  }
  std::vector<FormSpec> ringAfter = ring;
  Texts ringTextsAfter = ringTexts;
  ringAfter[10] = {-11, "C", "", 1, 11};
  ringTextsAfter[10] = data_ + "\\RING.ZLP";
  Steps refusals = OpenFile();
  for (const std::string& text : {std::string("_FORM.ZLP"), std::string("  "), std::string("A*B"),
                                  data_ + "\\_FORM", data_ + "\\A?B.ZLP"})
    refusals = refusals + Refuse(kFile, text, 411);
  Steps names = OpenAdd();
  for (const char* name : {"A/B", "A\\B", "", " \t "}) names = names + Refuse(kFormName, name, 405);
  auto fileEntry = [&](const std::vector<FormSpec>& entries, uint16_t last) {
    return FormListFile({alpha_}, entries, last);
  };
  const std::vector<ScriptRow> rows = {
      // The add form dialog.
      Row("starts empty in front in the remembered directory; typing stops at the limits", Named(), 2,
          OpenAdd() +
              Steps{Shows(kFormName, ""), Shows(kFormDescription, ""), Limit(kFormName, 24),
                    Limit(kFormDescription, 255), Checked(kToFront), Checked(kToBack, false),
                    Shows(kSaveTo, data_), Enabled(kFormBrowse), Type(kFormName, std::string(30, 'N')),
                    Shows(kFormName, std::string(24, 'N')), Type(kFormDescription, std::string(300, 'D')),
                    Shows(kFormDescription, std::string(255, 'D')), Click(kHelp), Click(kCancel),
                    Wait(Settings()), Rows(kForms, {"ALPHA", "BETA"})} +
              Back(),
          2, "=", "=", {300005}),
      Row(
          "browse needs a named form", [&] { SetRememberedDirectory(data_); }, 0,
          OpenAdd() + Steps{Enabled(kFormBrowse, false), Click(kCancel)} + Back(), 0),
      Row("unusable and existing names are refused", Named(), 2,
          names + Steps{Type(kFormDescription, "Kept")} + Refuse(kFormName, "BETA", 406) +
              Steps{Shows(kFormDescription, "Kept"), Click(kCancel)} + Back(),
          2),
      Row("registers the form with the lowest free id and selects it", Named(), 3,
          OpenAdd() +
              Steps{Type(kFormName, "NEW FORM"), Type(kFormDescription, "Fresh one"), Click(kToBack),
                    Click(kOk), Wait(Settings()), Rows(kForms, {"ALPHA", "BETA", "NEW FORM"}),
                    Selected(kForms, 2), Shows(kDescription, "Fresh one"), Shows(kLayer, Message(310)),
                    Rows(kOverlays, {})} +
              Back(kOk),
          1, FormListFile({named_[0], named_[1], {1, "NEW FORM", "Fresh one", 2, 2}}, {}),
          GroupNameListFile(groups_ + Texts{data_}), {}, data_),
      Row(
          "the first form of an empty catalogue keeps its trailing blank",
          [&] { SetRememberedDirectory(data_); }, 0,
          OpenAdd() +
              Steps{Type(kFormName, "FIRST "), Click(kOk), Wait(Settings()), Rows(kForms, {"FIRST "}),
                    Enabled(kOk), Shows(kLayer, Message(309))} +
              Back(kOk),
          1, FormListFile({{1, "FIRST ", "", 1, 0}}, {}), GroupNameListFile({data_}), {}, data_),
      Row("browse takes an existing form's name and description", Named(), 2,
          OpenAdd() +
              Steps{Type(kFormName, "BETA"), Type(kFormDescription, "Typed"), Click(kFormBrowse),
                    Wait(English() ? "Form Details" : "Detalles del formulario"),
                    Rows(kDetailForms, {"ALPHA", "BETA"}), Selected(kDetailForms, 1), Select(kDetailForms, 0),
                    Click(kOk), Wait(AddForm()), Shows(kFormName, "ALPHA"), Shows(kFormDescription, "First"),
                    Click(kOk), Refused(Message(406)), Type(kFormName, "ALPHA 2"), Click(kOk)} +
              Back(),
          2, FormListFile({named_[0], named_[1], {1, "ALPHA 2", "First", 1, 2}}, {}),
          GroupNameListFile(groups_ + Texts{data_}), {}, data_),
      Row("browse cancelled keeps what was typed", Named(), 2,
          OpenAdd() +
              Steps{Type(kFormName, "MINE"), Type(kFormDescription, "Typed"), Click(kFormBrowse),
                    Wait(English() ? "Form Details" : "Detalles del formulario"), Select(kDetailForms, 1),
                    Click(kCancel), Wait(AddForm()), Shows(kFormName, "MINE"),
                    Shows(kFormDescription, "Typed"), Click(kCancel)} +
              Back(),
          2),
      Row("a changed directory is remembered even when cancelled", Named(), 2,
          OpenAdd() +
              Steps{Click(kChangeDirectory), Wait(Message(202)), DoubleClickOn(kPickerDirectories, "[SUB]"),
                    Click(kOk), Wait(AddForm()), ShowsAnyCase(kSaveTo, sub_), Click(kCancel)} +
              Back(),
          2, "=", "=", {}, sub_),
      Row("a changed directory becomes the save directory; a picker cancelled changes nothing", Named(), 2,
          OpenAdd() +
              Steps{Click(kChangeDirectory), Wait(Message(202)), DoubleClickOn(kPickerDirectories, "[SUB]"),
                    Click(kOk), Wait(AddForm()), Click(kChangeDirectory), Wait(Message(202)), Click(kCancel),
                    Wait(AddForm()), ShowsAnyCase(kSaveTo, sub_), Type(kFormName, "GAMMA"), Click(kOk)} +
              Back(),
          2, FormListFile({named_[0], named_[1], {1, "GAMMA", "", 1, 2}}, {}),
          GroupNameListFile(groups_ + Texts{sub_}), {}, sub_, true),
      // The form/file settings dialog.
      Row("a new entry starts empty in front; cancel records nothing", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Shows(kFile, ""), Shows(kFileDescription, ""), Limit(kFile, 260),
                    Limit(kFileDescription, 255), Checked(kToFront), Checked(kToBack, false), Click(kHelp),
                    Type(kFile, "OTHER"), Click(kCancel)} +
              Back(),
          0, "=", "=", {300006}),
      Row("a bare name goes into the remembered directory; the file is not made", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Type(kFile, "FORM"), Type(kFileDescription, "Capture"), Click(kToBack), Click(kOk),
                    Wait(Settings()), Rows(kForms, {form}), Enabled(kOk), Shows(kDescription, "Capture"),
                    Shows(kLayer, Message(310))} +
              Back(kOk),
          -1, fileEntry({{-1, "C", "Capture", 2, 1}}, 1), GroupNameListFile({Dir() + "ALPHA", form}), {},
          data_),
      Row("unusable names and missing directories are refused", Entries({}, {}, 0), 0,
          refusals + Refuse(kFile, Dir() + "MISSING\\FORM", 611) + Steps{Click(kCancel)} + Back(), 0),
      Row("too long a path is refused (the English set has no text for it)",
          Entries({}, {}, 0, "C:\\" + std::string(252, 'X')), 0,
          OpenFile() + Refuse(kFile, "FORM", 418) + Steps{Click(kCancel)} + Back(), 0),
      Row("a typed path keeps its extension in any case", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Type(kFile, data_ + "\\Form.zlp"), Click(kOk), Wait(Settings()),
                    Rows(kForms, {data_ + "\\Form.zlp"})} +
              Back(kOk),
          -1, fileEntry({{-1, "C", "", 1, 1}}, 1), GroupNameListFile({Dir() + "ALPHA", data_ + "\\Form.zlp"}),
          {}, data_),
      Row("an existing file is named once the user agrees, and left as it is", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Type(kFile, "OLD.TXT"), Click(kOk), Asked(Message(606), IDNO), Quiet(), Click(kOk),
                    Asked(Message(606), IDYES)} +
              Back(),
          0, fileEntry({{-1, "C", "", 1, 1}}, 1),
          GroupNameListFile({Dir() + "ALPHA", data_ + "\\OLD.TXT.ZLP"}), {}, data_),
      Row("a printing entry shown gets a new capture entry",
          Entries({{-1, "P", "Logo", 2, 1}}, {"LOGO.ZLP"}, 1), -1,
          OpenFile() +
              Steps{Shows(kFile, ""), Checked(kToFront), Type(kFile, "NEXT"), Click(kOk), Wait(Settings()),
                    Rows(kForms, {data_ + "\\NEXT.ZLP"})} +
              Back(kOk),
          -2, fileEntry({{-1, "P", "Logo", 2, 1}, {-2, "C", "", 1, 2}}, 2),
          GroupNameListFile({Dir() + "ALPHA", "LOGO.ZLP", data_ + "\\NEXT.ZLP"}), {}, data_),
      Row("a capture entry shown is rewritten",
          Entries({{-1, "P", "Logo", 1, 1}, {-2, "C", "Old text", 2, 2}}, {"LOGO.ZLP", old}, 2), -2,
          OpenFile() +
              Steps{Shows(kFile, old), Shows(kFileDescription, "Old text"), Checked(kToBack),
                    Type(kFile, "RENAMED"), Type(kFileDescription, "New text"), Click(kToFront), Click(kOk),
                    Wait(Settings()), Rows(kForms, {data_ + "\\RENAMED.ZLP"}),
                    Shows(kDescription, "New text"), Shows(kLayer, Message(309))} +
              Back(kOk),
          -2, fileEntry({{-1, "P", "Logo", 1, 1}, {-2, "C", "New text", 1, 2}}, 2),
          GroupNameListFile({Dir() + "ALPHA", "LOGO.ZLP", data_ + "\\RENAMED.ZLP"}), {}, data_),
      Row("a full ring overwrites the entry after the one shown", Entries(ring, ringTexts, 10), -10,
          OpenFile() + Steps{Type(kFile, "RING"), Click(kOk)} + Back(kOk), -11, fileEntry(ringAfter, 11),
          GroupNameListFile(Texts{Dir() + "ALPHA"} + ringTextsAfter), {}, data_),
      Row("browse takes the file with its own description, or a file yet to be made",
          Entries({}, {}, 0, "C:\\"), 0,
          OpenFile() +
              Steps{Type(kFile, old), Click(kFileBrowse), Wait(Message(203)),
                    Shows(kPickerFileName, "OLD.ZLP"), Click(kOk), Wait(FormFile()), ShowsAnyCase(kFile, old),
                    Shows(kFileDescription, "Old overlay"), Click(kFileBrowse), Wait(Message(203)),
                    Type(kPickerFileName, "NEW.ZLP"), Click(kOk), Wait(FormFile()),
                    ShowsAnyCase(kFile, data_ + "\\NEW.ZLP"), Shows(kFileDescription, ""), Click(kOk)} +
              Back(),
          0, fileEntry({{-1, "C", "", 1, 1}}, 1), GroupNameListFile({Dir() + "ALPHA", data_ + "\\NEW.ZLP"}),
          {}, data_, true),
      Row("browse cancelled changes nothing", Entries({}, {}, 0), 0,
          OpenFile() +
              Steps{Type(kFile, "TYPED"), Type(kFileDescription, "Mine"), Click(kFileBrowse),
                    Wait(Message(203)), Type(kPickerFileName, "OTHER.ZLP"), Click(kCancel), Wait(FormFile()),
                    Shows(kFile, "TYPED"), Shows(kFileDescription, "Mine"), Click(kCancel)} +
              Back(),
          0)};
  for (const ScriptRow& row : rows) {
    Run(row);
    EXPECT_FALSE(FileExists(form)) << row.what;
    EXPECT_EQ(ReadOrEmpty(data_ + "\\OLD.TXT.ZLP"), "old data") << row.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, AddFormTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
