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
BOOL CALLBACK ReadControl(HWND child, LPARAM param) {
  SeenBox* box = reinterpret_cast<SeenBox*>(param);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  const HICON icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  auto is = [icon](LPCSTR id) { return icon && icon == LoadIconA(nullptr, id); };
  if ((style & WS_VISIBLE) == 0) return TRUE;
  if (IsClass(child, "Button")) {
    box->buttons.push_back(GetDlgCtrlID(child));
  } else if (IsClass(child, "Static") && (style & SS_TYPEMASK) == SS_ICON) {
    box->stopIcon |= is(IDI_HAND);
    box->questionIcon |= is(IDI_QUESTION);
    box->exclamationIcon |= is(IDI_EXCLAMATION);
  } else if (IsClass(child, "Static") && box->text.empty()) {
    box->text = WindowText(child);
  }
  return TRUE;
}

LRESULT CALLBACK WatchBoxes(int code, WPARAM wParam, LPARAM lParam) {
  HWND box = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE && g_watcher && IsClass(box, "#32770")) {
    g_watcher->Record(ReadBox(box));
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

#ifdef _WIN32
std::string WindowText(void* window) {
  char text[1024] = "";
  SendMessageTimeoutA(static_cast<HWND>(window), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_NORMAL, 10000, nullptr);
  return text;
}

bool IsClass(void* window, const char* name) {
  char found[64] = "";
  GetClassNameA(static_cast<HWND>(window), found, sizeof found);
  return _stricmp(found, name) == 0;
}

SeenBox ReadBox(void* window) {
  SeenBox box;
  box.caption = WindowText(window);
  EnumChildWindows(static_cast<HWND>(window), ReadControl, reinterpret_cast<LPARAM>(&box));
  std::sort(box.buttons.begin(), box.buttons.end());
  return box;
}
#endif

MessageBoxWatcher::MessageBoxWatcher(std::vector<int> answers) : answers_(std::move(answers)) {
  if (answers_.empty()) answers_.push_back(kIdCancel);
  g_watcher = this;
#ifdef _WIN32
  hook_ = SetWindowsHookExA(WH_CBT, WatchBoxes, nullptr, GetCurrentThreadId());
#else
  plat::posix::SetMessageBoxAnswerer([this](const plat::posix::MessageBoxRecord& r) {
    const size_t style = r.style & 0xF, icon = r.style & 0xF0;
    Record(SeenBox{r.text, r.caption, style < 6 ? kButtons[style] : std::vector<int>{}, icon == 0x10,
                   icon == 0x20, icon == 0x30});
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
