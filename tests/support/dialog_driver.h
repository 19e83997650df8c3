// Driving the module's real dialogs by script, as a person at the screen
// would: the call that opens a modal dialog runs on the test's thread while
// a script on a second thread waits for each dialog or message box, reads
// and sets its controls and presses its buttons. Also: watching WinHelp.
//
//   zvtest::DialogRun run([&] { return ZVCreateFormDlg(...); });
//   zvtest::Dialog settings = run.WaitForDialog("Form Settings");
//   EXPECT_EQ(settings.ListItems(2312), (std::vector<std::string>{"INVOICE"}));
//   settings.Click(2313);                        // opens NEWFORM
//   zvtest::Dialog add = run.WaitForDialog("Add Form");
//   add.SetText(2100, "A/B");
//   add.Click(1);
//   EXPECT_EQ(run.WaitForBox().text, "Cannot use this form name. ...");
//   run.AnswerBox(IDOK);
//   add.Click(2);
//   settings.Click(2);
//   EXPECT_EQ(run.Result(), 0);
//
// Every wait fails the test after a timeout, and a run that is still open
// when it is destroyed (a failed script) is cancelled window by window, so
// that a broken dialog never hangs the test program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace zvtest {

// One dialog on the screen (a template of the module, a picker or a message
// box). Reads are made with SendMessage and return at once; actions that may
// open a modal window (Click, DoubleClickRow) return when the dialog has
// handled them or has opened that window.
class Dialog {
 public:
  Dialog() = default;
  explicit Dialog(HWND window) : window_(window) {}

  HWND Handle() const { return window_; }
  bool IsOpen() const;  // the window exists and is shown
  std::string Title() const;
  HWND Control(int id) const;  // fails the test when the control is missing

  std::string Text(int id) const;
  // Replaces the text as typing would: in an edit control the whole text is
  // selected and replaced (EM_REPLACESEL), so that the control's limit holds
  // and EN_CHANGE (or EN_MAXTEXT) reaches the dialog; other controls get
  // WM_SETTEXT.
  void SetText(int id, const std::string& text) const;
  int TextLimit(int id) const;  // EM_GETLIMITTEXT
  bool IsEnabled(int id) const;
  bool IsVisible(int id) const;
  bool IsChecked(int id) const;
  LONG Style(int id) const;

  // Clicks a push button, a check box (its check toggles first, as an auto
  // check box does) or a radio button (checked, its group's others not).
  void Click(int id) const;
  // A list box's or combo box's rows, and its selection (-1: none).
  std::vector<std::string> ListItems(int id) const;
  int ListSelection(int id) const;
  // Selects a row as a click would: LB_SETCURSEL, then LBN_SELCHANGE.
  void SelectRow(int id, int row) const;
  void DoubleClickRow(int id, int row) const;

 private:
  void Notify(int id, int code) const;
  HWND window_ = nullptr;
};

// A message box as it was seen.
struct Box {
  std::string text;
  std::string caption;
  std::vector<int> buttons;  // ids of the buttons offered, ascending
  bool stopIcon = false;
  bool questionIcon = false;
  HWND window = nullptr;
};

// Runs the call on a thread of its own, which owns every window that the
// call opens; the test body, between the constructor and Result, is the
// script.
class DialogRun {
 public:
  explicit DialogRun(std::function<int()> call);
  ~DialogRun();
  DialogRun(const DialogRun&) = delete;
  DialogRun& operator=(const DialogRun&) = delete;

  // Waits until the active window of the call (its enabled, shown top-level
  // window) has this title and returns it. Fails the test on timeout and
  // returns a Dialog whose IsOpen is false.
  Dialog WaitForDialog(const std::string& title, int timeoutMs = 10000);
  // The active window whatever its title (for the system's pickers).
  Dialog WaitForActive(int timeoutMs = 10000);
  // Waits for a message box (a dialog with the caption "Overlay" made by
  // MessageBoxA), records it and returns what it shows; AnswerBox presses
  // one of its buttons and waits until it is gone.
  Box WaitForBox(int timeoutMs = 10000);
  void AnswerBox(int buttonId);
  // The boxes seen so far, in order.
  const std::vector<Box>& Boxes() const { return boxes_; }
  // True when no modal window of the call is active besides `dialog`: no
  // box or sub-dialog appeared in front of it.
  bool IsActive(const Dialog& dialog);
  // Cancels every window the call still shows, front to back.
  void CancelAll();

  // Waits for the call to return and gives its result; fails the test (and
  // cancels every window left) when it does not return in time.
  int Result(int timeoutMs = 10000);

  // The call's thread id, for hooks.
  DWORD ThreadId() const { return threadId_; }

 private:
  HWND ActiveWindow();
  static DWORD WINAPI Main(LPVOID self);
  static LRESULT CALLBACK SeeMarker(int code, WPARAM wParam, LPARAM lParam);

 public:
  // Returns once the call's thread is back in a message loop (the dialog's,
  // or that of a box or dialog it opened) with everything before handled, or
  // has returned. A marker posted to the thread is seen when a loop takes it
  // from the queue; a handler that waits for another thread (WinHelp's
  // message to the help window) answers sent messages meanwhile, but takes
  // no posted ones, so the marker waits for the handler to finish.
  void Settle();

 private:
  std::function<int()> call_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE started_ = nullptr;
  HANDLE marker_ = nullptr;  // set when the last marker posted is taken
  volatile LONG markerSequence_ = 0;
  HHOOK markerHook_ = nullptr;
  int result_ = -1;
  bool finished_ = false;
  std::vector<Box> boxes_;
  HWND currentBox_ = nullptr;
};

// While it lives, WinHelp calls of this process reach a window of the class
// that WinHelpA looks for, and are recorded instead of starting a viewer.
struct HelpCall {
  UINT command;
  DWORD data;
  std::string file;
};
class HelpWatcher {
 public:
  HelpWatcher();
  ~HelpWatcher();
  HelpWatcher(const HelpWatcher&) = delete;
  HelpWatcher& operator=(const HelpWatcher&) = delete;
  std::vector<HelpCall> Calls() const;
  // The calls once there are at least count of them, or after the timeout.
  // A dialog's Help button reaches the help window by a message between
  // threads, during which the dialog already answers the test's messages:
  // so a test waits for the call rather than reading Calls at once.
  std::vector<HelpCall> WaitForCalls(size_t count, int timeoutMs = 5000) const;

 private:
  static DWORD WINAPI Main(LPVOID self);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  HWND window_ = nullptr;
  mutable CRITICAL_SECTION lock_;
  std::vector<HelpCall> calls_;
};

// The catalogue-level view of a module under test: loads the DLL from a
// path (the local or the English build) and finds its exports.
class ModuleUnderTest {
 public:
  explicit ModuleUnderTest(const char* path);
  ~ModuleUnderTest();
  HMODULE Handle() const { return module_; }
  FARPROC Export(const char* name) const;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace zvtest
