// The module frame: messages of the chosen resource set, the error box, the
// last error code and the Windows version class.
#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix/posix_config.h"
#endif

#include <gtest/gtest.h>

#include <string>

#include "dialogs/module_frame.h"
#include "platform/platform.h"
#include "support/message_boxes.h"

namespace {

std::string Message(uint32_t id, int32_t size = 256) {
  char buffer[256] = "unchanged";
  const int32_t copied = zv::LoadMessage(id, buffer, size);
  EXPECT_EQ(copied, static_cast<int32_t>(std::string(buffer).size()));
  return buffer;
}

#ifdef ZV_ENGLISH_RESOURCES
constexpr bool kLocal = false;
#else
constexpr bool kLocal = true;
#endif

TEST(ModuleFrameTest, MessagesComeFromTheChosenSet) {
  EXPECT_EQ(zv::UseLocalResources(), kLocal);
  if (kLocal) {
    EXPECT_EQ(Message(401), "No se puede obtener el \341rea de trabajo por falta de memoria libre.");
    EXPECT_EQ(Message(418), "El nombre del fichero es demasiado largo. Escriba un nombre m\341s corto.");
    EXPECT_EQ(Message(415), "");
    EXPECT_EQ(Message(618), "");
  } else {
    EXPECT_EQ(Message(401), "Could not obtain work area because of insufficient free memory.");
    EXPECT_EQ(Message(418), "");
    EXPECT_EQ(Message(415),
              "Cannot delete the file was created by ZEVRO Lamina2. Specify another file name.");
    EXPECT_EQ(Message(618), "Please select printer.");
  }
  EXPECT_EQ(Message(317), "");
  EXPECT_EQ(Message(205), "*.ZLP;*.ZLC");
  // A short buffer gets what fits, terminated.
  EXPECT_EQ(Message(205, 6), "*.ZLP");
}

TEST(ModuleFrameTest, TheErrorBoxShowsTheMessageUnderOverlay) {
  zvtest::MessageBoxWatcher watcher(zvtest::kIdOk);
  zv::ShowErrorBox(nullptr, zv::kMsgFormListDamaged);
  zv::ShowErrorBox(nullptr, zv::kMsgCannotUseOldFile);
  ASSERT_EQ(watcher.Boxes().size(), 2u);
  const zvtest::SeenBox& box = watcher.Boxes()[0];
  EXPECT_EQ(box.text, kLocal ? "El fichero de la lista de nombres de formularios est\341 da\361ado."
                             : "The form name list file is damaged.");
  EXPECT_EQ(box.caption, "Overlay");
  EXPECT_EQ(box.buttons, std::vector<int>{zvtest::kIdOk});
  EXPECT_TRUE(box.stopIcon);
  // A message the set lacks still opens a box, with no text.
  EXPECT_EQ(watcher.Boxes()[1].text,
            kLocal ? "" : "Cannot use the file was created by ZEVRO Lamina2. Specify another file name.");
}

TEST(ModuleFrameTest, TheLastErrorCodeKeepsItsValueUntilSet) {
  zv::SetLastErrorCode(404);
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  zv::LoadMessage(401, nullptr, 0);
  EXPECT_EQ(zv::GetLastErrorCode(), 404u);
  zv::SetLastErrorCode(0);
  EXPECT_EQ(zv::GetLastErrorCode(), 0u);
}

#ifndef _WIN32
TEST(ModuleFrameTest, VersionClassesFollowPlatformAndMajorVersion) {
  struct Case {
    bool available;
    uint32_t platformId;
    uint32_t major;
    uint32_t expected;
  };
  const Case cases[] = {
      {true, 0, 3, 1}, {true, 1, 4, 2},  {true, 2, 3, 17}, {true, 2, 4, 18},
      {true, 2, 5, 0}, {true, 2, 10, 0}, {true, 2, 2, 0},  {false, 2, 4, 0},
  };
  for (const Case& c : cases) {
    plat::posix::SetVersion(c.available, c.platformId, c.major);
    EXPECT_EQ(zv::GetWindowsVersionClass(), c.expected) << c.platformId << "." << c.major;
  }
  plat::posix::SetVersion(true, 2, 10);
}

TEST(ModuleFrameTest, WithoutUser32NoMessageIsRegistered) {
  plat::posix::SetVersion(true, 2, 4);
  EXPECT_TRUE(zv::ModuleAttach(nullptr, zv::kReasonProcessAttach, nullptr));
  EXPECT_EQ(zv::FileNameOkMessage(), 0u);
  EXPECT_EQ(zv::RegisterWindowMessageLate("commdlg_FileNameOK"), 0u);
  plat::posix::SetVersion(true, 2, 10);
}
#else
// Runs the version probe as Wine pretends to be the given Windows version;
// the probe exits with class * 10, plus 1 when it registered the message.
DWORD RunProbeAs(const char* version) {
  HKEY key;
  const std::string path = std::string("Software\\Wine\\AppDefaults\\") + ZV_VERSION_PROBE;
  EXPECT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, path.c_str(), &key), ERROR_SUCCESS);
  RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>(strlen(version) + 1));
  RegCloseKey(key);

  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, sizeof exe);
  std::string command = exe;
  command = command.substr(0, command.rfind('\\') + 1) + ZV_VERSION_PROBE;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  DWORD code = 9999;
  if (CreateProcessA(command.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                     &info)) {
    WaitForSingleObject(info.hProcess, 60000);
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
  return code;
}

TEST(ModuleFrameTest, VersionClassesOnRealWindowsVersions) {
  EXPECT_EQ(RunProbeAs("win95"), 20u);
  EXPECT_EQ(RunProbeAs("win98"), 20u);
  EXPECT_EQ(RunProbeAs("nt351"), 170u);
  // Only Windows NT 4 registers the file-name-OK message.
  EXPECT_EQ(RunProbeAs("nt40"), 181u);
  EXPECT_EQ(RunProbeAs("win2k"), 0u);
  EXPECT_EQ(RunProbeAs("winxp"), 0u);
  EXPECT_EQ(RunProbeAs("win10"), 0u);
}

TEST(ModuleFrameTest, RegisterWindowMessageLateGivesTheSystemsId) {
  const uint32_t id = zv::RegisterWindowMessageLate("commdlg_FileNameOK");
  EXPECT_GE(id, 0xC000u);
  EXPECT_EQ(id, RegisterWindowMessageA("commdlg_FileNameOK"));
}
#endif

}  // namespace
