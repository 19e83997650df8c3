// Directories, the version, processes and working memory through the platform layer.
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

// Existing Windows paths; too small a buffer gives the system directory's size with its terminator,
// the module's name cut to the buffer (terminated or not, by Windows version).
TEST(SystemTest, DirectoriesVersionAndWorkingMemory) {
  char dir[plat::kPathBuffer] = "", tiny[6];
  const uint32_t length = plat::GetSystemDirectoryPath(dir, sizeof dir);
  ASSERT_GT(length, 3u);
  EXPECT_TRUE(length == std::strlen(dir) && dir[1] == ':' && dir[length - 1] != '\\' &&
              plat::FindFirstEntry(dir));
  EXPECT_EQ(plat::GetSystemDirectoryPath(tiny, 4), length + 1);
  const uint32_t cwd = plat::GetWorkingDirectory(dir, sizeof dir);
  ASSERT_GT(cwd, 2u);
  EXPECT_EQ(dir[1], ':');
  EXPECT_TRUE(cwd == 3 ? plat::QueryDriveType(dir) == plat::kDriveFixed
                       : dir[cwd - 1] != '\\' && plat::FindFirstEntry(dir));
  ASSERT_GT(plat::GetModulePath(dir, sizeof dir), 3u);
  EXPECT_TRUE(plat::FindFirstEntry(dir)) << dir;
  EXPECT_EQ(plat::GetModulePath(tiny, sizeof tiny), sizeof tiny);
  EXPECT_EQ(std::string(tiny, 5), std::string(dir, 5));
  uint32_t platformId = 99, major = 0;
  ASSERT_TRUE(plat::GetVersion(&platformId, &major));
  EXPECT_TRUE(platformId <= 2 && major > 0);
  // Working memory comes zero-filled.
  char* block = static_cast<char*>(plat::AllocZeroed(5120));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(5120, '\0'), std::string(block, 5120));
  plat::FreeBlock(block);
}

// A child process counts as ended as soon as it has, though not yet collected (or its handle open).
TEST(SystemTest, ProcessStampTellsARunningProcessFromAnEndedOne) {
  plat::ProcessStamp self{};
  ASSERT_TRUE(plat::GetProcessStamp(&self) && plat::IsProcessRunning(self));
#ifdef _WIN32
  char command[] = "cmd.exe /c exit 0";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                             &startup, &info));
  FILETIME created, exited, kernel, user;
  ASSERT_TRUE(GetProcessTimes(info.hProcess, &created, &exited, &kernel, &user));
  const plat::ProcessStamp child{
      info.dwProcessId, (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime};
  EXPECT_TRUE(child.id != self.id && plat::IsProcessRunning(child));
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, INFINITE);
  EXPECT_FALSE(plat::IsProcessRunning(child));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
#else
  int stamps[2];
  ASSERT_EQ(pipe(stamps), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {  // sends its stamp, then waits to be killed
    plat::ProcessStamp stamp{};
    if (plat::GetProcessStamp(&stamp) && write(stamps[1], &stamp, sizeof stamp) == sizeof stamp) pause();
    _exit(1);
  }
  plat::ProcessStamp child{};
  const ssize_t got = read(stamps[0], &child, sizeof child);
  EXPECT_TRUE(child.id == static_cast<uint32_t>(pid) && plat::IsProcessRunning(child));
  kill(pid, SIGKILL);
  for (int i = 0; i < 1000 && plat::IsProcessRunning(child); ++i) usleep(1000);
  EXPECT_FALSE(plat::IsProcessRunning(child));
  ASSERT_EQ(waitpid(pid, nullptr, 0), pid);
  close(stamps[0]);
  close(stamps[1]);
  ASSERT_EQ(got, static_cast<ssize_t>(sizeof child));
#endif
  EXPECT_FALSE(plat::IsProcessRunning(child));
}

}  // namespace
