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
bool IsClass(HWND window, const char* name) {
  char found[64] = "";
  GetClassNameA(window, found, sizeof found);
  return _stricmp(found, name) == 0;
}

BOOL CALLBACK ReadControl(HWND child, LPARAM param) {
  SeenBox* box = reinterpret_cast<SeenBox*>(param);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  char text[1024] = "";
  if ((style & WS_VISIBLE) && IsClass(child, "Button")) box->buttons.push_back(GetDlgCtrlID(child));
  if (!(style & WS_VISIBLE) || !IsClass(child, "Static")) return TRUE;
  if ((style & SS_TYPEMASK) == SS_ICON) {  // the stop icon is the system's hand icon
    const HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    box->stopIcon |= icon && icon == LoadIconA(nullptr, IDI_HAND);
  } else if (GetWindowTextA(child, text, sizeof text) && box->text.empty()) {
    box->text = text;
  }
  return TRUE;
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  HWND box = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && g_watcher && IsClass(box, "#32770")) {
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
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
#else
// The buttons of each MessageBoxA button style, as ids.
const std::vector<int> kButtons[] = {
    {kIdOk}, {kIdOk, kIdCancel}, {3, 4, 5}, {kIdCancel, kIdYes, kIdNo}, {kIdYes, kIdNo}, {kIdCancel, 4}};
#endif

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(std::vector<int> answers) : answers_(std::move(answers)) {
  if (answers_.empty()) answers_.push_back(kIdCancel);
  g_watcher = this;
#ifdef _WIN32
  hook_ = SetWindowsHookExA(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
#else
  plat::posix::SetMessageBoxAnswerer([this](const plat::posix::MessageBoxRecord& r) {
    const size_t style = r.style & 0xF;
    Record(SeenBox{r.text, r.caption, style < 6 ? kButtons[style] : std::vector<int>{},
                   (r.style & 0xF0) == 0x10});
    return Answer();
  });
#endif
}

int MessageBoxWatcher::Answer() const {
  return answers_[std::min(boxes_.empty() ? 0 : boxes_.size() - 1, answers_.size() - 1)];
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
