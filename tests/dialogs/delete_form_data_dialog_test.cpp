// The delete form data dialog, linked into this program (whose resources
// stand in for the module's) and opened on an edit form context as the edit
// form dialog fills it: catalogues built byte by byte, the rows ticked with
// real clicks and key presses, the question answered, and the files on disk
// compared afterwards. Also the rows as drawn and the templates' layout.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/group_info.h"
#include "catalogue/print_settings.h"
#include "dialogs/delete_form_data_dialog.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"

namespace {

using Strings = std::vector<std::string>;
using zvtest::Bytes;
using zvtest::FormListFile;
using zvtest::FormSpec;
using zvtest::GroupInfoFile;
using zvtest::GroupNameListFile;

constexpr int kWholeForm = ZV_ID_DELETE_FORM;
constexpr int kOverlays = ZV_ID_DELETE_OVERLAYS;
constexpr int kList = ZV_ID_DELETE_LIST;
constexpr int kGraphicModeNote = 2317;
constexpr int kColumnTitles = 1005;

constexpr int32_t kInvoice = 1;  // three overlay data files
constexpr int32_t kBlank = 2;    // none yet

// Overlay data that the catalogue takes for a file with a header.
const std::string kPageData = Bytes().U32(319).Text("PAGE").str();

// The icon that a message box shows.
BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
  if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
  *reinterpret_cast<HICON*>(found) = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  return FALSE;
}
HICON BoxIcon(HWND box) {
  HICON icon = nullptr;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  return icon;
}

std::string Message(uint32_t id) {
  char text[zv::kMessageBufferSize] = {};
  zv::LoadMessage(id, text, sizeof text);
  return text;
}

// Three records told apart by colour, resolution and zoom.
zv::PrintSettings Record(uint8_t colour, uint16_t resolution, uint16_t zoom) {
  zv::PrintSettings s{};
  s.mark = 1;
  s.layer = 1;
  s.modeLevel = 1;
  s.modelId = 0x4001;
  s.paperWidth = 2100;
  s.paperHeight = 2970;
  s.paperCode = 9;
  s.orientation = 1;
  s.resolution = resolution;
  s.colour = colour;
  s.printingMode = 0x10;
  s.outputWidth = 2100;
  s.outputHeight = 2970;
  s.outputCode = 9;
  s.zoom = zoom;
  return s;
}
const zv::PrintSettings kRecords[] = {Record(2, 600, 100), Record(1, 300, 100), Record(2, 600, 50)};
const char* const kOverlayFiles[] = {"_F300100.ZLP", "_F300101.ZLP", "_F300102.ZLP"};

std::string Line(const zv::PrintSettings& settings, bool matchSize) {
  char line[zv::kOverlayLineSize] = {};
  zv::BuildOverlayLine(settings, nullptr, 0, matchSize, line);
  return line;
}

// A .ZLP file: its 319-byte header with the record, then page data.
std::string OverlayFileBytes(const zv::PrintSettings& settings) {
  std::string header = Bytes().U32(319).str();
  header += std::string("LOGO") + std::string(21, '\0');
  header += std::string(256, '\0');
  header += zvtest::SettingsRecordBytes(settings);
  return header + "PAGE";
}

// The group info file of the invoice with the entries that `keep` names,
// in order, their texts renumbered as the catalogue keeps them.
std::string InvoiceGroup(const std::vector<int>& keep, int32_t edited = -1) {
  std::vector<zvtest::GroupInfoEntry> entries;
  Strings texts;
  for (int i : keep) {
    entries.emplace_back(zvtest::SettingsRecordBytes(kRecords[i]), static_cast<int32_t>(texts.size()));
    texts.push_back(kOverlayFiles[i]);
  }
  if (edited >= 0) texts.push_back("_F3001.ZL3");
  return GroupInfoFile(entries, texts, -1, edited >= 0 ? static_cast<int32_t>(texts.size() - 1) : -1);
}

class DeleteFormDataTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    context_.reset(new zv::EditFormContext);
    std::memset(context_.get(), 0, sizeof *context_);
    zv::CreateDialogBrush();
  }
  void TearDown() override {
    zv::DeleteDialogBrush();
    if (context_->flagsHandle != nullptr) {
      plat::UnlockMemory(context_->flagsHandle);
      plat::FreeMemory(context_->flagsHandle);
    }
    CatalogueTest::TearDown();
  }

  // INVOICE with its three overlay data files, BLANK with none.
  void WriteCatalogue(int32_t edited = -1) {
    WriteFormList(FormListFile({{kInvoice, "INVOICE", "Monthly", 1, 1}, {kBlank, "BLANK", "", 2, 0}}, {}));
    WriteGroupList(GroupNameListFile({Dir(), "_F3001.FGP"}));
    Write("_F3001.FGP", InvoiceGroup({0, 1, 2}, edited));
    for (const char* name : kOverlayFiles) Write(name, kPageData);
    if (edited >= 0) Write("_F3001.ZL3", "EDITED");
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(zvtest::WriteWholeFile(Path(name), bytes)) << name;
  }
  std::string Contents(const std::string& path) const {
    std::string bytes;
    return zvtest::ReadWholeFile(path, &bytes) ? bytes : "<missing>";
  }
  Strings Snapshot() const {
    Strings all{Contents(FormListPath()), Contents(GroupListPath()), Contents(Path("_F3001.FGP"))};
    for (const char* name : kOverlayFiles) all.push_back(Contents(Path(name)));
    return all;
  }

  // The edit form dialog's part before it opens this one: the selected
  // form and a zeroed flag for each of its overlay data files.
  void PrepareForm(int32_t formId, uint32_t flagCount) {
    context_->mode = 0;
    context_->selectedForm = formId;
    AllocateFlags(flagCount);
  }
  void PrepareFile(const std::string& path) {
    context_->mode = 1;
    std::strcpy(context_->filePath, path.c_str());
    AllocateFlags(1);
  }
  void AllocateFlags(uint32_t count) {
    context_->flagCount = count;
    if (count == 0) return;
    context_->flagsHandle = plat::AllocMovable(count * 4);
    ASSERT_NE(context_->flagsHandle, nullptr);
    context_->flags = static_cast<uint32_t*>(plat::LockMemory(context_->flagsHandle));
    ASSERT_NE(context_->flags, nullptr);
  }

  std::function<int()> Open(const char* name = "EDIT1") {
    return [this, name] {
      return static_cast<int>(zv::RunDialog(name, nullptr, zv::DeleteFormDataProc, context_.get()));
    };
  }
  static std::string Title() { return "Eliminar datos de formulario"; }

  std::vector<uint32_t> Flags() const {
    return context_->flags ? std::vector<uint32_t>(context_->flags, context_->flags + context_->flagCount)
                           : std::vector<uint32_t>{};
  }
  void ExpectFlagsReleased() const {
    EXPECT_EQ(context_->flagsHandle, nullptr);
    EXPECT_EQ(context_->flagCount, 0u);
  }

  // A click on a row of the list, as the mouse gives it.
  static void ClickRow(zvtest::DialogRun& run, HWND list, int row) {
    RECT rect{};
    ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)), LB_ERR);
    const LPARAM at = MAKELPARAM(rect.left + 30, (rect.top + rect.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    run.Settle();
  }
  // A key pressed and released on the list, as the keyboard gives it: the
  // dialog's loop translates the key down into its character, which is
  // handled after everything posted before it.
  static void PressKey(zvtest::DialogRun& run, HWND list, UINT key) {
    PostMessageA(list, WM_KEYDOWN, key, 1);
    PostMessageA(list, WM_KEYUP, key, 0xC0000001);
    run.Settle();
    run.Settle();
  }

  std::unique_ptr<zv::EditFormContext> context_;
};

TEST_F(DeleteFormDataTest, AFormWithoutOverlayDataOffersOnlyTheWholeForm) {
  WriteCatalogue();
  PrepareForm(kBlank, 0);
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_TRUE(d.IsChecked(kWholeForm));
  EXPECT_FALSE(d.IsChecked(kOverlays));
  EXPECT_TRUE(d.IsEnabled(kWholeForm));
  EXPECT_FALSE(d.IsEnabled(kOverlays));
  EXPECT_FALSE(d.IsEnabled(kList));
  EXPECT_TRUE(d.ListItems(kList).empty());
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
}

TEST_F(DeleteFormDataTest, TheRowsAreTickedOnlyWhileOverlayDataIsChosen) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  const Strings before = Snapshot();
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_EQ(d.ListItems(kList),
            (Strings{Line(kRecords[0], true), Line(kRecords[1], true), Line(kRecords[2], true)}));
  EXPECT_TRUE(d.IsChecked(kWholeForm));
  EXPECT_TRUE(d.IsEnabled(kOverlays));
  EXPECT_FALSE(d.IsEnabled(kList));
  d.Click(kOverlays);
  EXPECT_TRUE(d.IsEnabled(kList));
  d.Click(kWholeForm);
  EXPECT_FALSE(d.IsEnabled(kList));
  d.Click(kOverlays);
  EXPECT_TRUE(d.IsEnabled(kList));

  // Each click on a row turns its tick over, once.
  HWND list = d.Control(kList);
  ClickRow(run, list, 1);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{0, 1, 0}));
  ClickRow(run, list, 2);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{0, 1, 1}));
  ClickRow(run, list, 1);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{0, 0, 1}));
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DeleteFormDataTest, TheSpaceBarTurnsTheCurrentTickOverOnce) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kOverlays);
  HWND list = d.Control(kList);
  ClickRow(run, list, 0);
  ASSERT_EQ(Flags(), (std::vector<uint32_t>{1, 0, 0}));

  PressKey(run, list, VK_SPACE);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{0, 0, 0}));
  PressKey(run, list, VK_SPACE);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{1, 0, 0}));
  // Moving with the arrow keys ticks nothing; the space bar ticks the row
  // moved to.
  PressKey(run, list, VK_DOWN);
  EXPECT_EQ(d.ListSelection(kList), 1);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{1, 0, 0}));
  PressKey(run, list, VK_SPACE);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{1, 1, 0}));
  // After a key, the next click counts again.
  ClickRow(run, list, 2);
  EXPECT_EQ(Flags(), (std::vector<uint32_t>{1, 1, 1}));
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
}

TEST_F(DeleteFormDataTest, OverlayDataWithNothingTickedIsAskedFor) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  const Strings before = Snapshot();
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kOverlays);
  d.Click(ZV_ID_OK);
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(619));
  EXPECT_EQ(box.caption, "Overlay");
  EXPECT_FALSE(box.stopIcon);
  EXPECT_FALSE(box.questionIcon);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  EXPECT_EQ(BoxIcon(box.window), LoadIconA(nullptr, IDI_EXCLAMATION));
  run.AnswerBox(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Snapshot(), before);
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(run.Boxes().size(), 1u);
}

TEST_F(DeleteFormDataTest, TheTickedOverlayDataGoesAndTheFormStays) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  const Strings before = Snapshot();
  const std::string formList = Contents(FormListPath());
  const std::string groupList = Contents(GroupListPath());
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kOverlays);
  HWND list = d.Control(kList);
  ClickRow(run, list, 0);
  ClickRow(run, list, 2);

  // No leaves everything as it was.
  d.Click(ZV_ID_OK);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(502));
  EXPECT_TRUE(box.questionIcon);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  run.AnswerBox(IDNO);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Snapshot(), before);

  d.Click(ZV_ID_OK);
  box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(502));
  run.AnswerBox(IDYES);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
  EXPECT_EQ(Contents(Path("_F3001.FGP")), InvoiceGroup({1}));
  EXPECT_EQ(Contents(FormListPath()), formList);
  EXPECT_EQ(Contents(GroupListPath()), groupList);
  EXPECT_FALSE(zvtest::FileExists(Path(kOverlayFiles[0])));
  EXPECT_TRUE(zvtest::FileExists(Path(kOverlayFiles[1])));
  EXPECT_FALSE(zvtest::FileExists(Path(kOverlayFiles[2])));
}

TEST_F(DeleteFormDataTest, TheWholeFormGoesWithItsFiles) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  const Strings before = Snapshot();
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(ZV_ID_OK);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(502));
  run.AnswerBox(IDNO);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Snapshot(), before);

  d.Click(ZV_ID_OK);
  run.WaitForBox();
  run.AnswerBox(IDYES);
  EXPECT_EQ(run.Result(), 1);
  ExpectFlagsReleased();
  EXPECT_EQ(Contents(FormListPath()), FormListFile({{kBlank, "BLANK", "", 2, 0}}, {}));
  EXPECT_EQ(Contents(GroupListPath()), GroupNameListFile({Dir()}));
  EXPECT_FALSE(zvtest::FileExists(Path("_F3001.FGP")));
  for (const char* name : kOverlayFiles) EXPECT_FALSE(zvtest::FileExists(Path(name))) << name;
}

TEST_F(DeleteFormDataTest, AFormWithAnEditedFileIsNotDeleted) {
  WriteCatalogue(3);
  PrepareForm(kInvoice, 3);
  const Strings before = Snapshot();
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(ZV_ID_OK);
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(620));
  EXPECT_TRUE(box.stopIcon);
  run.AnswerBox(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(zvtest::FileExists(Path("_F3001.ZL3")));
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(run.Boxes().size(), 1u);
  ExpectFlagsReleased();
}

// A failing deletion shows the catalogue's message and stays open.
TEST_F(DeleteFormDataTest, AFailedDeletionIsReportedAndTheDialogStays) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kOverlays);
  ClickRow(run, d.Control(kList), 1);
  // The group info file goes missing behind the dialog's back.
  ASSERT_TRUE(zvtest::RemoveFile(Path("_F3001.FGP")));
  d.Click(ZV_ID_OK);
  run.WaitForBox();
  run.AnswerBox(IDYES);
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(408));
  EXPECT_TRUE(box.stopIcon);
  run.AnswerBox(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_TRUE(zvtest::FileExists(Path(kOverlayFiles[1])));
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
}

TEST_F(DeleteFormDataTest, FileModeShowsTheOneFileAndDeletesJustIt) {
  WriteCatalogue();
  const Strings before = Snapshot();
  const zv::PrintSettings record = Record(1, 300, 75);
  Write("LOGO.ZLP", OverlayFileBytes(record));
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("LOGO.ZLP").c_str()));
  PrepareFile(Path("LOGO.ZLP"));
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  EXPECT_FALSE(d.IsVisible(kWholeForm));
  EXPECT_FALSE(d.IsVisible(kOverlays));
  EXPECT_FALSE(d.IsEnabled(kWholeForm));
  EXPECT_FALSE(d.IsEnabled(kOverlays));
  EXPECT_TRUE(d.IsEnabled(kList));
  EXPECT_EQ(d.ListItems(kList), Strings{Line(record, false)});
  unsigned char stored[34];
  unsigned char expected[34];
  zv::EncodePrintSettings(context_->settingsRecord, stored);
  zv::EncodePrintSettings(record, expected);
  EXPECT_EQ(0, std::memcmp(stored, expected, sizeof stored));
  // A click ticks nothing in file mode.
  ClickRow(run, d.Control(kList), 0);
  EXPECT_EQ(Flags(), std::vector<uint32_t>{0});

  d.Click(ZV_ID_OK);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(502));
  EXPECT_TRUE(box.questionIcon);
  run.AnswerBox(IDNO);
  EXPECT_TRUE(run.IsActive(d));
  EXPECT_TRUE(zvtest::FileExists(Path("LOGO.ZLP")));
  d.Click(ZV_ID_OK);
  run.WaitForBox();
  run.AnswerBox(IDYES);
  EXPECT_EQ(run.Result(), 1);
  ExpectFlagsReleased();
  EXPECT_FALSE(zvtest::FileExists(Path("LOGO.ZLP")));
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(DeleteFormDataTest, CancelWithTicksDeletesNothing) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  const Strings before = Snapshot();
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kOverlays);
  ClickRow(run, d.Control(kList), 0);
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(run.Boxes().empty());
}

TEST_F(DeleteFormDataTest, HelpShowsItsTopicAndIsNotEndedWithTheDialog) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  const std::string device = Path("DRIVER.INI");
  Write("DRIVER.INI", "[Driver]\r\nHelpFile = D:\\HELP\\X.HLP\r\n");
  context_->deviceName = device.c_str();
  context_->driverPath = ZV_SAMPLE_DRIVER_PATH;
  zvtest::HelpWatcher watcher;
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(ZV_ID_HELP);
  std::vector<zvtest::HelpCall> calls = watcher.WaitForCalls(1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300011u);
  EXPECT_EQ(calls[0].file, "D:\\HELP\\X.HLP");
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  EXPECT_EQ(context_->helpOpen, 1);
  EXPECT_EQ(watcher.WaitForCalls(2, 500).size(), 1u);
  ExpectFlagsReleased();
}

// ---------------------------------------------------------------------------
// The rows as drawn.

struct Capture {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  RECT client{};
  TEXTMETRICA metrics{};
  explicit Capture(HWND list) {
    GetClientRect(list, &client);
    HDC screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
    SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    HDC measure = CreateCompatibleDC(dc);
    HGDIOBJ oldFont = SelectObject(measure, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    GetTextMetricsA(measure, &metrics);
    SelectObject(measure, oldFont);
    DeleteDC(measure);
  }
  ~Capture() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // The pixels of the tick box bitmap appear at x, y.
  bool ShowsBitmap(int bitmapId, int x, int y) const {
    HBITMAP tick = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmapId));
    if (tick == nullptr) return false;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, tick);
    bool same = true;
    for (int i = 0; i < 11 && same; ++i) {
      for (int j = 0; j < 11 && same; ++j) same = GetPixel(dc, x + i, y + j) == GetPixel(source, i, j);
    }
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(tick);
    return same;
  }
  bool HasColour(COLORREF colour, int fromX, int toX, const RECT& row) const {
    for (int x = fromX; x < toX && x < client.right; ++x) {
      for (int y = row.top; y < row.bottom; ++y) {
        if (GetPixel(dc, x, y) == colour) return true;
      }
    }
    return false;
  }
  bool AllOf(COLORREF colour, int fromX, int toX, const RECT& row) const {
    for (int x = fromX; x < toX; ++x) {
      for (int y = row.top; y < row.bottom; ++y) {
        if (GetPixel(dc, x, y) != colour) return false;
      }
    }
    return true;
  }
};

RECT RowRect(HWND list, int row) {
  RECT rect{};
  SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
  return rect;
}

TEST_F(DeleteFormDataTest, RowsAreDrawnWithTickBoxesAndInTheirColumns) {
  WriteCatalogue();
  PrepareForm(kInvoice, 3);
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  d.Click(kOverlays);
  HWND list = d.Control(kList);
  ClickRow(run, list, 1);  // ticked and selected
  ASSERT_EQ(Flags(), (std::vector<uint32_t>{0, 1, 0}));
  Capture capture(list);
  const TEXTMETRICA& m = capture.metrics;
  // Rows are measured when the list is made, before the dialog gives it its
  // font: the system font's height and two pixels.
  TEXTMETRICA system{};
  HDC measure = CreateCompatibleDC(capture.dc);
  HGDIOBJ oldFont = SelectObject(measure, GetStockObject(SYSTEM_FONT));
  GetTextMetricsA(measure, &system);
  SelectObject(measure, oldFont);
  DeleteDC(measure);
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), system.tmHeight + 2);

  const RECT row0 = RowRect(list, 0);
  const RECT row1 = RowRect(list, 1);
  auto boxTop = [&m](const RECT& row) {
    return (row.top + row.bottom - m.tmHeight) / 2 + (m.tmHeight - 11) / 2;
  };
  EXPECT_TRUE(capture.ShowsBitmap(ZV_BITMAP_TICK_EMPTY, 3, boxTop(row0)));
  EXPECT_FALSE(capture.ShowsBitmap(ZV_BITMAP_TICK_SET, 3, boxTop(row0)));
  EXPECT_TRUE(capture.ShowsBitmap(ZV_BITMAP_TICK_SET, 3, boxTop(row1)));
  EXPECT_FALSE(capture.ShowsBitmap(ZV_BITMAP_TICK_EMPTY, 3, boxTop(row1)));

  // The selected row in the highlight colours, its fields at the columns:
  // the first at 16, then 35 and 46 tenths of the widest character on.
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  EXPECT_EQ(GetPixel(capture.dc, row1.right - 1, row1.bottom - 1), highlight);
  EXPECT_TRUE(capture.AllOf(highlight, 14, 16, row1));
  const int unit = m.tmMaxCharWidth;
  const int second = 16 + unit * 35 / 10;
  const int third = second + unit * 46 / 10;
  const int room = m.tmAveCharWidth * 2;
  EXPECT_TRUE(capture.HasColour(highlightText, 16, 16 + room, row1));
  EXPECT_FALSE(capture.HasColour(highlightText, second - room, second, row1));
  EXPECT_TRUE(capture.HasColour(highlightText, second, second + room, row1));
  EXPECT_FALSE(capture.HasColour(highlightText, third - room, third, row1));
  EXPECT_TRUE(capture.HasColour(highlightText, third, third + room, row1));
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
}

TEST_F(DeleteFormDataTest, FileModeRowHasNoTickBox) {
  const zv::PrintSettings record = Record(1, 300, 75);
  Write("LOGO.ZLP", OverlayFileBytes(record));
  PrepareFile(Path("LOGO.ZLP"));
  zvtest::DialogRun run(Open());
  zvtest::Dialog d = run.WaitForDialog(Title());
  HWND list = d.Control(kList);
  Capture capture(list);
  const RECT row0 = RowRect(list, 0);
  const COLORREF back =
      GetSysColor(SendMessageA(list, LB_GETCURSEL, 0, 0) == 0 ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  EXPECT_TRUE(capture.AllOf(back, 0, 16, row0));
  const COLORREF text =
      GetSysColor(SendMessageA(list, LB_GETCURSEL, 0, 0) == 0 ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  EXPECT_TRUE(capture.HasColour(text, 16, 16 + capture.metrics.tmAveCharWidth * 2, row0));
  d.Click(ZV_ID_CANCEL);
  EXPECT_EQ(run.Result(), 2);
  ExpectFlagsReleased();
  EXPECT_TRUE(zvtest::FileExists(Path("LOGO.ZLP")));
}

// ---------------------------------------------------------------------------
// The templates.

INT_PTR CALLBACK Passive(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

struct Shown {
  int id;
  RECT rect;
  std::string text;
  std::string cls;
};

std::vector<Shown> ShownControls(HWND dialog) {
  std::vector<Shown> shown;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE)) continue;
    Shown s{GetDlgCtrlID(child), {}, {}, {}};
    GetWindowRect(child, &s.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&s.rect), 2);
    char text[256] = "";
    GetWindowTextA(child, text, sizeof text);
    s.text = text;
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    s.cls = cls;
    shown.push_back(s);
  }
  return shown;
}

class TemplateTest : public ::testing::TestWithParam<const char*> {};

// Every control inside the dialog, none over another, the titles within
// their columns and the texts within their controls.
TEST_P(TemplateTest, ControlsFitAndTitlesLineUpWithTheColumns) {
  const std::string name = GetParam();
  const bool english = name[0] == 'W';
  HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), name.c_str(), nullptr, Passive, 0);
  ASSERT_NE(dialog, nullptr);
  RECT client{};
  GetClientRect(dialog, &client);
  const std::vector<Shown> shown = ShownControls(dialog);
  for (size_t i = 0; i < shown.size(); ++i) {
    const RECT& r = shown[i].rect;
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
        << shown[i].id;
    for (size_t j = i + 1; j < shown.size(); ++j) {
      RECT overlap{};
      EXPECT_FALSE(IntersectRect(&overlap, &r, &shown[j].rect)) << shown[i].id << " and " << shown[j].id;
    }
  }
  HWND list = GetDlgItem(dialog, kList);
  ASSERT_NE(list, nullptr);
  const LONG style = GetWindowLongA(list, GWL_STYLE);
  // (The list drops WS_VSCROLL while its rows fit.)
  const LONG wanted =
      LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT | LBS_NOINTEGRALHEIGHT;
  EXPECT_EQ(style & wanted, wanted);

  HDC dc = GetDC(dialog);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
  TEXTMETRICA m{};
  GetTextMetricsA(dc, &m);
  const Shown* titles = nullptr;
  for (const Shown& s : shown) {
    SIZE size{};
    GetTextExtentPoint32A(dc, s.text.c_str(), static_cast<int>(s.text.size()), &size);
    if (s.cls == "Static" && s.text.find(',') != std::string::npos) {
      titles = &s;
    } else if (s.cls == "Button" || s.cls == "Static") {
      // A radio button's circle takes about a character's room.
      const int room = s.rect.right - s.rect.left - (s.cls == "Button" ? m.tmAveCharWidth * 3 : 0);
      EXPECT_LE(size.cx, room) << s.text;
    }
  }
  ASSERT_NE(titles, nullptr);
  if (!english) {
    EXPECT_EQ(titles->id, kColumnTitles);
  }
  Strings fields;
  std::string field;
  for (char c : titles->text + ",") {
    if (c == ',') {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  ASSERT_EQ(fields.size(), 6u);
  const int localSteps[] = {35, 46, 76, 34, 120};
  const int englishSteps[] = {35, 55, 90, 31, 105};
  const int* steps = english ? englishSteps : localSteps;
  int x = 16;
  for (size_t i = 0; i < fields.size(); ++i) {
    SIZE size{};
    GetTextExtentPoint32A(dc, fields[i].c_str(), static_cast<int>(fields[i].size()), &size);
    if (i + 1 < fields.size()) {
      EXPECT_LT(size.cx + 2, m.tmMaxCharWidth * steps[i] / 10) << fields[i];
      x += m.tmMaxCharWidth * steps[i] / 10;
    } else {
      // The last title ends inside the list, clear of its scroll bar.
      RECT listRect{};
      GetClientRect(list, &listRect);
      EXPECT_LE(x + size.cx, listRect.right) << fields[i];
    }
  }
  SelectObject(dc, oldFont);
  ReleaseDC(dialog, dc);
  if (!english) {
    EXPECT_EQ(GetDlgItem(dialog, kGraphicModeNote) != nullptr, true);
    char note[64] = "";
    GetDlgItemTextA(dialog, kGraphicModeNote, note, sizeof note);
    EXPECT_STREQ(note, "(Modo Gr\341fico)");
  } else {
    char caption[64] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Delete Form data");
    EXPECT_EQ(GetDlgItem(dialog, kGraphicModeNote), nullptr);
  }
  DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Sets, TemplateTest, ::testing::Values("EDIT1", "W_EDIT1"));

}  // namespace
