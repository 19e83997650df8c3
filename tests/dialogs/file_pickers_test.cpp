// The directory and form file pickers on the system's open-file dialog, on a
// host (the add form template, never shown) whose text they start from and
// fill; as Wine's default version (classic) and, with ZV_EXPECT_NT4, as
// Windows NT 4.0 (Explorer style). And help through the printer driver.
#include <windows.h>

#include <gtest/gtest.h>

#include "catalogue/catalogue_config.h"
#include "dialogs/file_pickers.h"
#include "dialogs/help.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "support/dialog_driver.h"
#include "support/dialog_script.h"
#include "support/message_text.h"
#include "support/sample_driver.h"
#include "support/system_dir.h"

namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
#ifdef ZV_EXPECT_NT4
constexpr bool kNt4 = true;
#else
constexpr bool kNt4 = false;
#endif

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}
// The name typed into the open-file dialog (its field's id differs between
// the two styles), and OK.
Step Name(const std::string& name) {
  return Do([=](DialogRun&, const Dialog& picker) {
    picker.SetText(kNt4 && GetDlgItem(picker.Handle(), 1148) ? 1148 : 1152, name);
    picker.Click(IDOK);
  });
}

// The picker (0: directory), the host's text and remembered directory, the
// script and result, the host's text and remembered directory after.
struct Pick {
  DWORD flags;
  std::string start, remembered;
  std::vector<Step> steps;
  int result;
  std::string after, rememberedAfter;
};

using PickerTest = SystemDirTest;

TEST_F(PickerTest, Scripts) {
  EXPECT_EQ(zv::GetWindowsVersionClass() == zv::kVersionNt4, kNt4);  // the style this build expects
  EXPECT_EQ(zv::FileNameOkMessage(), kNt4 ? RegisterWindowMessageA("commdlg_FileNameOK") : 0u);
  ASSERT_TRUE(CreateDirectoryA(Path("OLD.ZLP").c_str(), nullptr));
  for (const char* name : {"FORM.ZLP", "_FORM.ZLP", "OTHER.ZLP", "C:\\ZVPICK.ZLP"})
    ASSERT_TRUE(WriteWholeFile(name[1] == ':' ? name : Path(name), "overlay"));
  const std::string bad = Message(zv::kMsgFileNameUnusable), dir = Dir().substr(0, Dir().size() - 1),
                    other = Path("OTHER.ZLP"), root = "C:\\ZVPICK.ZLP", sub = Path("OLD.ZLP");
  const DWORD old = zv::kPickExistingFile, fresh = zv::kPickNewFile;
  const Step down = DoubleClickOn(ZV_ID_PICKER_DIR_LIST, "[OLD.ZLP]");
  // A name refused (which ones: the dialog rules test), a file taken and its
  // directory remembered; a bare name from the remembered directory; a drive
  // root remembered with its backslash, for a new file as the drive alone.
  const Pick picks[] = {
      // clang-format off
      {old, other, "C:\\", {Name("_FORM.ZLP"), Refused(bad), Quiet(), Name("FORM.ZLP")}, 1, Path("FORM.ZLP"),
          dir},
      {old, other, "C:\\", {Click(IDCANCEL)}, 0, other, "C:\\"},
      {old, "OTHER.ZLP", dir, {Click(IDOK)}, 1, other, dir},
      {old, root, dir, {Click(IDOK)}, 1, root, "C:\\"},
      {fresh, root, dir, {Click(IDOK)}, 1, root, "C:"},
      {0, dir, "C:\\", {Visible(ZV_ID_PICKER_FILE_LIST, false), ShowsAnyCase(ZV_ID_PICKER_DIR_LABEL, dir),
          down, ShowsAnyCase(ZV_ID_PICKER_DIR_LABEL, sub), Click(IDCANCEL)}, 0, dir, "C:\\"},
      {0, dir, "C:\\", {down, Click(IDOK)}, 1, sub, sub},
      {0, "C:\\", dir, {Click(IDOK)}, 1, "C:\\", "C:\\"},
      // clang-format on
  };
  for (const Pick& p : picks) {
    SCOPED_TRACE(p.start + " from " + p.remembered);
    ASSERT_TRUE(zv::SetCurrentDirSetting(p.remembered.c_str()));
    const int id = p.flags ? ZV_ID_NEWFORM_NAME : ZV_ID_NEWFORM_SAVE_TO;
    char end[plat::kPathBuffer + 40] = {}, remembered[plat::kPathBuffer] = {};
    DialogRun run([&] {
      HWND host = CreateDialogParamA(GetModuleHandleA(nullptr), "W_NEWFORM", nullptr, Plain, 0);
      SetDlgItemTextA(host, id, p.start.c_str());
      OPENFILENAMEA record{};
      char filter[plat::kPathBuffer], file[plat::kPathBuffer], folder[plat::kPathBuffer];
      const bool picked = p.flags ? zv::PickFormFile(host, id, p.flags, &record, filter, file, folder)
                                  : zv::PickDirectory(host, id, &record);
      GetDlgItemTextA(host, id, end, sizeof end);
      DestroyWindow(host);
      return picked ? 1 : 0;
    });
    std::vector<Step> steps = {Wait(Message(p.flags ? zv::kMsgOpenFile : zv::kMsgDirectoryName))};
    steps.insert(steps.end(), p.steps.begin(), p.steps.end());
    steps.push_back(Returns(p.result));
    RunScript(run, steps);
    EXPECT_EQ(Upper(end), Upper(p.after));
    zv::GetCurrentDirSetting(remembered);
    EXPECT_EQ(Upper(remembered), Upper(p.rememberedAfter));
    size_t boxes = 0;
    for (const Step& s : p.steps) boxes += s.action == Step::kBoxOf;
    EXPECT_EQ(run.Boxes().size(), boxes);
  }
  RemoveFile(root);
}

// The file the driver names (its path rules: the dialog rules test), else the
// module's directory. Help's end at closing: every dialog script with Help.
TEST_F(PickerTest, HelpIsTheDriversFileOrTheModulesDirectory) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, sizeof self);
  const std::string at = std::string(self).substr(0, std::string(self).rfind('\\') + 1);
  // The lines of the [Driver] section of a sample driver of the test's own (driver empty), asked for a
  // device; no lines: no device, and the built sample driver answers from its ZVSAMPLE.INI.
  const struct {
    std::string lines, driver, file;
  } rows[] = {{"HelpFile = D:\\HELP\\X.HLP", "", "D:\\HELP\\X.HLP"},
              {"HelpFile = X.HLP\r\nFailHelp = 1", "", at},  // the driver's call fails
              {"HelpFile = X.HLP", Path("MISSING.DLL"), at},
              {"HelpFile = X.HLP", "KERNEL32.DLL", at},  // no entry point
              {"", ZV_SAMPLE_DRIVER_PATH, at + "ZVSAMPLE.HLP"}};
  for (const auto& row : rows) {
    HelpWatcher help;
    const std::string own = SampleDriverIn(Dir(), "[Driver]\r\n" + row.lines + "\r\n");
    ASSERT_FALSE(own.empty());
    const char* device = row.lines.empty() ? nullptr : kSampleDevice.c_str();
    const std::string driver = row.driver.empty() ? own : row.driver;
    EXPECT_EQ(zv::ShowHelp(nullptr, HELP_CONTEXT, ZV_HELP_FORM_DETAILS, device, driver.c_str()), 1);
    const std::vector<HelpCall> calls = help.Calls();
    ASSERT_EQ(calls.size(), 1u) << row.lines;
    EXPECT_EQ(calls[0].file, row.file) << row.lines;
    EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
    EXPECT_EQ(calls[0].data, static_cast<DWORD>(ZV_HELP_FORM_DETAILS));
  }
}

}  // namespace
