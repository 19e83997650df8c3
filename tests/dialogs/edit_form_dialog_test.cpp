// ZVEntryFormEditDlg through the real module in both resource sets, driven
// by script: the mode it opens in for each kind of identifier, the switch
// between modes, the file check before Change, Delete and Register Form, the
// sub-dialogs' effect on the list, Browse, Help, the identifier handed back,
// and the edit guard, raced by a second process.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "dialogs/form_settings_fixture.h"
#include "dialogs/resource_ids.h"
#include "support/dialog_script.h"

namespace {

using namespace zvtest;  // NOLINT: the script's steps read as a table
using Steps = std::vector<Step>;
using Strings = std::vector<std::string>;
using EditFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*);

constexpr int kClose = 2, kHelp = 145, kUseFormName = 1101, kFormLabel = 1102, kFileLabel = 1103,
              kFile = 1104, kChange = 1105, kDelete = 1106, kRegister = 1107, kForms = 1108,
              kDescription = 1109, kBrowse = 1110;
constexpr char kGuardKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\EntryEdit";
const Strings kThree = {"INVOICE", "LETTER", "ALPHA"};

template <class T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The controls of form-name mode (any: a form is listed) or of file mode.
Steps Mode(bool formNames, bool any = true) {
  Steps s = {Checked(kUseFormName, formNames), Visible(kFormLabel, formNames), Visible(kForms, formNames),
             Enabled(kForms, formNames)};
  for (int id : {kFileLabel, kFile, kBrowse, kRegister})
    s = s + Steps{Visible(id, !formNames), Enabled(id, !formNames)};
  return s + Steps{Enabled(kChange, !formNames || any), Enabled(kDelete, !formNames || any)};
}

// The guard's "EntryEdit" value, -1 when the key is missing, -2 unreadable.
long GuardValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD type = 0, value = 0, size = sizeof value;
  const LONG status =
      RegQueryValueExA(key, "EntryEdit", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long>(value) : -2;
}

class EditFormTest : public formsettings::BothSets {
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
  std::string Title(const char* english, const char* local) const { return English() ? english : local; }
  std::string Edit() const { return Title("Edit Form", "Editar formulario"); }
  Steps Open() const { return {Wait(Edit())}; }
  std::string Ovl(const std::string& description) const {
    zv::PrintSettings s{};
    s.layer = 1;
    return OverlayDataFile("", description, SettingsRecordBytes(s));
  }

  // Named forms INVOICE (5), LETTER (7), ALPHA (2); file entries -1
  // (LOGO.ZLP, present), -2 (a capture file elsewhere), -3 (GONE.ZLP).
  void WriteCatalogue(bool named = true) {
    std::vector<FormSpec> forms;
    Strings texts;
    if (named) {
      forms = {{5, "INVOICE", "Monthly invoice", 1, 0},
               {7, "LETTER", "Letter head", 2, 1},
               {2, "ALPHA", "First of all", 1, 2}};
      texts = {Path("INV.FGP"), Path("LET.FGP"), Dir() + "ALPHA"};
      CreateDirectoryA((Dir() + "ALPHA").c_str(), nullptr);
    }
    const uint32_t n = static_cast<uint32_t>(texts.size());
    WriteFormList(FormListFile(
        forms, {{-1, "P", "Logo", 1, n}, {-2, "C", "Capture", 2, n + 1}, {-3, "P", "Gone", 1, n + 2}}, 3));
    WriteGroupList(
        GroupNameListFile(texts + Strings{Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP", Path("GONE.ZLP")}));
    ASSERT_TRUE(WriteWholeFile(Path("LOGO.ZLP"), Ovl("Logo overlay")));
    ASSERT_TRUE(WriteWholeFile(Path("OTHER.ZLP"), Ovl("Another one")));
  }
  // Runs the dialog on the identifier through the steps, closes it and
  // checks the identifier it hands back.
  void Run(int32_t id, const Steps& steps, int32_t expected) {
    DialogRun run(OpenEdit(&id));
    const Dialog d = RunScript(run, Open() + steps);
    EXPECT_EQ(d.TextLimit(kDescription), 255);
    EXPECT_EQ(d.TextLimit(kFile), 260);
    RunScript(run, {Wait(Edit()), Click(kClose), Returns(1)});
    EXPECT_EQ(id, expected);
  }

  EditFunction edit_ = nullptr;
};

TEST_P(EditFormTest, OpensInTheModeOfTheIdentifierAndHandsBackWhatEndsSelected) {
  const std::string logo = Path("LOGO.ZLP");
  const struct {
    bool named;
    int32_t id;
    Steps steps;
    int32_t out;
  } rows[] = {
      {true, 7,
       Mode(true) + Steps{Rows(kForms, kThree), Selected(kForms, 1), Shows(kDescription, "Letter head"),
                          Select(kForms, 2), Shows(kDescription, "First of all"), Select(kForms, 0),
                          Shows(kDescription, "Monthly invoice")},
       5},
      {true, 40, {Selected(kForms, 0), Shows(kDescription, "Monthly invoice")}, 5},
      {true, -1,
       Mode(false) + Steps{Shows(kFile, logo), Shows(kDescription, "Logo overlay"), Rows(kForms, kThree)},
       -1},
      // A capture entry shows no file; a path typed meanwhile does not count.
      {true, -2, Mode(false) + Steps{Shows(kFile, ""), Shows(kDescription, ""), Type(kFile, logo)}, -2},
      {true, -3, {Shows(kFile, Path("GONE.ZLP")), Shows(kDescription, "")}, 0},
      {false, 7, Mode(true, false) + Steps{Rows(kForms, {}), Shows(kDescription, "")}, 0},
      {false, 0, Mode(false) + Steps{Shows(kFile, "")}, 0},
      // The mode switch keeps each mode's selection; a file entry is checked
      // only for its file, whatever the mode the dialog ends in.
      {true, -1,
       Steps{Click(kUseFormName)} + Mode(true) +
           Steps{Selected(kForms, 0), Shows(kDescription, "Monthly invoice"), Select(kForms, 1),
                 Click(kUseFormName), Shows(kFile, logo), Shows(kDescription, "Logo overlay"),
                 Click(kUseFormName), Selected(kForms, 1), Shows(kDescription, "Letter head")},
       -1},
      {true, 7, {Select(kForms, 2), Click(kUseFormName), Shows(kFile, "")}, 7},
      // A full path typed shows its file's description.
      {true,
       0,
       {Type(kFile, Path("OTHER.ZLP")), Shows(kDescription, "Another one"), Type(kFile, "OTHER.ZLP"),
        Shows(kDescription, ""), Type(kFile, logo), Shows(kDescription, "Logo overlay"),
        Type(kFile, Path("NOTHERE.ZLP")), Shows(kDescription, "")},
       0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    WriteCatalogue(row.named);
    Run(row.id, row.steps, row.out);
  }
}

// Each button checks the file first: refused with its box, the text kept.
TEST_P(EditFormTest, FileCheckRefusesBeforeAnySubDialog) {
  WriteCatalogue();
  ASSERT_TRUE(WriteWholeFile(Path("_FORM.ZLP"), Ovl("underscore")));
  char previous[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));  // a bare name is missing even here
  const std::pair<std::string, uint32_t> rows[] = {{"", 411},
                                                   {" \t ", 411},
                                                   {Path("FORM.TXT"), 411},
                                                   {Path("FORM.ZLC"), 411},
                                                   {Path("F*RM.ZLP"), 411},
                                                   {Path("FORM?.ZLP"), 411},
                                                   {Path("SUB.D\\FORM"), 411},
                                                   {Path("_FORM.ZLP"), 411},
                                                   {"LOGO.ZLP", 615},
                                                   {Path("GONE.ZLP"), 615}};
  Steps steps;
  for (int button : {kChange, kDelete, kRegister}) {
    for (const auto& row : rows) {
      steps = steps + Steps{Type(kFile, row.first), Click(button), Refused(Message(row.second)), Quiet(),
                            Shows(kFile, row.first)};
    }
  }
  Run(-1, steps, -1);
  SetCurrentDirectoryA(previous);
}

// The sub-dialogs opened from the list and the file: cancelled, nothing
// changes; done, the list or the fields show their work.
TEST_P(EditFormTest, SubDialogsUpdateTheListAndTheFields) {
  const std::string change = Title("Change Form", "Cambiar formulario");
  const std::string del = Title("Delete Form data", "Eliminar datos de formulario");
  const std::string reg = Title("Register Existing Form", "Registrar formulario existente");
  const Steps back = {Wait(Edit()), Quiet()};
  const struct {
    int32_t id;
    Steps steps;
    int32_t out;
  } rows[] = {
      {7,
       Steps{Select(kForms, 1), Click(kChange), Wait(change), Shows(ZV_ID_CHANGE_NAME, "LETTER"),
             Shows(ZV_ID_CHANGE_DESCRIPTION, "Letter head"), Click(kClose)} +
           back +
           Steps{Rows(kForms, kThree), Select(kForms, 2), Click(kChange), Wait(change),
                 Shows(ZV_ID_CHANGE_NAME, "ALPHA"), Type(ZV_ID_CHANGE_NAME, "OMEGA"),
                 Type(ZV_ID_CHANGE_DESCRIPTION, "Last of all"), Click(IDOK)} +
           back +
           Steps{Rows(kForms, {"INVOICE", "LETTER", "OMEGA"}), Selected(kForms, 2),
                 Shows(kDescription, "Last of all"), Select(kForms, 0), Click(kChange), Wait(change),
                 Type(ZV_ID_CHANGE_NAME, "BILL"), Click(IDOK)} +
           back +
           Steps{Rows(kForms, {"BILL", "LETTER", "OMEGA"}), Selected(kForms, 0),
                 Shows(kDescription, "Monthly invoice")},
       5},
      {-1,
       Steps{Click(kChange), Wait(change), Shows(ZV_ID_CHANGE_NAME, Path("LOGO.ZLP")),
             Shows(ZV_ID_CHANGE_DESCRIPTION, "Logo overlay"), Type(ZV_ID_CHANGE_DESCRIPTION, "Company logo"),
             Click(IDOK)} +
           back + Steps{Shows(kFile, Path("LOGO.ZLP")), Shows(kDescription, "Company logo")},
       -1},
      {2,
       Steps{Selected(kForms, 2), Click(kDelete), Wait(del), Click(kClose)} + back +
           Steps{Rows(kForms, kThree), Click(kDelete), Wait(del), Click(IDOK), Asked(Message(502), IDYES)} +
           back +
           Steps{Rows(kForms, {"INVOICE", "LETTER"}), Selected(kForms, 0),
                 Shows(kDescription, "Monthly invoice")} +
           Mode(true),
       5},
      // The deleted file empties the fields; the entry names a file that
      // is gone, so its identifier is dropped.
      {-1,
       Steps{Click(kDelete), Wait(del), Click(IDOK), Asked(Message(502), IDYES)} + back +
           Steps{Shows(kFile, ""), Shows(kDescription, ""), Click(kUseFormName), Click(kUseFormName),
                 Shows(kFile, Path("LOGO.ZLP")), Shows(kDescription, "")},
       0},
      {-1,
       Steps{Click(kRegister), Wait(reg), Click(kClose)} + back +
           Steps{Click(kRegister), Wait(reg), Type(ZV_ID_REGISTER_FORM_NAME, "STAMP"), Click(IDOK)} + back +
           Steps{Click(kUseFormName), Rows(kForms, {"INVOICE", "LETTER", "ALPHA", "STAMP"}),
                 Selected(kForms, 3)},
       -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.id);
    WriteCatalogue();
    Run(row.id, row.steps, row.out);
  }
}

TEST_P(EditFormTest, DeletingTheLastFormDisablesChangeAndDelete) {
  WriteFormList(FormListFile({{2, "ALPHA", "First of all", 1, 0}}, {{-1, "P", "Logo", 1, 1}}, 1));
  WriteGroupList(GroupNameListFile({Dir() + "ALPHA", Path("LOGO.ZLP")}));
  ASSERT_TRUE(CreateDirectoryA((Dir() + "ALPHA").c_str(), nullptr));
  Run(2,
      Steps{Click(kDelete), Wait(Title("Delete Form data", "Eliminar datos de formulario")), Click(IDOK),
            Asked(Message(502), IDYES), Wait(Edit()), Rows(kForms, {}), Shows(kDescription, "")} +
          Mode(true, false),
      0);
}

TEST_P(EditFormTest, BrowseHelpEnterAndEscape) {
  WriteCatalogue();
  HelpWatcher help;
  int32_t id = 5;
  DialogRun run(OpenEdit(&id));
  const Dialog d =
      RunScript(run, Open() + Steps{Click(kHelp), Click(kUseFormName), Click(kHelp), Click(kBrowse),
                                    Wait(Message(203)), Type(1152, "OTHER.ZLP"), Click(IDOK), Wait(Edit()),
                                    Shows(kDescription, "Another one"), Click(kBrowse), Wait(Message(203)),
                                    Click(IDCANCEL), Wait(Edit()), Shows(kDescription, "Another one"),
                                    Click(kUseFormName), Select(kForms, 2)});
  EXPECT_EQ(Lower(d.Text(kFile)), Lower(Path("OTHER.ZLP")));
  // Enter does nothing, not even as IDOK; Escape closes with 1.
  for (UINT key : {VK_RETURN, VK_ESCAPE}) {
    PostMessageA(d.Control(kForms), WM_KEYDOWN, key, 0);
    PostMessageA(d.Control(kForms), WM_KEYUP, key, 0);
    if (key == VK_RETURN) {
      run.Settle();
      SendMessageA(d.Handle(), WM_COMMAND, IDOK, 0);
      run.Settle();
      EXPECT_TRUE(run.IsActive(d));
    }
  }
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 2);
  ExpectHelpInBothModes(help, 300007, 300008);
}

// The guard key exists exactly while the dialog is open, also when it fails
// to open (its configuration cannot be made); while held, a second call is
// refused with the notice and leaves the key.
TEST_P(EditFormTest, GuardKeyExistsExactlyWhileTheDialogIsOpen) {
  WriteCatalogue();
  int32_t id = 5;
  {
    DialogRun run(OpenEdit(&id));
    RunScript(run, Open());
    EXPECT_EQ(GuardValue(), 2);
    int32_t second = 7;
    DialogRun other(OpenEdit(&second));
    RunScript(other, {Refused(Message(650)), Returns(0)});
    EXPECT_EQ(second, 7);
    EXPECT_EQ(GuardValue(), 2);
    RunScript(run, {Wait(Edit()), Click(kClose), Returns(1)});
  }
  EXPECT_EQ(GuardValue(), -1);
  ASSERT_TRUE(DeleteFileA(SystemPath("ZVLMN3.DAT").c_str()));
  ASSERT_TRUE(CreateDirectoryA(SystemPath("ZVLMN3.INI").c_str(), nullptr));
  DialogRun failing(OpenEdit(&id));
  const Box box = failing.WaitForBox();
  EXPECT_TRUE(box.stopIcon);
  EXPECT_EQ(GuardValue(), 2);
  failing.AnswerBox(IDOK);
  EXPECT_EQ(failing.Result(), 0);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(GuardValue(), -1);
  EXPECT_TRUE(RemoveDirectoryA(SystemPath("ZVLMN3.INI").c_str()));
}

// The racer beside this program, run to its end: its output lines.
std::string Race(const std::string& module, const std::string& device, const std::string& output,
                 DWORD flags = 0, PROCESS_INFORMATION* suspended = nullptr) {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string path = self;
  std::string command = "\"" + path.substr(0, path.rfind('\\') + 1) + "zv_edit_guard_racer.exe\" \"" +
                        module + "\" \"" + device + "\" \"" + ZV_SAMPLE_DRIVER_PATH + "\" 5 \"" + output +
                        "\"";
  STARTUPINFOA startup{sizeof startup};
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                      &info)) {
    ADD_FAILURE() << command;
    return "";
  }
  if (suspended) return *suspended = info, "";
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::ifstream in(output);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_P(EditFormTest, SecondProcessIsKeptOutWhileTheDialogIsOpenAndGetsInAfter) {
  WriteCatalogue();
  const std::string module = English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH;
  int32_t id = 7;
  DialogRun run(OpenEdit(&id));
  const Dialog d = RunScript(run, Open());
  EXPECT_EQ(Race(module, device_, Path("R1.TXT")), "box:" + Message(650) + "\nresult:0 id:5\n");
  EXPECT_TRUE(run.IsActive(d));
  RunScript(run, {Wait(Edit()), Click(kClose), Returns(1)});
  EXPECT_EQ(GuardValue(), -1);
  EXPECT_EQ(Race(module, device_, Path("R2.TXT")), "dialog:" + Edit() + "\nresult:1 id:5\n");
  EXPECT_EQ(GuardValue(), -1);

  // A key whose owner is a process that has ended is taken over.
  PROCESS_INFORMATION info{};
  Race(module, device_, Path("R3.TXT"), CREATE_SUSPENDED, &info);
  FILETIME created, exited, kernel, user;
  ASSERT_TRUE(GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user));
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  unsigned char owner[12];
  std::memcpy(owner, &info.dwProcessId, 4);
  std::memcpy(owner + 4, &created, 8);
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  const DWORD two = 2;
  RegSetValueExA(key, "EntryEditOwner", 0, REG_BINARY, owner, sizeof owner);
  RegSetValueExA(key, "EntryEdit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof two);
  RegCloseKey(key);
  EXPECT_EQ(Race(module, device_, Path("R4.TXT")), "dialog:" + Edit() + "\nresult:1 id:5\n");
  EXPECT_EQ(GuardValue(), -1);
}

INSTANTIATE_TEST_SUITE_P(Sets, EditFormTest, ::testing::Bool(), formsettings::SetName);

}  // namespace
