#include "support/dialog_driver.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zvtest {
namespace {

constexpr int kPollMs = 10, kTimeoutMs = 10000;
constexpr int kSettleMs = 30000;  // a long list filled under load takes its time
constexpr UINT kMarkerMessage = WM_APP + 0x5A, kCopyCalls = WM_APP + 0x5B;
HelpWatcher* g_help = nullptr;  // the one watcher alive

// Hooked into every dialog thread: a marker names the event to set once the
// thread takes it from its queue.
LRESULT CALLBACK SeeMarker(int code, WPARAM wParam, LPARAM lParam) {
  const MSG* message = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && wParam == PM_REMOVE && message->message == kMarkerMessage && !message->hwnd)
    SetEvent(reinterpret_cast<HANDLE>(message->lParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A handler that waits for another thread (WinHelp's message to the help
// window) answers sent messages meanwhile but takes no posted ones, so the
// posted marker waits for the handler to finish. A marker that comes too late
// finds its event left open.
void SettleThread(DWORD threadId) {
  HANDLE waits[] = {CreateEventA(nullptr, TRUE, FALSE, nullptr), OpenThread(SYNCHRONIZE, FALSE, threadId)};
  if (PostThreadMessageA(threadId, kMarkerMessage, 0, reinterpret_cast<LPARAM>(waits[0])) &&
      WaitForMultipleObjects(2, waits, FALSE, kSettleMs) == WAIT_TIMEOUT) {
    // The event stays open: the marker still names it.
    ADD_FAILURE() << "the dialog thread did not come back to its message loop";
    CloseHandle(waits[1]);
    return;
  }
  for (HANDLE handle : waits) CloseHandle(handle);
}

}  // namespace

HWND Dialog::Control(int id) const {
  HWND control = window_ ? GetDlgItem(window_, id) : nullptr;
  if (!control) ADD_FAILURE() << "dialog \"" << WindowText(window_) << "\" has no control " << id;
  return control;
}

void Dialog::SetText(int id, const std::string& text) const {
  HWND control = Control(id);
  const bool edit = control && IsClass(control, "Edit");
  if (edit) SendMessageA(control, EM_SETSEL, 0, -1);
  if (control)
    SendMessageA(control, edit ? EM_REPLACESEL : WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SettleThread(GetWindowThreadProcessId(window_, nullptr));
}

void Dialog::Notify(int id, int code) const {
  // The thread is asked for first: the command may close the window.
  const DWORD thread = GetWindowThreadProcessId(window_, nullptr);
  SendNotifyMessageA(window_, WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
  SettleThread(thread);
}

void Dialog::Click(int id) const {
  HWND control = Control(id);
  if (!control) return;
  if (!IsWindowEnabled(control)) {
    ADD_FAILURE() << "control " << id << " of \"" << WindowText(window_) << "\" is disabled";
    return;
  }
  auto kind = [](HWND w) { return GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK; };
  auto radio = [&](HWND w) { return kind(w) == BS_RADIOBUTTON || kind(w) == BS_AUTORADIOBUTTON; };
  if (kind(control) == BS_CHECKBOX || kind(control) == BS_AUTOCHECKBOX) {
    const bool ticked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageA(control, BM_SETCHECK, ticked ? BST_UNCHECKED : BST_CHECKED, 0);
  } else if (radio(control)) {
    for (HWND other = GetNextDlgGroupItem(window_, control, FALSE); other && other != control;
         other = GetNextDlgGroupItem(window_, other, FALSE))
      if (radio(other)) SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
  }
  Notify(id, BN_CLICKED);
}

DialogRun::DialogRun(std::function<int()> call) : call_(std::move(call)) {
  started_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Main, this, 0, &threadId_);
  WaitForSingleObject(started_, INFINITE);
}

DWORD WINAPI DialogRun::Main(LPVOID self) {
  DialogRun* run = static_cast<DialogRun*>(self);
  MSG message;  // a message queue before anyone waits for windows of this thread
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, SeeMarker, nullptr, GetCurrentThreadId());
  SetEvent(run->started_);
  run->result_ = run->call_();
  UnhookWindowsHookEx(hook);
  return 0;
}

void DialogRun::Settle() {
  SettleThread(threadId_);
}

DialogRun::~DialogRun() {
  if (WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT)
    ADD_FAILURE() << "the dialog call was still open at the end";
  // Cancels every window the call still shows, front to back.
  for (int attempt = 0; attempt < 200 && WaitForSingleObject(thread_, 0) == WAIT_TIMEOUT; ++attempt) {
    if (HWND window = ActiveWindow()) {
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      PostMessageA(window, WM_CLOSE, 0, 0);
    }
    Sleep(50);
  }
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(started_);
}

// The enabled dialog of the call's thread: a modal window disables its owner.
HWND DialogRun::ActiveWindow() {
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w;
       w = FindWindowExA(nullptr, w, "#32770", nullptr))
    if (GetWindowThreadProcessId(w, nullptr) == threadId_ && IsWindowVisible(w) && IsWindowEnabled(w))
      return w;
  return nullptr;
}

HWND DialogRun::WaitFor(const std::string& title, int timeoutMs) {
  std::string last;
  for (int waited = 0; waited <= timeoutMs; waited += kPollMs) {
    HWND window = ActiveWindow();
    last = window ? WindowText(window) : "";
    if (window && last == title) {
      Settle();
      return window;
    }
    if (WaitForSingleObject(thread_, kPollMs) == WAIT_OBJECT_0) {
      last = "(the call returned)";
      break;
    }
  }
  ADD_FAILURE() << "\"" << title << "\" did not appear; active: \"" << last << "\"";
  return nullptr;
}

Dialog DialogRun::WaitForDialog(const std::string& title, int timeoutMs) {
  return Dialog(WaitFor(title, timeoutMs));
}

SeenBox DialogRun::WaitForBox(int timeoutMs) {
  currentBox_ = WaitFor("Overlay", timeoutMs);  // the caption of every box
  if (!currentBox_) return SeenBox{};
  boxes_.push_back(ReadBox(currentBox_));
  return boxes_.back();
}

void DialogRun::AnswerBox(int buttonId) {
  HWND box = currentBox_;
  currentBox_ = nullptr;
  if (!box) {
    ADD_FAILURE() << "no message box to answer";
    return;
  }
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
  for (int waited = 0; waited <= kTimeoutMs; waited += kPollMs, Sleep(kPollMs))
    if (!IsWindow(box) || !IsWindowVisible(box)) {
      Settle();  // the owner goes on
      return;
    }
  ADD_FAILURE() << "the message box did not close on button " << buttonId;
}

bool DialogRun::IsActive(const Dialog& dialog) {
  Settle();
  return dialog.Handle() && ActiveWindow() == dialog.Handle();
}

int DialogRun::Result(int timeoutMs) {
  if (WaitForSingleObject(thread_, static_cast<DWORD>(timeoutMs)) == WAIT_TIMEOUT)
    ADD_FAILURE() << "the dialog call did not return; still open: \"" << WindowText(ActiveWindow()) << "\"";
  return result_;
}

#pragma pack(push, 1)
struct WinHelpRequest {  // what WinHelpA hands the help viewer in WM_COPYDATA
  WORD size, command;
  LONG data, reserved;
  WORD fileOffset, dataOffset;
};
#pragma pack(pop)

HelpWatcher::HelpWatcher() {
  g_help = this;
  ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  thread_ = CreateThread(nullptr, 0, Main, this, 0, nullptr);
  WaitForSingleObject(ready_, INFINITE);
  if (!window_) ADD_FAILURE() << "the help window could not be made";
}

HelpWatcher::~HelpWatcher() {
  PostMessageA(window_, WM_CLOSE, 0, 0);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(ready_);
  g_help = nullptr;
}

DWORD WINAPI HelpWatcher::Main(LPVOID self) {
  HelpWatcher* watcher = static_cast<HelpWatcher*>(self);
  const WNDCLASSA windowClass{0, Procedure, 0, 0, GetModuleHandleA(nullptr), 0, 0, 0, 0, "MS_WINHELP"};
  RegisterClassA(&windowClass);
  watcher->window_ =
      CreateWindowA("MS_WINHELP", "help", WS_POPUP, 0, 0, 1, 1, 0, 0, windowClass.hInstance, 0);
  SetEvent(watcher->ready_);
  MSG message;
  while (watcher->window_ && GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  UnregisterClassA("MS_WINHELP", GetModuleHandleA(nullptr));
  return 0;
}

LRESULT CALLBACK HelpWatcher::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  HelpWatcher* watcher = g_help;
  auto data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (message == WM_COPYDATA && data && data->lpData && data->cbData >= sizeof(WinHelpRequest)) {
    auto request = static_cast<const WinHelpRequest*>(data->lpData);
    const char* file = static_cast<const char*>(data->lpData) + request->fileOffset;
    const bool named = request->fileOffset && request->fileOffset < data->cbData;
    watcher->calls_.push_back(
        {request->command, static_cast<DWORD>(request->data),
         named ? std::string(file, strnlen(file, data->cbData - request->fileOffset)) : ""});
    return TRUE;
  }
  if (message == kCopyCalls) *reinterpret_cast<std::vector<HelpCall>*>(lParam) = watcher->calls_;
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<HelpCall> HelpWatcher::WaitForCalls(size_t count, int timeoutMs) const {
  std::vector<HelpCall> calls;
  for (int waited = 0;; waited += kPollMs, Sleep(kPollMs)) {
    SendMessageA(window_, kCopyCalls, 0, reinterpret_cast<LPARAM>(&calls));
    if (calls.size() >= count || waited >= timeoutMs) return calls;
  }
}

ModuleUnderTest::ModuleUnderTest(const char* path) : module_(LoadLibraryA(path)) {
  if (!module_) ADD_FAILURE() << "cannot load " << path << " (error " << GetLastError() << ")";
}

FARPROC ModuleUnderTest::Export(const char* name) const {
  FARPROC entry = module_ ? GetProcAddress(module_, name) : nullptr;
  if (!entry) ADD_FAILURE() << "the module does not export " << name;
  return entry;
}

}  // namespace zvtest
