#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/other_process.h"

namespace zvtest {

#ifdef _WIN32

namespace {
constexpr char kHolderFlag[] = "--zv-hold-file";
}  // namespace

FileHolder::FileHolder(const std::string& path, plat::Access access, plat::Share share) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE reportRead, reportWrite, releaseRead, releaseWrite;
  if (!CreatePipe(&reportRead, &reportWrite, &inherit, 0)) return;
  if (!CreatePipe(&releaseRead, &releaseWrite, &inherit, 0)) return;
  SetHandleInformation(reportRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(releaseWrite, HANDLE_FLAG_INHERIT, 0);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string command = std::string("\"") + exe + "\" " + kHolderFlag + " " + std::to_string(access) + " " +
                        std::to_string(share) + " \"" + path + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = releaseRead;
  startup.hStdOutput = reportWrite;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  const BOOL started =
      CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
  CloseHandle(reportWrite);
  CloseHandle(releaseRead);
  if (started) {
    CloseHandle(info.hThread);
    process_ = reinterpret_cast<intptr_t>(info.hProcess);
    char answer = '0';
    DWORD n = 0;
    ReadFile(reportRead, &answer, 1, &n, nullptr);
    opened_ = n == 1 && answer == '1';
  }
  CloseHandle(reportRead);
  release_ = reinterpret_cast<intptr_t>(releaseWrite);
}

FileHolder::~FileHolder() {
  if (release_) CloseHandle(reinterpret_cast<HANDLE>(release_));
  if (process_) {
    WaitForSingleObject(reinterpret_cast<HANDLE>(process_), 30000);
    CloseHandle(reinterpret_cast<HANDLE>(process_));
  }
}

bool RunAsFileHolder(int argc, char** argv) {
  if (argc != 5 || std::strcmp(argv[1], kHolderFlag) != 0) return false;
  plat::FileHandle file = plat::OpenFile(argv[4], static_cast<plat::Access>(std::atoi(argv[2])),
                                         static_cast<plat::Share>(std::atoi(argv[3])), plat::kOpenExisting);
  DWORD n = 0;
  const char answer = file ? '1' : '0';
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), &answer, 1, &n, nullptr);
  char byte;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &n, nullptr) && n > 0) {
  }
  if (file) plat::CloseFile(file);
  return true;
}

#else

FileHolder::FileHolder(const std::string& path, plat::Access access, plat::Share share) {
  int report[2], release[2];
  if (pipe(report) != 0) return;
  if (pipe(release) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    close(report[0]);
    close(release[1]);
    plat::FileHandle file = plat::OpenFile(path.c_str(), access, share, plat::kOpenExisting);
    const char answer = file ? '1' : '0';
    if (write(report[1], &answer, 1) != 1) _exit(1);
    char byte;
    while (read(release[0], &byte, 1) > 0) {
    }
    _exit(0);
  }
  close(report[1]);
  close(release[0]);
  char answer = '0';
  opened_ = pid > 0 && read(report[0], &answer, 1) == 1 && answer == '1';
  close(report[0]);
  process_ = pid;
  release_ = release[1] + 1;
}

FileHolder::~FileHolder() {
  if (release_) close(static_cast<int>(release_ - 1));
  if (process_ > 0) waitpid(static_cast<pid_t>(process_), nullptr, 0);
}

bool RunAsFileHolder(int, char**) {
  return false;
}

#endif

}  // namespace zvtest
