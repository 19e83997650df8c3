// ZVCreateFormDlg of the real module in both resource sets, driven by script:
// its modes, its list and details, the checks behind OK and Add, and help.
#include "dialogs/form_settings_fixture.h"

namespace formsettings {
namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Records = std::vector<zv::PrintSettings>;
// Letter landscape, colour, high speed, two pages per sheet, 300 dpi.
const zv::PrintSettings kOther = {1,   1, 1, 0x4001, 2159, 2794, 0, 0, 1, 2,
                                  300, 1, 1, 2,      2159, 2794, 0, 0, 1, 100};

class FormSettingsTest : public BothSets {
 protected:
  // The forms with the records in their group files, and the file entries.
  void Write(const std::vector<FormSpec>& forms, const std::vector<Records>& groups,
             const std::vector<FormSpec>& entries = {}, const std::vector<std::string>& more = {}) {
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
      std::vector<FormSpec> forms = {{1, "ORDER", "", 1, 0}, {2, "ROOM", "", 1, 1}};
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
      Row("a capture entry, both modes, help", [&] { catalogue(), block_ = DriverBlock(2); }, -2,
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
          open + Steps{Rows(kForms, none), Enabled(kOk, false)} + cancel, 3)};
  for (const ScriptRow& row : rows) Run(row);
}

INSTANTIATE_TEST_SUITE_P(Sets, FormSettingsTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
