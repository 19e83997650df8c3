// Driving the module's dialogs for the screenshots: the call that opens a
// modal dialog runs on a thread of its own while the program's main thread
// waits for each dialog, presses its buttons and takes its picture.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zvshots {

class CallThread {
 public:
  explicit CallThread(std::function<int()> call);
  ~CallThread();  // cancels whatever the call still shows
  CallThread(const CallThread&) = delete;
  CallThread& operator=(const CallThread&) = delete;

  // The call's active dialog (its shown, enabled dialog window) once it holds
  // a control with this id; null when none appeared in time or the call
  // returned first.
  HWND WaitForDialogWith(int controlId, int timeoutMs = 10000);
  // Waits for the call to return; false on timeout.
  bool Finish(int timeoutMs = 10000);
  // Cancels the call's windows front to back until it returns.
  void CancelAll();
  bool Finished() const;
  // The title and texts of the call's active dialog, for reports.
  std::string DescribeActive() const;
  int Result() const { return result_; }

 private:
  static DWORD WINAPI Main(LPVOID self);
  HWND ActiveDialog() const;

  std::function<int()> call_;
  HANDLE thread_ = nullptr;
  HANDLE started_ = nullptr;
  DWORD threadId_ = 0;
  int result_ = -1;
};

// Returns once the window's thread has handled everything sent to it.
void Settle(HWND window);
// A click on a button of the dialog, as its procedure sees it.
void Press(HWND dialog, int id);
// A click on an auto check box: its check toggles, then the dialog hears it.
void ToggleCheckBox(HWND dialog, int id);

}  // namespace zvshots
