// A second driver process for the edit guard race: loads the module named on
// the command line and calls ZVEntryFormEditDlg, while a watcher thread of
// its own answers whatever the call shows on this thread: a message box is
// read and confirmed, the edit form dialog is named and closed.
//
//   zv_edit_guard_racer <module> <device> <driver> <form id> <output file>
//
// The output file (and standard output) get one line per window seen ("box:<text>",
// "dialog:<title>") and a last line "result:<result> id:<form id>"; the exit
// code is the call's result (or 99 when the module cannot be used).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "zvlmn30e.h"

namespace {

using EditFunction = int32_t(ZVAPI*)(void*, const void*, const char*, const char*, int32_t*);

struct Watch {
  DWORD thread = 0;
  HANDLE done = nullptr;
  std::vector<std::string> lines;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
  reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

DWORD WINAPI WatchThread(LPVOID parameter) {
  Watch* watch = static_cast<Watch*>(parameter);
  std::set<HWND> handled;
  while (WaitForSingleObject(watch->done, 20) == WAIT_TIMEOUT) {
    std::vector<HWND> windows;
    EnumThreadWindows(watch->thread, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
      if (handled.count(window) || !IsWindowVisible(window) || ClassOf(window) != "#32770") continue;
      handled.insert(window);
      char title[256] = "";
      GetWindowTextA(window, title, sizeof title);
      if (std::string(title) == "Overlay") {
        char text[512] = "";
        GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
        watch->lines.push_back(std::string("box:") + text);
        PostMessageA(window, WM_COMMAND, IDOK, 0);
      } else {
        watch->lines.push_back(std::string("dialog:") + title);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: zv_edit_guard_racer <module> <device> <driver> <form id> <output file>\n");
    return 99;
  }
  HMODULE module = LoadLibraryA(argv[1]);
  auto edit = module ? reinterpret_cast<EditFunction>(
                           reinterpret_cast<void*>(GetProcAddress(module, "ZVEntryFormEditDlg")))
                     : nullptr;
  if (edit == nullptr) {
    std::fprintf(stderr, "cannot use %s\n", argv[1]);
    return 99;
  }
  Watch watch;
  watch.thread = GetCurrentThreadId();
  watch.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE watcher = CreateThread(nullptr, 0, WatchThread, &watch, 0, nullptr);
  int32_t id = std::atoi(argv[4]);
  const int32_t result = edit(nullptr, nullptr, argv[2], argv[3], &id);
  SetEvent(watch.done);
  WaitForSingleObject(watcher, INFINITE);
  CloseHandle(watcher);
  CloseHandle(watch.done);

  FILE* out = std::fopen(argv[5], "w");
  if (out == nullptr) return 99;
  watch.lines.push_back("result:" + std::to_string(result) + " id:" + std::to_string(id));
  for (const std::string& line : watch.lines) {
    std::fprintf(out, "%s\n", line.c_str());
    std::printf("%s\n", line.c_str());
  }
  std::fclose(out);
  FreeLibrary(module);
  return result;
}
