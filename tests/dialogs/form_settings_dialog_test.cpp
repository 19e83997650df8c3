// ZVCreateFormDlg of the real module in both resource sets, driven by script:
// its modes, its list and details, the checks behind OK and Add, help, and the
// add form and form/file settings dialogs that Add opens, with what they register.
#include "dialogs/form_settings_fixture.h"

namespace formsettings {
namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Records = std::vector<zv::PrintSettings>;
using Texts = std::vector<std::string>;
// Letter landscape, colour, high speed, two pages per sheet, 300 dpi.
const zv::PrintSettings kOther = {1,   1, 1, 0x4001, 2159, 2794, 0, 0, 1, 2,
                                  300, 1, 1, 2,      2159, 2794, 0, 0, 1, 100};

class FormSettingsTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    data_ = Dir() + "DATA";
    ASSERT_TRUE(CreateDirectoryA(data_.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(data_ + "\\OLD.TXT.ZLP", "old data"));
  }
  // Write's lists of no records, the data directory remembered.
  std::function<void()> Lists(const std::vector<FormRow>& forms, const std::vector<FormRow>& entries,
                              const Texts& texts) {
    return [=] {
      ASSERT_TRUE(WritePrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", data_.c_str(), Config().c_str()));
      Write(forms, {}, entries, texts);
    };
  }
  Steps OpenAdd() const { return {Wait(Settings()), Click(kAdd), AddForm()}; }
  Step AddForm() const { return Wait(English() ? "Add Form" : "A\361adir formulario"); }
  Step Details() const { return Wait(English() ? "Form Details" : "Detalles del formulario"); }
  Steps OpenFile() const {
    return {Wait(Settings()), Click(kAdd),
            Wait(English() ? "Form/File Settings" : "Configuraci\363n de formulario/fichero")};
  }
  Steps Back(int button = kCancel) const { return {Wait(Settings()), Click(button), Returns(button == kOk)}; }
  Steps Refuse(int field, const std::string& text, uint32_t message) const {
    return {Type(field, text), Click(kOk), Refused(Message(message)), Quiet(), Shows(field, text)};
  }

  // The forms with the records in their group files, and the file entries.
  void Write(const std::vector<FormRow>& forms, const std::vector<Records>& groups,
             const std::vector<FormRow>& entries = {}, const std::vector<std::string>& more = {}) {
    std::vector<std::string> texts;
    for (size_t g = 0; g < groups.size(); ++g) {  // no records: only its directory yet
      std::vector<GroupInfoEntry> records;
      std::vector<std::string> names;
      for (size_t i = 0; i < groups[g].size(); ++i) {
        records.emplace_back(SettingsRecordBytes(groups[g][i]), static_cast<int32_t>(i));
        names.push_back("E" + std::to_string(i) + ".ZLP");
      }
      texts.push_back(Path("G" + std::to_string(g) + (names.empty() ? "" : ".FGP")));
      ASSERT_TRUE(names.empty() || WriteWholeFile(texts.back(), GroupInfoFile(records, names)));
    }
    texts.insert(texts.end(), more.begin(), more.end());
    WriteFormList(FormListFile(forms, entries, static_cast<uint16_t>(entries.size())));
    WriteGroupList(GroupNameListFile(texts));
  }
  std::function<void()> Orders(const std::vector<Records>& groups, const std::string& config = "") {
    return [=] {
      ASSERT_TRUE(config.empty() || WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + config));
      std::vector<FormRow> forms = {{1, "ORDER", "", 1, 0}, {2, "ROOM", "", 1, 1}};
      forms.resize(groups.size());
      Write(forms, groups);
    };
  }
  Steps Mode(bool names) {
    const Steps s = {Checked(kUseFormName, names), Shows(kListLabel, Message(names ? 315 : 316)),
                     Shows(kAdd, Message(names ? 313 : 314)), Enabled(kOverlays, names)};
    return names ? s : s + Steps{Enabled(kAdd), Rows(kOverlays, {})};
  }
  // An overlay list line, field by field as the user reads it.
  std::string Line(int colour, const char* dpi, int mode, const char* zoom, const char* paper,
                   const std::string& layout) const {
    return Message(colour) + "," + dpi + "," + Message(mode) + "," + zoom + "," + paper + "," + layout;
  }

  std::string data_;
};

TEST_P(FormSettingsTest, ScriptsOverCatalogues) {
  const Steps open = {Wait(Settings())}, cancel = {Click(kCancel), Returns(0)}, ok = {Click(kOk), Returns(1)};
  const std::vector<std::string> forms = {"INVOICE", "LETTER", "ALPHA"}, none = {Message(200)};
  const std::string other = Line(307, "300dpi", 301, " ", kLetter, " 2" + Message(311)),
                    cap = "D:\\CAPTURE\\NEW.ZLP";
  // INVOICE (5, front, two overlays), LETTER (7, back, one), ALPHA (2, none); file entries -1 "P", -2 "C".
  const auto catalogue = [this] {
    Write({{5, "INVOICE", "Monthly invoice", 1, 0},
           {7, "LETTER", "Letter head", 2, 1},
           {2, "ALPHA", "First", 1, 2}},
          {{kOther, kOther}, {kOther}, {}}, {{-1, "P", "Logo", 1, 3}, {-2, "C", "Capture here", 2, 4}},
          {Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP"});
  };
  const std::string form = data_ + "\\FORM.ZLP", old = data_ + "\\OLD.ZLP";
  // The named forms ALPHA (2) and BETA (3); file entries after ALPHA alone.
  const std::vector<FormRow> named = {{2, "ALPHA", "First", 1, 0}, {3, "BETA", "Second", 2, 1}};
  const FormRow alpha = {2, "ALPHA", "", 1, 0};
  const Texts ab = {Dir() + "A", Dir() + "B"};
  const auto fileEntry = [&](const std::vector<FormRow>& entries) {
    return FormListFile({alpha}, entries, static_cast<uint16_t>(entries.size()));
  };
  const auto alone = Lists({alpha}, {}, {Dir() + "ALPHA"});
  const std::vector<ScriptRow> rows = {
      Row(
          "no form at all: form names, nothing to choose", [] {}, 0,
          open + Mode(true) +
              Steps{Rows(kForms, none), Enabled(kOk, false), Shows(kLayer, ""), Shows(kPaper, ""),
                    Limit(kDescription, 255)} +
              cancel,
          0),
      Row("0 with named forms: files, no entry", catalogue, 0,
          open + Mode(false) + Steps{Rows(kForms, none), Enabled(kOk, false)} + cancel, 0),
      Row("a printing entry is no choice", catalogue, -1,
          open + Steps{Checked(kUseFormName, false), Rows(kForms, none), Shows(kLayer, "")} + cancel, -1),
      Row("a form id selects its form in catalogue order", catalogue, 7,
          open + Mode(true) +
              Steps{Rows(kForms, forms), Selected(kForms, 1), Shows(kDescription, "Letter head"),
                    Shows(kLayer, Message(310)), Rows(kOverlays, {other}), Shows(kPaper, kLetter),
                    Shows(kOrientation, Message(306)), Select(kForms, 0), Shows(kLayer, Message(309)),
                    Rows(kOverlays, {other, other}), Select(kForms, 2), Shows(kDescription, "First"),
                    Shows(kPaper, ""), Shows(kOrientation, "")} +
              ok,
          2),
      Row("an unknown id chooses the first form", catalogue, 99, open + Steps{Selected(kForms, 0)} + ok, 5),
      // A capture entry shows its file and the driver's paper; the switch
      // keeps each mode's choice and help follows the mode.
      Row("a capture entry, both modes, help",
          [&] {
            catalogue();
            block_ = DriverBlock(2);
          },
          -2,
          open + Mode(false) +
              Steps{Rows(kForms, {cap}), Shows(kDescription, "Capture here"), Shows(kLayer, Message(310)),
                    Shows(kPaper, kDriverPaperName), Shows(kOrientation, Message(306)), Click(kHelp),
                    Click(kUseFormName)} +
              Mode(true) +
              Steps{Rows(kForms, forms), Selected(kForms, 0), Select(kForms, 1), Click(kHelp), Quiet(),
                    Click(kUseFormName), Rows(kForms, {cap}), Click(kUseFormName), Selected(kForms, 1),
                    Click(kUseFormName)} +
              ok,
          -2, "=", "=", {300004, 300003}),
      Row("add stops at the id range; cancel after a change keeps the id", Orders({{}, {}}, "F3GRP=1,2"), 1,
          open + Steps{Click(kAdd), Refused(Message(413, 2)), Quiet(), Select(kForms, 1)} + cancel, 1),
      // The paper is the first overlay's; a match of the same resolution is
      // replaced only when the user agrees.
      Row("OK asks before replacing a match", Orders({{MatchingRecord(), kOther}}), 1,
          open + Steps{Shows(kPaper, kA4), Shows(kOrientation, Message(305)),
                       Rows(kOverlays, {Line(308, "600dpi", 318, "100%", kA4, " -"), other}), Click(kOk),
                       Asked(Message(604), IDNO), Quiet(), Click(kOk), Asked(Message(604), IDYES),
                       Returns(1)},
          1),
      Row("no question for another resolution", Orders({{MatchingRecord(300)}}), 1, open + ok, 1),
      // The overlay number range is the group's size: full is refused, one short of it takes one more.
      Row("a full group is refused", Orders({Records(3, kOther), Records(2, kOther)}, "F3CMD=10,12"), 1,
          open + Steps{Click(kOk), Refused(Message(414, 3)), Quiet(), Select(kForms, 1)} + ok, 2),
      Row(
          "a damaged form list offers nothing",
          [this] { WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}) + "x"); }, 3,
          open + Steps{Rows(kForms, none), Enabled(kOk, false)} + cancel, 3),
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
      // A name no form bears stays with its typed description; a form picked brings its own.
      Row("Browse", Lists(named, {}, ab), 2,
          OpenAdd() +
              Steps{Type(kFormName, "GAMMA"), Type(kFormDescription, "Typed"), Click(kFormBrowse), Details(),
                    Click(kOk), AddForm(), Shows(kFormName, "GAMMA"), Shows(kFormDescription, "Typed"),
                    Click(kFormBrowse), Details(), Select(2400, 1), Click(kOk), AddForm(),
                    Shows(kFormName, "BETA"), Shows(kFormDescription, "Second"), Click(kCancel)} +
              Back(),
          2),
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
          alone, 0,
          OpenFile() +
              Steps{Shows(kFile, ""), Shows(kFileDescription, ""), Limit(kFile, 260),
                    Limit(kFileDescription, 255), Checked(kToFront), Checked(kToBack, false)} +
              Refuse(kFile, "_FORM.ZLP", 411) + Refuse(kFile, Dir() + "MISSING\\FORM", 611) +
              Refuse(kFile, Dir() + std::string(255 - Dir().size(), 'T'), 418) +
              Steps{Click(kHelp), Click(kCancel)} + Back(),
          0, "=", "=", {300006}),
      Row("a bare name goes into the remembered directory; the file is not made", alone, 0,
          OpenFile() +
              Steps{Type(kFile, "FORM"), Type(kFileDescription, "Capture"), Click(kToBack), Click(kOk),
                    Wait(Settings()), Rows(kForms, {form}), Enabled(kOk), Shows(kDescription, "Capture"),
                    Shows(kLayer, Message(310))} +
              Back(kOk),
          -1, fileEntry({{-1, "C", "Capture", 2, 1}}), GroupNameListFile({Dir() + "ALPHA", form}), {}, data_),
      Row("an existing file is named once the user agrees, and left as it is", alone, 0,
          OpenFile() +
              Steps{Type(kFile, "OLD.TXT"), Click(kOk), Asked(Message(606), IDNO), Quiet(), Click(kOk),
                    Asked(Message(606), IDYES)} +
              Back(),
          0, fileEntry({{-1, "C", "", 1, 1}}), GroupNameListFile({Dir() + "ALPHA", data_ + "\\OLD.TXT.ZLP"}),
          {}, data_),
      Row("a capture entry shown is rewritten",
          Lists({alpha}, {{-1, "P", "Logo", 1, 1}, {-2, "C", "Old text", 2, 2}},
                {Dir() + "ALPHA", "LOGO.ZLP", old}),
          -2,
          OpenFile() +
              Steps{Shows(kFile, old), Shows(kFileDescription, "Old text"), Checked(kToBack),
                    Type(kFile, "RENAMED"), Type(kFileDescription, "New text"), Click(kToFront), Click(kOk),
                    Wait(Settings()), Rows(kForms, {data_ + "\\RENAMED.ZLP"})} +
              Back(kOk),
          -2, fileEntry({{-1, "P", "Logo", 1, 1}, {-2, "C", "New text", 1, 2}}),
          GroupNameListFile({Dir() + "ALPHA", "LOGO.ZLP", data_ + "\\RENAMED.ZLP"}), {}, data_)};
  for (const ScriptRow& row : rows) {
    Run(row);
    EXPECT_FALSE(FileExists(form)) << row.what;
    EXPECT_EQ(ReadOrEmpty(data_ + "\\OLD.TXT.ZLP"), "old data") << row.what;
  }
}

INSTANTIATE_TEST_SUITE_P(Sets, FormSettingsTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
