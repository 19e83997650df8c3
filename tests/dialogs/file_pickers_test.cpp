// The directory picker and the form file picker on the system's open-file
// dialog, driven by script on a host (the module's add form template, never
// shown) whose field or text they start from and fill, and the remembered
// directory they leave. Built twice: as Wine's default Windows version (the
// classic picker) and, with ZV_EXPECT_NT4, as Windows NT 4.0 (Explorer style).
#include <windows.h>

#include <gtest/gtest.h>

#include "catalogue/catalogue_config.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/file_pickers.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"
#include "support/catalogue_bytes.h"
#include "support/dialog_script.h"
#include "support/system_dir.h"

namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
constexpr int kField = ZV_ID_NEWFORM_NAME, kText = ZV_ID_NEWFORM_SAVE_TO, kDirs = ZV_ID_PICKER_DIR_LIST;
constexpr int kLabel = ZV_ID_PICKER_DIR_LABEL;

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}
std::string Remembered() {
  char directory[plat::kPathBuffer] = {};
  zv::GetCurrentDirSetting(directory);
  return directory;
}
Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

// The control of the open-file dialog that takes the typed name.
int NameControl(const Dialog& picker) {
#ifdef ZV_EXPECT_NT4
  return GetDlgItem(picker.Handle(), 1148) ? 1148 : 1152;
#else
  return picker.Handle() ? ZV_ID_PICKER_FILE_NAME : 0;
#endif
}
Step Name(const std::string& name, bool ok = true) {
  return Do([=](DialogRun&, const Dialog& picker) {
    picker.SetText(NameControl(picker), name);
    if (ok) picker.Click(IDOK);
  });
}
Step NameShown(const std::string& name, bool shown = true) {
  return Do(
      [=](DialogRun&, const Dialog& picker) { EXPECT_EQ(picker.Text(NameControl(picker)) == name, shown); });
}

class PickerTest : public SystemDirTest {
 protected:
  void SetUp() override {
    SystemDirTest::SetUp();
    ASSERT_TRUE(CreateDirectoryA(Path("OLD.ZLP").c_str(), nullptr));
    for (const char* name : {"FORM.ZLP", "_FORM.ZLP", "FORM.ZLC", "OLD.ZLP\\FORM", "OTHER.ZLP"})
      ASSERT_TRUE(WriteWholeFile(Path(name), "overlay"));
    scratch_ = Dir().substr(0, Dir().size() - 1);
  }
  void TearDown() override {
    RemoveFile("C:\\ZVPICKER.ZLP");
    SystemDirTest::TearDown();
  }
  // The picker on a host whose field or text starts as given, from the
  // remembered directory; the host's field or text after, letter case aside.
  void Run(bool directory, const std::string& start, const std::string& remembered, const Steps& steps,
           int result, const std::string& after, const std::string& rememberedAfter,
           DWORD flags = zv::kPickExistingFile) {
    SCOPED_TRACE(start + " from " + remembered);
    ASSERT_TRUE(zv::SetCurrentDirSetting(remembered.c_str()));
    const int id = directory ? kText : kField;
    std::string end;
    DialogRun run([&] {
      HWND host = CreateDialogParamA(GetModuleHandleA(nullptr), "W_NEWFORM", nullptr, Plain, 0);
      SetDlgItemTextA(host, id, start.c_str());
      OPENFILENAMEA record{};
      char filter[plat::kPathBuffer], file[plat::kPathBuffer], folder[plat::kPathBuffer];
      const bool picked = directory ? zv::PickDirectory(host, kText, &record)
                                    : zv::PickFormFile(host, kField, flags, &record, filter, file, folder);
      char text[plat::kPathBuffer + 40] = {};
      GetDlgItemTextA(host, id, text, sizeof text);
      end = text;
      DestroyWindow(host);
      return picked ? 1 : 0;
    });
    size_t boxes = 0;
    for (const Step& s : steps) boxes += s.action == Step::kBoxOf;
    RunScript(run, Steps{Wait(Message(directory ? zv::kMsgDirectoryName : zv::kMsgOpenFile))} + steps +
                       Steps{Returns(result)});
    EXPECT_EQ(Upper(end), Upper(after));
    EXPECT_EQ(Upper(Remembered()), Upper(rememberedAfter));
    EXPECT_EQ(run.Boxes().size(), boxes);
  }
  std::string scratch_;
};

TEST_F(PickerTest, TheVersionDecidesThePickerStyle) {
#ifdef ZV_EXPECT_NT4
  EXPECT_EQ(zv::GetWindowsVersionClass(), zv::kVersionNt4);
  EXPECT_NE(zv::FileNameOkMessage(), 0u);
#else
  EXPECT_NE(zv::GetWindowsVersionClass(), zv::kVersionNt4);
  EXPECT_EQ(zv::FileNameOkMessage(), 0u);
#endif
}

TEST_F(PickerTest, FormFilePicker) {
  const Step refused = Refused(Message(zv::kMsgFileNameUnusable));
  const std::string other = Path("OTHER.ZLP"), root = "C:\\ZVPICKER.ZLP";
  ASSERT_TRUE(WriteWholeFile(root, "overlay"));
  // Names refused with the picker staying open, then a form file taken; its
  // directory is remembered.
  Run(false, other, "C:\\",
      {NameShown("OTHER.ZLP"), Name("_FORM.ZLP"), refused, Quiet(), Name("FORM.ZLC"), refused, Quiet(),
       Name(Path("OLD.ZLP\\FORM")), refused, Quiet(), Name("FORM.ZLP")},
      1, Path("FORM.ZLP"), scratch_);
  Run(false, other, "C:\\", {Name("FORM.ZLP", false), Click(IDCANCEL)}, 0, other, "C:\\");
  // A bare name starts in the remembered directory; a wildcard is not offered.
  Run(false, "OTHER.ZLP", scratch_, {NameShown("OTHER.ZLP"), Click(IDOK)}, 1, other, scratch_);
  Run(false, Path("F*.ZLP"), scratch_, {NameShown("F*.ZLP", false), Click(IDCANCEL)}, 0, Path("F*.ZLP"),
      scratch_);
  // A drive root is remembered with its backslash, by the form/file settings
  // dialog's picker as the drive alone.
  Run(false, root, scratch_, {Click(IDOK)}, 1, root, "C:\\");
  Run(false, root, scratch_, {Click(IDOK)}, 1, root, "C:", zv::kPickNewFile);
}

TEST_F(PickerTest, DirectoryPicker) {
  Steps shows;
  for (int id : {kLabel, kDirs, ZV_ID_PICKER_DRIVE_LABEL, ZV_ID_PICKER_DRIVES, IDOK, IDCANCEL})
    shows.push_back(Visible(id));
  for (int id :
       {ZV_ID_PICKER_FILE_NAME, ZV_ID_PICKER_FILE_LIST, ZV_ID_PICKER_FILE_TYPES, ZV_ID_PICKER_READ_ONLY})
    shows.push_back(Visible(id, false));
  Run(true, scratch_, "C:\\", shows + Steps{ShowsAnyCase(kLabel, scratch_), Click(IDCANCEL)}, 0, scratch_,
      "C:\\");
  Run(true, scratch_, "C:\\",
      {DoubleClickOn(kDirs, "[OLD.ZLP]"), ShowsAnyCase(kLabel, Path("OLD.ZLP")), Click(IDOK)}, 1,
      Path("OLD.ZLP"), Path("OLD.ZLP"));
  Run(true, scratch_, "C:\\", {DoubleClickOn(kDirs, "[OLD.ZLP]"), Click(IDCANCEL)}, 0, scratch_, "C:\\");
  Run(true, "C:\\", scratch_, {ShowsAnyCase(kLabel, "C:\\"), Click(IDOK)}, 1, "C:\\", "C:\\");
}

// The open-file dialog with the module's hook on a filter of the caller's:
// only a description naming .ZLC lets '_' names through.
TEST_F(PickerTest, AFilterOfferingRawFilesLetsUnderscoreNamesThrough) {
  const std::pair<uint32_t, uint32_t> filters[] = {
      {zv::kMsgFilterAllFormFilesName, zv::kMsgFilterAllFormFilesName + 1},
      {zv::kMsgFilterZlcName, zv::kMsgFilterZlcName + 1},
      {zv::kMsgFilterZlpName, zv::kMsgFilterZlpPattern}};
  for (const auto& filter : filters) {
    const bool refused = filter.first == zv::kMsgFilterZlpName;
    char text[plat::kPathBuffer] = {}, file[plat::kPathBuffer] = {};
    const int length = zv::LoadMessage(filter.first, text, plat::kPathBuffer);
    zv::LoadMessage(filter.second, text + length + 1, plat::kPathBuffer - length - 2);
    OPENFILENAMEA record{};
    record.lStructSize = zv::kOpenFileRecordSize;
    record.lpstrFilter = text;
    record.nFilterIndex = 1;
    record.lpstrFile = file;
    record.nMaxFile = plat::kPathBuffer;
    record.lpstrInitialDir = scratch_.c_str();
#ifdef ZV_EXPECT_NT4
    record.Flags = zv::kPickExistingFile | OFN_EXPLORER;
    record.lpfnHook = zv::ExplorerPickerHook;
#else
    record.Flags = zv::kPickExistingFile;
    record.lpfnHook = zv::ClassicPickerHook;
#endif
    DialogRun run([&record] { return zv::RunOpenFileDialog(&record); });
    const Steps refusal = {Refused(Message(zv::kMsgFileNameUnusable)), Quiet(), Click(IDCANCEL), Returns(0)};
    RunScript(run, Steps{Wait(run.WaitForActive().Title()), Name("_FORM.ZLP")} +
                       (refused ? refusal : Steps{Returns(1)}));
    if (!refused) {
      EXPECT_EQ(Upper(file), Upper(Path("_FORM.ZLP"))) << filter.first;
    }
  }
}

}  // namespace
