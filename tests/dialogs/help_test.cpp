// Help through the printer driver: the file it names (the path rules are the
// dialog rules test's), and the module's directory when the driver gives no
// answer. Closing a dialog with help open is proven by every dialog script
// that presses Help (HELP_QUIT once after the contexts).
#include <windows.h>

#include <gtest/gtest.h>

#include "dialogs/help.h"
#include "dialogs/resource_ids.h"
#include "support/dialog_driver.h"
#include "support/sandbox.h"

namespace {

class HelpTest : public zvtest::SandboxTest {};

TEST_F(HelpTest, TheDriversHelpFileOrTheModulesDirectory) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string at = std::string(self).substr(0, std::string(self).rfind('\\') + 1),
                    ini = Path("DRIVER.INI");
  // No lines: no device, and the sample driver answers from ZVSAMPLE.INI beside itself.
  const struct {
    std::string lines, driver, file;
  } rows[] = {{"HelpFile = D:\\HELP\\X.HLP", ZV_SAMPLE_DRIVER_PATH, "D:\\HELP\\X.HLP"},
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

}  // namespace
