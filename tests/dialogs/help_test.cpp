// Help: the help file the printer driver names, taken whole when it has a
// drive, else beside the module (this program stands in for it), and the
// module's directory when the driver gives no answer; and a help session
// ended once when a dialog that owns it closes.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialogs/help.h"
#include "dialogs/resource_ids.h"
#include "support/dialog_driver.h"
#include "support/sandbox.h"

namespace {

class HelpTest : public zvtest::SandboxTest {};

TEST_F(HelpTest, TheDriversHelpFileWholeBesideTheModuleOrTheModulesDirectory) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string at = std::string(self).substr(0, std::string(self).rfind('\\') + 1),
                    ini = Path("DRIVER.INI");
  // No lines: no device, and the sample driver answers from ZVSAMPLE.INI beside itself.
  const struct {
    std::string lines, driver, file;
  } rows[] = {
      {"HelpFile = D:\\HELP\\X.HLP", ZV_SAMPLE_DRIVER_PATH, "D:\\HELP\\X.HLP"},
      {"HelpFile = X.HLP", ZV_SAMPLE_DRIVER_PATH, at + "X.HLP"},
      {"HelpFile = \\\\SERVER\\X.HLP", ZV_SAMPLE_DRIVER_PATH, at + "\\\\SERVER\\X.HLP"},
      {"HelpFile = D:X.HLP", ZV_SAMPLE_DRIVER_PATH, at + "D:X.HLP"},
      {"HelpFile = C:\\LOCAL.HLP\r\nEnglishHelpFile = C:\\E.HLP", ZV_SAMPLE_DRIVER_PATH, "C:\\LOCAL.HLP"},
      {"HelpFile = X.HLP\r\nFailHelp = 1", ZV_SAMPLE_DRIVER_PATH, at},  // the driver's call fails
      {"HelpFile = X.HLP", Path("MISSING.DLL"), at},
      {"HelpFile = X.HLP", "KERNEL32.DLL", at},  // no entry point
      {"", ZV_SAMPLE_DRIVER_PATH, at + "ZVSAMPLE.HLP"}};
  for (const auto& row : rows) {
    zvtest::HelpWatcher help;
    ASSERT_TRUE(zvtest::WriteWholeFile(ini, "[Driver]\r\n" + row.lines + "\r\n"));
    const char* device = row.lines.empty() ? nullptr : ini.c_str();
    EXPECT_EQ(zv::ShowHelp(nullptr, HELP_CONTEXT, ZV_HELP_FORM_DETAILS, device, row.driver.c_str()), 1);
    const std::vector<zvtest::HelpCall> calls = help.Calls();
    ASSERT_EQ(calls.size(), 1u) << row.lines;
    EXPECT_EQ(calls[0].file, row.file) << row.lines;
    EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(calls[0].data, static_cast<DWORD>(ZV_HELP_FORM_DETAILS));
  }
}

struct Ending {
  int32_t* helpOpen;
  const char* device;
};
INT_PTR CALLBACK EndingProc(HWND dialog, UINT message, WPARAM, LPARAM parameter) {
  const Ending* ending = reinterpret_cast<const Ending*>(parameter);
  if (message == WM_INITDIALOG)
    zv::EndDialogEndingHelp(dialog, ending->helpOpen, ending->device, ZV_SAMPLE_DRIVER_PATH, IDCANCEL);
  return message == WM_INITDIALOG;
}

// Only an open session (1) is ended, and marked ended.
TEST_F(HelpTest, ClosingWithHelpOpenEndsTheSessionOnce) {
  const std::string device = Path("DRIVER.INI");
  ASSERT_TRUE(zvtest::WriteWholeFile(device, "[Driver]\r\nHelpFile = D:\\HELP\\X.HLP\r\n"));
  zvtest::HelpWatcher help;
  const struct {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
  } dialog{{WS_POPUP | WS_CAPTION, 0, 0, 0, 0, 100, 40}, 0, 0, 0};
  for (const int32_t flag : {1, 0, 2, -1}) {
    int32_t helpOpen = flag;
    Ending ending{&helpOpen, device.c_str()};
    EXPECT_EQ(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &dialog.header, nullptr, EndingProc,
                                      reinterpret_cast<LPARAM>(&ending)),
              IDCANCEL);
    EXPECT_EQ(helpOpen, flag == 1 ? 0 : flag);
  }
  const std::vector<zvtest::HelpCall> calls = help.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_QUIT));
  EXPECT_EQ(calls[0].file, "D:\\HELP\\X.HLP");
}

}  // namespace
