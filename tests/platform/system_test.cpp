// Directories, the version, processes and working memory through the platform layer.
#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/emulation/message_boxes.h"
#endif
#ifdef ZV_PLATFORM_MEMORY
#include "platform/memory/memory_config.h"
#include "support/sandbox.h"
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

#ifndef _WIN32
// Without a screen (posix, memory), message boxes are recorded and answered with their default button.
TEST(SystemTest, MessageBoxesAreRecordedAndAnswered) {
  plat::emulation::ClearRecordedMessageBoxes();
  int owner = 0;
  EXPECT_EQ(plat::ShowMessageBox(&owner, "Delete?", "Overlay", 36), 6);    // MB_YESNO: Yes
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Delete?", "Overlay", 292), 7);  // MB_DEFBUTTON2: No
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Stop", "Overlay", 16), 1);
  const auto& boxes = plat::emulation::RecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_TRUE(boxes[0].owner == &owner && boxes[0].text == "Delete?" && boxes[0].caption == "Overlay" &&
              boxes[0].style == 36u);
}
#endif

#ifdef ZV_PLATFORM_MEMORY
// Reset leaves nothing of what was made, set or open, in every part of the memory backend.
TEST(SystemTest, ResetLeavesNothingInMemory) {
  namespace memory = plat::memory;
  const std::string dll = "C:\\DRIVERS\\X.DLL";
  plat::RegKey key = nullptr;
  ASSERT_TRUE(memory::PutFile("C:\\KEEP\\A.DAT", "a") && memory::SetDrive('R', true) &&
              memory::SetDiskCapacity('C', 1024) && memory::SetWorkingDirectory("c:\\keep") &&
              memory::MapModule(dll, "libc.so.6") && plat::MakeDirectory("R:\\SYS") &&
              plat::CreateRegKey("Software\\Kept", &key) == plat::kRegSuccess);
  memory::SetSystemDirectory("R:\\SYS");
  memory::SetModuleFileName("R:\\SYS\\M.DLL");
  memory::SetVersion(false, 0, 0);
  memory::SetMessageBoxAnswerer([](const memory::MessageBoxRecord&) { return 7; });
  plat::ShowMessageBox(nullptr, "kept?", "Overlay", 4);
  plat::FileHandle file =
      plat::OpenFile("A.DAT", plat::kAccessReadWrite, plat::kShareNone, plat::kOpenExisting);
  char text[plat::kPathBuffer] = "";
  ASSERT_TRUE(file && plat::GetWorkingDirectory(text, sizeof text) && std::string(text) == "C:\\KEEP" &&
              plat::GetEntryPoint(plat::LoadModule("c:\\drivers\\x.dll"), "strlen"));
  memory::Reset();
  plat::DiskFreeSpace space{};
  uint32_t platformId = 0, major = 0;
  uint64_t time = 0;
  plat::RegKey found = nullptr;
  const std::pair<const char*, bool> rows[] = {
      {"no file or directory", memory::ListFiles().empty()},
      {"the handle closed", !plat::ReadFile(file, text, 1, nullptr) && !plat::CloseFile(file)},
      {"the key handle closed", plat::QueryRegKeyTime(key, &time) != plat::kRegSuccess},
      {"no key", plat::OpenRegKey("Software\\Kept", &found) == plat::kRegFileNotFound},
      {"drive C: alone", plat::QueryDriveType("R:\\") == plat::kDriveNoRootDir},
      {"the default capacity", plat::QueryDiskFreeSpace("C:\\", &space) &&
                                   uint64_t{space.freeClusters} * 512 == memory::kDefaultDiskCapacity},
      {"the working directory C:\\",
       plat::GetWorkingDirectory(text, sizeof text) == 3 && std::string(text) == "C:\\"},
      {"the module file name",
       plat::GetModulePath(text, sizeof text) && std::string(text) == "C:\\WINDOWS\\SYSTEM32\\ZVLMN30E.DLL"},
      {"the system directory",
       plat::GetSystemDirectoryPath(text, sizeof text) && std::string(text) == "C:\\WINDOWS\\SYSTEM32"},
      {"version 2.10", plat::GetVersion(&platformId, &major) && platformId == 2 && major == 10},
      {"no module mapped", plat::LoadModule(dll.c_str()) == nullptr},
      {"no box recorded", memory::RecordedMessageBoxes().empty()},
      {"no answerer", plat::ShowMessageBox(nullptr, "kept?", "Overlay", 4) == 6}};
  for (const auto& row : rows) EXPECT_TRUE(row.second) << row.first;
  zvtest::ResetMemoryPlatform();
}
#endif

}  // namespace
