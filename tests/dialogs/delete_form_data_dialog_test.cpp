// The delete form data dialog, linked in and opened on an edit form context
// as the edit form dialog fills it: the rows ticked by real clicks and keys,
// each question answered Yes and No, each refusal, the files on disk compared
// byte by byte afterwards, and the rows as drawn.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "catalogue/group_info.h"
#include "dialogs/delete_form_data_dialog.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/dialog_script.h"

namespace {

using namespace zvtest;  // NOLINT: the script's steps read as a table
using Flags = std::vector<uint32_t>;
using Strings = std::vector<std::string>;
using Steps = std::vector<Step>;
constexpr int kWhole = ZV_ID_DELETE_FORM, kOverlays = ZV_ID_DELETE_OVERLAYS, kList = ZV_ID_DELETE_LIST;
constexpr char kTitle[] = "Eliminar datos de formulario";
const char* const kFiles[] = {"_F300100.ZLP", "_F300101.ZLP", "_F300102.ZLP"};

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

zv::PrintSettings Record(uint8_t colour, uint16_t resolution, uint16_t zoom) {
  return {1, 1, 1, 0x4001, 2100, 2970, 0, 0, 9, 1, resolution, colour, 0x10, 0, 2100, 2970, 0, 0, 9, zoom};
}
const zv::PrintSettings kRecords[] = {Record(2, 600, 100), Record(1, 300, 100), Record(2, 600, 50)};

std::string Line(const zv::PrintSettings& settings, bool matchSize) {
  char line[zv::kOverlayLineSize] = {};
  zv::BuildOverlayLine(settings, nullptr, 0, matchSize, line);
  return line;
}

// The invoice's group info file holding the entries named, renumbered.
std::string InvoiceGroup(const std::vector<int>& keep, bool edited = false) {
  std::vector<GroupInfoEntry> entries;
  Strings texts;
  for (int i : keep) {
    entries.emplace_back(SettingsRecordBytes(kRecords[i]), static_cast<int32_t>(texts.size()));
    texts.push_back(kFiles[i]);
  }
  if (edited) texts.push_back("_F3001.ZL3");
  return GroupInfoFile(entries, texts, -1, edited ? static_cast<int32_t>(texts.size() - 1) : -1);
}

class DeleteFormDataTest : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    zv::CreateDialogBrush();
    Reset();
  }
  void Reset() {
    context_.reset(new zv::EditFormContext);
    std::memset(context_.get(), 0, sizeof *context_);
    // INVOICE (1) with three overlay data files, BLANK (2) with none.
    WriteFormList(FormListFile({{1, "INVOICE", "Monthly", 1, 1}, {2, "BLANK", "", 2, 0}}, {}));
    WriteGroupList(GroupNameListFile({Dir(), "_F3001.FGP"}));
    Write("_F3001.FGP", InvoiceGroup({0, 1, 2}));
    for (const char* name : kFiles) Write(name, Bytes().U32(319).Text("PAGE").str());
  }
  void TearDown() override {
    zv::DeleteDialogBrush();
    CatalogueTest::TearDown();
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(WriteWholeFile(Path(name), bytes));
  }
  std::string Contents(const std::string& name) const {
    std::string bytes;
    return ReadWholeFile(Path(name), &bytes) ? bytes : "<missing>";
  }
  Strings Snapshot() const {
    Strings all{Contents("ZVLMN3.FLT"), Contents("ZVLMN3.GLT"), Contents("_F3001.FGP")};
    for (const char* name : kFiles) all.push_back(Contents(name));
    return all;
  }
  // The edit form dialog's part: the form (or file) and a zeroed flag for
  // each of its overlay data files.
  std::function<int()> Open(int32_t form, uint32_t flags, const std::string& file = "") {
    context_->mode = file.empty() ? 0 : 1;
    context_->selectedForm = form;
    std::strcpy(context_->filePath, file.c_str());
    context_->flagCount = flags;
    if (flags) {
      context_->flagsHandle = plat::AllocMovable(flags * 4);
      context_->flags = static_cast<uint32_t*>(plat::LockMemory(context_->flagsHandle));
    }
    flags_ = context_->flags;
    return [this] {
      return static_cast<int>(zv::RunDialog("EDIT1", nullptr, zv::DeleteFormDataProc, context_.get()));
    };
  }
  // The flags while open; after the dialog they must have been freed.
  Flags Ticks() const { return Flags(flags_, flags_ + context_->flagCount); }
  void ExpectReleased() const {
    EXPECT_EQ(context_->flagsHandle, nullptr);
    EXPECT_EQ(context_->flagCount, 0u);
  }
  // A click on a row, as the mouse gives it; a key pressed and released.
  static void ClickRow(DialogRun& run, HWND list, int row) {
    RECT rect{};
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)), LB_ERR);
    const LPARAM at = MAKELPARAM(rect.left + 30, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    run.Settle();
  }
  static void PressKey(DialogRun& run, HWND list, UINT key) {
    PostMessageA(list, WM_KEYDOWN, key, 1);
    PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    run.Settle();
    run.Settle();
  }

  std::unique_ptr<zv::EditFormContext> context_;
  uint32_t* flags_ = nullptr;
};

TEST_F(DeleteFormDataTest, AFormWithoutOverlayDataOffersOnlyTheWholeForm) {
  DialogRun run(Open(2, 0));
  RunScript(run, {Wait(kTitle), Checked(kWhole), Checked(kOverlays, false), Enabled(kWhole),
                  Enabled(kOverlays, false), Enabled(kList, false), Rows(kList, {}), Click(ZV_ID_CANCEL),
                  Returns(2)});
  ExpectReleased();
}

// Clicks and the space bar turn a row's tick over once; arrows tick nothing.
TEST_F(DeleteFormDataTest, TicksFollowClicksAndTheSpaceBarAndCancelDeletesNothing) {
  const Strings before = Snapshot();
  DialogRun run(Open(1, 3));
  const Dialog d = RunScript(
      run,
      {Wait(kTitle), Rows(kList, {Line(kRecords[0], true), Line(kRecords[1], true), Line(kRecords[2], true)}),
       Checked(kWhole), Enabled(kOverlays), Enabled(kList, false), Click(kOverlays), Enabled(kList),
       Click(kWhole), Enabled(kList, false), Click(kOverlays), Enabled(kList)});
  const HWND list = d.Control(kList);
  const struct {
    int click;  // a row, or -key
    Flags after;
  } rows[] = {{1, {0, 1, 0}},        {2, {0, 1, 1}},         {1, {0, 0, 1}},
              {0, {1, 0, 1}},        {-VK_SPACE, {0, 0, 1}}, {-VK_SPACE, {1, 0, 1}},
              {-VK_DOWN, {1, 0, 1}}, {-VK_SPACE, {1, 1, 1}}, {2, {1, 1, 0}}};
  for (const auto& row : rows) {
    if (row.click >= 0) ClickRow(run, list, row.click);
    if (row.click < 0) PressKey(run, list, -row.click);
    EXPECT_EQ(Ticks(), row.after) << row.click;
  }
  RunScript(run, {Wait(kTitle), Selected(kList, 2), Click(ZV_ID_CANCEL), Returns(2)});
  ExpectReleased();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(run.Boxes().empty());
}

TEST_F(DeleteFormDataTest, EachOutcomeOfOk) {
  const struct {
    const char* what;
    bool edited, overlays, breakGroup;
    std::vector<int> ticks;
    std::vector<Step> steps;
    Strings after;  // empty: as before
  } rows[] = {
      {"nothing ticked",
       false,
       true,
       false,
       {},
       {Warned(Message(619)), Quiet(), Click(ZV_ID_CANCEL), Returns(2)},
       {}},
      {"overlays, No then Yes",
       false,
       true,
       false,
       {0, 2},
       {Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK), Asked(Message(502), IDYES), Returns(2)},
       {Contents("ZVLMN3.FLT"), Contents("ZVLMN3.GLT"), InvoiceGroup({1}), "<missing>", Contents(kFiles[1]),
        "<missing>"}},
      {"whole form, No then Yes",
       false,
       false,
       false,
       {},
       {Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK), Asked(Message(502), IDYES), Returns(1)},
       {FormListFile({{2, "BLANK", "", 2, 0}}, {}), GroupNameListFile({Dir()}), "<missing>", "<missing>",
        "<missing>", "<missing>"}},
      {"an edited file keeps the form",
       true,
       false,
       false,
       {},
       {Refused(Message(620)), Quiet(), Click(ZV_ID_CANCEL), Returns(2)},
       {}},
      {"the group info file gone",
       false,
       true,
       true,
       {1},
       {Asked(Message(502), IDYES), Refused(Message(408)), Quiet(), Click(ZV_ID_CANCEL), Returns(2)},
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Reset();
    if (row.edited) Write("_F3001.FGP", InvoiceGroup({0, 1, 2}, true));
    if (row.edited) Write("_F3001.ZL3", "EDITED");
    Strings before = Snapshot();
    DialogRun run(Open(1, 3));
    const Dialog d = RunScript(run, {Wait(kTitle)});
    if (row.overlays) d.Click(kOverlays);
    for (int tick : row.ticks) ClickRow(run, d.Control(kList), tick);
    if (row.breakGroup) {
      ASSERT_TRUE(RemoveFile(Path("_F3001.FGP")));
      before[2] = "<missing>";
    }
    Steps steps = {Wait(kTitle), Click(ZV_ID_OK)};
    steps.insert(steps.end(), row.steps.begin(), row.steps.end());
    RunScript(run, steps);
    ExpectReleased();
    EXPECT_EQ(Snapshot(), row.after.empty() ? before : row.after);
    if (row.edited) {
      EXPECT_EQ(Contents("_F3001.ZL3"), "EDITED");
    }
  }
}

// File mode: the one file's row, no tick, and just that file deleted.
TEST_F(DeleteFormDataTest, FileModeShowsTheOneFileAndDeletesJustIt) {
  const Strings before = Snapshot();
  const zv::PrintSettings record = Record(1, 300, 75);
  Write("LOGO.ZLP", OverlayDataFile("LOGO", "", SettingsRecordBytes(record), "PAGE"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("LOGO.ZLP").c_str()));
  DialogRun run(Open(0, 1, Path("LOGO.ZLP")));
  const Dialog d =
      RunScript(run, {Wait(kTitle), Visible(kWhole, false), Visible(kOverlays, false), Enabled(kWhole, false),
                      Enabled(kOverlays, false), Enabled(kList), Rows(kList, {Line(record, false)})});
  EXPECT_EQ(SettingsRecordBytes(context_->settingsRecord), SettingsRecordBytes(record));
  ClickRow(run, d.Control(kList), 0);
  EXPECT_EQ(Ticks(), Flags{0});
  RunScript(run, {Wait(kTitle), Click(ZV_ID_OK), Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK),
                  Asked(Message(502), IDYES), Returns(1)});
  ExpectReleased();
  EXPECT_FALSE(FileExists(Path("LOGO.ZLP")));
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DeleteFormDataTest, HelpShowsItsTopicAndIsNotEndedWithTheDialog) {
  Write("DRIVER.INI", "[Driver]\r\nHelpFile = D:\\HELP\\X.HLP\r\n");
  const std::string device = Path("DRIVER.INI");
  context_->deviceName = device.c_str();
  context_->driverPath = ZV_SAMPLE_DRIVER_PATH;
  HelpWatcher watcher;
  DialogRun run(Open(1, 3));
  RunScript(run, {Wait(kTitle), Click(ZV_ID_HELP)});
  const std::vector<HelpCall> calls = watcher.WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300011u);
  EXPECT_EQ(calls[0].file, "D:\\HELP\\X.HLP");
  RunScript(run, {Wait(kTitle), Click(ZV_ID_CANCEL), Returns(2)});
  EXPECT_EQ(context_->helpOpen, 1);
  EXPECT_EQ(watcher.WaitForCalls(2, 500).size(), 1u);
}

// The rows as drawn: the tick box bitmaps at the left, the selected row in
// the highlight colours, its fields starting at the columns.
TEST_F(DeleteFormDataTest, RowsAreDrawnWithTickBoxesAndInTheirColumns) {
  DialogRun run(Open(1, 3));
  const Dialog d = RunScript(run, {Wait(kTitle), Click(kOverlays)});
  const HWND list = d.Control(kList);
  ClickRow(run, list, 1);
  ASSERT_EQ(Ticks(), (Flags{0, 1, 0}));
  RECT client{}, rows[2]{};
  GetClientRect(list, &client);
  for (int i = 0; i < 2; ++i) SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rows[i]));
  HDC dc = CreateCompatibleDC(nullptr);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  HDC measure = CreateCompatibleDC(dc);
  TEXTMETRICA system{}, m{};
  SelectObject(measure, GetStockObject(SYSTEM_FONT));
  GetTextMetricsA(measure, &system);
  SelectObject(measure, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  GetTextMetricsA(measure, &m);
  DeleteDC(measure);
  // Rows are measured before the dialog gives the list its font.
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), system.tmHeight + 2);
  auto shows = [&](int bitmapId, const RECT& row) {
    const int top = (row.top + row.bottom - m.tmHeight) / 2 + (m.tmHeight - 11) / 2;
    HBITMAP tick = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, tick);
    bool same = true;
    for (int i = 0; i < 121 && same; ++i)
      same = GetPixel(dc, 3 + i % 11, top + i / 11) == GetPixel(source, i % 11, i / 11);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(tick);
    return same;
  };
  auto has = [&](COLORREF colour, int from, int to, const RECT& row) {
    for (int x = from; x < to; ++x) {
      for (int y = row.top; y < row.bottom; ++y) {
        if (GetPixel(dc, x, y) == colour) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(shows(ZV_BITMAP_TICK_EMPTY, rows[0]));
  EXPECT_FALSE(shows(ZV_BITMAP_TICK_SET, rows[0]));
  EXPECT_TRUE(shows(ZV_BITMAP_TICK_SET, rows[1]));
  EXPECT_FALSE(shows(ZV_BITMAP_TICK_EMPTY, rows[1]));
  const COLORREF text = GetSysColor(COLOR_HIGHLIGHTTEXT);
  EXPECT_EQ(GetPixel(dc, rows[1].right - 1, rows[1].bottom - 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_FALSE(has(text, 14, 16, rows[1]));
  const int second = 16 + m.tmMaxCharWidth * 35 / 10, third = second + m.tmMaxCharWidth * 46 / 10;
  const int room = m.tmAveCharWidth * 2;
  for (int column : {16, second, third}) {
    EXPECT_TRUE(has(text, column, column + room, rows[1])) << column;
    EXPECT_TRUE(column == 16 || !has(text, column - room, column, rows[1])) << column;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  RunScript(run, {Wait(kTitle), Click(ZV_ID_CANCEL), Returns(2)});
}

}  // namespace
