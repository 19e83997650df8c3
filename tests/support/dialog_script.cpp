#include "support/dialog_script.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/catalogue_bytes.h"

namespace zvtest {

Dialog RunScript(DialogRun& run, const std::vector<Step>& steps) {
  Dialog d;
  for (size_t i = 0; i < steps.size() && !::testing::Test::HasFatalFailure(); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE("script step " + std::to_string(i) + " (control " + std::to_string(s.control) + ", \"" +
                 s.text + "\")");
    const auto send = [&](UINT message) { return SendMessageA(d.Control(s.control), message, 0, 0); };
    const auto box = [&] {
      const Box b = run.WaitForBox();
      const bool ask = s.control == Step::kAsk;
      EXPECT_EQ(std::tie(b.text, b.buttons, b.stopIcon, b.questionIcon, b.exclamationIcon),
                std::make_tuple(s.text, ask ? std::vector<int>{IDYES, IDNO} : std::vector<int>{IDOK},
                                s.control == Step::kStop, ask, s.control == Step::kWarn));
      run.AnswerBox(s.value);
    };
    const auto clickText = [&] {
      const std::vector<std::string> rows = d.ListItems(s.control);
      size_t row = 0;
      while (row < rows.size() && Upper(rows[row]) != Upper(s.text)) ++row;
      if (row == rows.size())
        ADD_FAILURE() << "no row " << s.text << " in " << ::testing::PrintToString(rows);
      if (row < rows.size()) d.DoubleClickRow(s.control, static_cast<int>(row));
    };
    // One action per step kind, in the order of Step's constants.
    const std::function<void()> actions[] = {
        [&] { d = run.WaitForDialog(s.text); },
        [&] { d.SetText(s.control, s.text); },
        [&] { d.Click(s.control); },
        [&] { d.SelectRow(s.control, s.value); },
        [&] { EXPECT_EQ(d.Text(s.control), s.text); },
        [&] { EXPECT_EQ(d.ListItems(s.control), s.rows); },
        [&] { EXPECT_EQ(d.ListSelection(s.control), s.value); },
        [&] { EXPECT_EQ(IsWindowEnabled(d.Control(s.control)) != FALSE, s.value != 0); },
        [&] { EXPECT_EQ(send(BM_GETCHECK) == BST_CHECKED, s.value != 0); },
        [&] { EXPECT_TRUE(run.IsActive(d)); },
        [&] { EXPECT_EQ(run.Result(), s.value); },
        [&] { EXPECT_EQ(IsWindowVisible(d.Control(s.control)) != FALSE, s.value != 0); },
        box,
        [&] { EXPECT_EQ(send(EM_GETLIMITTEXT), s.value); },
        [&] { EXPECT_EQ(Upper(d.Text(s.control)), Upper(s.text)); },
        clickText,
        [&] { SendMessageA(d.Control(s.control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.text.c_str())); },
        [&] { s.act(run, d); },
    };
    actions[s.action]();
    if (s.action == Step::kWait && !d.IsOpen()) break;  // the wait has failed the test
  }
  return d;
}

}  // namespace zvtest
