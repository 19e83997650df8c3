#include "dialog_script.h"

#include <vector>

namespace zvshots {
namespace {

constexpr int kPollMs = 20;
constexpr UINT kSettleMs = 5000;

struct Shown {
  std::vector<HWND> windows;
};

BOOL CALLBACK CollectShown(HWND window, LPARAM param) {
  if (IsWindowVisible(window)) reinterpret_cast<Shown*>(param)->windows.push_back(window);
  return TRUE;
}

bool IsDialogWindow(HWND window) {
  char name[16] = "";
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, "#32770") == 0;
}

}  // namespace

void Settle(HWND window) {
  for (UINT waited = 0; waited < kSettleMs; waited += 100) {
    if (!IsWindow(window)) return;
    DWORD_PTR ignored;
    if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 100, &ignored)) return;
  }
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ToggleCheckBox(HWND dialog, int id) {
  HWND box = GetDlgItem(dialog, id);
  const bool checked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  SendMessageA(box, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
  Press(dialog, id);
}

CallThread::CallThread(std::function<int()> call) : call_(std::move(call)) {
  started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Main, this, 0, &threadId_);
  WaitForSingleObject(started_, INFINITE);
}

CallThread::~CallThread() {
  if (!Finished()) CancelAll();
  CloseHandle(thread_);
  CloseHandle(started_);
}

DWORD WINAPI CallThread::Main(LPVOID self) {
  CallThread* call = static_cast<CallThread*>(self);
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);  // a queue before anyone looks
  SetEvent(call->started_);
  call->result_ = call->call_();
  return 0;
}

bool CallThread::Finished() const {
  return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
}

HWND CallThread::ActiveDialog() const {
  Shown shown;
  EnumThreadWindows(threadId_, CollectShown, reinterpret_cast<LPARAM>(&shown));
  // A modal window disables its owner: the enabled one is in front.
  for (HWND window : shown.windows) {
    if (IsWindowEnabled(window) && IsDialogWindow(window)) return window;
  }
  return nullptr;
}

HWND CallThread::WaitForDialogWith(int controlId, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += kPollMs) {
    if (HWND window = ActiveDialog()) {
      if (GetDlgItem(window, controlId)) {
        Settle(window);
        return window;
      }
    }
    if (Finished()) return nullptr;
    Sleep(kPollMs);
  }
  return nullptr;
}

std::string CallThread::DescribeActive() const {
  HWND window = ActiveDialog();
  if (!window) return Finished() ? "(the call has returned)" : "(no dialog is active)";
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  std::string description = std::string("\"") + text + "\"";
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    GetWindowTextA(c, text, sizeof text);
    if (text[0] && IsWindowVisible(c)) description += std::string(" [") + text + "]";
  }
  return description;
}

bool CallThread::Finish(int timeoutMs) {
  return WaitForSingleObject(thread_, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

void CallThread::CancelAll() {
  for (int attempt = 0; attempt < 200 && !Finished(); ++attempt) {
    if (HWND window = ActiveDialog()) {
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
    Sleep(50);
  }
  WaitForSingleObject(thread_, 5000);
}

}  // namespace zvshots
