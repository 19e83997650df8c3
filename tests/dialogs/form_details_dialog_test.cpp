// ZVFormDetailsDlg of the real module in both resource sets, driven by
// script: which of its two dialogs opens, what they show, what each button
// returns and leaves in *formId, the catalogue files after (byte for byte),
// the refusals, Browse and the remembered directory, and the help calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "catalogue/catalogue_config.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/dialog_script.h"
#include "support/other_process.h"
#include "zvlmn30e.h"

namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Texts = std::vector<std::string>;
constexpr int kList = 2400, kDesc = 2401, kFile = 2503, kBrowse = 2504, kFileDesc = 2506, kHelp = 145;
constexpr char kDetails[] = "Detalles del formulario", kSelection[] = "Selecci\363n de formulario";
constexpr char kEnDetails[] = "Form Details", kEnSelection[] = "Form Selection";
constexpr char kUnusable[] = "Cannot use this file name. Specify another file name.";
constexpr char kMissing[] = "Specified file does not exist.";
const std::vector<FormSpec> kNamed = {{3, "INVOICE", "Monthly invoice", 2, 0},
                                      {7, "LETTER", "Letter head of the office", 1, 1},
                                      {9, "MEMO", "", 2, 2}};

template <class T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// Types a name, presses OK and sees it refused, the dialog staying open.
Steps Refuse(const std::string& typed, const std::string& message) {
  return {Type(kFile, typed), Click(IDOK), Refused(message), Quiet()};
}

class FormDetailsDialogTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    abc_ = {Dir() + "A", Dir() + "B", Dir() + "C"};
    report_ = Overlay("REPORT.ZLP", 1);
  }
  void TearDown() override {
    module_.reset();
    CatalogueTest::TearDown();
  }
  void Load(bool english) {
    module_.reset();
    module_ = std::make_unique<ModuleUnderTest>(english ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH);
    details_ = reinterpret_cast<decltype(&ZVFormDetailsDlg)>(
        reinterpret_cast<void*>(module_->Export("ZVFormDetailsDlg")));
    ASSERT_NE(details_, nullptr);
  }
  // ZVFormDetailsDlg as the sample driver calls it, *formId in and out.
  std::function<int()> Call(ZVLONG* formId) {
    auto details = details_;
    return
        [details, formId] { return details(nullptr, nullptr, 0, nullptr, ZV_SAMPLE_DRIVER_PATH, 0, formId); };
  }
  // A .ZLP file: its header with the description and layer, then page data.
  std::string Overlay(const std::string& name, uint8_t layer,
                      const std::string& description = "Quarterly report") {
    zv::PrintSettings s{};
    s.layer = layer;
    s.paperCode = 9;
    s.orientation = 1;
    EXPECT_TRUE(WriteWholeFile(Path(name), OverlayDataFile("", description, SettingsRecordBytes(s))));
    return Path(name);
  }
  std::string Read(const std::string& path) const {
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
  }
  Texts abc_;
  std::string report_;
  std::unique_ptr<ModuleUnderTest> module_;
  decltype(&ZVFormDetailsDlg) details_ = nullptr;
};

TEST_F(FormDetailsDialogTest, ScriptsFromCatalogueToCatalogue) {
  const std::string capture = Overlay("CAPTURE.ZLP", 1, "Captured page");
  for (const char* name : {"FORM.TXT", "_FORM.ZLP", "FORM.ZLC"}) Overlay(name, 1);
  ASSERT_TRUE(CreateDirectoryA(Path("SUB.D").c_str(), nullptr));
  Overlay("SUB.D\\FORM", 1);  // a '.' in the directory is no extension
  ASSERT_TRUE(WriteWholeFile(Path("RAW.ZLC"), "\x1d raw page"));
  ASSERT_TRUE(WriteWholeFile(Path("RAW.ZLI"), DescriptionCompanionFile("Raw page of the printer")));
  const std::string named = FormListFile(kNamed, {}, 0), namedGroups = GroupNameListFile(abc_);
  auto with = [&](Texts texts) { return GroupNameListFile(abc_ + texts); };
  const std::string oneP = FormListFile(kNamed, {{-1, "P", "", 2, 3}}, 1),
                    bareP = FormListFile({}, {{-1, "P", "", 2, 0}}, 1);
  const std::string twoP = FormListFile({}, {{-1, "P", "", 2, 0}, {-2, "P", "", 2, 1}}, 2);
  const std::vector<FormSpec> shown = {{-1, "C", "", 2, 3}, {-2, "P", "typed long ago", 2, 4}};
  const std::vector<FormSpec> pc = {{-1, "P", "", 2, 3}, {-2, "C", "", 2, 4}};
  const Steps empty = {Wait(kSelection), Shows(kFile, ""), Click(IDCANCEL), Returns(0)};
  Steps refusals = {Wait(kEnSelection), Click(kHelp)};
  for (const std::string& typed :
       {std::string(""), std::string(" \t "), Path("FORM.TXT"), Path("_FORM.ZLP"), Path("FORM.ZLC"),
        Path("F*RM.ZLP"), Path("FORM?.ZLP"), Path("SUB.D\\FORM")})
    refusals = refusals + Refuse(typed, kUnusable);
  for (const std::string& typed : {Path("GONE.ZLP"), Path("GONE")})
    refusals = refusals + Refuse(typed, kMissing);

  struct Case {
    const char* what;
    bool english;
    std::string forms, groups;  // the list files before ("": none)
    ZVLONG in;
    Steps steps;
    ZVLONG out;
    std::string formsAfter = "=", groupsAfter = "=";  // "=": as before
    std::vector<DWORD> help = {};                     // contexts asked for, then HELP_QUIT
    bool inScratch = false;                           // the scratch directory is the current one
    std::string remembered = "";                      // the remembered directory after, letter case aside
  };
  auto Row = [](const char* what, bool english, std::string forms, std::string groups, ZVLONG in, Steps steps,
                ZVLONG out, std::string formsAfter = "=", std::string groupsAfter = "=",
                std::vector<DWORD> help = {}, bool inScratch = false, std::string remembered = "") {
    return Case{what, english,    forms,       groups, in,        steps,
                out,  formsAfter, groupsAfter, help,   inScratch, remembered};
  };
  const std::vector<Case> rows = {
      Row("details: the driver's form chosen, another picked; help", false, named, namedGroups, 7,
          {Wait(kDetails), Rows(kList, {"INVOICE", "LETTER", "MEMO"}), Selected(kList, 1),
           Shows(kDesc, "Letter head of the office"), Limit(kDesc, 255), Shows(IDOK, "Aceptar"),
           Shows(IDCANCEL, "Cancelar"), Shows(kHelp, "A&yuda"), Select(kList, 2), Shows(kDesc, ""),
           Select(kList, 0), Shows(kDesc, "Monthly invoice"), Click(kHelp), Quiet(), Click(IDOK), Returns(1)},
          3, "=", "=", {300001}),
      Row("details: a form not listed selects the first", false, named, namedGroups, 5,
          {Wait(kDetails), Selected(kList, 0), Shows(kDesc, "Monthly invoice"), Click(IDOK), Returns(1)}, 3),
      Row("details: cancel keeps the form", false, named, namedGroups, 3,
          {Wait(kDetails), Select(kList, 1), Shows(kDesc, "Letter head of the office"), Click(IDCANCEL),
           Returns(0)},
          3),
      Row("details in English", true, named, namedGroups, 9,
          {Wait(kEnDetails), Shows(IDOK, "OK"), Shows(IDCANCEL, "Cancel"), Shows(kHelp, "&Help"),
           Selected(kList, 2), Shows(kDesc, ""), Select(kList, 1), Click(IDOK), Returns(1)},
          7),
      Row("no form; help", false, oneP, with({"5"}), 0,
          {Wait(kSelection), Shows(kFile, ""), Click(kHelp), Click(IDCANCEL), Returns(0)}, 0, "=", "=",
          {300002}),
      Row("a file entry", false, oneP, with({"5"}), -1, empty, -1),
      Row("a capture's entry", false, FormListFile(kNamed, {{-1, "C", "", 2, 3}}, 1), with({"5"}), -1, empty,
          -1),
      Row("a form id without named forms", false, bareP, GroupNameListFile({"5"}), 4, empty, 4),
      Row("no form, no named forms", false, bareP, GroupNameListFile({"5"}), 0, empty, 0),
      Row("an empty catalogue", true, "", "", 12,
          {Wait(kEnSelection), Shows(kFile, ""), Shows(kFileDesc, ""), Click(IDCANCEL), Returns(0)}, 12),
      Row("a damaged form list: a box and no dialog", true, named.substr(0, named.size() - 1), namedGroups, 3,
          {Refused("The form name list file is damaged."), Returns(0)}, 3),
      Row("the print entry's file; OK rewrites the entry with the file's layer", false,
          FormListFile(kNamed, shown, 2), with({capture, report_}), -2,
          {Wait(kSelection), Shows(kFile, report_), Shows(kFileDesc, "Quarterly report"),
           Limit(kFileDesc, 255), Shows(kBrowse, "&Examinar..."), Shows(IDOK, "Aceptar"), Click(IDOK),
           Returns(1)},
          -2, FormListFile(kNamed, {shown[0], {-2, "P", "", 1, 4}}, 2)),
      Row("a capture's entry; OK adds a print entry", false, FormListFile(kNamed, {{-1, "C", "", 1, 3}}, 1),
          with({capture}), -1,
          {Wait(kSelection), Shows(kFile, ""), Shows(kFileDesc, ""), Type(kFile, report_),
           Shows(kFileDesc, "Quarterly report"), Click(IDOK), Returns(1)},
          -2, FormListFile(kNamed, {{-1, "C", "", 1, 3}, {-2, "P", "", 1, 4}}, 2), with({capture, report_})),
      Row("no form: a print entry after the others", false, FormListFile(kNamed, pc, 2), with({"5", "6"}), 0,
          {Wait(kSelection), Type(kFile, report_), Click(IDOK), Returns(1)}, -3,
          FormListFile(kNamed, {pc[0], pc[1], {-3, "P", "", 1, 5}}, 3), with({"5", "6", report_})),
      Row("an entry kept by number", false, twoP, GroupNameListFile({"17", Path("GONE.ZLP")}), -1,
          {Wait(kSelection), Shows(kFile, ""), Shows(kFileDesc, ""), Click(IDCANCEL), Returns(0)}, -1),
      Row("an entry whose file is gone", false, twoP, GroupNameListFile({"17", Path("GONE.ZLP")}), -2,
          {Wait(kSelection), Shows(kFile, Path("GONE.ZLP")), Shows(kFileDesc, ""), Click(IDCANCEL),
           Returns(0)},
          -2),
      Row("the description follows the typed file; a bare name shows none", true, "", "", 0,
          {Wait(kEnSelection), Type(kFile, report_), Shows(kFileDesc, "Quarterly report"),
           Type(kFile, "REPORT.ZLP"), Shows(kFileDesc, ""), Type(kFile, Path("RAW.ZLC")),
           Shows(kFileDesc, "Raw page of the printer"), Type(kFile, Path("GONE.ZLP")), Shows(kFileDesc, ""),
           Click(IDCANCEL), Returns(0)},
          0, "=", "=", {}, true),
      Row("unusable names and missing files refused; help stays open through them", true, oneP, with({"5"}),
          -1, refusals + Steps{Click(kHelp), Click(IDCANCEL), Returns(0)}, -1, "=", "=", {300002, 300002}),
      Row("local refusals", false, "", "", 0,
          {Wait(kSelection), Type(kFile, Path("FORM.TXT")), Click(IDOK),
           Refused("No se puede usar este nombre de fichero. Escriba otro nombre de fichero."), Quiet(),
           Type(kFile, Path("GONE.ZLP")), Click(IDOK), Refused("El fichero indicado no existe."), Quiet(),
           Click(IDCANCEL), Returns(0)},
          0),
      Row("browse picks from the typed directory and remembers it; a cancelled picker changes nothing", true,
          "", "", 0,
          {Wait(kEnSelection), Type(kFile, Path("NOTHING.ZLP")), Click(kBrowse), Wait("Open File"),
           Type(1152, "REPORT.ZLP"), Click(IDOK), Wait(kEnSelection), Shows(kFileDesc, "Quarterly report"),
           ShowsAnyCase(kFile, report_), Click(kBrowse), Wait("Open File"), Type(1152, "OTHER.ZLP"),
           Click(IDCANCEL), Wait(kEnSelection), ShowsAnyCase(kFile, report_), Click(IDOK), Returns(1)},
          -1, FormListFile({}, {{-1, "P", "", 1, 0}}, 1), GroupNameListFile({report_}), {}, false,
          Dir().substr(0, Dir().size() - 1))};
  for (const Case& row : rows) {
    SCOPED_TRACE(row.what);
    Load(row.english);
    DeleteFileA(FormListPath().c_str());
    DeleteFileA(GroupListPath().c_str());
    if (!row.forms.empty()) WriteFormList(row.forms);
    if (!row.groups.empty()) WriteGroupList(row.groups);
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    if (row.inScratch) {
      ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
    }
    ZVLONG id = row.in;
    HelpWatcher help;
    {
      DialogRun run(Call(&id));
      RunScript(run, row.steps);
    }
    SetCurrentDirectoryA(current);
    EXPECT_EQ(id, row.out);
    auto lower = [&](const std::string& bytes) { return row.remembered.empty() ? bytes : Lower(bytes); };
    EXPECT_EQ(lower(Read(FormListPath())), lower(row.formsAfter == "=" ? row.forms : row.formsAfter));
    EXPECT_EQ(lower(Read(GroupListPath())), lower(row.groupsAfter == "=" ? row.groups : row.groupsAfter));
    char remembered[plat::kPathBuffer] = "";
    if (!row.remembered.empty()) {
      EXPECT_TRUE(zv::GetCurrentDirSetting(remembered));
      EXPECT_EQ(Lower(remembered), Lower(row.remembered));
    }
    const std::vector<HelpCall> calls = help.WaitForCalls(row.help.size() + 1, row.help.empty() ? 300 : 5000);
    ASSERT_EQ(calls.size(), row.help.empty() ? 0 : row.help.size() + 1);
    const std::string dll = row.english ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH;
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].command, static_cast<UINT>(i < row.help.size() ? HELP_CONTEXT : HELP_QUIT)) << i;
      EXPECT_EQ(calls[i].data, i < row.help.size() ? row.help[i] : 0u) << i;
      EXPECT_EQ(Lower(calls[i].file),
                Lower(dll.substr(0, dll.rfind('\\') + 1) + (row.english ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP")));
    }
  }
}

// A file without an extension, missing when OK is pressed, is taken once it
// exists; a file without a header tells no layer.
TEST_F(FormDetailsDialogTest, AFileWithoutExtensionIsTakenOnceItExists) {
  Load(true);
  ZVLONG id = 0;
  DialogRun run(Call(&id));
  RunScript(run, {Wait(kEnSelection), Type(kFile, Path("FORM")), Click(IDOK), Refused(kMissing), Quiet()});
  EXPECT_FALSE(FileExists(FormListPath()));
  ASSERT_TRUE(WriteWholeFile(Path("FORM"), "page data without a header"));
  RunScript(run, {Wait(kEnSelection), Click(IDOK), Returns(1)});
  EXPECT_EQ(id, -1);
  EXPECT_EQ(Read(FormListPath()), FormListFile({}, {{-1, "P", "", 2, 0}}, 1));
  EXPECT_EQ(Read(GroupListPath()), GroupNameListFile({Path("FORM")}));
}

TEST_F(FormDetailsDialogTest, ACatalogueThatCannotBeWrittenKeepsTheDialogOpen) {
  Load(true);
  WriteFormList(FormListFile(kNamed, {{-1, "P", "", 2, 3}}, 1));
  WriteGroupList(GroupNameListFile(abc_ + Texts{"5"}));
  const std::string forms = Read(FormListPath()), groups = Read(GroupListPath());
  for (const ZVLONG start : {-1, 0}) {
    ZVLONG id = start;
    DialogRun run(Call(&id));
    {
      FileHolder writer(FormListPath(), plat::kAccessReadWrite, plat::kShareRead);
      ASSERT_TRUE(writer.Opened());
      RunScript(run, {Wait(kEnSelection), Type(kFile, report_), Click(IDOK),
                      Refused("Cannot save the form overlay information."), Quiet()});
    }
    RunScript(run, {Wait(kEnSelection), Click(IDCANCEL), Returns(0)});
    EXPECT_EQ(id, start);
    EXPECT_EQ(Read(FormListPath()), forms);
    EXPECT_EQ(Read(GroupListPath()), groups);
  }
}

}  // namespace
