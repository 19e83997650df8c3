// The register existing form dialog, opened on a context made here as the
// edit form dialog makes it, and driven as a user would: the two layouts of
// the form half, the paper choice, Browse, Change Directory, Help, and what
// OK and Cancel leave in the catalogue files, compared byte by byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue_config.h"
#include "catalogue/print_settings.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/module_frame.h"
#include "dialogs/register_existing_dialog.h"
#include "dialogs/resource_ids.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"

namespace {

using zv::PrintSettings;
using zvtest::Bytes;

constexpr char kTitle[] = "Registrar formulario existente";
constexpr char kPickerTitle[] = "Detalles del formulario";

// Two papers share code 9: the dialog's first choice takes the last of
// them, the paper rule of a later layout switch the first.
const zv::PaperEntry kPapers[] = {{1, 2100, 2970, 11, 12, 9, "A4"},
                                  {1, 2159, 2794, 21, 22, 1, "Letter"},
                                  {1, 2970, 4200, 31, 32, 8, "A3"},
                                  {1, 2100, 2970, 41, 42, 9, "A4 wide margins"}};
constexpr uint16_t kPaperCount = 4;

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

PrintSettings WithPaper(PrintSettings s, const zv::PaperEntry& paper, uint8_t orientation, uint8_t layer) {
  s.paperWidth = static_cast<int16_t>(paper.width);
  s.paperHeight = static_cast<int16_t>(paper.length);
  s.paperValue3 = paper.value3;
  s.paperValue4 = paper.value4;
  s.paperCode = paper.code;
  s.orientation = orientation;
  s.layer = layer;
  return s;
}

// A capture's record: A4 landscape, 600 dpi colour.
PrintSettings Captured() {
  return {1, 1, 3, 7, 2100, 2970, 11, 12, 9, 2, 600, 1, 2, 0, 2100, 2970, 0, 0, 9, 100};
}

// An overlay data file: the 319-byte header, then page data.
std::string OverlayFile(const PrintSettings& s) {
  return Bytes().U32(319).Fixed("", 25).Fixed("Scanned", 256).str() + zvtest::SettingsRecordBytes(s) + "PAGE";
}

// The driver settings block: orientation at 0, paper size code at 12.
struct DriverBlock {
  unsigned char bytes[zv::driver_block::kMinimumSize] = {};
  DriverBlock(int16_t orientation, uint16_t code) {
    std::memcpy(bytes + zv::driver_block::kOrientationOffset, &orientation, sizeof orientation);
    std::memcpy(bytes + zv::driver_block::kPaperCodeOffset, &code, sizeof code);
  }
};

class RegisterExistingTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    zv::CreateDialogBrush();
    context_ = std::make_unique<zv::EditFormContext>();
    std::memset(context_.get(), 0, sizeof *context_);
    context_->settings = driver_.bytes;
    context_->driverPath = ZV_SAMPLE_DRIVER_PATH;
    context_->overlayCapacity = 256;
    context_->papers = kPapers;
    context_->paperCount = kPaperCount;
    context_->filePaperIndex = zv::kNoPaper;
    context_->fileOrientation = zv::kNoPaper;
    context_->fileLayer = 2;
    SetFile("NEW.ZLP", Captured());
    ASSERT_TRUE(zv::SetCurrentDirSetting(SaveDir().c_str()));
  }
  void TearDown() override {
    zv::DeleteDialogBrush();
    CatalogueTest::TearDown();
  }

  std::string SaveDir() const { return Dir().substr(0, Dir().size() - 1); }
  std::string InvoiceGroup() const { return Path("_F3001.FGP"); }

  // The file the edit form dialog hands over: its header record, path and
  // description.
  void SetFile(const std::string& name, const PrintSettings& header) {
    header_ = header;
    ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), OverlayFile(header)));
    std::strcpy(context_->filePath, Path(name).c_str());
    std::strcpy(context_->fileDescription, "Scanned");
  }

  // Invoice (1, at the back) with one A4 landscape overlay; Memo (2, in
  // front) without overlays yet, its group text the save directory.
  void WriteCatalogue() {
    WriteFormList(zvtest::FormListFile({{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}}, {}));
    WriteGroupList(zvtest::GroupNameListFile({InvoiceGroup(), Dir()}));
    invoiceEntry_ = zvtest::SettingsRecordBytes(Captured());
    ASSERT_TRUE(zvtest::WriteWholeFile(InvoiceGroup(),
                                       zvtest::GroupInfoFile({{invoiceEntry_, 0}}, {"_F300100.ZLP"})));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("_F300100.ZLP"), OverlayFile(Captured())));
    SetNamedForms({{1, "Invoice"}, {2, "Memo"}});
  }
  void SetNamedForms(const std::vector<std::pair<int32_t, std::string>>& forms) {
    for (size_t i = 0; i < forms.size(); ++i) {
      ids_[i] = forms[i].first;
      std::strcpy(names_[i], forms[i].second.c_str());
    }
    context_->ids = ids_;
    context_->names = names_;
    context_->namedCount = static_cast<int32_t>(forms.size());
  }

  std::string Read(const std::string& path) {
    std::string bytes;
    zvtest::ReadWholeFile(path, &bytes);
    return bytes;
  }
  std::string Snapshot() {
    return Read(FormListPath()) + "|" + Read(GroupListPath()) + "|" + Read(InvoiceGroup()) + "|" +
           Read(Path("_F3003.FGP")) + "|" + Read(Path("_F3002.FGP"));
  }

  std::unique_ptr<zvtest::DialogRun> Open() {
    zv::EditFormContext* context = context_.get();
    auto run = std::make_unique<zvtest::DialogRun>([context] {
      return static_cast<int>(zv::RunDialog("EDIT2", nullptr, zv::RegisterExistingProc, context));
    });
    dialog_ = run->WaitForDialog(kTitle);
    return run;
  }

  // The stop box of a refusal, answered; the dialog stays open.
  void ExpectRefusal(zvtest::DialogRun& run, const std::string& text) {
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, "Overlay");
    EXPECT_TRUE(box.stopIcon);
    run.AnswerBox(IDOK);
    EXPECT_TRUE(dialog_.IsOpen());
    EXPECT_TRUE(run.IsActive(dialog_));
  }

  void ExpectNewFormLayout() {
    for (const int id : {ZV_ID_TO_FRONT, ZV_ID_TO_BACK, ZV_ID_REGISTER_SAVE_TO_LABEL, ZV_ID_REGISTER_SAVE_TO,
                         ZV_ID_REGISTER_CHANGE_DIRECTORY, ZV_ID_REGISTER_PAPER_LABEL, ZV_ID_REGISTER_PAPER,
                         ZV_ID_REGISTER_PORTRAIT, ZV_ID_REGISTER_LANDSCAPE}) {
      EXPECT_TRUE(dialog_.IsVisible(id)) << id;
    }
    for (const int id : {ZV_ID_TO_FRONT, ZV_ID_TO_BACK, ZV_ID_REGISTER_CHANGE_DIRECTORY}) {
      EXPECT_TRUE(dialog_.IsEnabled(id)) << id;
    }
    for (const int id : {ZV_ID_REGISTER_FORM_LAYER, ZV_ID_REGISTER_PAPER_FIXED_LABEL,
                         ZV_ID_REGISTER_FORM_PAPER, ZV_ID_REGISTER_FORM_ORIENTATION}) {
      EXPECT_FALSE(dialog_.IsVisible(id)) << id;
    }
    EXPECT_FALSE(dialog_.Style(ZV_ID_REGISTER_FORM_DESCRIPTION) & ES_READONLY);
    EXPECT_EQ(Upper(dialog_.Text(ZV_ID_REGISTER_SAVE_TO)), Upper(SaveDir()));
  }
  void ExpectExistingFormLayout(const std::string& layer, const std::string& description) {
    EXPECT_TRUE(dialog_.IsVisible(ZV_ID_REGISTER_FORM_LAYER));
    EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_LAYER), layer);
    for (const int id : {ZV_ID_TO_FRONT, ZV_ID_TO_BACK, ZV_ID_REGISTER_SAVE_TO_LABEL, ZV_ID_REGISTER_SAVE_TO,
                         ZV_ID_REGISTER_CHANGE_DIRECTORY}) {
      EXPECT_FALSE(dialog_.IsVisible(id)) << id;
    }
    EXPECT_TRUE(dialog_.Style(ZV_ID_REGISTER_FORM_DESCRIPTION) & ES_READONLY);
    EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_DESCRIPTION), description);
  }
  // The paper rows: the combo box and radios, or the form's fixed texts.
  void ExpectPaperChoiceShown(bool choice) {
    for (const int id : {ZV_ID_REGISTER_PAPER_LABEL, ZV_ID_REGISTER_PAPER, ZV_ID_REGISTER_PORTRAIT,
                         ZV_ID_REGISTER_LANDSCAPE}) {
      EXPECT_EQ(dialog_.IsVisible(id), choice) << id;
    }
    for (const int id :
         {ZV_ID_REGISTER_PAPER_FIXED_LABEL, ZV_ID_REGISTER_FORM_PAPER, ZV_ID_REGISTER_FORM_ORIENTATION}) {
      EXPECT_EQ(dialog_.IsVisible(id), !choice) << id;
    }
  }
  void ExpectPaperChoice(int row, bool portrait, bool enabled) {
    EXPECT_EQ(dialog_.ListSelection(ZV_ID_REGISTER_PAPER), row);
    EXPECT_EQ(dialog_.IsChecked(ZV_ID_REGISTER_PORTRAIT), portrait);
    EXPECT_EQ(dialog_.IsChecked(ZV_ID_REGISTER_LANDSCAPE), !portrait);
    for (const int id : {ZV_ID_REGISTER_PAPER, ZV_ID_REGISTER_PORTRAIT, ZV_ID_REGISTER_LANDSCAPE}) {
      EXPECT_EQ(dialog_.IsEnabled(id), enabled) << id;
    }
  }

  DriverBlock driver_{1, 9};  // A4 portrait
  std::unique_ptr<zv::EditFormContext> context_;
  int32_t ids_[8] = {};
  zv::FormName names_[8] = {};
  PrintSettings header_{};
  std::string invoiceEntry_;
  zvtest::Dialog dialog_;
};

// ---------------------------------------------------------------------------
// What the dialog shows

TEST_F(RegisterExistingTest, OpensOnTheNewFormLayoutWithTheDriversPaper) {
  WriteCatalogue();
  const std::string before = Snapshot();
  auto run = Open();
  ASSERT_TRUE(dialog_.IsOpen());
  ExpectNewFormLayout();
  // The name is the first thing to type.
  GUITHREADINFO thread = {};
  thread.cbSize = sizeof thread;
  ASSERT_TRUE(GetGUIThreadInfo(run->ThreadId(), &thread));
  EXPECT_EQ(thread.hwndFocus, dialog_.Control(ZV_ID_REGISTER_FORM_NAME));
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_NAME), "");
  EXPECT_EQ(dialog_.TextLimit(ZV_ID_REGISTER_FORM_NAME), 24);
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_DESCRIPTION), "");
  EXPECT_EQ(dialog_.TextLimit(ZV_ID_REGISTER_FORM_DESCRIPTION), 255);
  // The file's layer 2 checks "to the back".
  EXPECT_TRUE(dialog_.IsChecked(ZV_ID_TO_BACK));
  EXPECT_FALSE(dialog_.IsChecked(ZV_ID_TO_FRONT));
  EXPECT_EQ(dialog_.ListItems(ZV_ID_REGISTER_PAPER),
            (std::vector<std::string>{"A4", "Letter", "A3", "A4 wide margins"}));
  // The last paper with the driver's code, the driver's orientation.
  ExpectPaperChoice(3, true, true);
  EXPECT_TRUE(dialog_.IsEnabled(ZV_ID_REGISTER_BROWSE));
  // The file's half.
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FILE), Path("NEW.ZLP"));
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FILE_DESCRIPTION), "Scanned");
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FILE_PAPER), "");
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FILE_ORIENTATION), "");
  // Cancel, after a name was typed, changes nothing.
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Letterhead");
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
  EXPECT_TRUE(run->Boxes().empty());
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegisterExistingTest, AFileWithAKnownPaperFixesThePaperChoice) {
  WriteCatalogue();
  context_->filePaperIndex = 1;
  context_->fileOrientation = 2;
  context_->fileLayer = 1;
  auto run = Open();
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FILE_PAPER), "Letter");
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FILE_ORIENTATION), Message(zv::kMsgLandscape));
  EXPECT_TRUE(dialog_.IsChecked(ZV_ID_TO_FRONT));
  ExpectPaperChoice(1, false, false);
  // Also after a switch to an existing form and back.
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice2");
  ExpectPaperChoice(1, false, false);
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
}

TEST_F(RegisterExistingTest, ADriverPaperMissingFromTheListGivesTheFirstPaper) {
  WriteCatalogue();
  driver_ = DriverBlock(1, 5);  // Legal portrait: not in the list
  context_->fileLayer = 0;
  auto run = Open();
  EXPECT_TRUE(dialog_.IsChecked(ZV_ID_TO_FRONT));
  ExpectPaperChoice(0, true, true);
  // The rule of a layout switch checks landscape then.
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "X");
  ExpectPaperChoice(0, false, true);
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
}

TEST_F(RegisterExistingTest, WithoutNamedFormsBrowseIsDisabledAndEveryNameIsNew) {
  WriteFormList(zvtest::FormListFile({}, {}));
  WriteGroupList(zvtest::GroupNameListFile({}));
  auto run = Open();
  EXPECT_FALSE(dialog_.IsEnabled(ZV_ID_REGISTER_BROWSE));
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  ExpectNewFormLayout();
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
}

TEST_F(RegisterExistingTest, TypingANameSwitchesBetweenTheTwoLayouts) {
  WriteCatalogue();
  auto run = Open();
  // A form with overlays: its front/back, description, paper and
  // orientation become fixed texts.
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  ExpectExistingFormLayout(Message(zv::kMsgBack), "Bill");
  ExpectPaperChoiceShown(false);
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_PAPER), "A4");
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_ORIENTATION), Message(zv::kMsgLandscape));
  EXPECT_EQ(context_->selectedForm, 1);

  // Another letter case is a new name: the editable layout again, emptied.
  dialog_.Click(ZV_ID_TO_FRONT);
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "invoice");
  ExpectNewFormLayout();
  ExpectPaperChoiceShown(true);
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_DESCRIPTION), "");
  EXPECT_TRUE(dialog_.IsChecked(ZV_ID_TO_BACK));  // the file's layer again
  // The paper rule: the first paper with the driver's code.
  ExpectPaperChoice(0, true, true);

  // A form without overlays: fixed front/back and description, the paper
  // choice stays editable.
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Memo");
  ExpectExistingFormLayout(Message(zv::kMsgFront), "Note");
  ExpectPaperChoiceShown(true);
  ExpectPaperChoice(0, true, true);
  EXPECT_EQ(context_->selectedForm, 2);
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
}

TEST_F(RegisterExistingTest, BrowsePicksAnExistingForm) {
  WriteCatalogue();
  context_->selectedForm = 1;
  std::strcpy(context_->formName, "Invoice");
  auto run = Open();
  dialog_.Click(ZV_ID_REGISTER_BROWSE);
  zvtest::Dialog picker = run->WaitForDialog(kPickerTitle);
  ASSERT_TRUE(picker.IsOpen());
  EXPECT_EQ(picker.ListItems(ZV_ID_DETAIL_FORM_LIST), (std::vector<std::string>{"Invoice", "Memo"}));
  EXPECT_EQ(picker.ListSelection(ZV_ID_DETAIL_FORM_LIST), 0);  // the context's form
  picker.SelectRow(ZV_ID_DETAIL_FORM_LIST, 1);
  picker.Click(ZV_ID_OK);
  dialog_ = run->WaitForDialog(kTitle);
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_NAME), "Memo");
  ExpectExistingFormLayout(Message(zv::kMsgFront), "Note");
  EXPECT_EQ(context_->selectedForm, 2);

  // Cancel in the picker leaves the name alone.
  dialog_.Click(ZV_ID_REGISTER_BROWSE);
  picker = run->WaitForDialog(kPickerTitle);
  picker.SelectRow(ZV_ID_DETAIL_FORM_LIST, 0);
  picker.Click(ZV_ID_CANCEL);
  dialog_ = run->WaitForDialog(kTitle);
  EXPECT_EQ(dialog_.Text(ZV_ID_REGISTER_FORM_NAME), "Memo");
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
}

TEST_F(RegisterExistingTest, ChangeDirectoryShowsAndRemembersTheChosenDirectory) {
  WriteCatalogue();
  ASSERT_TRUE(CreateDirectoryA(Path("SUB").c_str(), nullptr));
  auto run = Open();
  dialog_.Click(ZV_ID_REGISTER_CHANGE_DIRECTORY);
  zvtest::Dialog picker = run->WaitForDialog(Message(zv::kMsgDirectoryName));
  ASSERT_TRUE(picker.IsOpen());
  EXPECT_EQ(Upper(picker.Text(ZV_ID_PICKER_DIR_LABEL)), Upper(SaveDir()));
  const std::vector<std::string> rows = picker.ListItems(ZV_ID_PICKER_DIR_LIST);
  const auto row =
      std::find_if(rows.begin(), rows.end(), [](const std::string& r) { return Upper(r) == "[SUB]"; });
  ASSERT_NE(row, rows.end());
  picker.DoubleClickRow(ZV_ID_PICKER_DIR_LIST, static_cast<int>(row - rows.begin()));
  picker.Click(IDOK);
  dialog_ = run->WaitForDialog(kTitle);
  EXPECT_EQ(Upper(dialog_.Text(ZV_ID_REGISTER_SAVE_TO)), Upper(Path("SUB")));
  char remembered[plat::kPathBuffer] = {};
  zv::GetCurrentDirSetting(remembered);
  EXPECT_EQ(Upper(remembered), Upper(Path("SUB")));
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
}

TEST_F(RegisterExistingTest, HelpShowsItsContextAndLeavesTheSessionToTheOpener) {
  WriteCatalogue();
  zvtest::HelpWatcher help;
  auto run = Open();
  dialog_.Click(ZV_ID_HELP);
  std::vector<zvtest::HelpCall> calls = help.WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300012u);
  dialog_ = run->WaitForDialog(kTitle);
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
  EXPECT_NE(context_->helpOpen, 0);
  // No HELP_QUIT of its own.
  EXPECT_EQ(help.WaitForCalls(2, 500).size(), 1u);
}

// ---------------------------------------------------------------------------
// OK

TEST_F(RegisterExistingTest, UnusableNamesAreRefused) {
  WriteCatalogue();
  const std::string before = Snapshot();
  auto run = Open();
  for (const char* name : {"", "  \t ", "A/B", "A\\B"}) {
    dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, name);
    dialog_.Click(ZV_ID_OK);
    ExpectRefusal(*run, Message(zv::kMsgFormNameUnusable));
  }
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegisterExistingTest, ANewFormIsMadeAndTakesTheFileWithTheChosenPaper) {
  WriteCatalogue();
  auto run = Open();
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Letterhead");
  dialog_.SetText(ZV_ID_REGISTER_FORM_DESCRIPTION, "Top");
  dialog_.Click(ZV_ID_TO_FRONT);
  dialog_.SelectRow(ZV_ID_REGISTER_PAPER, 1);
  dialog_.Click(ZV_ID_REGISTER_LANDSCAPE);
  dialog_.Click(ZV_ID_OK);
  EXPECT_EQ(run->Result(), 1);
  EXPECT_TRUE(run->Boxes().empty());

  const std::string group = Upper(Dir() + "_F3003.FGP");
  EXPECT_EQ(
      Read(FormListPath()),
      zvtest::FormListFile(
          {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "Top", 1, 2}}, {}));
  EXPECT_EQ(Read(GroupListPath()), zvtest::GroupNameListFile({InvoiceGroup(), Dir(), group}));
  EXPECT_EQ(Read(group),
            zvtest::GroupInfoFile({{zvtest::SettingsRecordBytes(WithPaper(header_, kPapers[1], 2, 1)), 0}},
                                  {Path("NEW.ZLP")}));
  EXPECT_EQ(context_->selectedForm, 3);
  EXPECT_EQ(std::string(context_->formName), "Letterhead");
  EXPECT_EQ(std::string(context_->formDescription), "Top");
  EXPECT_EQ(Upper(context_->saveDirectory), Upper(SaveDir()));
  EXPECT_EQ(context_->formLayer, 1);
}

TEST_F(RegisterExistingTest, AnExistingFormTakesTheFileUnderItsOwnPaper) {
  WriteCatalogue();
  PrintSettings low = Captured();
  low.resolution = 300;
  low.paperCode = 0;  // a paper the list does not know
  SetFile("LOW.ZLP", low);
  auto run = Open();
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  dialog_.Click(ZV_ID_OK);
  EXPECT_EQ(run->Result(), 1);
  EXPECT_TRUE(run->Boxes().empty());
  // Appended with the form's paper (A4 landscape) and layer (back).
  const std::string added = zvtest::SettingsRecordBytes(WithPaper(low, kPapers[0], 2, 2));
  EXPECT_EQ(Read(InvoiceGroup()),
            zvtest::GroupInfoFile({{invoiceEntry_, 0}, {added, 1}}, {"_F300100.ZLP", Path("LOW.ZLP")}));
  EXPECT_EQ(Read(FormListPath()),
            zvtest::FormListFile({{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}}, {}));
  EXPECT_EQ(context_->selectedForm, 1);
}

TEST_F(RegisterExistingTest, ADifferentPaperThanTheFormsKeepsTheDialogOpen) {
  WriteCatalogue();
  context_->filePaperIndex = 1;  // Letter portrait against A4 landscape
  context_->fileOrientation = 1;
  const std::string before = Snapshot();
  auto run = Open();
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  dialog_.Click(ZV_ID_OK);
  ExpectRefusal(*run, Message(412));
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegisterExistingTest, AMatchingOverlayIsReplacedOnlyOnYes) {
  WriteCatalogue();
  const std::string before = Snapshot();
  auto run = Open();  // NEW.ZLP has the settings of Invoice's overlay
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  dialog_.Click(ZV_ID_OK);
  zvtest::Box box = run->WaitForBox();
  EXPECT_EQ(box.text, Message(410));
  EXPECT_TRUE(box.questionIcon);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  run->AnswerBox(IDNO);
  EXPECT_TRUE(run->IsActive(dialog_));
  EXPECT_EQ(Snapshot(), before);

  dialog_.Click(ZV_ID_OK);
  box = run->WaitForBox();
  EXPECT_EQ(box.text, Message(410));
  run->AnswerBox(IDYES);
  EXPECT_EQ(run->Result(), 1);
  EXPECT_EQ(Read(InvoiceGroup()), zvtest::GroupInfoFile({{invoiceEntry_, 0}}, {Path("NEW.ZLP")}));
  // The program-made file it superseded is gone.
  EXPECT_FALSE(zvtest::FileExists(Path("_F300100.ZLP")));
}

TEST_F(RegisterExistingTest, AFullGroupKeepsTheDialogOpen) {
  WriteCatalogue();
  PrintSettings low = Captured();
  low.resolution = 300;
  SetFile("LOW.ZLP", low);
  context_->overlayCapacity = 1;
  const std::string before = Snapshot();
  auto run = Open();
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
  dialog_.Click(ZV_ID_OK);
  std::string text = Message(414);
  ASSERT_NE(text.find("%ld"), std::string::npos);
  text.replace(text.find("%ld"), 3, "1");
  ExpectRefusal(*run, text);
  dialog_.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run->Result(), 2);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(RegisterExistingTest, ANewFormStaysWhenItsRegistrationFailsAndTheNextOkFindsIt) {
  WriteCatalogue();
  context_->overlayCapacity = 0;  // no group may hold an overlay
  auto run = Open();
  dialog_.SetText(ZV_ID_REGISTER_FORM_NAME, "Letterhead");
  dialog_.SetText(ZV_ID_REGISTER_FORM_DESCRIPTION, "Top");
  dialog_.Click(ZV_ID_OK);
  std::string text = Message(414);
  text.replace(text.find("%ld"), 3, "0");
  ExpectRefusal(*run, text);
  const std::string formList = zvtest::FormListFile(
      {{1, "Invoice", "Bill", 2, 0}, {2, "Memo", "Note", 1, 1}, {3, "Letterhead", "Top", 2, 2}}, {});
  EXPECT_EQ(Read(FormListPath()), formList);
  EXPECT_EQ(Upper(Read(GroupListPath())),
            Upper(zvtest::GroupNameListFile({InvoiceGroup(), Dir(), SaveDir()})));

  // The second OK registers under the form made by the first: no second
  // form, no refusal of its name.
  context_->overlayCapacity = 256;
  dialog_.Click(ZV_ID_OK);
  EXPECT_EQ(run->Result(), 1);
  EXPECT_EQ(run->Boxes().size(), 1u);
  EXPECT_EQ(Read(FormListPath()), formList);
  const std::string group = Upper(Dir() + "_F3003.FGP");
  EXPECT_EQ(Read(GroupListPath()), zvtest::GroupNameListFile({InvoiceGroup(), Dir(), group}));
  // The combo box's paper: typing the name applied the paper rule, which
  // takes the first A4, and the driver's orientation.
  EXPECT_EQ(Read(group),
            zvtest::GroupInfoFile({{zvtest::SettingsRecordBytes(WithPaper(header_, kPapers[0], 1, 2)), 0}},
                                  {Path("NEW.ZLP")}));
  EXPECT_EQ(context_->selectedForm, 3);
}

// ---------------------------------------------------------------------------
// The English template, from the module that shows the English set.

INT_PTR RunEnglish(HMODULE module, zv::EditFormContext* context) {
  return DialogBoxParamA(module, "W_EDIT2", nullptr, zv::RegisterExistingProc,
                         reinterpret_cast<LPARAM>(context));
}

TEST_F(RegisterExistingTest, TheEnglishTemplateShowsItsTexts) {
  WriteCatalogue();
  HMODULE english = LoadLibraryA(ZV_ENGLISH_DLL_PATH);
  ASSERT_NE(english, nullptr);
  zv::EditFormContext* context = context_.get();
  {
    zvtest::DialogRun run([english, context] { return static_cast<int>(RunEnglish(english, context)); });
    const zvtest::Dialog dialog = run.WaitForDialog("Register Existing Form");
    ASSERT_TRUE(dialog.IsOpen());
    const std::pair<int, const char*> texts[] = {{ZV_ID_REGISTER_BROWSE, "&Browse..."},
                                                 {ZV_ID_REGISTER_PAPER_LABEL, "Paper Si&ze:"},
                                                 {ZV_ID_REGISTER_PAPER_FIXED_LABEL, "Paper Size:"},
                                                 {ZV_ID_REGISTER_PORTRAIT, "&Portrait"},
                                                 {ZV_ID_REGISTER_LANDSCAPE, "&Landscape"},
                                                 {ZV_ID_TO_FRONT, "To F&ront"},
                                                 {ZV_ID_TO_BACK, "To B&ack"},
                                                 {ZV_ID_REGISTER_SAVE_TO_LABEL, "Save to:"},
                                                 {ZV_ID_REGISTER_CHANGE_DIRECTORY, "Change &Directory..."},
                                                 {ZV_ID_OK, "OK"},
                                                 {ZV_ID_CANCEL, "Cancel"},
                                                 {ZV_ID_HELP, "&Help"}};
    for (const auto& t : texts) EXPECT_EQ(dialog.Text(t.first), t.second) << t.first;
    dialog.SetText(ZV_ID_REGISTER_FORM_NAME, "Invoice");
    EXPECT_TRUE(dialog.IsVisible(ZV_ID_REGISTER_PAPER_FIXED_LABEL));
    EXPECT_FALSE(dialog.IsVisible(ZV_ID_REGISTER_PAPER_LABEL));
    dialog.Click(ZV_ID_CANCEL);
    EXPECT_EQ(run.Result(), 2);
  }
  FreeLibrary(english);
}

}  // namespace
