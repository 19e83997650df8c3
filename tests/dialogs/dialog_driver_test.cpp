// The dialog driver itself, on a small dialog built in memory: the tests of
// the module's dialogs rely on it to see and act as a person would.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/dialog_driver.h"

namespace {

constexpr int kEdit = 10;
constexpr int kCheck = 11;
constexpr int kList = 12;
constexpr int kRadioA = 13;
constexpr int kRadioB = 14;

// A dialog template in memory: DLGTEMPLATE and DLGITEMTEMPLATE records,
// each item aligned to four bytes.
class TemplateBuilder {
 public:
  TemplateBuilder(const char* title, int itemCount) {
    Align(4);
    DLGTEMPLATE header{};
    header.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
    header.cdit = static_cast<WORD>(itemCount);
    header.cx = 200;
    header.cy = 120;
    Append(&header, sizeof header);
    Word(0);  // no menu
    Word(0);  // the standard class
    Text(title);
  }
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const char* text) {
    Align(4);
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Append(&item, sizeof item);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
  }
  LPCDLGTEMPLATEA Get() { return reinterpret_cast<LPCDLGTEMPLATEA>(bytes_.data()); }

 private:
  void Append(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  void Word(WORD w) { Append(&w, sizeof w); }
  void Text(const char* text) {
    for (; *text; ++text) Word(static_cast<unsigned char>(*text));
    Word(0);
  }
  void Align(size_t n) {
    while (bytes_.size() % n) bytes_.push_back(0);
  }
  std::vector<unsigned char> bytes_;
};

INT_PTR CALLBACK SampleProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    HWND list = GetDlgItem(dialog, kList);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first"));
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("second"));
    SendMessageA(GetDlgItem(dialog, kEdit), EM_LIMITTEXT, 5, 0);
    CheckDlgButton(dialog, kRadioA, BST_CHECKED);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == kList && code == LBN_SELCHANGE) {
    char text[32] = "";
    HWND list = GetDlgItem(dialog, kList);
    SendMessageA(list, LB_GETTEXT, SendMessageA(list, LB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
    SetDlgItemTextA(dialog, kEdit, text);
  } else if (id == kList && code == LBN_DBLCLK) {
    EndDialog(dialog, 3);
  } else if (id == IDOK) {
    char text[32] = "";
    GetDlgItemTextA(dialog, kEdit, text, sizeof text);
    const std::string question = std::string("End with ") + text + "?";
    if (MessageBoxA(dialog, question.c_str(), "Overlay", MB_YESNO | MB_ICONQUESTION) == IDYES) {
      EndDialog(dialog, IsDlgButtonChecked(dialog, kCheck)    ? 11
                        : IsDlgButtonChecked(dialog, kRadioB) ? 14
                                                              : 1);
    }
  } else if (id == IDCANCEL) {
    EndDialog(dialog, 2);
  }
  return TRUE;
}

int RunSample() {
  TemplateBuilder t("Sample", 7);
  t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 5, 5, 100, 12, kEdit, 0x0081, "");
  t.Item(BS_AUTOCHECKBOX | WS_TABSTOP, 5, 20, 100, 10, kCheck, 0x0080, "Check");
  t.Item(LBS_NOTIFY | WS_BORDER | WS_VSCROLL, 5, 32, 100, 40, kList, 0x0083, "");
  t.Item(BS_AUTORADIOBUTTON | WS_GROUP, 110, 5, 60, 10, kRadioA, 0x0080, "A");
  t.Item(BS_AUTORADIOBUTTON, 110, 17, 60, 10, kRadioB, 0x0080, "B");
  t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 5, 90, 50, 14, IDOK, 0x0080, "OK");
  t.Item(BS_PUSHBUTTON | WS_TABSTOP, 60, 90, 50, 14, IDCANCEL, 0x0080, "Cancel");
  return static_cast<int>(
      DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, SampleProc, 0));
}

TEST(DialogDriverTest, ReadsSetsAndSelectsAsAPersonWould) {
  zvtest::DialogRun run(RunSample);
  zvtest::Dialog d = run.WaitForDialog("Sample");
  ASSERT_TRUE(d.IsOpen());
  EXPECT_EQ(d.ListItems(kList), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(d.ListSelection(kList), -1);
  d.SelectRow(kList, 1);
  EXPECT_EQ(d.ListSelection(kList), 1);
  EXPECT_EQ(d.Text(kEdit), "second");  // set by the dialog, which the limit does not bind
  d.SetText(kEdit, "abcdefgh");        // typing stops at the limit
  EXPECT_EQ(d.Text(kEdit), "abcde");
  EXPECT_EQ(d.TextLimit(kEdit), 5);
  EXPECT_TRUE(d.IsChecked(kRadioA));
  d.Click(kRadioB);
  EXPECT_TRUE(d.IsChecked(kRadioB));
  EXPECT_FALSE(d.IsChecked(kRadioA));
  d.Click(kCheck);
  EXPECT_TRUE(d.IsChecked(kCheck));
  d.Click(kCheck);
  EXPECT_FALSE(d.IsChecked(kCheck));

  d.Click(IDOK);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, "End with abcde?");
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_TRUE(box.questionIcon);
  EXPECT_FALSE(box.stopIcon);
  run.AnswerBox(IDNO);
  EXPECT_TRUE(run.IsActive(d));  // No keeps the dialog open

  d.Click(IDOK);
  run.WaitForBox();
  run.AnswerBox(IDYES);
  EXPECT_EQ(run.Result(), 14);
  EXPECT_EQ(run.Boxes().size(), 2u);
}

TEST(DialogDriverTest, DoubleClickAndCancelEndTheDialog) {
  {
    zvtest::DialogRun run(RunSample);
    run.WaitForDialog("Sample").DoubleClickRow(kList, 0);
    EXPECT_EQ(run.Result(), 3);
  }
  {
    zvtest::DialogRun run(RunSample);
    run.WaitForDialog("Sample").Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 2);
  }
}

TEST(DialogDriverTest, HelpWatcherRecordsWinHelpCalls) {
  zvtest::HelpWatcher help;
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\HELP\\X.HLP", HELP_CONTEXT, 300001));
  EXPECT_TRUE(WinHelpA(nullptr, "C:\\HELP\\X.HLP", HELP_QUIT, 0));
  const std::vector<zvtest::HelpCall> calls = help.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300001u);
  EXPECT_EQ(calls[0].file, "C:\\HELP\\X.HLP");
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
}

}  // namespace
