// ZVFormDetailsDlg of the real module, driven as a user would: which of the
// two dialogs opens, what they show, what each button does to the result
// and to the catalogue files on disk, in both resource sets.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_config.h"
#include "catalogue/overlay_files.h"
#include "catalogue/print_settings.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"
#include "support/other_process.h"
#include "zvlmn30e.h"

namespace {

using zvtest::Bytes;
using zvtest::FormSpec;

constexpr int kFormList = 2400;
constexpr int kFormDescription = 2401;
constexpr int kFileField = 2503;
constexpr int kBrowse = 2504;
constexpr int kFileDescription = 2506;
constexpr int kHelp = 145;

constexpr char kLocalDetails[] = "Detalles del formulario";
constexpr char kLocalSelection[] = "Selecci\363n de formulario";
constexpr char kEnglishDetails[] = "Form Details";
constexpr char kEnglishSelection[] = "Form Selection";

constexpr char kUnusableName[] = "Cannot use this file name. Specify another file name.";
constexpr char kMissingFile[] = "Specified file does not exist.";
constexpr char kNotSaved[] = "Cannot save the form overlay information.";
constexpr char kLocalUnusableName[] =
    "No se puede usar este nombre de fichero. Escriba otro nombre de fichero.";
constexpr char kLocalMissingFile[] = "El fichero indicado no existe.";

// A .ZLP file: the 319-byte header with this description and layer, then
// some page data.
std::string OverlayFile(const std::string& description, uint8_t layer) {
  zv::PrintSettings settings{};
  settings.layer = layer;
  settings.paperCode = 9;
  settings.orientation = 1;
  return Bytes().U32(zv::overlay_header::kSize).Fixed("", 25).Fixed(description, 256).str() +
         zvtest::SettingsRecordBytes(settings) +
         "\x1b"
         "E page";
}

// The description companion (.ZLI) of a raw file.
std::string DescriptionCompanion(const std::string& description) {
  return Bytes().Zeros(zv::description_companion::kTextOffset).Fixed(description, 256).str();
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// The directory of a path, with its trailing backslash.
std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.rfind('\\') + 1);
}

// Children of a dialog may not overlap, must lie inside it, and every text
// of a label or button must fit its control in the dialog's font.
void ExpectTidyLayout(const zvtest::Dialog& dialog) {
  HWND window = dialog.Handle();
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  ASSERT_FALSE(children.empty());
  RECT client;
  GetClientRect(window, &client);
  std::vector<RECT> rects;
  for (HWND child : children) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    rects.push_back(r);
    char text[256] = "";
    GetWindowTextA(child, text, sizeof text);
    EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                r.bottom <= client.bottom)
        << dialog.Title() << ": control " << GetDlgCtrlID(child) << " \"" << text << "\" leaves the dialog";
    char className[32] = "";
    GetClassNameA(child, className, sizeof className);
    const std::string kind = Lower(className);
    if ((kind != "static" && kind != "button") || text[0] == '\0') continue;
    HDC dc = GetDC(child);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    RECT need = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(child, dc);
    const LONG margin = kind == "button" ? 8 : 0;
    EXPECT_LE(need.right + margin, r.right - r.left)
        << dialog.Title() << ": \"" << text << "\" does not fit its control";
    EXPECT_LE(need.bottom, r.bottom - r.top) << dialog.Title() << ": \"" << text << "\" is cut off below";
  }
  for (size_t i = 0; i < rects.size(); ++i) {
    for (size_t j = i + 1; j < rects.size(); ++j) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &rects[i], &rects[j]))
          << dialog.Title() << ": controls " << GetDlgCtrlID(children[i]) << " and "
          << GetDlgCtrlID(children[j]) << " overlap";
    }
  }
}

// The help calls once there are at least `count` of them. WinHelp hands
// its request over with a message sent between threads, during which the
// dialog's thread already answers the driver: a click can return before
// the request has arrived.
class FormDetailsDialogTest : public zvtest::CatalogueTest {
 protected:
  using DetailsFunction = decltype(&ZVFormDetailsDlg);

  void TearDown() override {
    module_.reset();
    zvtest::CatalogueTest::TearDown();
  }

  // Loads the local build, or the English one.
  void Load(bool english = false) {
    module_.reset();
    modulePath_ = english ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH;
    module_ = std::make_unique<zvtest::ModuleUnderTest>(modulePath_.c_str());
    details_ =
        reinterpret_cast<DetailsFunction>(reinterpret_cast<void*>(module_->Export("ZVFormDetailsDlg")));
    ASSERT_NE(details_, nullptr);
  }

  // ZVFormDetailsDlg as the sample driver calls it, with *formId in and out.
  std::function<int()> Call(ZVLONG* formId) {
    DetailsFunction details = details_;
    return
        [details, formId] { return details(nullptr, nullptr, 0, nullptr, ZV_SAMPLE_DRIVER_PATH, 0, formId); };
  }

  // Three named forms with their save directories.
  std::vector<FormSpec> NamedForms() const {
    return {{3, "INVOICE", "Monthly invoice", 2, 0},
            {7, "LETTER", "Letter head of the office", 1, 1},
            {9, "MEMO", "", 2, 2}};
  }
  std::vector<std::string> NamedTexts() const {
    return {Dir() + "INVOICE", Dir() + "LETTER", Dir() + "MEMO"};
  }

  void WriteCatalogue(const std::vector<FormSpec>& named, const std::vector<FormSpec>& entries,
                      uint16_t lastEntry, const std::vector<std::string>& texts) {
    WriteFormList(zvtest::FormListFile(named, entries, lastEntry));
    WriteGroupList(zvtest::GroupNameListFile(texts));
  }

  // Both list files as they are on disk ("" when missing).
  std::string Snapshot() const {
    std::string form, group;
    zvtest::ReadWholeFile(FormListPath(), &form);
    zvtest::ReadWholeFile(GroupListPath(), &group);
    return form + "|" + group;
  }
  std::string FormListBytes() const {
    std::string bytes;
    zvtest::ReadWholeFile(FormListPath(), &bytes);
    return bytes;
  }
  std::string GroupListBytes() const {
    std::string bytes;
    zvtest::ReadWholeFile(GroupListPath(), &bytes);
    return bytes;
  }

  // An overlay data file in the scratch directory.
  std::string WriteOverlay(const std::string& name, const std::string& description, uint8_t layer) {
    const std::string path = Path(name);
    EXPECT_TRUE(zvtest::WriteWholeFile(path, OverlayFile(description, layer)));
    return path;
  }

  // The help file the sample driver names, beside the module.
  std::string HelpFile(bool english) const {
    return DirectoryOf(modulePath_) + (english ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP");
  }

  // Types the text into the file field, presses OK and expects a stop box
  // with this text that leaves the dialog open.
  void ExpectRefusal(zvtest::DialogRun& run, const zvtest::Dialog& dialog, const std::string& typed,
                     const std::string& message) {
    SCOPED_TRACE("typed \"" + typed + "\"");
    dialog.SetText(kFileField, typed);
    dialog.Click(IDOK);
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, message);
    EXPECT_EQ(box.caption, "Overlay");
    EXPECT_TRUE(box.stopIcon);
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    run.AnswerBox(IDOK);
    EXPECT_TRUE(dialog.IsOpen());
    EXPECT_TRUE(run.IsActive(dialog));
  }

  std::string modulePath_;
  std::unique_ptr<zvtest::ModuleUnderTest> module_;
  DetailsFunction details_ = nullptr;
};

// ---------------------------------------------------------------------------
// The form details dialog.

TEST_F(FormDetailsDialogTest, DetailsListTheNamedFormsAndReturnTheOneChosen) {
  Load();
  WriteCatalogue(NamedForms(), {}, 0, NamedTexts());
  const std::string before = Snapshot();
  ZVLONG formId = 7;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog details = run.WaitForDialog(kLocalDetails);
  EXPECT_EQ(details.ListItems(kFormList), (std::vector<std::string>{"INVOICE", "LETTER", "MEMO"}));
  EXPECT_EQ(details.ListSelection(kFormList), 1);
  EXPECT_EQ(details.Text(kFormDescription), "Letter head of the office");
  EXPECT_EQ(details.TextLimit(kFormDescription), 255);
  EXPECT_EQ(details.Style(kFormList) & LBS_SORT, 0);
  EXPECT_NE(details.Style(kFormList) & LBS_NOTIFY, 0);
  EXPECT_NE(details.Style(kFormDescription) & ES_READONLY, 0);
  EXPECT_NE(details.Style(kFormDescription) & ES_MULTILINE, 0);
  EXPECT_EQ(details.Text(IDOK), "Aceptar");
  EXPECT_EQ(details.Text(IDCANCEL), "Cancelar");
  EXPECT_EQ(details.Text(kHelp), "A&yuda");

  details.SelectRow(kFormList, 2);
  EXPECT_EQ(details.Text(kFormDescription), "");
  details.SelectRow(kFormList, 0);
  EXPECT_EQ(details.Text(kFormDescription), "Monthly invoice");
  details.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(formId, 3);
  EXPECT_TRUE(run.Boxes().empty());
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FormDetailsDialogTest, DetailsPreselectTheFirstRowWhenTheDriversFormIsNotListed) {
  Load();
  WriteCatalogue(NamedForms(), {}, 0, NamedTexts());
  const std::string before = Snapshot();
  ZVLONG formId = 5;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog details = run.WaitForDialog(kLocalDetails);
  EXPECT_EQ(details.ListSelection(kFormList), 0);
  EXPECT_EQ(details.Text(kFormDescription), "Monthly invoice");
  details.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(formId, 3);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FormDetailsDialogTest, CancelInTheDetailsLeavesTheDriversFormAsItWas) {
  Load();
  WriteCatalogue(NamedForms(), {}, 0, NamedTexts());
  const std::string before = Snapshot();
  ZVLONG formId = 3;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog details = run.WaitForDialog(kLocalDetails);
  details.SelectRow(kFormList, 1);
  EXPECT_EQ(details.Text(kFormDescription), "Letter head of the office");
  details.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(formId, 3);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FormDetailsDialogTest, EnglishDetailsShowTheEnglishTexts) {
  Load(true);
  WriteCatalogue(NamedForms(), {}, 0, NamedTexts());
  ZVLONG formId = 9;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog details = run.WaitForDialog(kEnglishDetails);
  EXPECT_EQ(details.Text(IDOK), "OK");
  EXPECT_EQ(details.Text(IDCANCEL), "Cancel");
  EXPECT_EQ(details.Text(kHelp), "&Help");
  EXPECT_EQ(details.ListSelection(kFormList), 2);
  EXPECT_EQ(details.Text(kFormDescription), "");
  details.SelectRow(kFormList, 1);
  details.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(formId, 7);
}

// ---------------------------------------------------------------------------
// Which dialog opens.

TEST_F(FormDetailsDialogTest, EverythingButANamedFormOfTheDriverOpensTheSelection) {
  Load();
  struct Case {
    const char* what;
    bool namedForms;
    ZVLONG formId;
    const char* entryName = "P";
  };
  const Case cases[] = {
      {"no form", true, 0},
      {"a file entry", true, -1},
      {"a capture's file entry", true, -1, "C"},
      {"a positive identifier without named forms", false, 4},
      {"no form and no named forms", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.namedForms) {
      WriteCatalogue(NamedForms(), {{-1, c.entryName, "", 2, 3}}, 1,
                     {Dir() + "A", Dir() + "B", Dir() + "C", "5"});
    } else {
      WriteCatalogue({}, {{-1, "P", "", 2, 0}}, 1, {"5"});
    }
    const std::string before = Snapshot();
    ZVLONG formId = c.formId;
    zvtest::DialogRun run(Call(&formId));
    zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
    EXPECT_EQ(selection.Text(kFileField), "");
    selection.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
    EXPECT_EQ(formId, c.formId);
    EXPECT_EQ(Snapshot(), before);
  }
}

TEST_F(FormDetailsDialogTest, AnEmptyCatalogueOpensTheSelection) {
  Load(true);
  ZVLONG formId = 12;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
  EXPECT_EQ(selection.Text(kFileField), "");
  EXPECT_EQ(selection.Text(kFileDescription), "");
  selection.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(formId, 12);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
  EXPECT_FALSE(zvtest::FileExists(GroupListPath()));
}

TEST_F(FormDetailsDialogTest, ADamagedFormListIsReportedWithoutADialog) {
  Load(true);
  std::string damaged = zvtest::FormListFile(NamedForms(), {}, 0);
  damaged.pop_back();
  WriteFormList(damaged);
  WriteGroupList(zvtest::GroupNameListFile(NamedTexts()));
  ZVLONG formId = 3;
  zvtest::DialogRun run(Call(&formId));
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, "The form name list file is damaged.");
  EXPECT_EQ(box.caption, "Overlay");
  EXPECT_TRUE(box.stopIcon);
  run.AnswerBox(IDOK);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(formId, 3);
  EXPECT_EQ(run.Boxes().size(), 1u);
}

// ---------------------------------------------------------------------------
// The form selection dialog: what it shows.

TEST_F(FormDetailsDialogTest, SelectionShowsThePrintEntrysFileAndItsDescription) {
  Load();
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 1);
  const std::vector<FormSpec> entries = {{-1, "C", "", 2, 3}, {-2, "P", "typed long ago", 2, 4}};
  const std::vector<std::string> texts = {Dir() + "A", Dir() + "B", Dir() + "C", Path("CAPTURE.ZLP"),
                                          overlay};
  WriteCatalogue(NamedForms(), entries, 2, texts);
  ZVLONG formId = -2;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
  EXPECT_EQ(selection.Text(kFileField), overlay);
  EXPECT_EQ(selection.Text(kFileDescription), "Quarterly report");
  EXPECT_EQ(selection.TextLimit(kFileDescription), 255);
  EXPECT_NE(selection.Style(kFileDescription) & ES_READONLY, 0);
  EXPECT_NE(selection.Style(kFileField) & ES_AUTOHSCROLL, 0);
  EXPECT_EQ(selection.Text(kBrowse), "&Examinar...");
  EXPECT_EQ(selection.Text(IDOK), "Aceptar");
  selection.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(formId, -2);
  // The entry is rewritten as "P" without a description, with the file's
  // layer; its group text stays the same path.
  EXPECT_EQ(FormListBytes(), zvtest::FormListFile(NamedForms(), {entries[0], {-2, "P", "", 1, 4}}, 2));
  EXPECT_EQ(GroupListBytes(), zvtest::GroupNameListFile(texts));
}

TEST_F(FormDetailsDialogTest, ACaptureEntryGivesEmptyFieldsAndOkAddsANewPrintEntry) {
  Load();
  const std::string capture = WriteOverlay("CAPTURE.ZLP", "Captured page", 1);
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 1);
  const std::vector<FormSpec> entries = {{-1, "C", "", 1, 3}};
  const std::vector<std::string> texts = {Dir() + "A", Dir() + "B", Dir() + "C", capture};
  WriteCatalogue(NamedForms(), entries, 1, texts);
  ZVLONG formId = -1;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
  EXPECT_EQ(selection.Text(kFileField), "");
  EXPECT_EQ(selection.Text(kFileDescription), "");
  selection.SetText(kFileField, overlay);
  EXPECT_EQ(selection.Text(kFileDescription), "Quarterly report");
  selection.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(formId, -2);
  EXPECT_EQ(FormListBytes(), zvtest::FormListFile(NamedForms(), {entries[0], {-2, "P", "", 1, 4}}, 2));
  EXPECT_EQ(GroupListBytes(),
            zvtest::GroupNameListFile({Dir() + "A", Dir() + "B", Dir() + "C", capture, overlay}));
}

TEST_F(FormDetailsDialogTest, AnEntryKeptByNumberOrAMissingFileShowsNoDescription) {
  Load();
  const std::string missing = Path("GONE.ZLP");
  WriteCatalogue({}, {{-1, "P", "", 2, 0}, {-2, "P", "", 2, 1}}, 2, {"17", missing});
  {
    SCOPED_TRACE("an overlay number");
    ZVLONG formId = -1;
    zvtest::DialogRun run(Call(&formId));
    zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
    EXPECT_EQ(selection.Text(kFileField), "");
    EXPECT_EQ(selection.Text(kFileDescription), "");
    selection.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
  }
  {
    SCOPED_TRACE("a file that is gone");
    ZVLONG formId = -2;
    zvtest::DialogRun run(Call(&formId));
    zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
    EXPECT_EQ(selection.Text(kFileField), missing);
    EXPECT_EQ(selection.Text(kFileDescription), "");
    selection.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
  }
}

TEST_F(FormDetailsDialogTest, TheDescriptionFollowsTheTypedFile) {
  Load(true);
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 2);
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("RAW.ZLC"), "\x1d raw page"));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("RAW.ZLI"), DescriptionCompanion("Raw page of the printer")));
  ZVLONG formId = 0;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
  selection.SetText(kFileField, overlay);
  EXPECT_EQ(selection.Text(kFileDescription), "Quarterly report");
  {
    // A name without a path shows nothing, even where it would be found.
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
    selection.SetText(kFileField, "REPORT.ZLP");
    SetCurrentDirectoryA(current);
    EXPECT_EQ(selection.Text(kFileDescription), "");
  }
  selection.SetText(kFileField, Path("RAW.ZLC"));
  EXPECT_EQ(selection.Text(kFileDescription), "Raw page of the printer");
  selection.SetText(kFileField, Path("GONE.ZLP"));
  EXPECT_EQ(selection.Text(kFileDescription), "");
  selection.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(formId, 0);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
}

TEST_F(FormDetailsDialogTest, BrowsePicksAnOverlayFileAndRemembersItsDirectory) {
  Load(true);
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 2);
  ZVLONG formId = 0;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
  // The picker starts in the directory of the typed path.
  selection.SetText(kFileField, Path("NOTHING.ZLP"));
  selection.Click(kBrowse);
  zvtest::Dialog picker = run.WaitForDialog("Open File");
  picker.SetText(1152, "REPORT.ZLP");
  picker.Click(IDOK);
  EXPECT_TRUE(run.IsActive(selection));
  EXPECT_EQ(Lower(selection.Text(kFileField)), Lower(overlay));
  EXPECT_EQ(selection.Text(kFileDescription), "Quarterly report");
  char remembered[plat::kPathBuffer] = "";
  ASSERT_TRUE(zv::GetCurrentDirSetting(remembered));
  std::string directory = Dir();
  directory.pop_back();  // remembered without the final backslash
  EXPECT_EQ(Lower(remembered), Lower(directory));

  // A cancelled picker changes nothing.
  selection.Click(kBrowse);
  picker = run.WaitForDialog("Open File");
  picker.SetText(1152, "OTHER.ZLP");
  picker.Click(IDCANCEL);
  EXPECT_TRUE(run.IsActive(selection));
  EXPECT_EQ(Lower(selection.Text(kFileField)), Lower(overlay));

  selection.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_LT(formId, 0);
}

// ---------------------------------------------------------------------------
// The form selection dialog: OK.

TEST_F(FormDetailsDialogTest, UnusableNamesAndMissingFilesAreRefused) {
  Load(true);
  WriteCatalogue(NamedForms(), {{-1, "P", "", 2, 3}}, 1, {Dir() + "A", Dir() + "B", Dir() + "C", "5"});
  const std::string before = Snapshot();
  // Files that exist, so that only their names are refused.
  WriteOverlay("FORM.TXT", "text", 1);
  WriteOverlay("_FORM.ZLP", "underscore", 1);
  WriteOverlay("FORM.ZLC", "raw", 1);
  ASSERT_TRUE(CreateDirectoryA(Path("SUB.D").c_str(), nullptr));
  WriteOverlay("SUB.D\\FORM", "dotted directory", 1);
  ZVLONG formId = -1;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
  for (const std::string& typed :
       {std::string(""), std::string(" \t "), Path("FORM.TXT"), Path("_FORM.ZLP"), Path("FORM.ZLC"),
        Path("F*RM.ZLP"), Path("FORM?.ZLP"), Path("SUB.D\\FORM")}) {
    ExpectRefusal(run, selection, typed, kUnusableName);
  }
  ExpectRefusal(run, selection, Path("GONE.ZLP"), kMissingFile);
  ExpectRefusal(run, selection, Path("GONE"), kMissingFile);
  EXPECT_EQ(Snapshot(), before);
  selection.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(formId, -1);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FormDetailsDialogTest, RefusalsSpeakTheLocalLanguage) {
  Load();
  ZVLONG formId = 0;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
  ExpectRefusal(run, selection, Path("FORM.TXT"), kLocalUnusableName);
  ExpectRefusal(run, selection, Path("GONE.ZLP"), kLocalMissingFile);
  selection.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
}

TEST_F(FormDetailsDialogTest, AFileWithoutExtensionIsRegisteredOnceItExists) {
  Load(true);
  const std::string form = Path("FORM");
  ZVLONG formId = 0;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
  ExpectRefusal(run, selection, form, kMissingFile);
  EXPECT_FALSE(zvtest::FileExists(FormListPath()));
  ASSERT_TRUE(zvtest::WriteWholeFile(form, "page data without a header"));
  selection.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  // The first file entry of a new catalogue, behind the page: a file
  // without extension tells no layer.
  EXPECT_EQ(formId, -1);
  EXPECT_EQ(FormListBytes(), zvtest::FormListFile({}, {{-1, "P", "", 2, 0}}, 1));
  EXPECT_EQ(GroupListBytes(), zvtest::GroupNameListFile({form}));
}

TEST_F(FormDetailsDialogTest, NoFormGivesANewPrintEntryAfterTheOthers) {
  Load();
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 1);
  const std::vector<FormSpec> entries = {{-1, "P", "", 2, 3}, {-2, "C", "", 2, 4}};
  WriteCatalogue(NamedForms(), entries, 2, {Dir() + "A", Dir() + "B", Dir() + "C", "5", "6"});
  ZVLONG formId = 0;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
  selection.SetText(kFileField, overlay);
  selection.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(formId, -3);
  EXPECT_EQ(FormListBytes(),
            zvtest::FormListFile(NamedForms(), {entries[0], entries[1], {-3, "P", "", 1, 5}}, 3));
  EXPECT_EQ(GroupListBytes(),
            zvtest::GroupNameListFile({Dir() + "A", Dir() + "B", Dir() + "C", "5", "6", overlay}));
}

TEST_F(FormDetailsDialogTest, ACatalogueThatCannotBeWrittenKeepsTheDialogOpen) {
  Load(true);
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 1);
  WriteCatalogue(NamedForms(), {{-1, "P", "", 2, 3}}, 1, {Dir() + "A", Dir() + "B", Dir() + "C", "5"});
  const std::string before = Snapshot();
  for (int32_t start : {-1, 0}) {
    SCOPED_TRACE(start == 0 ? "a new entry" : "the driver's entry");
    ZVLONG formId = start;
    zvtest::DialogRun run(Call(&formId));
    zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
    {
      zvtest::FileHolder writer(FormListPath(), plat::kAccessReadWrite, plat::kShareRead);
      ASSERT_TRUE(writer.Opened());
      ExpectRefusal(run, selection, overlay, kNotSaved);
    }
    EXPECT_EQ(Snapshot(), before);
    selection.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
    EXPECT_EQ(formId, start);
    EXPECT_EQ(Snapshot(), before);
  }
}

// ---------------------------------------------------------------------------
// Help.

TEST_F(FormDetailsDialogTest, HelpOpenedInADialogIsClosedWithIt) {
  zvtest::HelpWatcher help;
  Load();
  WriteCatalogue(NamedForms(), {}, 0, NamedTexts());
  const std::string file = Lower(HelpFile(false));
  {
    ZVLONG formId = 3;
    zvtest::DialogRun run(Call(&formId));
    zvtest::Dialog details = run.WaitForDialog(kLocalDetails);
    details.Click(kHelp);
    std::vector<zvtest::HelpCall> calls = help.WaitForCalls(1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(calls[0].data, 300001u);
    EXPECT_EQ(Lower(calls[0].file), file);
    EXPECT_TRUE(run.IsActive(details));
    details.Click(IDOK);
    EXPECT_EQ(run.Result(), 1);
    calls = help.WaitForCalls(2);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
    EXPECT_EQ(Lower(calls[1].file), file);
  }
  {
    SCOPED_TRACE("no help, nothing to close");
    ZVLONG formId = 3;
    zvtest::DialogRun run(Call(&formId));
    run.WaitForDialog(kLocalDetails).Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
    EXPECT_EQ(help.Calls().size(), 2u);
  }
  {
    ZVLONG formId = 0;
    zvtest::DialogRun run(Call(&formId));
    zvtest::Dialog selection = run.WaitForDialog(kLocalSelection);
    selection.Click(kHelp);
    std::vector<zvtest::HelpCall> calls = help.WaitForCalls(3);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(calls[2].data, 300002u);
    EXPECT_EQ(Lower(calls[2].file), file);
    selection.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
    calls = help.WaitForCalls(4);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].command, static_cast<UINT>(HELP_QUIT));
  }
}

TEST_F(FormDetailsDialogTest, EnglishHelpComesFromTheDriversEnglishFile) {
  zvtest::HelpWatcher help;
  Load(true);
  const std::string overlay = WriteOverlay("REPORT.ZLP", "Quarterly report", 1);
  ZVLONG formId = 0;
  zvtest::DialogRun run(Call(&formId));
  zvtest::Dialog selection = run.WaitForDialog(kEnglishSelection);
  selection.Click(kHelp);
  selection.Click(kHelp);
  // A refused OK keeps the dialog, and its help, open.
  ExpectRefusal(run, selection, Path("GONE.ZLP"), kMissingFile);
  ASSERT_EQ(help.WaitForCalls(2).size(), 2u);
  selection.SetText(kFileField, overlay);
  selection.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  const std::vector<zvtest::HelpCall> calls = help.WaitForCalls(3);
  ASSERT_EQ(calls.size(), 3u);
  for (const zvtest::HelpCall& call : calls) EXPECT_EQ(Lower(call.file), Lower(HelpFile(true)));
  EXPECT_EQ(calls[0].data, 300002u);
  EXPECT_EQ(calls[1].data, 300002u);
  EXPECT_EQ(calls[2].command, static_cast<UINT>(HELP_QUIT));
}

// ---------------------------------------------------------------------------
// The templates.

TEST_F(FormDetailsDialogTest, BothDialogsShowEveryTextWholeInBothLanguages) {
  for (bool english : {false, true}) {
    SCOPED_TRACE(english ? "English" : "local");
    Load(english);
    WriteCatalogue(NamedForms(), {}, 0, NamedTexts());
    {
      ZVLONG formId = 3;
      zvtest::DialogRun run(Call(&formId));
      zvtest::Dialog details = run.WaitForDialog(english ? kEnglishDetails : kLocalDetails);
      ExpectTidyLayout(details);
      details.Click(IDCANCEL);
      EXPECT_EQ(run.Result(), 0);
    }
    {
      ZVLONG formId = 0;
      zvtest::DialogRun run(Call(&formId));
      zvtest::Dialog selection = run.WaitForDialog(english ? kEnglishSelection : kLocalSelection);
      ExpectTidyLayout(selection);
      EXPECT_EQ(selection.Text(kBrowse), english ? "&Browse..." : "&Examinar...");
      selection.Click(IDCANCEL);
      EXPECT_EQ(run.Result(), 0);
    }
  }
}

}  // namespace
