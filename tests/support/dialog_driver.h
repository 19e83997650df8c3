// Driving the module's real dialogs as a person at the screen would: the call
// that opens a modal dialog runs on a thread of its own while the test waits
// for each dialog or message box, reads and sets its controls and presses its
// buttons. Every wait fails the test after a timeout, and a run still open when
// it is destroyed is cancelled window by window, so a broken dialog never hangs
// the program. Also: WinHelp calls caught, and the module loaded by path.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace zvtest {

// One dialog on the screen. Reads return at once; actions return once the
// dialog has handled them or has opened a modal window.
class Dialog {
 public:
  Dialog() = default;
  explicit Dialog(HWND window) : window_(window) {}
  HWND Handle() const { return window_; }
  bool IsOpen() const;
  std::string Title() const;
  HWND Control(int id) const;  // fails the test when the control is missing
  std::string Text(int id) const;
  // Typing: an edit's whole text is replaced with EM_REPLACESEL, so that its
  // limit holds and EN_CHANGE reaches the dialog; other controls WM_SETTEXT.
  void SetText(int id, const std::string& text) const;
  int TextLimit(int id) const;
  bool IsEnabled(int id) const;
  bool IsVisible(int id) const;
  bool IsChecked(int id) const;
  LONG Style(int id) const;
  // A push button, a check box (toggled first) or a radio button (checked,
  // the others of its group not).
  void Click(int id) const;
  std::vector<std::string> ListItems(int id) const;  // a list's or combo box's rows
  int ListSelection(int id) const;                   // -1: none
  void SelectRow(int id, int row) const;             // then LBN_SELCHANGE / CBN_SELCHANGE
  void DoubleClickRow(int id, int row) const;

 private:
  void Notify(int id, int code) const;
  HWND window_ = nullptr;
};

// A message box (caption "Overlay") as it was seen.
struct Box {
  std::string text, caption;
  std::vector<int> buttons;  // ascending
  bool stopIcon = false, questionIcon = false, exclamationIcon = false;
  HWND window = nullptr;
};

class DialogRun {
 public:
  explicit DialogRun(std::function<int()> call);
  ~DialogRun();
  DialogRun(const DialogRun&) = delete;
  DialogRun& operator=(const DialogRun&) = delete;

  // The call's active dialog once it has this title (fails the test on
  // timeout and returns a Dialog that is not open), or whatever its title.
  Dialog WaitForDialog(const std::string& title, int timeoutMs = 10000);
  Dialog WaitForActive(int timeoutMs = 10000);
  // A message box, recorded; AnswerBox presses a button and waits it out.
  Box WaitForBox(int timeoutMs = 10000);
  void AnswerBox(int buttonId);
  const std::vector<Box>& Boxes() const { return boxes_; }
  // No box or sub-dialog is in front of `dialog`.
  bool IsActive(const Dialog& dialog);
  int Result(int timeoutMs = 10000);  // the call's result once it returned
  DWORD ThreadId() const { return threadId_; }
  // Returns once the call's thread is back in a message loop with all before
  // handled (a posted marker is taken), or has returned.
  void Settle();

 private:
  HWND ActiveWindow();
  HWND WaitFor(const std::string* title, const char* what, int timeoutMs);
  void CancelAll();
  static DWORD WINAPI Main(LPVOID self);
  static LRESULT CALLBACK SeeMarker(int code, WPARAM wParam, LPARAM lParam);
  std::function<int()> call_;
  HANDLE thread_ = nullptr, started_ = nullptr, marker_ = nullptr;
  DWORD threadId_ = 0;
  volatile LONG markerSequence_ = 0;
  HHOOK markerHook_ = nullptr;
  int result_ = -1;
  std::vector<Box> boxes_;
  HWND currentBox_ = nullptr;
};

// While it lives, this process's WinHelp calls reach a window of the class
// WinHelpA looks for and are recorded instead of starting a viewer.
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
  // A Help button reaches the help window by a message between threads, so
  // a test waits for the calls: at least count of them, or the timeout.
  std::vector<HelpCall> WaitForCalls(size_t count, int timeoutMs = 5000) const;

 private:
  static DWORD WINAPI Main(LPVOID self);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HANDLE thread_ = nullptr, ready_ = nullptr;
  HWND window_ = nullptr;
  mutable CRITICAL_SECTION lock_;
  std::vector<HelpCall> calls_;
};

// The DLL loaded from a path (the local or the English build) and its exports.
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
