// Dialog scripts as data: what a person does in the module's dialogs and what
// they see, one step per row, run by RunScript against a DialogRun:
//   RunScript(run, {Wait("Add Form"), Type(2100, "A/B"), Click(IDOK), Refused("..."), Returns(0)});
// Each step acts on or reads a control of the dialog of the last Wait; a failed
// expectation names the step's index.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "support/dialog_driver.h"

namespace zvtest {

struct Step {
  // kBoxOf: a box of the kind in control (kStop: stop icon and OK, kAsk:
  // question and Yes/No, kWarn: exclamation and OK) with the text, value the
  // button pressed; kPut sets a text as a program would (past the limit);
  // kTextCase and kClickText ignore letter case.
  static constexpr int kWait = 0, kType = 1, kClick = 2, kSelect = 3, kText = 4, kRows = 5, kSelected = 6,
                       kEnabled = 7, kChecked = 8, kQuiet = 9, kReturns = 10, kVisible = 11, kBoxOf = 12,
                       kLimit = 13, kTextCase = 14, kClickText = 15, kPut = 16, kDo = 17;
  enum BoxKind { kStop = 1, kAsk, kWarn };
  int action;
  int control = 0;
  std::string text;
  int value = 0;
  std::vector<std::string> rows;
  std::function<void(DialogRun&, const Dialog&)> act;
};

inline const auto Wait = [](const std::string& title) { return Step{Step::kWait, 0, title}; };
inline const auto Type = [](int id, const std::string& text) { return Step{Step::kType, id, text}; };
inline const auto Click = [](int id) { return Step{Step::kClick, id}; };
inline const auto Select = [](int id, int row) { return Step{Step::kSelect, id, "", row}; };
inline const auto Shows = [](int id, const std::string& text) { return Step{Step::kText, id, text}; };
inline const auto Rows = [](int id, std::vector<std::string> r) { return Step{Step::kRows, id, "", 0, r}; };
inline const auto Selected = [](int id, int row) { return Step{Step::kSelected, id, "", row}; };
inline const auto Enabled = [](int id, bool on = true) { return Step{Step::kEnabled, id, "", on}; };
inline const auto Checked = [](int id, bool on = true) { return Step{Step::kChecked, id, "", on}; };
inline const auto Quiet = [] { return Step{Step::kQuiet}; };
inline const auto Returns = [](int result) { return Step{Step::kReturns, 0, "", result}; };
inline const auto Visible = [](int id, bool on = true) { return Step{Step::kVisible, id, "", on}; };
inline const auto Refused = [](const std::string& t) { return Step{Step::kBoxOf, Step::kStop, t, IDOK}; };
inline const auto Asked = [](const std::string& t, int b) { return Step{Step::kBoxOf, Step::kAsk, t, b}; };
inline const auto Warned = [](const std::string& t) { return Step{Step::kBoxOf, Step::kWarn, t, IDOK}; };
inline const auto Limit = [](int id, int limit) { return Step{Step::kLimit, id, "", limit}; };
inline const auto ShowsAnyCase = [](int id, const std::string& t) { return Step{Step::kTextCase, id, t}; };
inline const auto DoubleClickOn = [](int id, const std::string& t) { return Step{Step::kClickText, id, t}; };
inline const auto Put = [](int id, const std::string& text) { return Step{Step::kPut, id, text}; };
inline const auto Do = [](std::function<void(DialogRun&, const Dialog&)> act) {
  return Step{Step::kDo, 0, "", 0, {}, std::move(act)};
};

// Runs the steps in order and returns the dialog of the last Wait.
Dialog RunScript(DialogRun& run, const std::vector<Step>& steps);

}  // namespace zvtest
