#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix/posix_config.h"
#endif

#include <algorithm>

#include "support/message_boxes.h"

namespace zvtest {
namespace {

MessageBoxWatcher* g_watcher = nullptr;

#ifdef _WIN32
std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK ReadControl(HWND child, LPARAM param) {
  SeenBox* box = reinterpret_cast<SeenBox*>(param);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if ((style & WS_VISIBLE) == 0) return TRUE;
  const std::string type = ClassOf(child);
  if (_stricmp(type.c_str(), "Button") == 0) {
    box->buttons.push_back(GetDlgCtrlID(child));
  } else if (_stricmp(type.c_str(), "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      // The stop icon is the system's hand icon.
      const HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      if (icon && icon == LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND))) box->stopIcon = true;
    } else {
      char text[1024] = "";
      GetWindowTextA(child, text, sizeof text);
      if (text[0] && box->text.empty()) box->text = text;
    }
  }
  return TRUE;
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && g_watcher) {
    HWND box = reinterpret_cast<HWND>(wParam);
    if (ClassOf(box) == "#32770") {
      SeenBox seen{};
      char caption[256] = "";
      GetWindowTextA(box, caption, sizeof caption);
      seen.caption = caption;
      EnumChildWindows(box, ReadControl, reinterpret_cast<LPARAM>(&seen));
      std::sort(seen.buttons.begin(), seen.buttons.end());
      g_watcher->Record(seen);
      const int answer = g_watcher->Answer();
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
#else
// The buttons of a MessageBoxA style, as ids.
std::vector<int> ButtonsOf(uint32_t style) {
  switch (style & 0xF) {
    case 0:
      return {kIdOk};
    case 1:
      return {kIdOk, kIdCancel};
    case 2:
      return {3, 4, 5};
    case 3:
      return {kIdCancel, kIdYes, kIdNo};
    case 4:
      return {kIdYes, kIdNo};
    case 5:
      return {kIdCancel, 4};
    default:
      return {};
  }
}
#endif

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(int answer) : answers_{answer} {
  Start();
}

MessageBoxWatcher::MessageBoxWatcher(std::vector<int> answers) : answers_(std::move(answers)) {
  if (answers_.empty()) answers_.push_back(kIdCancel);
  Start();
}

int MessageBoxWatcher::Answer() const {
  const size_t shown = boxes_.empty() ? 0 : boxes_.size() - 1;
  return answers_[std::min(shown, answers_.size() - 1)];
}

void MessageBoxWatcher::Start() {
  g_watcher = this;
#ifdef _WIN32
  hook_ = SetWindowsHookExA(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
#else
  plat::posix::SetMessageBoxAnswerer([this](const plat::posix::MessageBoxRecord& r) {
    const uint32_t icon = r.style & 0xF0;
    Record(SeenBox{r.text, r.caption, ButtonsOf(r.style), icon == 0x10});
    return Answer();
  });
#endif
}

MessageBoxWatcher::~MessageBoxWatcher() {
#ifdef _WIN32
  if (hook_) UnhookWindowsHookEx(static_cast<HHOOK>(hook_));
#else
  plat::posix::SetMessageBoxAnswerer(nullptr);
#endif
  g_watcher = nullptr;
}

}  // namespace zvtest
