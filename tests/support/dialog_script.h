// Dialog scripts as data: what a person does in the module's dialogs and
// what they see, one step per row, run by RunScript against a DialogRun.
//
//   zvtest::DialogRun run([&] { return ZVCreateFormDlg(...); });
//   zvtest::RunScript(run, {
//       Wait("Form Settings"), Rows(2312, {"INVOICE"}), Click(2313),
//       Wait("Add Form"), Type(2100, "A/B"), Click(IDOK),
//       SeeBox("Cannot use this form name. ...", IDOK),
//       Click(IDCANCEL), Wait("Form Settings"), Click(IDCANCEL), Returns(0)});
//
// Each step names the control it acts on or reads, in the dialog of the last
// Wait; a failed expectation names the step's index and what it is.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/dialog_driver.h"

namespace zvtest {

struct Step {
  enum Action {
    kWait,         // text: the dialog's title
    kType,         // control, text
    kClick,        // control
    kSelect,       // control, value: the row
    kDoubleClick,  // control, value: the row
    kText,         // control, text: what it shows
    kRows,         // control, rows: a list's or combo box's rows
    kSelected,     // control, value: the selected row (-1: none)
    kEnabled,      // control, value: 1 enabled, 0 disabled
    kChecked,      // control, value: 1 checked, 0 not
    kBox,          // text: the box's text ("" for any), value: the button pressed
    kQuiet,        // no box or sub-dialog in front of the current dialog
    kReturns,      // value: what the call returned
    kVisible,      // control, value: 1 shown, 0 hidden
    kBoxOf,        // text: the box's text; control: its kind (kStop, kAsk, kWarn); value: the button pressed
    kLimit,        // control, value: an edit control's text limit
    kTextAnyCase,  // control, text: what it shows, letter case aside (Windows names)
    kDoubleClickText,  // control, text: the row, letter case aside
    kPut,              // control, text: put in as a program would (WM_SETTEXT, past the limit)
    kDo,               // act: anything done between two steps, on the current dialog
  };
  // The kinds of box kBoxOf expects: a stop icon and OK alone, a question
  // with Yes and No, an exclamation icon and OK alone.
  enum BoxKind { kStop = 1, kAsk, kWarn };
  Action action;
  int control = 0;
  std::string text;
  int value = 0;
  std::vector<std::string> rows;
  std::function<void(DialogRun&, const Dialog&)> act;
};

inline Step Wait(const std::string& title) {
  return {Step::kWait, 0, title};
}
inline Step Type(int control, const std::string& text) {
  return {Step::kType, control, text};
}
inline Step Click(int control) {
  return {Step::kClick, control};
}
inline Step Select(int control, int row) {
  return {Step::kSelect, control, "", row};
}
inline Step DoubleClick(int control, int row) {
  return {Step::kDoubleClick, control, "", row};
}
inline Step Shows(int control, const std::string& text) {
  return {Step::kText, control, text};
}
inline Step Rows(int control, std::vector<std::string> rows) {
  return {Step::kRows, control, "", 0, rows};
}
inline Step Selected(int control, int row) {
  return {Step::kSelected, control, "", row};
}
inline Step Enabled(int control, bool enabled = true) {
  return {Step::kEnabled, control, "", enabled};
}
inline Step Checked(int control, bool checked = true) {
  return {Step::kChecked, control, "", checked};
}
inline Step SeeBox(const std::string& text, int button) {
  return {Step::kBox, 0, text, button};
}
inline Step Quiet() {
  return {Step::kQuiet};
}
inline Step Returns(int result) {
  return {Step::kReturns, 0, "", result};
}
inline Step Visible(int control, bool shown = true) {
  return {Step::kVisible, control, "", shown};
}
// A refusal (stop box, OK), a question answered with button, a warning (OK).
inline Step Refused(const std::string& text) {
  return {Step::kBoxOf, Step::kStop, text, IDOK};
}
inline Step Asked(const std::string& text, int button) {
  return {Step::kBoxOf, Step::kAsk, text, button};
}
inline Step Warned(const std::string& text) {
  return {Step::kBoxOf, Step::kWarn, text, IDOK};
}
inline Step Limit(int control, int limit) {
  return {Step::kLimit, control, "", limit};
}
inline Step ShowsAnyCase(int control, const std::string& text) {
  return {Step::kTextAnyCase, control, text};
}
inline Step DoubleClickOn(int control, const std::string& row) {
  return {Step::kDoubleClickText, control, row};
}
inline Step Put(int control, const std::string& text) {
  return {Step::kPut, control, text};
}
inline Step Do(std::function<void(DialogRun&, const Dialog&)> act) {
  return {Step::kDo, 0, "", 0, {}, act};
}

// Runs the steps in order; the dialog of the last Wait is the current one.
// Returns that dialog, for checks the steps cannot express.
Dialog RunScript(DialogRun& run, const std::vector<Step>& steps);

}  // namespace zvtest
