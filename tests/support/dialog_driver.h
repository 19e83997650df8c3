// The module's real dialogs driven as a person would: the call runs on a thread of its own while the test
// waits for each dialog or box; every wait times out and a run left open is cancelled, so nothing hangs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/message_boxes.h"

namespace zvtest {

// A dialog on the screen; actions return once it handled them. Typing goes through EM_REPLACESEL (the
// limit holds, EN_CHANGE comes); a click toggles a check box and checks a radio button alone.
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

class DialogRun {
 public:
  explicit DialogRun(std::function<int()> call);
  ~DialogRun();
  DialogRun(const DialogRun&) = delete;
  DialogRun& operator=(const DialogRun&) = delete;
  // The call's active dialog once it has this title; a box, recorded, and an answer to it.
  Dialog WaitForDialog(const std::string& title, int timeoutMs = 10000);
  SeenBox WaitForBox(int timeoutMs = 10000);
  void AnswerBox(int buttonId);
  const std::vector<SeenBox>& Boxes() const { return boxes_; }
  bool IsActive(const Dialog& dialog);  // no box or sub-dialog in front of it
  int Result(int timeoutMs = 10000);    // once the call returned
  // Returns once the call's thread took a marker posted after all before, or has returned.
  void Settle();

 private:
  HWND ActiveWindow();
  HWND WaitFor(const std::string& title, int timeoutMs);
  static DWORD WINAPI Main(LPVOID self);
  std::function<int()> call_;
  HANDLE thread_ = nullptr, started_ = nullptr;
  DWORD threadId_ = 0;
  int result_ = -1;
  std::vector<SeenBox> boxes_;
  HWND currentBox_ = nullptr;
};

// While it lives, WinHelp calls reach a window of the class WinHelpA looks for and are recorded; a
// test waits for at least count calls (they come from another thread), or the timeout.
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
