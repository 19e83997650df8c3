// Driving the module's real dialogs as a person at the screen would: the call
// that opens a modal dialog runs on a thread of its own while the test waits
// for each dialog or message box, reads and sets its controls and presses its
// buttons. Every wait fails the test after a timeout, and a run still open at
// its end is cancelled window by window, so a broken dialog never hangs the
// program. Also: WinHelp calls caught, and the module loaded by path.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/message_boxes.h"

namespace zvtest {

// One dialog on the screen. Actions return once the dialog has handled them
// or opened a modal window. Typing replaces an edit's text with EM_REPLACESEL
// (its limit holds, EN_CHANGE comes); a click toggles a check box and checks a
// radio button alone.
class Dialog {
 public:
  Dialog() = default;
  explicit Dialog(HWND window) : window_(window) {}
  HWND Handle() const { return window_; }
  HWND Control(int id) const;  // fails the test when the control is missing
  void SetText(int id, const std::string& text) const;
  LONG Style(int id) const { return GetWindowLongA(Control(id), GWL_STYLE); }
  void Click(int id) const;
  void Notify(int id, int code) const;  // a WM_COMMAND from the control

 private:
  HWND window_ = nullptr;
};

using Box = SeenBox;  // a message box as it was seen

class DialogRun {
 public:
  explicit DialogRun(std::function<int()> call);
  ~DialogRun();
  DialogRun(const DialogRun&) = delete;
  DialogRun& operator=(const DialogRun&) = delete;
  // The call's active dialog once it has this title; a box, recorded, and an
  // answer to it.
  Dialog WaitForDialog(const std::string& title, int timeoutMs = 10000);
  Box WaitForBox(int timeoutMs = 10000);
  void AnswerBox(int buttonId);
  const std::vector<Box>& Boxes() const { return boxes_; }
  bool IsActive(const Dialog& dialog);  // no box or sub-dialog in front of it
  int Result(int timeoutMs = 10000);    // once the call returned
  // Returns once the call's thread is back in its message loop with all
  // before handled (it took a posted marker), or has returned.
  void Settle();

 private:
  HWND ActiveWindow();
  HWND WaitFor(const std::string& title, int timeoutMs);
  static DWORD WINAPI Main(LPVOID self);
  std::function<int()> call_;
  HANDLE thread_ = nullptr, started_ = nullptr;
  DWORD threadId_ = 0;
  int result_ = -1;
  std::vector<Box> boxes_;
  HWND currentBox_ = nullptr;
};

// While it lives, this process's WinHelp calls reach a window of the class
// WinHelpA looks for and are recorded instead of starting a viewer. A Help
// button reaches it by a message between threads: a test waits for at least
// count calls, or the timeout.
struct HelpCall {
  UINT command;
  DWORD data;
  std::string file;
};
class HelpWatcher {
 public:
  HelpWatcher();
  ~HelpWatcher();
  std::vector<HelpCall> Calls() const { return WaitForCalls(0, 0); }
  std::vector<HelpCall> WaitForCalls(size_t count, int timeoutMs = 5000) const;

 private:
  static DWORD WINAPI Main(LPVOID self);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HANDLE thread_ = nullptr, ready_ = nullptr;
  HWND window_ = nullptr;
  std::vector<HelpCall> calls_;  // touched on the window's thread alone
};

// The DLL loaded from a path (the local or the English build) and its exports.
class ModuleUnderTest {
 public:
  explicit ModuleUnderTest(const char* path);
  ~ModuleUnderTest() { FreeLibrary(module_); }
  HMODULE Handle() const { return module_; }
  FARPROC Export(const char* name) const;

 private:
  HMODULE module_ = nullptr;
};

}  // namespace zvtest
