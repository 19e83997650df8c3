// A second driver process for the edit guard race: calls ZVEntryFormEditDlg
// of the module named on the command line while a thread of its own answers
// what the call shows: a box is read and confirmed, a dialog named and closed.
//   zv_edit_guard_racer <module> <device> <driver> <form id> <output file>
// The output gets "box:<text>" or "dialog:<title>" per window seen, then
// "result:<result> id:<form id>"; the exit code is the result (99: unusable).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "zvlmn30e.h"

namespace {

DWORD callThread = 0;
HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
std::string seen;
std::set<HWND> handled;

BOOL CALLBACK Answer(HWND window, LPARAM) {
  char text[512] = "";
  GetClassNameA(window, text, sizeof text);
  if (handled.count(window) || !IsWindowVisible(window) || std::string(text) != "#32770") return TRUE;
  handled.insert(window);
  GetWindowTextA(window, text, sizeof text);
  const bool box = std::string(text) == "Overlay";
  if (box) GetDlgItemTextA(window, 0xFFFF, text, sizeof text);  // the box's text control
  seen += (box ? "box:" : "dialog:") + std::string(text) + "\n";
  PostMessageA(window, WM_COMMAND, box ? IDOK : IDCANCEL, 0);
  return TRUE;
}

DWORD WINAPI Watch(LPVOID) {
  while (WaitForSingleObject(done, 20) == WAIT_TIMEOUT) EnumThreadWindows(callThread, Answer, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using EditFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*);
  HMODULE module = argc == 6 ? LoadLibraryA(argv[1]) : nullptr;
  FARPROC entry = module ? GetProcAddress(module, "ZVEntryFormEditDlg") : nullptr;
  if (!entry) return 99;
  callThread = GetCurrentThreadId();
  HANDLE watcher = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
  int32_t id = std::atoi(argv[4]);
  const int32_t result =
      reinterpret_cast<EditFunction>(reinterpret_cast<void*>(entry))(nullptr, nullptr, argv[2], argv[3], &id);
  SetEvent(done);
  WaitForSingleObject(watcher, INFINITE);
  FILE* out = std::fopen(argv[5], "w");
  if (!out) return 99;
  std::fprintf(out, "%sresult:%d id:%d\n", seen.c_str(), static_cast<int>(result), static_cast<int>(id));
  std::fclose(out);
  return result;
}
