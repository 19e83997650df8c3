#include "support/dialog_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "support/catalogue_bytes.h"

namespace zvtest {

Dialog RunScript(DialogRun& run, const std::vector<Step>& steps) {
  Dialog d;
  for (size_t i = 0; i < steps.size() && !::testing::Test::HasFatalFailure(); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE("script step " + std::to_string(i) + " (control " + std::to_string(s.control) + ", \"" +
                 s.text + "\")");
    const auto send = [&](UINT message, WPARAM w = 0, LPARAM l = 0) {
      return SendMessageA(d.Control(s.control), message, w, l);
    };
    const auto combo = [&] { return IsClass(d.Control(s.control), "ComboBox"); };  // else a list box
    const auto items = [&] {
      std::vector<std::string> rows(std::max<LRESULT>(0, send(combo() ? CB_GETCOUNT : LB_GETCOUNT)));
      for (size_t row = 0; row < rows.size(); ++row) {
        std::string text(send(combo() ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, row) + 1, 0);
        send(combo() ? CB_GETLBTEXT : LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
        rows[row] = text.c_str();
      }
      return rows;
    };
    const auto select = [&](int row) {  // followed by the list's SELCHANGE
      send(combo() ? CB_SETCURSEL : LB_SETCURSEL, row);
      d.Notify(s.control, combo() ? CBN_SELCHANGE : LBN_SELCHANGE);
    };
    const auto box = [&] {
      const SeenBox b = run.WaitForBox();
      const bool ask = s.control == Step::kAsk;
      EXPECT_EQ(std::tie(b.text, b.buttons, b.stopIcon, b.questionIcon, b.exclamationIcon),
                std::make_tuple(s.text, ask ? std::vector<int>{IDYES, IDNO} : std::vector<int>{IDOK},
                                s.control == Step::kStop, ask, s.control == Step::kWarn));
      run.AnswerBox(s.value);
    };
    const auto clickText = [&] {
      const std::vector<std::string> rows = items();
      const auto same = [&](const std::string& row) { return Upper(row) == Upper(s.text); };
      const auto at = std::find_if(rows.begin(), rows.end(), same);
      if (at == rows.end()) {
        ADD_FAILURE() << "no row " << s.text << " in " << ::testing::PrintToString(rows);
        return;
      }
      select(static_cast<int>(at - rows.begin()));
      d.Notify(s.control, LBN_DBLCLK);
    };
    // One action per step kind, in the order of Step's constants.
    const std::function<void()> actions[] = {
        [&] { d = run.WaitForDialog(s.text); },
        [&] { d.SetText(s.control, s.text); },
        [&] { d.Click(s.control); },
        [&] { select(s.value); },
        [&] { EXPECT_EQ(WindowText(d.Control(s.control)), s.text); },
        [&] { EXPECT_EQ(items(), s.rows); },
        [&] { EXPECT_EQ(send(combo() ? CB_GETCURSEL : LB_GETCURSEL), s.value); },
        [&] { EXPECT_EQ(IsWindowEnabled(d.Control(s.control)) != FALSE, s.value != 0); },
        [&] { EXPECT_EQ(send(BM_GETCHECK) == BST_CHECKED, s.value != 0); },
        [&] { EXPECT_TRUE(run.IsActive(d)); },
        [&] { EXPECT_EQ(run.Result(), s.value); },
        [&] { EXPECT_EQ(IsWindowVisible(d.Control(s.control)) != FALSE, s.value != 0); },
        box,
        [&] { EXPECT_EQ(send(EM_GETLIMITTEXT), s.value); },
        [&] { EXPECT_EQ(Upper(WindowText(d.Control(s.control))), Upper(s.text)); },
        clickText,
        [&] { SendMessageA(d.Control(s.control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.text.c_str())); },
        [&] { s.act(run, d); },
    };
    actions[s.action]();
    if (s.action == Step::kWait && !d.Handle()) break;  // the wait has failed the test
  }
  return d;
}

}  // namespace zvtest
