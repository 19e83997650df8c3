#ifdef _WIN32
#include <windows.h>
#elif !defined(ZV_PLATFORM_MEMORY)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <string>

#include "platform/platform.h"
#include "support/other_process.h"

namespace zvtest {

#ifdef _WIN32

FileHolder::FileHolder(const std::string& path, plat::Access access, plat::Share share) {
  const DWORD desired =
      (access & plat::kAccessRead ? GENERIC_READ : 0) | (access & plat::kAccessWrite ? GENERIC_WRITE : 0);
  const DWORD shared =
      (share & plat::kShareRead ? FILE_SHARE_READ : 0) | (share & plat::kShareWrite ? FILE_SHARE_WRITE : 0);
  HANDLE h =
      CreateFileA(path.c_str(), desired, shared, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  opened_ = h != INVALID_HANDLE_VALUE;
  release_ = opened_ ? reinterpret_cast<intptr_t>(h) : 0;
}

FileHolder::~FileHolder() {
  if (release_) CloseHandle(reinterpret_cast<HANDLE>(release_));
}

#elif defined(ZV_PLATFORM_MEMORY)

// Nothing of the memory backend is seen from another process: the other holder is a handle of this one.
FileHolder::FileHolder(const std::string& path, plat::Access access, plat::Share share) {
  plat::FileHandle file = plat::OpenFile(path.c_str(), access, share, plat::kOpenExisting);
  opened_ = file != nullptr;
  release_ = reinterpret_cast<intptr_t>(file);
}

FileHolder::~FileHolder() {
  if (release_) plat::CloseFile(reinterpret_cast<plat::FileHandle>(release_));
}

#else

// The child reports '1' or '0' on one pipe (whether it opened the file), then
// holds the file until the other pipe is closed.
FileHolder::FileHolder(const std::string& path, plat::Access access, plat::Share share) {
  int report[2], release[2];  // read and write ends
  if (pipe(report) != 0 || pipe(release) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    plat::FileHandle file = plat::OpenFile(path.c_str(), access, share, plat::kOpenExisting);
    const char answer = file ? '1' : '0';
    close(release[1]);
    char byte;
    if (write(report[1], &answer, 1) == 1)
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

#endif

}  // namespace zvtest
