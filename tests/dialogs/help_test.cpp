// Help: the help file that the printer driver names, taken whole or beside
// the module, handed to WinHelp; and the end of a help session when a
// dialog that owns its context closes. WinHelp calls are caught by a window
// of the class that WinHelpA sends them to.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/help.h"
#include "dialogs/resource_ids.h"
#include "support/dialog_driver.h"
#include "support/sandbox.h"

namespace {

// The directory of this program, which stands in for the module.
std::string ModuleDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string directory = path;
  return directory.substr(0, directory.rfind('\\') + 1);
}

class HelpTest : public zvtest::SandboxTest {
 protected:
  // The sample driver answers from the INI file named as the device.
  std::string DriverSettings(const std::string& driverLines) {
    const std::string path = Path("DRIVER.INI");
    EXPECT_TRUE(zvtest::WriteWholeFile(path, "[Driver]\r\n" + driverLines));
    return path;
  }

  // Help for the given driver answer, with the one WinHelp call it made.
  zvtest::HelpCall HelpFor(const std::string& driverLines, uint32_t context = ZV_HELP_ADD_FORM) {
    const std::string device = DriverSettings(driverLines);
    const size_t before = watcher_.Calls().size();
    EXPECT_EQ(zv::ShowHelp(nullptr, HELP_CONTEXT, context, device.c_str(), ZV_SAMPLE_DRIVER_PATH), 1);
    const std::vector<zvtest::HelpCall> calls = watcher_.Calls();
    EXPECT_EQ(calls.size(), before + 1);
    return calls.empty() ? zvtest::HelpCall{} : calls.back();
  }

  zvtest::HelpWatcher watcher_;
};

// The driver's name with a drive is used whole, any other beside the module;
// the local set asks for the local name.
TEST_F(HelpTest, TheDriversHelpFileWholeOrBesideTheModule) {
  const std::string at = ModuleDirectory();
  const struct {
    const char* lines;
    std::string file;
  } rows[] = {{"HelpFile = D:\\HELP\\X.HLP\r\n", "D:\\HELP\\X.HLP"},
              {"HelpFile = X.HLP\r\n", at + "X.HLP"},
              {"HelpFile = \\HELP\\X.HLP\r\n", at + "\\HELP\\X.HLP"},
              {"HelpFile = \\\\SERVER\\X.HLP\r\n", at + "\\\\SERVER\\X.HLP"},
              {"HelpFile = D:X.HLP\r\n", at + "D:X.HLP"},
              {"HelpFile = C:\\LOCAL.HLP\r\nEnglishHelpFile = C:\\ENGLISH.HLP\r\n", "C:\\LOCAL.HLP"}};
  for (const auto& row : rows) {
    const zvtest::HelpCall call = HelpFor(row.lines, ZV_HELP_FORM_DETAILS);
    EXPECT_EQ(call.file, row.file) << row.lines;
    EXPECT_EQ(call.command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(call.data, static_cast<DWORD>(ZV_HELP_FORM_DETAILS));
  }
}

TEST_F(HelpTest, WithoutTheDriversAnswerTheModulesDirectoryIsGiven) {
  const std::string directory = ModuleDirectory();
  // The driver's call fails.
  EXPECT_EQ(HelpFor("HelpFile = X.HLP\r\nFailHelp = 1\r\n").file, directory);
  // The driver module does not exist.
  const std::string device = DriverSettings("HelpFile = X.HLP\r\n");
  const std::string missing = Path("MISSING.DLL");
  EXPECT_EQ(zv::ShowHelp(nullptr, HELP_CONTEXT, ZV_HELP_ADD_FORM, device.c_str(), missing.c_str()), 1);
  // A module without the entry point.
  EXPECT_EQ(zv::ShowHelp(nullptr, HELP_CONTEXT, ZV_HELP_ADD_FORM, device.c_str(), "KERNEL32.DLL"), 1);
  const std::vector<zvtest::HelpCall> calls = watcher_.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[1].file, directory);
  EXPECT_EQ(calls[2].file, directory);
}

TEST_F(HelpTest, WithoutADeviceNameTheDriverAnswersFromItsOwnSettings) {
  // The sample driver reads ZVSAMPLE.INI beside itself, which names
  // ZVSAMPLE.HLP, a name beside the module.
  EXPECT_EQ(zv::ShowHelp(nullptr, HELP_CONTEXT, ZV_HELP_ADD_FORM, nullptr, ZV_SAMPLE_DRIVER_PATH), 1);
  const std::vector<zvtest::HelpCall> calls = watcher_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].file, ModuleDirectory() + "ZVSAMPLE.HLP");
}

// A dialog that ends at once through EndDialogEndingHelp.
struct Ending {
  int32_t* helpOpen;
  const char* device;
  INT_PTR result;
};

INT_PTR CALLBACK EndingProc(HWND dialog, UINT message, WPARAM, LPARAM parameter) {
  if (message != WM_INITDIALOG) return FALSE;
  const Ending* ending = reinterpret_cast<const Ending*>(parameter);
  zv::EndDialogEndingHelp(dialog, ending->helpOpen, ending->device, ZV_SAMPLE_DRIVER_PATH, ending->result);
  return TRUE;
}

INT_PTR RunEndingDialog(int32_t* helpOpen, const std::string& device, INT_PTR result) {
  // DLGTEMPLATE, then no menu, the standard class and an empty title.
  struct {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } dialogTemplate{};
  dialogTemplate.header.style = WS_POPUP | WS_CAPTION;
  dialogTemplate.header.cx = 100;
  dialogTemplate.header.cy = 40;
  Ending ending{helpOpen, device.c_str(), result};
  return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialogTemplate.header, nullptr, EndingProc,
                                 reinterpret_cast<LPARAM>(&ending));
}

TEST_F(HelpTest, ClosingWithHelpOpenEndsTheHelpSessionFirst) {
  const std::string device = DriverSettings("HelpFile = D:\\HELP\\X.HLP\r\n");
  int32_t helpOpen =
      zv::ShowHelp(nullptr, HELP_CONTEXT, ZV_HELP_EDIT_FORM_NAMES, device.c_str(), ZV_SAMPLE_DRIVER_PATH);
  ASSERT_EQ(helpOpen, 1);
  EXPECT_EQ(RunEndingDialog(&helpOpen, device, IDCANCEL), IDCANCEL);
  EXPECT_EQ(helpOpen, 0);
  const std::vector<zvtest::HelpCall> calls = watcher_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_QUIT));
  EXPECT_EQ(calls[1].data, 0u);
  EXPECT_EQ(calls[1].file, "D:\\HELP\\X.HLP");
  // Closed again, nothing more is sent.
  EXPECT_EQ(RunEndingDialog(&helpOpen, device, IDOK), IDOK);
  EXPECT_EQ(watcher_.Calls().size(), 2u);
}

TEST_F(HelpTest, OnlyAnOpenHelpSessionIsEnded) {
  const std::string device = DriverSettings("HelpFile = D:\\HELP\\X.HLP\r\n");
  for (const int32_t flag : {0, 2, -1}) {
    int32_t helpOpen = flag;
    EXPECT_EQ(RunEndingDialog(&helpOpen, device, IDOK), IDOK);
    EXPECT_EQ(helpOpen, flag);
  }
  EXPECT_TRUE(watcher_.Calls().empty());
}

}  // namespace
