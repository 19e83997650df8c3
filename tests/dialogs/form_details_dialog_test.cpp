// ZVFormDetailsDlg of the real module in both resource sets, by script: which
// of its two dialogs opens, what they show, what each button returns and
// leaves in *formId, the catalogue after (byte for byte), refusals and help.
#include "dialogs/form_settings_fixture.h"
#include "support/other_process.h"

namespace formsettings {
namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Texts = std::vector<std::string>;
constexpr int kList = 2400, kDesc = 2401, kFileName = 2503, kFileDesc = 2506;
const std::vector<FormRow> kNamed = {{3, "INVOICE", "Monthly invoice", 2, 0},
                                     {7, "LETTER", "Letter head", 1, 1}};

class FormDetailsDialogTest : public BothSets {
 protected:
  std::function<int()> OpenDialog(int32_t* id) override {
    auto details = reinterpret_cast<decltype(&ZVFormDetailsDlg)>(
        reinterpret_cast<void*>(module_->Export("ZVFormDetailsDlg")));
    return [=] {
      return details(nullptr, nullptr, 0, nullptr, ZV_SAMPLE_DRIVER_PATH, 0, reinterpret_cast<ZVLONG*>(id));
    };
  }
  std::function<void()> Lists(const std::string& forms, const std::string& groups) {
    return [=] {
      WriteFormList(forms);
      WriteGroupList(groups);
    };
  }
  // The dialog of form names or of a file, by its title.
  Step Opens(bool names) const {
    return Wait(English() ? (names ? "Form Details" : "Form Selection")
                          : (names ? "Detalles del formulario" : "Selecci\363n de formulario"));
  }
  // Types a name, presses OK and sees it refused, the dialog staying open.
  Steps Refuse(const std::string& typed, uint32_t message) const {
    return {Type(kFileName, typed), Click(kOk), Refused(Message(message)), Quiet()};
  }
};

TEST_P(FormDetailsDialogTest, ScriptsFromCatalogueToCatalogue) {
  const std::string report = Path("REPORT.ZLP"), typed = Path("FORM.TXT");
  for (const std::string& path : {report, typed})
    ASSERT_TRUE(
        WriteWholeFile(path, OverlayDataFile("", "Quarterly report", SettingsRecordBytes(MatchingRecord()))));
  ASSERT_TRUE(CreateDirectoryA(Path("SUB").c_str(), nullptr));  // a directory is no overlay data file
  const Texts ab = {Dir() + "A", Dir() + "B"};
  const std::string named = FormListFile(kNamed, {}, 0);
  const std::vector<FormRow> shown = {{-1, "C", "", 2, 2}, {-2, "P", "typed long ago", 2, 3}};
  const auto oneP = Lists(FormListFile(kNamed, {{-1, "P", "", 2, 2}}, 1), GroupNameListFile(ab + Texts{"5"}));
  const auto capture = FormListFile(kNamed, {shown[0], {-2, "P", "", 1, 3}}, 2);
  const auto onlyP = Lists(FormListFile({}, {{-1, "P", "", 2, 0}}, 1), GroupNameListFile({report}));
  const auto twoP = FormListFile({}, {{-1, "P", "", 2, 0}, {-2, "P", "", 1, 1}}, 2);
  std::unique_ptr<FileHolder> holder;
  const auto hold = [&](bool on) {
    return Do([&, on](DialogRun&, const Dialog&) {
      holder.reset(on ? new FileHolder(FormListPath(), plat::kAccessReadWrite, plat::kShareRead) : nullptr);
      ASSERT_TRUE(!on || holder->Opened());
    });
  };
  const std::vector<ScriptRow> rows = {
      Row("the driver's form chosen, another picked; help", Lists(named, GroupNameListFile(ab)), 7,
          {Opens(true), Rows(kList, {"INVOICE", "LETTER"}), Selected(kList, 1), Shows(kDesc, "Letter head"),
           Limit(kDesc, 255), Shows(kOk, English() ? "OK" : "Aceptar"), Select(kList, 0),
           Shows(kDesc, "Monthly invoice"), Click(kHelp), Quiet(), Click(kOk), Returns(1)},
          3, "=", "=", {300001}),
      Row("a form not listed selects the first; cancel keeps the form", Lists(named, GroupNameListFile(ab)),
          5, {Opens(true), Selected(kList, 0), Select(kList, 1), Click(kCancel), Returns(0)}, 5),
      Row("no form: the file dialog, empty; help", oneP, 0,
          {Opens(false), Shows(kFileName, ""), Shows(kFileDesc, ""), Click(kHelp), Click(kCancel),
           Returns(0)},
          0, "=", "=", {300002}),
      Row("a damaged form list: a box and no dialog",
          Lists(named.substr(0, named.size() - 1), GroupNameListFile(ab)), 3,
          {Refused(Message(403)), Returns(0)}, 3),
      Row("the print entry's file; OK rewrites the entry with the file's layer",
          Lists(FormListFile(kNamed, shown, 2), GroupNameListFile(ab + Texts{"D:\\C.ZLP", report})), -2,
          {Opens(false), Shows(kFileName, report), Shows(kFileDesc, "Quarterly report"),
           Limit(kFileDesc, 255), Click(kOk), Returns(1)},
          -2, capture),
      Row("a capture's entry: OK adds a print entry",
          Lists(FormListFile(kNamed, {shown[0]}, 1), GroupNameListFile(ab + Texts{"D:\\C.ZLP"})), -1,
          {Opens(false), Shows(kFileName, ""), Type(kFileName, report), Shows(kFileDesc, "Quarterly report"),
           Click(kOk), Returns(1)},
          -2, capture, GroupNameListFile(ab + Texts{"D:\\C.ZLP", report})),
      // An identifier that no file entry bears (a named form's, a deleted entry's, or any before the
      // catalogue exists) gets a new print entry.
      Row("a named form's identifier without named forms", onlyP, 4,
          {Opens(false), Shows(kFileName, ""), Type(kFileName, report), Click(kOk), Returns(1)}, -2, twoP,
          GroupNameListFile({report, report})),
      Row("a deleted entry's identifier", onlyP, -5,
          {Opens(false), Type(kFileName, report), Click(kOk), Returns(1)}, -2, twoP,
          GroupNameListFile({report, report})),
      Row(
          "no catalogue yet", [] {}, -5, {Opens(false), Type(kFileName, report), Click(kOk), Returns(1)}, -1,
          FormListFile({}, {{-1, "P", "", 1, 0}}, 1), GroupNameListFile({report})),
      // Help stays open through the refusals; a catalogue that cannot be
      // written keeps the dialog open.
      Row("refusals", oneP, -1,
          Steps{Opens(false), Click(kHelp)} + Refuse(typed, 411) + Refuse(Path("GONE.ZLP"), 615) +
              Refuse(Path("SUB"), 411) +
              Steps{Type(kFileName, report), hold(true), Click(kOk), Refused(Message(609)), Quiet(),
                    hold(false), Click(kHelp), Click(kCancel), Returns(0)},
          -1, "=", "=", {300002, 300002}),
      // A file without an extension, missing at the first OK, is taken once
      // it exists; without a header it tells no layer.
      Row(
          "a file without extension", [] {}, 0,
          Steps{Opens(false)} + Refuse(Path("FORM"), 615) +
              Steps{Do([&](DialogRun&, const Dialog&) {
                      ASSERT_TRUE(WriteWholeFile(Path("FORM"), "no header"));
                    }),
                    Click(kOk), Returns(1)},
          -1, FormListFile({}, {{-1, "P", "", 2, 0}}, 1), GroupNameListFile({Path("FORM")}))};
  for (const ScriptRow& row : rows) Run(row);
}

INSTANTIATE_TEST_SUITE_P(Sets, FormDetailsDialogTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
