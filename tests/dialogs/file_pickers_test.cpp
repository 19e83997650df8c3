// The directory picker and the form file picker on the system's open-file
// dialog, driven as a user would: a small host dialog stands in for the
// module's dialogs and the picker is opened on its text and field. Built
// twice: as Wine's default Windows version (the classic picker) and, with
// ZV_EXPECT_NT4, as Windows NT 4.0 (the Explorer-style picker).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/catalogue_config.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/file_pickers.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"
#include "support/dialog_driver.h"
#include "support/system_dir.h"

namespace {

constexpr int kHostField = ZV_ID_NEWFILE_FILE;
constexpr int kHostText = ZV_ID_NEWFORM_SAVE_TO;

// Controls of the Explorer-style open-file dialog that a user touches.
constexpr int kExplorerNameCombo = 1148;  // cmb13
constexpr int kExplorerNameEdit = 1152;   // edt1

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string WithoutTrailingBackslash(std::string path) {
  if (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

std::string CurrentDirSetting() {
  char directory[plat::kPathBuffer] = {};
  zv::GetCurrentDirSetting(directory);
  return directory;
}

// A host dialog in memory, never shown: an edit field and a static text,
// as the module's dialogs hold them.
class HostTemplate {
 public:
  HostTemplate() {
    DLGTEMPLATE header{};
    header.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header.cdit = 2;
    header.cx = 240;
    header.cy = 60;
    Append(&header, sizeof header);
    Word(0);  // no menu
    Word(0);  // the standard class
    Text("Host");
    Item(ES_AUTOHSCROLL | WS_BORDER, 8, 8, 220, 12, kHostField, 0x0081);
    Item(SS_LEFT, 8, 28, 220, 10, kHostText, 0x0082);
  }
  LPCDLGTEMPLATEA Get() const { return reinterpret_cast<LPCDLGTEMPLATEA>(bytes_.data()); }

 private:
  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom) {
    while (bytes_.size() % 4) bytes_.push_back(0);
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Append(&item, sizeof item);
    Word(0xFFFF);
    Word(classAtom);
    Text("");
    Word(0);  // no creation data
  }
  void Append(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  void Word(WORD w) { Append(&w, sizeof w); }
  void Text(const char* text) {
    for (; *text; ++text) Word(static_cast<unsigned char>(*text));
    Word(0);
  }
  std::vector<unsigned char> bytes_;
};

INT_PTR CALLBACK HostProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

// What the host's controls held when the picker returned.
struct HostState {
  std::string field;
  std::string text;
};

// Runs `pick` on a host whose field and text start as given, on the
// thread of the run; the host's final texts go to `state`.
std::function<int()> OnHost(const std::string& field, const std::string& text, HostState* state,
                            std::function<bool(HWND)> pick) {
  return [=] {
    static const HostTemplate hostTemplate;
    HWND host =
        CreateDialogIndirectParamA(GetModuleHandleA(nullptr), hostTemplate.Get(), nullptr, HostProc, 0);
    if (!host) return -1;
    SetDlgItemTextA(host, kHostField, field.c_str());
    SetDlgItemTextA(host, kHostText, text.c_str());
    const bool picked = pick(host);
    char buffer[plat::kPathBuffer + 40] = {};
    GetDlgItemTextA(host, kHostField, buffer, sizeof buffer);
    state->field = buffer;
    GetDlgItemTextA(host, kHostText, buffer, sizeof buffer);
    state->text = buffer;
    DestroyWindow(host);
    return picked ? 1 : 0;
  };
}

// The buffers a dialog context lends the form file picker.
struct PickerBuffers {
  OPENFILENAMEA record;
  char filter[plat::kPathBuffer];
  char file[plat::kPathBuffer];
  char directory[plat::kPathBuffer];
};

class PickerTest : public zvtest::SystemDirTest {
 protected:
  void SetUp() override {
    SystemDirTest::SetUp();
    GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
    ASSERT_TRUE(CreateDirectoryA(Path("OLD.ZLP").c_str(), nullptr));
    for (const char* name : {"FORM.ZLP", "_FORM.ZLP", "FORM.ZLC", "OLD.ZLP\\FORM", "OTHER.ZLP"}) {
      ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), "overlay"));
    }
  }
  void TearDown() override {
    SetCurrentDirectoryA(savedDirectory_);
    for (const std::string& path : rootFiles_) zvtest::RemoveFile(path);
    SystemDirTest::TearDown();
  }

  // The scratch directory as the pickers show and remember it.
  std::string Scratch() const { return WithoutTrailingBackslash(Dir()); }

  // A file in the root of drive C:, removed after the test.
  std::string RootFile(const std::string& name) {
    const std::string path = "C:\\" + name;
    EXPECT_TRUE(zvtest::WriteWholeFile(path, "overlay")) << path;
    rootFiles_.push_back(path);
    return path;
  }

  std::function<int()> FormFilePicker(const std::string& field, DWORD flags = zv::kPickExistingFile) {
    return OnHost(field, "", &host_, [this, flags](HWND host) {
      return zv::PickFormFile(host, kHostField, flags, &buffers_.record, buffers_.filter, buffers_.file,
                              buffers_.directory);
    });
  }
  std::function<int()> DirectoryPicker(const std::string& text) {
    return OnHost("", text, &host_,
                  [this](HWND host) { return zv::PickDirectory(host, kHostText, &record_); });
  }

  // The control of an open-file dialog that takes the typed name.
  static int NameControl(const zvtest::Dialog& picker) {
#ifdef ZV_EXPECT_NT4
    if (GetDlgItem(picker.Handle(), kExplorerNameCombo)) return kExplorerNameCombo;
    return kExplorerNameEdit;
#else
    (void)picker;
    return ZV_ID_PICKER_FILE_NAME;
#endif
  }

  // Types a name into the form file picker and presses OK.
  static void Choose(const zvtest::Dialog& picker, const std::string& name) {
    picker.SetText(NameControl(picker), name);
    picker.Click(IDOK);
  }

  // Expects the refusal of a chosen name: message 411, the picker open.
  static void ExpectRefused(zvtest::DialogRun& run, const zvtest::Dialog& picker, const std::string& name) {
    Choose(picker, name);
    const zvtest::Box box = run.WaitForBox();
    EXPECT_EQ(box.text, Message(zv::kMsgFileNameUnusable)) << name;
    EXPECT_EQ(box.caption, "Overlay");
    EXPECT_TRUE(box.stopIcon) << name;
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK}) << name;
    run.AnswerBox(IDOK);
    EXPECT_TRUE(picker.IsOpen()) << name;
    EXPECT_TRUE(run.IsActive(picker)) << name;
  }

  HostState host_;
  PickerBuffers buffers_{};
  OPENFILENAMEA record_{};

 private:
  char savedDirectory_[MAX_PATH] = {};
  std::vector<std::string> rootFiles_;
};

TEST_F(PickerTest, TheVersionDecidesThePickerStyle) {
#ifdef ZV_EXPECT_NT4
  ASSERT_EQ(zv::GetWindowsVersionClass(), zv::kVersionNt4);
  EXPECT_NE(zv::FileNameOkMessage(), 0u);
#else
  ASSERT_NE(zv::GetWindowsVersionClass(), zv::kVersionNt4);
  EXPECT_EQ(zv::FileNameOkMessage(), 0u);
#endif
}

TEST_F(PickerTest, FormFilePickerRefusesNamesAndAcceptsAFormFile) {
  ASSERT_TRUE(zv::SetCurrentDirSetting("C:\\"));
  zvtest::DialogRun run(FormFilePicker(Path("OTHER.ZLP")));
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
  ASSERT_TRUE(picker.IsOpen());
  ExpectRefused(run, picker, "_FORM.ZLP");
  ExpectRefused(run, picker, "FORM.ZLC");
  ExpectRefused(run, picker, Path("OLD.ZLP\\FORM"));
  EXPECT_EQ(run.Boxes().size(), 3u);
  Choose(picker, "FORM.ZLP");
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(Upper(host_.field), Upper(Path("FORM.ZLP")));
  EXPECT_EQ(Upper(CurrentDirSetting()), Upper(Scratch()));
  EXPECT_EQ(run.Boxes().size(), 3u);
}

TEST_F(PickerTest, FormFilePickerStartsFromTheField) {
  // A path: its directory and its name.
  {
    zvtest::DialogRun run(FormFilePicker(Path("OTHER.ZLP")));
    const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
    EXPECT_EQ(picker.Text(NameControl(picker)), "OTHER.ZLP");
    picker.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
  }
  // A bare name: the remembered directory. Picking it right away takes the
  // file there.
  ASSERT_TRUE(zv::SetCurrentDirSetting(Scratch().c_str()));
  {
    zvtest::DialogRun run(FormFilePicker("OTHER.ZLP"));
    const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
    EXPECT_EQ(picker.Text(NameControl(picker)), "OTHER.ZLP");
    picker.Click(IDOK);
    EXPECT_EQ(run.Result(), 1);
    EXPECT_EQ(Upper(host_.field), Upper(Path("OTHER.ZLP")));
  }
  // A name with a wildcard is not offered.
  {
    zvtest::DialogRun run(FormFilePicker(Path("F*.ZLP")));
    const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
    EXPECT_NE(picker.Text(NameControl(picker)), "F*.ZLP");
    picker.Click(IDCANCEL);
    EXPECT_EQ(run.Result(), 0);
  }
}

TEST_F(PickerTest, CancelChangesNothing) {
  ASSERT_TRUE(zv::SetCurrentDirSetting("C:\\"));
  zvtest::DialogRun run(FormFilePicker(Path("OTHER.ZLP")));
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
  picker.SetText(NameControl(picker), "FORM.ZLP");
  picker.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(host_.field, Path("OTHER.ZLP"));
  EXPECT_EQ(CurrentDirSetting(), "C:\\");
  EXPECT_TRUE(run.Boxes().empty());
}

TEST_F(PickerTest, AFileInADriveRootIsRememberedAsTheRootOrTheDrive) {
  const std::string file = RootFile("ZVPICKER.ZLP");
  ASSERT_TRUE(zv::SetCurrentDirSetting(Scratch().c_str()));
  {
    zvtest::DialogRun run(FormFilePicker(file));
    const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
    picker.Click(IDOK);
    EXPECT_EQ(run.Result(), 1);
    EXPECT_EQ(Upper(host_.field), Upper(file));
    EXPECT_EQ(CurrentDirSetting(), "C:\\");
  }
  ASSERT_TRUE(zv::SetCurrentDirSetting(Scratch().c_str()));
  {
    // The form/file settings dialog's picker remembers the drive alone.
    zvtest::DialogRun run(FormFilePicker(file, zv::kPickNewFile));
    const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgOpenFile));
    picker.Click(IDOK);
    EXPECT_EQ(run.Result(), 1);
    EXPECT_EQ(Upper(host_.field), Upper(file));
    EXPECT_EQ(CurrentDirSetting(), "C:");
  }
}

// The open-file dialog with the module's hook on a filter of the caller's:
// the filter's description decides whether '_' names pass.
struct HookedOpen {
  OPENFILENAMEA record{};
  char filter[plat::kPathBuffer] = {};
  char file[plat::kPathBuffer] = {};
  std::string directory;
};

void PrepareHookedOpen(HookedOpen* open, uint32_t descriptionId, uint32_t patternId,
                       const std::string& directory) {
  const int length = zv::LoadMessage(descriptionId, open->filter, plat::kPathBuffer);
  zv::LoadMessage(patternId, open->filter + length + 1, plat::kPathBuffer - length - 2);
  open->directory = directory;
  open->record.lStructSize = zv::kOpenFileRecordSize;
  open->record.lpstrFilter = open->filter;
  open->record.nFilterIndex = 1;
  open->record.lpstrFile = open->file;
  open->record.nMaxFile = plat::kPathBuffer;
  open->record.lpstrInitialDir = open->directory.c_str();
#ifdef ZV_EXPECT_NT4
  open->record.Flags = zv::kPickExistingFile | OFN_EXPLORER;
  open->record.lpfnHook = zv::ExplorerPickerHook;
#else
  open->record.Flags = zv::kPickExistingFile;
  open->record.lpfnHook = zv::ClassicPickerHook;
#endif
}

TEST_F(PickerTest, AFilterOfferingRawFilesLetsUnderscoreNamesThrough) {
  for (const uint32_t id : {zv::kMsgFilterAllFormFilesName, zv::kMsgFilterZlcName}) {
    HookedOpen open;
    PrepareHookedOpen(&open, id, id + 1, Scratch());
    zvtest::DialogRun run([&open] { return zv::RunOpenFileDialog(&open.record); });
    const zvtest::Dialog picker = run.WaitForActive();
    Choose(picker, "_FORM.ZLP");
    EXPECT_EQ(run.Result(), 1) << id;
    EXPECT_EQ(Upper(open.file), Upper(Path("_FORM.ZLP"))) << id;
    EXPECT_TRUE(run.Boxes().empty()) << id;
  }
  // The same dialog with the filter of .ZLP files alone refuses the name.
  HookedOpen open;
  PrepareHookedOpen(&open, zv::kMsgFilterZlpName, zv::kMsgFilterZlpPattern, Scratch());
  zvtest::DialogRun run([&open] { return zv::RunOpenFileDialog(&open.record); });
  const zvtest::Dialog picker = run.WaitForActive();
  ExpectRefused(run, picker, "_FORM.ZLP");
  picker.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
}

int RowOf(const zvtest::Dialog& picker, const std::string& row) {
  const std::vector<std::string> rows = picker.ListItems(ZV_ID_PICKER_DIR_LIST);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (Upper(rows[i]) == Upper(row)) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no row " << row << " in " << ::testing::PrintToString(rows);
  return -1;
}

TEST_F(PickerTest, DirectoryPickerShowsDirectoriesAndDrivesOnly) {
  zvtest::DialogRun run(DirectoryPicker(Scratch()));
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgDirectoryName));
  ASSERT_TRUE(picker.IsOpen());
  for (const int id : {ZV_ID_PICKER_DIR_LABEL, ZV_ID_PICKER_DIR_LIST, ZV_ID_PICKER_DRIVE_LABEL,
                       ZV_ID_PICKER_DRIVES, IDOK, IDCANCEL}) {
    EXPECT_TRUE(picker.IsVisible(id)) << id;
  }
  for (const int id :
       {ZV_ID_PICKER_FILE_NAME, ZV_ID_PICKER_FILE_LIST, ZV_ID_PICKER_FILE_TYPES, ZV_ID_PICKER_READ_ONLY}) {
    EXPECT_FALSE(picker.IsVisible(id)) << id;
  }
  EXPECT_EQ(Upper(picker.Text(ZV_ID_PICKER_DIR_LABEL)), Upper(Scratch()));
  EXPECT_GE(RowOf(picker, "[OLD.ZLP]"), 0);
  picker.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(host_.text, Scratch());
}

TEST_F(PickerTest, DirectoryPickerYieldsTheDirectoryOpened) {
  ASSERT_TRUE(zv::SetCurrentDirSetting("C:\\"));
  zvtest::DialogRun run(DirectoryPicker(Scratch()));
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgDirectoryName));
  picker.DoubleClickRow(ZV_ID_PICKER_DIR_LIST, RowOf(picker, "[OLD.ZLP]"));
  EXPECT_EQ(Upper(picker.Text(ZV_ID_PICKER_DIR_LABEL)), Upper(Path("OLD.ZLP")));
  picker.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(Upper(host_.text), Upper(Path("OLD.ZLP")));
  EXPECT_EQ(Upper(CurrentDirSetting()), Upper(Path("OLD.ZLP")));
}

TEST_F(PickerTest, DirectoryPickerYieldsADriveRootWithItsBackslash) {
  ASSERT_TRUE(zv::SetCurrentDirSetting(Scratch().c_str()));
  zvtest::DialogRun run(DirectoryPicker("C:\\"));
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgDirectoryName));
  EXPECT_EQ(Upper(picker.Text(ZV_ID_PICKER_DIR_LABEL)), "C:\\");
  picker.Click(IDOK);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(host_.text, "C:\\");
  EXPECT_EQ(CurrentDirSetting(), "C:\\");
}

TEST_F(PickerTest, DirectoryPickerCancelledChangesNothing) {
  ASSERT_TRUE(zv::SetCurrentDirSetting("C:\\"));
  zvtest::DialogRun run(DirectoryPicker(Scratch()));
  const zvtest::Dialog picker = run.WaitForDialog(Message(zv::kMsgDirectoryName));
  picker.DoubleClickRow(ZV_ID_PICKER_DIR_LIST, RowOf(picker, "[OLD.ZLP]"));
  picker.Click(IDCANCEL);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(host_.text, Scratch());
  EXPECT_EQ(CurrentDirSetting(), "C:\\");
}

}  // namespace
