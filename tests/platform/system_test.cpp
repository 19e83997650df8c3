// Directories, processes, the version, dynamic loading and working memory
// through the platform layer, natively and under Wine.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

TEST(SystemTest, DirectoriesAreExistingWindowsPaths) {
  char dir[plat::kPathBuffer] = "";
  const uint32_t length = plat::GetSystemDirectory(dir, sizeof dir);
  ASSERT_GT(length, 3u);
  EXPECT_EQ(length, std::strlen(dir));
  EXPECT_EQ(dir[1], ':');
  EXPECT_NE(dir[length - 1], '\\');
  EXPECT_TRUE(plat::FindFirstEntry(dir));
  // Too small a buffer gives the size needed, terminator included.
  char tiny[4];
  EXPECT_EQ(plat::GetSystemDirectory(tiny, sizeof tiny), length + 1);

  const uint32_t cwdLength = plat::GetCurrentDirectory(dir, sizeof dir);
  ASSERT_GT(cwdLength, 2u);
  EXPECT_EQ(dir[1], ':');
  EXPECT_TRUE(cwdLength == 3 || dir[cwdLength - 1] != '\\');
  EXPECT_TRUE(cwdLength == 3 ? plat::GetDriveType(dir) == plat::kDriveFixed : plat::FindFirstEntry(dir));

  char module[plat::kPathBuffer] = "";
  const uint32_t moduleLength = plat::GetModuleFileName(module, sizeof module);
  ASSERT_GT(moduleLength, 3u);
  EXPECT_TRUE(plat::FindFirstEntry(module)) << module;
  // A short buffer gives its own size back (whether the cut name is
  // terminated differs between Windows versions, so callers test the size).
  char shortBuffer[6];
  EXPECT_EQ(plat::GetModuleFileName(shortBuffer, sizeof shortBuffer), sizeof shortBuffer);
  EXPECT_EQ(std::string(shortBuffer, 5), std::string(module, 5));

  uint32_t platformId = 99, major = 0;
  ASSERT_TRUE(plat::GetVersion(&platformId, &major));
  EXPECT_LE(platformId, 2u);
  EXPECT_GT(major, 0u);
}

TEST(SystemTest, ProcessStampTellsARunningProcessFromAnEndedOne) {
  plat::ProcessStamp self{};
  ASSERT_TRUE(plat::GetProcessStamp(&self));
  plat::ProcessStamp again{};
  ASSERT_TRUE(plat::GetProcessStamp(&again));
  EXPECT_TRUE(self.id == again.id && self.startTime == again.startTime);
  EXPECT_TRUE(plat::IsProcessRunning(self));
  // The same id with another start time is a later process that reuses it.
  plat::ProcessStamp reused = self;
  reused.startTime += 1;
  EXPECT_FALSE(plat::IsProcessRunning(reused));

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
  EXPECT_NE(child.id, self.id);
  EXPECT_TRUE(plat::IsProcessRunning(child));
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, INFINITE);
  // Ended, though this handle still keeps the process object.
  EXPECT_FALSE(plat::IsProcessRunning(child));
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  EXPECT_FALSE(plat::IsProcessRunning(child));
#else
  int toParent[2], toChild[2];
  ASSERT_EQ(pipe(toParent), 0);
  ASSERT_EQ(pipe(toChild), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    plat::ProcessStamp stamp{};
    const bool ok = plat::GetProcessStamp(&stamp);
    if (!ok || write(toParent[1], &stamp, sizeof stamp) != static_cast<ssize_t>(sizeof stamp)) _exit(1);
    char byte;
    // Runs until the parent closes its end.
    close(toChild[1]);
    while (read(toChild[0], &byte, 1) > 0) {
    }
    _exit(0);
  }
  close(toParent[1]);
  close(toChild[0]);
  plat::ProcessStamp child{};
  ASSERT_EQ(read(toParent[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
  EXPECT_EQ(child.id, static_cast<uint32_t>(pid));
  EXPECT_TRUE(plat::IsProcessRunning(child));
  close(toChild[1]);
  // Ended but not yet collected.
  for (int i = 0; i < 1000 && plat::IsProcessRunning(child); ++i) usleep(1000);
  EXPECT_FALSE(plat::IsProcessRunning(child));
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_FALSE(plat::IsProcessRunning(child));
  close(toParent[0]);
#endif
}

TEST(SystemTest, ModulesLoadAndResolveEntryPointsByName) {
  char self[plat::kPathBuffer] = "";
  ASSERT_GT(plat::GetModuleFileName(self, sizeof self), 0u);
  const std::string dir = std::string(self).substr(0, std::string(self).rfind('\\') + 1);
  const std::string path = dir + ZV_SAMPLE_MODULE;
  plat::ModuleHandle module = plat::LoadModule(path.c_str());
  ASSERT_NE(module, nullptr) << path;
  auto answer = reinterpret_cast<int (*)()>(plat::GetEntryPoint(module, "ZvSampleAnswer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(plat::GetEntryPoint(module, "ZvNoSuchEntry"), nullptr);
  plat::FreeModule(module);

  EXPECT_EQ(plat::LoadModule((dir + "NOSUCHMODULE.DLL").c_str()), nullptr);
}

// Working memory comes zero-filled (the failures of its allocation are the
// reliability tests' business).
TEST(SystemTest, WorkingMemoryIsZeroFilled) {
  unsigned char* block = static_cast<unsigned char*>(plat::AllocZeroed(5120));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(5120, '\0'), std::string(reinterpret_cast<char*>(block), 5120));
  plat::FreeBlock(block);
}

}  // namespace
