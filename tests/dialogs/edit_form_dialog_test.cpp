// ZVEntryFormEditDlg through the real module, driven as a user would: the
// mode it opens in, the named forms and the file shown, the switch between
// them, the file check before Change, Delete and Register Form, Browse,
// help, how the dialog ends, the driver's identifier afterwards, and the
// edit guard that keeps a second edit form dialog out, also one of another
// process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/overlay_files.h"
#include "dialogs/form_settings_fixture.h"
#include "dialogs/resource_ids.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"

namespace editform {
namespace {

using formsettings::BothSets;
using formsettings::SetName;
using Strings = std::vector<std::string>;
using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;

using EditFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*);

constexpr int kClose = 2;
constexpr int kHelp = 145;
constexpr int kUseFormName = 1101;
constexpr int kFormLabel = 1102;
constexpr int kFileLabel = 1103;
constexpr int kFile = 1104;
constexpr int kChange = 1105;
constexpr int kDelete = 1106;
constexpr int kRegister = 1107;
constexpr int kForms = 1108;
constexpr int kDescription = 1109;
constexpr int kBrowse = 1110;

constexpr char kGuardKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\EntryEdit";

// A .ZLP file: the header with this description and layer, then page data.
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

bool GuardKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The guard's "EntryEdit" value, -1 when it cannot be read as a DWORD.
long GuardValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD type = 0, value = 0, size = sizeof value;
  const LONG status =
      RegQueryValueExA(key, "EntryEdit", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD && size == 4 ? static_cast<long>(value) : -1;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

class EditFormTest : public BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    if (HasFatalFailure()) return;
    RegDeleteKeyA(HKEY_CURRENT_USER, kGuardKey);
    edit_ = reinterpret_cast<EditFunction>(reinterpret_cast<void*>(module_->Export("ZVEntryFormEditDlg")));
    ASSERT_NE(edit_, nullptr);
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kGuardKey);
    BothSets::TearDown();
  }

  std::function<int()> OpenEdit(int32_t* id) {
    return [this, id] { return edit_(nullptr, block_.data(), device_.c_str(), ZV_SAMPLE_DRIVER_PATH, id); };
  }

  std::string Title() const { return English() ? "Edit Form" : "Editar formulario"; }
  std::string DeleteTitle() const { return English() ? "Delete Form data" : "Eliminar datos de formulario"; }
  std::string RegisterTitle() const {
    return English() ? "Register Existing Form" : "Registrar formulario existente";
  }

  // Named forms INVOICE (5), LETTER (7) and ALPHA (2), in this catalogue
  // order; file entries -1 "P" (LOGO.ZLP, present), -2 "C" (a capture
  // file elsewhere) and -3 "P" (GONE.ZLP, missing).
  void WriteCatalogue(bool namedForms = true) {
    std::vector<zvtest::FormSpec> named;
    if (namedForms) {
      named = {{5, "INVOICE", "Monthly invoice", 1, 0},
               {7, "LETTER", "Letter head", 2, 1},
               {2, "ALPHA", "First of all", 1, 2}};
    }
    const uint32_t base = namedForms ? 3 : 0;
    WriteFormList(FormListFile(
        named,
        {{-1, "P", "Logo", 1, base}, {-2, "C", "Capture here", 2, base + 1}, {-3, "P", "Gone", 1, base + 2}},
        3));
    std::vector<std::string> texts;
    if (namedForms) texts = {Path("INV.FGP"), Path("LET.FGP"), Dir() + "ALPHA"};
    texts.push_back(Path("LOGO.ZLP"));
    texts.push_back("D:\\CAPTURE\\NEW.ZLP");
    texts.push_back(Path("GONE.ZLP"));
    WriteGroupList(GroupNameListFile(texts));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("LOGO.ZLP"), OverlayFile("Logo overlay", 1)));
  }

  void ExpectFormNameMode(const zvtest::Dialog& d, bool anyForm) {
    EXPECT_TRUE(d.IsChecked(kUseFormName));
    EXPECT_TRUE(d.IsVisible(kFormLabel));
    EXPECT_TRUE(d.IsVisible(kForms));
    EXPECT_TRUE(d.IsEnabled(kForms));
    for (int id : {kFileLabel, kFile, kBrowse, kRegister}) {
      EXPECT_FALSE(d.IsVisible(id)) << id;
      EXPECT_FALSE(d.IsEnabled(id)) << id;
    }
    EXPECT_EQ(d.IsEnabled(kChange), anyForm);
    EXPECT_EQ(d.IsEnabled(kDelete), anyForm);
  }

  void ExpectFileMode(const zvtest::Dialog& d) {
    EXPECT_FALSE(d.IsChecked(kUseFormName));
    EXPECT_FALSE(d.IsVisible(kFormLabel));
    EXPECT_FALSE(d.IsVisible(kForms));
    EXPECT_FALSE(d.IsEnabled(kForms));
    for (int id : {kFileLabel, kFile, kBrowse, kRegister, kChange, kDelete}) {
      EXPECT_TRUE(d.IsVisible(id)) << id;
      EXPECT_TRUE(d.IsEnabled(id)) << id;
    }
  }

  // Closes the dialog with its closing button; the call's result.
  int Close(zvtest::DialogRun& run, const zvtest::Dialog& d) {
    d.Click(kClose);
    return run.Result();
  }

  EditFunction edit_ = nullptr;
};

TEST_P(EditFormTest, FormIdentifierOpensTheListAtItsFormAndHandsBackTheLastSelected) {
  WriteCatalogue();
  int32_t id = 7;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  ExpectFormNameMode(d, true);
  EXPECT_EQ(GetDlgItem(d.Handle(), IDOK), nullptr);
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA"}));
  EXPECT_EQ(d.ListSelection(kForms), 1);
  EXPECT_EQ(d.Text(kDescription), "Letter head");
  EXPECT_EQ(d.TextLimit(kDescription), 255);
  EXPECT_EQ(d.TextLimit(kFile), 260);
  EXPECT_NE(d.Style(kDescription) & ES_READONLY, 0);

  d.SelectRow(kForms, 2);
  EXPECT_EQ(d.Text(kDescription), "First of all");
  d.SelectRow(kForms, 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 5);
}

TEST_P(EditFormTest, UnknownFormSelectsTheFirstRow) {
  WriteCatalogue();
  int32_t id = 40;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 5);
}

TEST_P(EditFormTest, FileEntryOpensInFileModeWithItsPathAndDescription) {
  WriteCatalogue();
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  ExpectFileMode(d);
  EXPECT_EQ(d.Text(kFile), Path("LOGO.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "Logo overlay");
  // The list is filled behind the file controls all the same.
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA"}));
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, -1);
}

TEST_P(EditFormTest, CaptureEntryOpensEmptyAndKeepsTheIdentifier) {
  WriteCatalogue();
  int32_t id = -2;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  ExpectFileMode(d);
  EXPECT_EQ(d.Text(kFile), "");
  EXPECT_EQ(d.Text(kDescription), "");
  // A path typed meanwhile does not make the entry's missing file count.
  d.SetText(kFile, Path("LOGO.ZLP"));
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, -2);
}

TEST_P(EditFormTest, FileEntryWhoseFileIsGoneBecomesZeroOnClose) {
  WriteCatalogue();
  int32_t id = -3;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_EQ(d.Text(kFile), Path("GONE.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 0);

  // The present file keeps its entry, also when it disappears while the
  // dialog is open.
  id = -1;
  zvtest::DialogRun second(OpenEdit(&id));
  d = second.WaitForDialog(Title());
  ASSERT_TRUE(DeleteFileA(Path("LOGO.ZLP").c_str()));
  EXPECT_EQ(Close(second, d), 1);
  EXPECT_EQ(id, 0);
}

TEST_P(EditFormTest, WithoutNamedFormsAPositiveIdentifierBecomesZero) {
  WriteCatalogue(false);
  int32_t id = 7;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  ExpectFormNameMode(d, false);
  EXPECT_EQ(d.ListItems(kForms), Strings{});
  EXPECT_EQ(d.Text(kDescription), "");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 0);

  // Zero opens in file mode without a file and stays.
  id = 0;
  zvtest::DialogRun second(OpenEdit(&id));
  d = second.WaitForDialog(Title());
  ExpectFileMode(d);
  EXPECT_EQ(d.Text(kFile), "");
  EXPECT_EQ(Close(second, d), 1);
  EXPECT_EQ(id, 0);
}

TEST_P(EditFormTest, UseFormNameSwitchesTheControlsAndTheIdentifierFollowsTheMode) {
  WriteCatalogue();
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  ExpectFileMode(d);
  d.Click(kUseFormName);
  ExpectFormNameMode(d, true);
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  d.SelectRow(kForms, 1);
  d.Click(kUseFormName);
  ExpectFileMode(d);
  EXPECT_EQ(d.Text(kFile), Path("LOGO.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "Logo overlay");
  d.Click(kUseFormName);
  ExpectFormNameMode(d, true);
  EXPECT_EQ(d.ListSelection(kForms), 1);
  EXPECT_EQ(d.Text(kDescription), "Letter head");
  // A file entry's identifier is checked only for its file, whatever the
  // mode the dialog ends in.
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, -1);

  // From a form: ending in file mode leaves the identifier alone.
  id = 7;
  zvtest::DialogRun second(OpenEdit(&id));
  d = second.WaitForDialog(Title());
  d.SelectRow(kForms, 2);
  d.Click(kUseFormName);
  ExpectFileMode(d);
  EXPECT_EQ(d.Text(kFile), "");
  EXPECT_EQ(Close(second, d), 1);
  EXPECT_EQ(id, 7);
}

TEST_P(EditFormTest, TypingAFullPathShowsItsDescription) {
  WriteCatalogue();
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("OTHER.ZLP"), OverlayFile("Another one", 2)));
  int32_t id = 0;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.SetText(kFile, Path("OTHER.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "Another one");
  d.SetText(kFile, "OTHER.ZLP");
  EXPECT_EQ(d.Text(kDescription), "");
  d.SetText(kFile, Path("LOGO.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "Logo overlay");
  d.SetText(kFile, Path("NOTHERE.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "");
  EXPECT_EQ(Close(run, d), 1);
}

TEST_P(EditFormTest, FileCheckRefusesBeforeAnySubDialog) {
  WriteCatalogue();
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("_FORM.ZLP"), OverlayFile("underscore", 1)));
  // A bare name is refused as missing even when the current directory has it.
  char previous[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  struct Case {
    std::string text;
    uint32_t message;
  };
  const std::vector<Case> cases = {{"", 411},
                                   {" \t ", 411},
                                   {Path("FORM.TXT"), 411},
                                   {Path("FORM.ZLC"), 411},
                                   {Path("F*RM.ZLP"), 411},
                                   {Path("FORM?.ZLP"), 411},
                                   {Path("SUB.D\\FORM"), 411},
                                   {Path("_FORM.ZLP"), 411},
                                   {"LOGO.ZLP", 615},
                                   {Path("GONE.ZLP"), 615}};
  for (int button : {kChange, kDelete, kRegister}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.text + " " + std::to_string(button));
      d.SetText(kFile, c.text);
      d.Click(button);
      ExpectRefusal(run, d, c.message);
      EXPECT_EQ(d.Text(kFile), c.text);
    }
  }
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, -1);
  SetCurrentDirectoryA(previous);
}

TEST_P(EditFormTest, ChangeRenamesTheSelectedRowInPlace) {
  WriteCatalogue();
  ASSERT_TRUE(CreateDirectoryA((Dir() + "ALPHA").c_str(), nullptr));
  const std::string changeTitle = English() ? "Change Form" : "Cambiar formulario";
  int32_t id = 7;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());

  // Cancelled: nothing changes.
  d.SelectRow(kForms, 1);
  d.Click(kChange);
  zvtest::Dialog change = run.WaitForDialog(changeTitle);
  EXPECT_EQ(change.Text(ZV_ID_CHANGE_NAME), "LETTER");
  EXPECT_EQ(change.Text(ZV_ID_CHANGE_DESCRIPTION), "Letter head");
  change.Click(kClose);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA"}));

  // The last row renamed: it stays last and selected.
  d.SelectRow(kForms, 2);
  d.Click(kChange);
  change = run.WaitForDialog(changeTitle);
  EXPECT_EQ(change.Text(ZV_ID_CHANGE_NAME), "ALPHA");
  EXPECT_EQ(change.Text(ZV_ID_CHANGE_DESCRIPTION), "First of all");
  change.SetText(ZV_ID_CHANGE_NAME, "OMEGA");
  change.SetText(ZV_ID_CHANGE_DESCRIPTION, "Last of all");
  change.Click(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "OMEGA"}));
  EXPECT_EQ(d.ListSelection(kForms), 2);
  EXPECT_EQ(d.Text(kDescription), "Last of all");

  // A middle row keeps its place.
  d.SelectRow(kForms, 0);
  d.Click(kChange);
  change = run.WaitForDialog(changeTitle);
  change.SetText(ZV_ID_CHANGE_NAME, "BILL");
  change.Click(IDOK);
  EXPECT_EQ(d.ListItems(kForms), (Strings{"BILL", "LETTER", "OMEGA"}));
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 5);
}

TEST_P(EditFormTest, ChangeInFileModeShowsTheNewDescription) {
  WriteCatalogue();
  const std::string changeTitle = English() ? "Change Form" : "Cambiar formulario";
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kChange);
  zvtest::Dialog change = run.WaitForDialog(changeTitle);
  EXPECT_EQ(change.Text(ZV_ID_CHANGE_NAME), Path("LOGO.ZLP"));
  EXPECT_EQ(change.Text(ZV_ID_CHANGE_DESCRIPTION), "Logo overlay");
  change.SetText(ZV_ID_CHANGE_DESCRIPTION, "Company logo");
  change.Click(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(d.Text(kFile), Path("LOGO.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "Company logo");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, -1);
}

TEST_P(EditFormTest, DeletingAFormReloadsTheListAtTheFirstRow) {
  WriteCatalogue();
  ASSERT_TRUE(CreateDirectoryA((Dir() + "ALPHA").c_str(), nullptr));
  int32_t id = 2;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_EQ(d.ListSelection(kForms), 2);

  // Cancelled: the list stays.
  d.Click(kDelete);
  zvtest::Dialog del = run.WaitForDialog(DeleteTitle());
  del.Click(kClose);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA"}));

  d.Click(kDelete);
  del = run.WaitForDialog(DeleteTitle());
  del.Click(IDOK);
  EXPECT_EQ(run.WaitForBox().text, Message(502));
  run.AnswerBox(IDYES);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER"}));
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  EXPECT_TRUE(d.IsEnabled(kChange));
  EXPECT_TRUE(d.IsEnabled(kDelete));
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 5);
}

TEST_P(EditFormTest, DeletingTheLastFormDisablesChangeAndDeleteAndZeroesTheIdentifier) {
  WriteFormList(FormListFile({{2, "ALPHA", "First of all", 1, 0}}, {{-1, "P", "Logo", 1, 1}}, 1));
  WriteGroupList(GroupNameListFile({Dir() + "ALPHA", Path("LOGO.ZLP")}));
  ASSERT_TRUE(CreateDirectoryA((Dir() + "ALPHA").c_str(), nullptr));
  int32_t id = 2;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kDelete);
  zvtest::Dialog del = run.WaitForDialog(DeleteTitle());
  del.Click(IDOK);
  run.WaitForBox();
  run.AnswerBox(IDYES);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(d.ListItems(kForms), Strings{});
  EXPECT_EQ(d.Text(kDescription), "");
  EXPECT_FALSE(d.IsEnabled(kChange));
  EXPECT_FALSE(d.IsEnabled(kDelete));
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 0);
}

TEST_P(EditFormTest, DeletingTheFileEmptiesTheFieldsAndTheEntryLosesItsFile) {
  WriteCatalogue();
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kDelete);
  zvtest::Dialog del = run.WaitForDialog(DeleteTitle());
  del.Click(IDOK);
  run.WaitForBox();
  run.AnswerBox(IDYES);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_FALSE(zvtest::FileExists(Path("LOGO.ZLP")));
  EXPECT_EQ(d.Text(kFile), "");
  EXPECT_EQ(d.Text(kDescription), "");
  // The entry still names the file, which is gone: the driver's identifier
  // is dropped on close.
  d.Click(kUseFormName);
  d.Click(kUseFormName);
  EXPECT_EQ(d.Text(kFile), Path("LOGO.ZLP"));
  EXPECT_EQ(d.Text(kDescription), "");
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, 0);
}

TEST_P(EditFormTest, RegisteringUnderANewFormAddsItToTheList) {
  WriteCatalogue();
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());

  // Cancelled: nothing changes.
  d.Click(kRegister);
  zvtest::Dialog reg = run.WaitForDialog(RegisterTitle());
  reg.Click(kClose);
  EXPECT_TRUE(run.IsActive(d));

  d.Click(kRegister);
  reg = run.WaitForDialog(RegisterTitle());
  reg.SetText(ZV_ID_REGISTER_FORM_NAME, "STAMP");
  reg.Click(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_TRUE(run.Boxes().empty());
  d.Click(kUseFormName);
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA", "STAMP"}));
  EXPECT_EQ(d.ListSelection(kForms), 3);
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_EQ(id, -1);
}

TEST_P(EditFormTest, BrowsePutsThePickedFileInTheField) {
  WriteCatalogue();
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("OTHER.ZLP"), OverlayFile("Another one", 2)));
  int32_t id = -1;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kBrowse);
  zvtest::Dialog picker = run.WaitForDialog(Message(203));
  picker.SetText(1152, "OTHER.ZLP");
  picker.Click(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Lower(d.Text(kFile)), Lower(Path("OTHER.ZLP")));
  EXPECT_EQ(d.Text(kDescription), "Another one");

  d.Click(kBrowse);
  picker = run.WaitForDialog(Message(203));
  picker.Click(IDCANCEL);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Lower(d.Text(kFile)), Lower(Path("OTHER.ZLP")));
  EXPECT_EQ(Close(run, d), 1);
}

TEST_P(EditFormTest, HelpFollowsTheModeAndEndsWithTheDialog) {
  WriteCatalogue();
  zvtest::HelpWatcher help;
  int32_t id = 5;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kHelp);
  d.Click(kUseFormName);
  d.Click(kHelp);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Close(run, d), 1);
  const std::vector<zvtest::HelpCall> calls = help.WaitForCalls(3);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300007u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[1].data, 300008u);
  EXPECT_EQ(calls[2].command, static_cast<UINT>(HELP_QUIT));
  const std::string helpFile = English() ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP";
  for (const zvtest::HelpCall& call : calls) {
    ASSERT_GE(call.file.size(), helpFile.size());
    EXPECT_EQ(call.file.substr(call.file.size() - helpFile.size()), helpFile);
  }
}

TEST_P(EditFormTest, EnterDoesNothingAndEscapeEndsWithOne) {
  WriteCatalogue();
  int32_t id = 7;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.SelectRow(kForms, 2);
  HWND list = d.Control(kForms);
  PostMessageA(list, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageA(list, WM_KEYUP, VK_RETURN, 0);
  run.Settle();
  SendMessageA(d.Handle(), WM_COMMAND, IDOK, 0);
  run.Settle();
  EXPECT_TRUE(d.IsOpen());
  EXPECT_TRUE(run.IsActive(d));
  PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(list, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 2);
}

TEST_P(EditFormTest, GuardKeyExistsExactlyWhileTheDialogIsOpen) {
  WriteCatalogue();
  ASSERT_FALSE(GuardKeyExists());
  int32_t id = 5;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_TRUE(GuardKeyExists());
  EXPECT_EQ(GuardValue(), 2);
  EXPECT_EQ(Close(run, d), 1);
  EXPECT_FALSE(GuardKeyExists());

  // Also when the dialog cannot open: no catalogue configuration, and a
  // seed of it that cannot be copied (a directory of that name).
  ASSERT_TRUE(DeleteFileA(SystemPath("ZVLMN3.DAT").c_str()));
  ASSERT_TRUE(CreateDirectoryA(SystemPath("ZVLMN3.INI").c_str(), nullptr));
  id = 5;
  zvtest::DialogRun failing(OpenEdit(&id));
  const zvtest::Box box = failing.WaitForBox();
  EXPECT_TRUE(box.stopIcon);
  EXPECT_TRUE(GuardKeyExists());
  failing.AnswerBox(IDOK);
  EXPECT_EQ(failing.Result(), 0);
  EXPECT_EQ(id, 5);
  EXPECT_FALSE(GuardKeyExists());
  EXPECT_TRUE(RemoveDirectoryA(SystemPath("ZVLMN3.INI").c_str()));
}

TEST_P(EditFormTest, HeldGuardShowsTheNoticeAndLeavesTheKey) {
  WriteCatalogue();
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const DWORD two = 2;
  ASSERT_EQ(RegSetValueExA(key, "EntryEdit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof two),
            ERROR_SUCCESS);
  RegCloseKey(key);

  int32_t id = 5;
  zvtest::DialogRun run(OpenEdit(&id));
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(650));
  EXPECT_TRUE(box.stopIcon);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  run.AnswerBox(IDOK);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 5);
  EXPECT_TRUE(GuardKeyExists());
  EXPECT_EQ(GuardValue(), 2);
}

// The racer program beside this test program.
std::string RacerPath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string dir = path;
  return dir.substr(0, dir.rfind('\\') + 1) + "zv_edit_guard_racer.exe";
}

struct RaceOutcome {
  DWORD exitCode = 0xFFFFFFFF;
  Strings lines;
};

RaceOutcome RunRacer(const std::string& module, const std::string& device, int32_t id,
                     const std::string& output) {
  RaceOutcome outcome;
  DeleteFileA(output.c_str());
  std::string command = "\"" + RacerPath() + "\" \"" + module + "\" \"" + device + "\" \"" +
                        ZV_SAMPLE_DRIVER_PATH + "\" " + std::to_string(id) + " \"" + output + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << command;
    return outcome;
  }
  if (WaitForSingleObject(info.hProcess, 60000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the racer did not end";
    TerminateProcess(info.hProcess, 98);
    WaitForSingleObject(info.hProcess, INFINITE);
  }
  GetExitCodeProcess(info.hProcess, &outcome.exitCode);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::ifstream in(output);
  std::string text;
  while (std::getline(in, text)) outcome.lines.push_back(text);
  return outcome;
}

TEST_P(EditFormTest, SecondProcessIsKeptOutWhileTheDialogIsOpenAndGetsInAfter) {
  WriteCatalogue();
  const std::string module = English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH;
  int32_t id = 7;
  zvtest::DialogRun run(OpenEdit(&id));
  zvtest::Dialog d = run.WaitForDialog(Title());

  RaceOutcome kept = RunRacer(module, device_, 5, Path("RACER1.TXT"));
  EXPECT_EQ(kept.exitCode, 0u);
  EXPECT_EQ(kept.lines, (Strings{"box:" + Message(650), "result:0 id:5"}));
  EXPECT_TRUE(GuardKeyExists());
  EXPECT_TRUE(run.IsActive(d));

  EXPECT_EQ(Close(run, d), 1);
  EXPECT_FALSE(GuardKeyExists());

  RaceOutcome after = RunRacer(module, device_, 5, Path("RACER2.TXT"));
  EXPECT_EQ(after.exitCode, 1u);
  EXPECT_EQ(after.lines, (Strings{"dialog:" + Title(), "result:1 id:5"}));
  EXPECT_FALSE(GuardKeyExists());
}

TEST_P(EditFormTest, GuardLeftByAnEndedProcessIsTakenOver) {
  WriteCatalogue();
  const std::string module = English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH;
  // A racer that ends while its dialog is open leaves the key behind.
  std::string command = "\"" + RacerPath() + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // The racer is started suspended, stamped as the key's owner, and ended.
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                             nullptr, &startup, &info));
  FILETIME created, exited, kernel, user;
  ASSERT_TRUE(GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user));
  unsigned char owner[12];
  std::memcpy(owner, &info.dwProcessId, 4);
  std::memcpy(owner + 4, &created, 8);
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);

  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const DWORD two = 2;
  RegSetValueExA(key, "EntryEditOwner", 0, REG_BINARY, owner, sizeof owner);
  RegSetValueExA(key, "EntryEdit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof two);
  RegCloseKey(key);

  RaceOutcome outcome = RunRacer(module, device_, 5, Path("RACER3.TXT"));
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_EQ(outcome.lines, (Strings{"dialog:" + Title(), "result:1 id:5"}));
  EXPECT_FALSE(GuardKeyExists());
}

INSTANTIATE_TEST_SUITE_P(Sets, EditFormTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace editform
