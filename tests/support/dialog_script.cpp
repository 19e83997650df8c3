#include "support/dialog_script.h"

#include <gtest/gtest.h>

#include "support/catalogue_bytes.h"

namespace zvtest {

Dialog RunScript(DialogRun& run, const std::vector<Step>& steps) {
  Dialog current;
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE("script step " + std::to_string(i) + " (control " + std::to_string(s.control) + ", \"" +
                 s.text + "\")");
    switch (s.action) {
      case Step::kWait:
        current = run.WaitForDialog(s.text);
        if (!current.IsOpen()) return current;  // the wait has failed the test
        break;
      case Step::kType:
        current.SetText(s.control, s.text);
        break;
      case Step::kClick:
        current.Click(s.control);
        break;
      case Step::kSelect:
        current.SelectRow(s.control, s.value);
        break;
      case Step::kDoubleClick:
        current.DoubleClickRow(s.control, s.value);
        break;
      case Step::kText:
        EXPECT_EQ(current.Text(s.control), s.text);
        break;
      case Step::kRows:
        EXPECT_EQ(current.ListItems(s.control), s.rows);
        break;
      case Step::kSelected:
        EXPECT_EQ(current.ListSelection(s.control), s.value);
        break;
      case Step::kEnabled:
        EXPECT_EQ(current.IsEnabled(s.control), s.value != 0);
        break;
      case Step::kChecked:
        EXPECT_EQ(current.IsChecked(s.control), s.value != 0);
        break;
      case Step::kBox:
      case Step::kBoxOf: {
        // A plain box step checks the text when it names one; a box of a
        // kind also checks its icon and the buttons it offers.
        const struct Box box = run.WaitForBox();
        const bool ofKind = s.action == Step::kBoxOf;
        if (ofKind || !s.text.empty()) {
          EXPECT_EQ(box.text, s.text);
        }
        if (ofKind) {
          EXPECT_EQ(box.stopIcon, s.control == Step::kStop);
          EXPECT_EQ(box.questionIcon, s.control == Step::kAsk);
          EXPECT_EQ(box.exclamationIcon, s.control == Step::kWarn);
          const std::vector<int> offered =
              s.control == Step::kAsk ? std::vector<int>{IDYES, IDNO} : std::vector<int>{IDOK};
          EXPECT_EQ(box.buttons, offered);
        }
        run.AnswerBox(s.value);
        break;
      }
      case Step::kQuiet:
        EXPECT_TRUE(run.IsActive(current));
        break;
      case Step::kLimit:
        EXPECT_EQ(current.TextLimit(s.control), s.value);
        break;
      case Step::kReturns:
        EXPECT_EQ(run.Result(), s.value);
        break;
      case Step::kPut:
        SendMessageA(current.Control(s.control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s.text.c_str()));
        break;
      case Step::kDo:
        s.act(run, current);
        break;
      case Step::kTextAnyCase:
        EXPECT_EQ(Upper(current.Text(s.control)), Upper(s.text));
        break;
      case Step::kDoubleClickText: {
        const std::vector<std::string> rows = current.ListItems(s.control);
        size_t row = 0;
        while (row < rows.size() && Upper(rows[row]) != Upper(s.text)) ++row;
        if (row == rows.size()) {
          ADD_FAILURE() << "no row " << s.text << " in " << ::testing::PrintToString(rows);
        } else {
          current.DoubleClickRow(s.control, static_cast<int>(row));
        }
        break;
      }
      case Step::kVisible:
        EXPECT_EQ(current.IsVisible(s.control), s.value != 0);
        break;
    }
    if (::testing::Test::HasFatalFailure()) break;
  }
  return current;
}

}  // namespace zvtest
