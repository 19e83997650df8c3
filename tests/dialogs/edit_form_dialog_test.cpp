// ZVEntryFormEditDlg through the real module in both resource sets: the mode
// it opens in for each kind of identifier and the identifier handed back,
// the file check before each button, the sub-dialogs' effect on the list,
// Browse, Help, Enter and Escape, and the edit guard, raced by a second
// process.
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

constexpr int kClose = 2, kUseFormName = 1101, kFile = 1104, kChange = 1105, kDelete = 1106, kRegister = 1107,
              kForms = 1108, kDescription = 1109, kBrowse = 1110;
constexpr char kGuardKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\EntryEdit";
const Strings kThree = {"INVOICE", "LETTER", "ALPHA"};

Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The controls of form-name mode (any: a form is listed) or of file mode.
Steps Mode(bool names, bool any = true) {
  Steps s = {Checked(kUseFormName, names),    Visible(1102, names),
             Visible(kForms, names),          Enabled(kForms, names),
             Enabled(kChange, !names || any), Enabled(kDelete, !names || any)};
  for (int id : {1103, kFile, kBrowse, kRegister}) s = s + Steps{Visible(id, !names), Enabled(id, !names)};
  return s;
}

// The guard's "EntryEdit" value, -1 when the key is missing.
long GuardValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
  DWORD value = 0, size = sizeof value;
  RegQueryValueExA(key, "EntryEdit", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return static_cast<long>(value);
}

class EditFormTest : public formsettings::BothSets {
 protected:
  void SetUp() override {
    BothSets::SetUp();
    RegDeleteKeyA(HKEY_CURRENT_USER, kGuardKey);
    edit_ = reinterpret_cast<EditFunction>(reinterpret_cast<void*>(module_->Export("ZVEntryFormEditDlg")));
    ASSERT_NE(edit_, nullptr);
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_CURRENT_USER, kGuardKey);
    BothSets::TearDown();
  }
  std::function<int()> Open(int32_t* id) {
    return [this, id] { return edit_(nullptr, block_.data(), device_.c_str(), ZV_SAMPLE_DRIVER_PATH, id); };
  }
  std::string Title(const char* english, const char* local) const { return English() ? english : local; }
  std::string Edit() const { return Title("Edit Form", "Editar formulario"); }
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
    texts.insert(texts.end(), {Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP", Path("GONE.ZLP")});
    WriteGroupList(GroupNameListFile(texts));
    ASSERT_TRUE(WriteWholeFile(Path("LOGO.ZLP"), Ovl("Logo overlay")));
    ASSERT_TRUE(WriteWholeFile(Path("OTHER.ZLP"), Ovl("Another one")));
  }
  // Runs the dialog on the identifier through the steps, closes it and
  // checks the identifier it hands back.
  void Run(int32_t id, const Steps& steps, int32_t expected) {
    SCOPED_TRACE(id);
    DialogRun run(Open(&id));
    RunScript(run, Steps{Wait(Edit())} + steps + Steps{Wait(Edit()), Click(kClose), Returns(1)});
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
    WriteCatalogue(row.named);
    Run(row.id, row.steps, row.out);
  }
}

// Each button checks the file first: refused with its box, the text kept.
// A bare name is missing even in the current directory.
TEST_P(EditFormTest, FileCheckRefusesBeforeAnySubDialog) {
  WriteCatalogue();
  ASSERT_TRUE(WriteWholeFile(Path("_FORM.ZLP"), Ovl("underscore")));
  char previous[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  Steps steps;
  for (int button : {kChange, kDelete, kRegister}) {
    for (const std::string& typed : {std::string(), std::string(" \t "), Path("FORM.TXT"), Path("FORM.ZLC"),
                                     Path("F*RM.ZLP"), Path("FORM?.ZLP"), Path("SUB.D\\FORM"),
                                     Path("_FORM.ZLP"), std::string("LOGO.ZLP"), Path("GONE.ZLP")}) {
      const bool missing = typed == "LOGO.ZLP" || typed == Path("GONE.ZLP");
      steps = steps + Steps{Type(kFile, typed), Click(button), Refused(Message(missing ? 615 : 411)), Quiet(),
                            Shows(kFile, typed)};
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
  const Steps back = {Wait(Edit()), Quiet()},
              yes = {Click(IDOK), Asked(Message(502), IDYES), Wait(Edit()), Quiet()};
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
                 Type(ZV_ID_CHANGE_NAME, "OMEGA"), Type(ZV_ID_CHANGE_DESCRIPTION, "Last of all"),
                 Click(IDOK)} +
           back +
           Steps{Rows(kForms, {"INVOICE", "LETTER", "OMEGA"}), Selected(kForms, 2),
                 Shows(kDescription, "Last of all")},
       2},
      {-1,
       Steps{Click(kChange), Wait(change), Shows(ZV_ID_CHANGE_NAME, Path("LOGO.ZLP")),
             Type(ZV_ID_CHANGE_DESCRIPTION, "Company logo"), Click(IDOK)} +
           back + Steps{Shows(kFile, Path("LOGO.ZLP")), Shows(kDescription, "Company logo")},
       -1},
      {2,
       Steps{Selected(kForms, 2), Click(kDelete), Wait(del), Click(kClose)} + back +
           Steps{Rows(kForms, kThree), Click(kDelete), Wait(del)} + yes +
           Steps{Rows(kForms, {"INVOICE", "LETTER"}), Selected(kForms, 0),
                 Shows(kDescription, "Monthly invoice")} +
           Mode(true),
       5},
      // Deleting the last named form leaves nothing to change or delete.
      {5,
       Steps{Click(kDelete), Wait(del)} + yes + Steps{Click(kDelete), Wait(del)} + yes +
           Steps{Click(kDelete), Wait(del)} + yes + Steps{Rows(kForms, {}), Shows(kDescription, "")} +
           Mode(true, false),
       0},
      // The deleted file empties the fields; the entry names a file that is
      // gone, so its identifier is dropped.
      {-1,
       Steps{Click(kDelete), Wait(del)} + yes +
           Steps{Shows(kFile, ""), Shows(kDescription, ""), Click(kUseFormName), Click(kUseFormName),
                 Shows(kFile, Path("LOGO.ZLP"))},
       0},
      {-1,
       Steps{Click(kRegister), Wait(reg), Click(kClose)} + back +
           Steps{Click(kRegister), Wait(reg), Type(ZV_ID_REGISTER_FORM_NAME, "STAMP"), Click(IDOK)} + back +
           Steps{Click(kUseFormName), Rows(kForms, {"INVOICE", "LETTER", "ALPHA", "STAMP"}),
                 Selected(kForms, 3)},
       -1},
  };
  for (const auto& row : rows) {
    WriteCatalogue();
    Run(row.id, row.steps, row.out);
  }
}

// Enter does nothing, not even as IDOK; Escape closes with 1.
TEST_P(EditFormTest, BrowseHelpEnterAndEscape) {
  WriteCatalogue();
  HelpWatcher help;
  int32_t id = 5;
  DialogRun run(Open(&id));
  const auto key = [](UINT k) {
    return Do([k](DialogRun& r, const Dialog& d) {
      PostMessageA(d.Control(kForms), WM_KEYDOWN, k, 0);
      PostMessageA(d.Control(kForms), WM_KEYUP, k, 0);
      r.Settle();
      if (k == VK_RETURN) SendMessageA(d.Handle(), WM_COMMAND, IDOK, 0);
      r.Settle();
    });
  };
  RunScript(run, Steps{Wait(Edit()), Click(145), Click(kUseFormName), Click(145), Click(kBrowse),
                       Wait(Message(203)), Type(1152, "OTHER.ZLP")} +
                     Steps{Click(IDOK), Wait(Edit()), Shows(kDescription, "Another one"),
                           ShowsAnyCase(kFile, Path("OTHER.ZLP")), Click(kBrowse), Wait(Message(203)),
                           Click(IDCANCEL)} +
                     Steps{Wait(Edit()), Shows(kDescription, "Another one"), Click(kUseFormName),
                           Select(kForms, 2), key(VK_RETURN), Quiet(), key(VK_ESCAPE)} +
                     Steps{Returns(1)});
  EXPECT_EQ(id, 2);
  ExpectHelpInBothModes(help, 300007, 300008);
}

// The racer beside this program, run to its end: its output lines; or
// started suspended, its process handed back.
std::string Race(const std::string& module, const std::string& device, const std::string& output,
                 PROCESS_INFORMATION* suspended = nullptr) {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string command = std::string(self);
  command = "\"" + command.substr(0, command.rfind('\\') + 1) + "zv_edit_guard_racer.exe\" \"" + module +
            "\" \"" + device + "\" \"" + ZV_SAMPLE_DRIVER_PATH + "\" 5 \"" + output + "\"";
  STARTUPINFOA startup{sizeof startup};
  PROCESS_INFORMATION info{};
  EXPECT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, suspended ? CREATE_SUSPENDED : 0,
                             nullptr, nullptr, &startup, &info));
  if (suspended) return *suspended = info, "";
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 60000), WAIT_OBJECT_0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  std::stringstream text;
  text << std::ifstream(output).rdbuf();
  return text.str();
}

// The guard key exists exactly while the dialog is open, also when it fails
// to open; while held, a second call, of this process or of another, is
// refused with the notice; a key whose owner has ended is taken over.
TEST_P(EditFormTest, TheEditGuardKeepsASecondCallOut) {
  WriteCatalogue();
  const std::string module = English() ? ZV_ENGLISH_DLL_PATH : ZV_DLL_PATH;
  int32_t id = 7, second = 7;
  {
    DialogRun run(Open(&id));
    RunScript(run, {Wait(Edit())});
    EXPECT_EQ(GuardValue(), 2);
    DialogRun other(Open(&second));
    RunScript(other, {Refused(Message(650)), Returns(0)});
    EXPECT_EQ(second, 7);
    EXPECT_EQ(Race(module, device_, Path("R1.TXT")), "box:" + Message(650) + "\nresult:0 id:5\n");
    RunScript(run, {Wait(Edit()), Click(kClose), Returns(1)});
  }
  EXPECT_EQ(GuardValue(), -1);
  EXPECT_EQ(Race(module, device_, Path("R2.TXT")), "dialog:" + Edit() + "\nresult:1 id:5\n");
  EXPECT_EQ(GuardValue(), -1);

  PROCESS_INFORMATION info{};
  Race(module, device_, "", &info);
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
  const DWORD two = 2;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  RegSetValueExA(key, "EntryEditOwner", 0, REG_BINARY, owner, sizeof owner);
  RegSetValueExA(key, "EntryEdit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), sizeof two);
  RegCloseKey(key);
  EXPECT_EQ(Race(module, device_, Path("R4.TXT")), "dialog:" + Edit() + "\nresult:1 id:5\n");
  EXPECT_EQ(GuardValue(), -1);

  // The configuration cannot be made: the guard is held while the error
  // shows and released after.
  ASSERT_TRUE(DeleteFileA(SystemPath("ZVLMN3.DAT").c_str()));
  ASSERT_TRUE(CreateDirectoryA(SystemPath("ZVLMN3.INI").c_str(), nullptr));
  DialogRun failing(Open(&id));
  EXPECT_TRUE(failing.WaitForBox().stopIcon);
  EXPECT_EQ(GuardValue(), 2);
  failing.AnswerBox(IDOK);
  EXPECT_EQ(failing.Result(), 0);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(GuardValue(), -1);
  EXPECT_TRUE(RemoveDirectoryA(SystemPath("ZVLMN3.INI").c_str()));
}

INSTANTIATE_TEST_SUITE_P(Sets, EditFormTest, ::testing::Bool(), formsettings::SetName);

}  // namespace
