// The dialog driver and its scripts on two of the module's templates (linked
// into this program) run by a small procedure of the test: the dialog tests
// rely on the driver to see and act as a person would.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialogs/resource_ids.h"
#include "support/dialog_script.h"

namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
constexpr int kList = ZV_ID_SETTINGS_FORM_LIST, kShown = ZV_ID_SETTINGS_DESCRIPTION,
              kCheck = ZV_ID_SETTINGS_USE_FORM_NAME;
constexpr int kEdit = ZV_ID_NEWFORM_NAME, kFront = ZV_ID_TO_FRONT, kBack = ZV_ID_TO_BACK;

// Selecting a row shows it; a double click ends with 3; OK asks (No stays,
// Yes ends with 11 when ticked, 14 with To Back, else 1) or, on an empty
// name, warns; Cancel ends with 2.
INT_PTR CALLBACK SampleProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  char text[64] = "";
  if (message == WM_INITDIALOG) {
    for (const char* row : {"second", "first"})
      SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, (LPARAM)row);
    SendDlgItemMessageA(dialog, kEdit, EM_LIMITTEXT, 5, 0);
    CheckDlgButton(dialog, kFront, BST_CHECKED);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == kList && HIWORD(wParam) == LBN_SELCHANGE) {
    const LRESULT row = SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0);
    SendDlgItemMessageA(dialog, kList, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text));
    SetDlgItemTextA(dialog, kShown, text);
  } else if (LOWORD(wParam) == kList && HIWORD(wParam) == LBN_DBLCLK) {
    EndDialog(dialog, 3);
  } else if (LOWORD(wParam) == IDOK && !GetDlgItemTextA(dialog, kEdit, text, sizeof text)) {
    MessageBoxA(dialog, "Empty", "Overlay", MB_ICONEXCLAMATION);
  } else if (LOWORD(wParam) == IDOK) {
    if (MessageBoxA(dialog, (std::string("End with ") + text + "?").c_str(), "Overlay",
                    MB_YESNO | MB_ICONQUESTION) == IDYES)
      EndDialog(dialog, IsDlgButtonChecked(dialog, kCheck) ? 11 : IsDlgButtonChecked(dialog, kBack) ? 14 : 1);
  } else if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, 2);
  }
  return TRUE;
}

std::function<int()> Open(const char* name) {
  return [name] { return (int)DialogBoxParamA(GetModuleHandleA(nullptr), name, nullptr, SampleProc, 0); };
}

TEST(DialogDriverTest, ScriptsSeeAndActAsAPersonWould) {
  const struct {
    const char* name;
    std::vector<Step> steps;
    size_t boxes;
  } rows[] = {
      {"W_FORMINFO",
       {Wait("Form Settings"), Rows(kList, {"first", "second"}), Selected(kList, -1), Select(kList, 1),
        Selected(kList, 1), Shows(kShown, "second"), Checked(kCheck, false), Click(kCheck), Checked(kCheck),
        Click(kCheck), Checked(kCheck, false), Enabled(IDOK), Visible(kList), Quiet(), DoubleClick(kList, 0),
        Returns(3)},
       0},
      {"W_NEWFORM",
       {Wait("Add Form"), Limit(kEdit, 5), Click(IDOK), Warned("Empty"), Quiet(), Type(kEdit, "abcdefgh"),
        Shows(kEdit, "abcde"), Checked(kFront), Click(kBack), Checked(kBack), Checked(kFront, false),
        Click(IDOK), Asked("End with abcde?", IDNO), Quiet(), Click(IDOK), SeeBox("", IDYES), Returns(14)},
       3},
      {"W_NEWFORM", {Wait("Add Form"), Click(IDCANCEL), Returns(2)}, 0},
  };
  for (const auto& row : rows) {
    DialogRun run(Open(row.name));
    RunScript(run, row.steps);
    EXPECT_EQ(run.Boxes().size(), row.boxes);
  }
}

TEST(DialogDriverTest, HelpWatcherRecordsWinHelpCalls) {
  HelpWatcher help;
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\HELP\\X.HLP", HELP_CONTEXT, 300001));
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\HELP\\X.HLP", HELP_QUIT, 0));
  const std::vector<HelpCall> calls = help.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300001u);
  EXPECT_EQ(calls[0].file, "C:\\HELP\\X.HLP");
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
}

}  // namespace
