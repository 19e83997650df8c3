// ZVEntryFormEditDlg through the real module in both resource sets: the mode it opens in for each kind
// of identifier and the identifier handed back, the file check before each button, the sub-dialogs'
// effect on the list, help, Enter and Escape, and the edit guard that keeps a second call out.
#include "dialogs/form_settings_fixture.h"
#include "dialogs/resource_ids.h"

namespace {

using namespace zvtest;  // NOLINT: the script's steps read as a table
using Steps = std::vector<Step>;
using EditFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*);
constexpr int kClose = 2, kHelp = 145, kUseFormName = 1101, kFile = 1104, kChange = 1105, kDelete = 1106,
              kRegister = 1107, kForms = 1108, kDescription = 1109, kBrowse = 1110;
constexpr char kGuardKey[] = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\EntryEdit";

Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// The controls of form-name mode (any: a form is listed) or of file mode.
Steps Mode(bool names, bool any = true) {
  Steps s = {Checked(kUseFormName, names), Visible(kForms, names), Enabled(kChange, !names || any),
             Enabled(kDelete, !names || any)};
  for (int id : {kFile, kBrowse, kRegister}) s = s + Steps{Visible(id, !names), Enabled(id, !names)};
  return s;
}
// The guard's "EntryEdit" value, -1 when the key is missing.
long GuardValue() {
  HKEY key = nullptr;
  DWORD value = 0, size = sizeof value;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kGuardKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
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
    return [this, id] { return edit_(nullptr, block_.data(), device_.c_str(), driver_.c_str(), id); };
  }
  std::string Title(const char* english, const char* local) const { return English() ? english : local; }
  // Named forms INVOICE (5), LETTER (7, saved to a directory with a dot), ALPHA (2), or none; file
  // entries -1 (LOGO.ZLP, present), -2 (a capture file elsewhere), -3 (GONE.ZLP).
  void WriteCatalogue(bool named) {
    std::vector<FormRow> forms = {
        {5, "INVOICE", "", 1, 0}, {7, "LETTER", "Letter head", 2, 1}, {2, "ALPHA", "", 1, 2}};
    std::vector<std::string> texts = {Dir() + "A", Dir() + "L.FORMS", Dir() + "ALPHA"};
    if (!named) {
      forms.clear();
      texts.clear();
    }
    const uint32_t n = static_cast<uint32_t>(texts.size());
    WriteFormList(
        FormListFile(forms, {{-1, "P", "", 1, n}, {-2, "C", "", 2, n + 1}, {-3, "P", "", 1, n + 2}}, 3));
    texts.insert(texts.end(), {Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP", Path("GONE.ZLP")});
    WriteGroupList(GroupNameListFile(texts));
    for (const char* name : {"ALPHA", "A", "L.FORMS"}) CreateDirectoryA((Dir() + name).c_str(), nullptr);
    for (const char* name : {"LOGO.ZLP", "OTHER.ZLP"})
      ASSERT_TRUE(WriteWholeFile(Path(name), OverlayDataFile("", name, SettingsRecordBytes({0, 1}))));
  }
  EditFunction edit_ = nullptr;
};

// Each row opens the dialog on its catalogue and identifier, runs its steps, closes the dialog and
// checks the identifier handed back.
TEST_P(EditFormTest, ScriptsFromEachKindOfIdentifier) {
  const std::string logo = Path("LOGO.ZLP"), edit = Title("Edit Form", "Editar formulario");
  const std::string change = Title("Change Form", "Cambiar formulario");
  const std::string del = Title("Delete Form data", "Eliminar datos de formulario");
  const std::string reg = Title("Register Existing Form", "Registrar formulario existente");
  const Steps back = {Wait(edit), Quiet()},
              remove = {Click(kDelete), Wait(del), Click(IDOK), Asked(Message(502), IDYES),
                        Wait(edit),     Quiet()};
  // Each button checks the file first; a bare name is missing even in the current directory.
  Steps refusals;
  const std::vector<std::string> typed = {"",         Path("FORM.TXT"), Path("F*RM.ZLP"),
                                          "LOGO.ZLP", Path("GONE.ZLP"), Path("NONE.ZLP")};
  for (size_t i = 0; i < typed.size(); ++i)
    refusals =
        refusals + Steps{Type(kFile, typed[i]), Click(std::vector<int>{kChange, kDelete, kRegister}[i % 3]),
                         Refused(Message(i >= 3 ? 615 : 411)), Quiet(), Shows(kFile, typed[i])};
  struct Case {
    bool named;
    int32_t id;
    Steps steps;
    int32_t out;
    std::vector<DWORD> help = {};  // the contexts asked for
  };
  const std::vector<Case> rows = {
      {true, 7,
       Mode(true) +
           Steps{Rows(kForms, {"INVOICE", "LETTER", "ALPHA"}), Selected(kForms, 1), Select(kForms, 0)},
       5},
      {true, -1, Mode(false) + Steps{Shows(kFile, logo), Shows(kDescription, "LOGO.ZLP")} + refusals, -1},
      // A capture entry shows no file; a full path typed shows its file's description, and does not count.
      {true, -2,
       Mode(false) + Steps{Shows(kFile, ""), Type(kFile, Path("OTHER.ZLP")), Shows(kDescription, "OTHER.ZLP"),
                           Type(kFile, "OTHER.ZLP"), Shows(kDescription, "")},
       -2},
      {true, -3, {Shows(kFile, Path("GONE.ZLP")), Shows(kDescription, "")}, 0},
      {false, 7, Mode(true, false) + Steps{Rows(kForms, {})}, 0},
      {false, 0, Mode(false) + Steps{Shows(kFile, "")}, 0},
      // The mode switch keeps each mode's selection; a file entry is checked only for its file, whatever
      // the mode the dialog ends in. Help follows the mode; Enter does nothing, not even as IDOK.
      {true,
       -1,
       {Click(kUseFormName), Selected(kForms, 0), Select(kForms, 1), Click(kHelp), Click(kUseFormName),
        Shows(kFile, logo), Click(kHelp), Click(kUseFormName), Selected(kForms, 1),
        Do([](DialogRun& r, const Dialog& d) {
          SendMessageA(d.Handle(), WM_COMMAND, IDOK, 0);
          r.Settle();
        }),
        Quiet()},
       -1,
       {300007, 300008}},
      // The sub-dialogs: cancelled, nothing changes; done, the list shows their work. Deleting the last
      // named form leaves nothing to change or delete; a deleted file empties the fields, and as its
      // entry names a file that is gone, its identifier is dropped.
      {true, 7,
       Steps{Click(kChange), Wait(change), Shows(ZV_ID_CHANGE_NAME, "LETTER"),
             Shows(ZV_ID_CHANGE_SAVE_TO, Dir() + "L.FORMS"), Click(kClose)} +
           back + Steps{Click(kChange), Wait(change), Type(ZV_ID_CHANGE_NAME, "OMEGA"), Click(IDOK)} + back +
           Steps{Rows(kForms, {"INVOICE", "OMEGA", "ALPHA"})},
       7},
      {true, 2,
       Steps{Click(kDelete), Wait(del), Click(kClose)} + back + remove +
           Steps{Rows(kForms, {"INVOICE", "LETTER"}), Selected(kForms, 0)} + remove + remove +
           Mode(true, false),
       0},
      {true, -1,
       remove + Steps{Shows(kFile, ""), Shows(kDescription, ""), Click(kUseFormName), Click(kUseFormName),
                      Shows(kFile, Path("LOGO.ZLP"))},
       0},
      // The driver's form or file deleted, others left: nothing to hand back. Its file moved: the file
      // entry follows it and stays.
      {true, 7, remove + Steps{Rows(kForms, {"INVOICE", "ALPHA"}), Selected(kForms, 0)}, 0},
      {true, -1, remove, 0},
      {true, -1,
       Steps{Click(kChange), Wait(change), Put(ZV_ID_CHANGE_NAME, Path("MOVED.ZLP")), Click(IDOK)} + back +
           Steps{Shows(kFile, Path("MOVED.ZLP")), Do([this](DialogRun&, const Dialog&) {
                   EXPECT_EQ(
                       FileBytes(GroupListPath()),
                       GroupNameListFile({Dir() + "A", Dir() + "L.FORMS", Dir() + "ALPHA", Path("MOVED.ZLP"),
                                          "D:\\CAPTURE\\NEW.ZLP", Path("GONE.ZLP")}));
                 })},
       -1},
      {true, -1,
       Steps{Click(kRegister), Wait(reg), Type(ZV_ID_REGISTER_FORM_NAME, "STAMP"), Click(IDOK)} + back +
           Steps{Click(kUseFormName), Rows(kForms, {"INVOICE", "LETTER", "ALPHA", "STAMP"}),
                 Selected(kForms, 3)},
       -1},
  };
  char previous[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(Dir().c_str()));
  for (const Case& c : rows) {
    SCOPED_TRACE(c.id);
    WriteCatalogue(c.named);
    int32_t id = c.id;
    HelpWatcher help;
    {
      DialogRun run(Open(&id));
      RunScript(run, Steps{Wait(edit)} + c.steps + Steps{Wait(edit), Click(kClose), Returns(1)});
    }
    EXPECT_EQ(id, c.out);
    ExpectHelp(help, c.help);
  }
  SetCurrentDirectoryA(previous);
}

// While the dialog is open the guard key is held and a second call refused with the notice; the guard
// is also held while an error keeps the dialog from opening, and released after.
TEST_P(EditFormTest, TheEditGuardKeepsASecondCallOut) {
  WriteCatalogue(true);
  int32_t id = 5, second = 7;
  {
    DialogRun run(Open(&id));
    RunScript(run, {Wait(Title("Edit Form", "Editar formulario"))});
    EXPECT_EQ(GuardValue(), 2);
    DialogRun other(Open(&second));
    RunScript(other, {Refused(Message(650)), Returns(0)});
    EXPECT_EQ(second, 7);
    RunScript(run, {Wait(Title("Edit Form", "Editar formulario")), Click(kClose), Returns(1)});
  }
  EXPECT_EQ(GuardValue(), -1);
  ASSERT_TRUE(RemoveFile(SystemPath("ZVLMN3.DAT")));
  ASSERT_TRUE(CreateDirectoryA(SystemPath("ZVLMN3.INI").c_str(), nullptr));  // no configuration can be made
  DialogRun failing(Open(&id));
  EXPECT_TRUE(failing.WaitForBox().stopIcon);
  EXPECT_EQ(GuardValue(), 2);
  failing.AnswerBox(IDOK);
  EXPECT_EQ(failing.Result(), 0);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(GuardValue(), -1);
  EXPECT_TRUE(RemoveDirectoryA(SystemPath("ZVLMN3.INI").c_str()));
}

INSTANTIATE_TEST_SUITE_P(Sets, EditFormTest, ::testing::Bool(), formsettings::SetName);

}  // namespace
