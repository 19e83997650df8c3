// The delete form data dialog: the rows ticked by real clicks and keys, each
// question answered Yes and No, each refusal, the files on disk compared byte
// by byte afterwards, the tick flags freed, and the rows as drawn.
#include "dialogs/delete_form_data_dialog.h"
#include "catalogue/group_info.h"
#include "dialogs/sub_dialog_fixture.h"
#include "platform/platform.h"

namespace {

using namespace subdialog;  // NOLINT: the script's steps read as a table
using Flags = std::vector<uint32_t>;
constexpr int kWhole = ZV_ID_DELETE_FORM, kOverlays = ZV_ID_DELETE_OVERLAYS, kList = ZV_ID_DELETE_LIST;
constexpr char kTitle[] = "Eliminar datos de formulario";
const char* const kFiles[] = {"_F300100.ZLP", "_F300101.ZLP", "_F300102.ZLP"};
const Step kOpen = Wait(kTitle);

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

// A click on a row, as the mouse gives it, or a key pressed and released.
void Press(DialogRun& run, HWND list, int row, UINT key = 0) {
  RECT rect{};
  ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)), LB_ERR);
  const LPARAM at = MAKELPARAM(rect.left + 30, (rect.top + rect.bottom) / 2);
  PostMessageA(list, key ? WM_KEYDOWN : WM_LBUTTONDOWN, key ? key : MK_LBUTTON, key ? 1 : at);
  PostMessageA(list, key ? WM_KEYUP : WM_LBUTTONUP, key, key ? 0xC0000001 : at);
  run.Settle();
  run.Settle();
}

// The rows as drawn: at the left of row i the set tick box bitmap when
// ticks[i] is '1', the empty one for '0', neither for '-'; the selected row
// in the highlight colours, its fields starting at their columns.
void ExpectRowsDrawn(HWND list, const std::string& ticks, int selected) {
  RECT client{}, chosen{};
  GetClientRect(list, &client);
  SendMessageA(list, LB_GETITEMRECT, selected, reinterpret_cast<LPARAM>(&chosen));
  HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  TEXTMETRICA system{}, m{};
  HDC measure = CreateCompatibleDC(dc);
  SelectObject(measure, GetStockObject(SYSTEM_FONT));
  GetTextMetricsA(measure, &system);
  SelectObject(measure, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  GetTextMetricsA(measure, &m);
  DeleteDC(measure);
  // Rows are measured before the dialog gives the list its font.
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), system.tmHeight + 2);
  const auto shows = [&](int bitmapId, const RECT& row) {
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
  std::string drawn;
  for (size_t i = 0; i < ticks.size(); ++i) {
    RECT row{};
    SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&row));
    drawn += shows(ZV_BITMAP_TICK_SET, row) ? '1' : shows(ZV_BITMAP_TICK_EMPTY, row) ? '0' : '-';
  }
  EXPECT_EQ(drawn, ticks);
  const COLORREF text = GetSysColor(COLOR_HIGHLIGHTTEXT);
  const auto has = [&](int from, int to) {
    for (int x = from; x < to; ++x)
      for (int y = chosen.top; y < chosen.bottom; ++y)
        if (GetPixel(dc, x, y) == text) return true;
    return false;
  };
  EXPECT_EQ(GetPixel(dc, chosen.right - 1, chosen.bottom - 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_FALSE(has(14, 16));
  const int second = 16 + m.tmMaxCharWidth * 35 / 10, third = second + m.tmMaxCharWidth * 46 / 10;
  const int room = m.tmAveCharWidth * 2;
  for (int column : {16, second, third}) {
    EXPECT_TRUE(has(column, column + room)) << column;
    EXPECT_TRUE(column == 16 || !has(column - room, column)) << column;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
Step Drawn(const std::string& ticks, int selected) {
  return Do([=](DialogRun&, const Dialog& d) { ExpectRowsDrawn(d.Control(kList), ticks, selected); });
}

class DeleteFormDataTest : public SubDialogTest {
 protected:
  // INVOICE (1) with three overlay data files, BLANK (2) with none; the
  // form (or file) and a zeroed flag for each of its overlay data files,
  // as the edit form dialog hands them over.
  std::function<int()> Open(int32_t form, uint32_t flags, const std::string& file = "") {
    Clear();
    Reset();
    WriteFormList(FormListFile({{1, "INVOICE", "Monthly", 1, 1}, {2, "BLANK", "", 2, 0}}, {}));
    WriteGroupList(GroupNameListFile({Dir(), "_F3001.FGP"}));
    Write("_F3001.FGP", InvoiceGroup({0, 1, 2}));
    for (const char* name : kFiles) Write(name, Bytes().U32(319).Text("PAGE").str());
    context_->mode = file.empty() ? 0 : 1;
    context_->selectedForm = form;
    std::strcpy(context_->filePath, file.c_str());
    context_->flagCount = flags;
    context_->flagsHandle = flags ? plat::AllocMovable(flags * 4) : nullptr;
    context_->flags = flags ? static_cast<uint32_t*>(plat::LockMemory(context_->flagsHandle)) : nullptr;
    return Opener("EDIT1", zv::DeleteFormDataProc);
  }
  // Runs the case; the flags are freed when the dialog ends, whatever it did.
  void Run(std::function<int()> open, Case c) {
    const auto after = c.after;
    c.after = [after](Files& f, zv::EditFormContext& e) {
      e.flagCount = 0;
      e.flagsHandle = nullptr;
      if (after) after(f, e);
    };
    Check(open, c);
  }
  // Clicks a row (or presses a key) and checks the ticks the flags hold.
  Step Tick(int row, Flags ticks, UINT key = 0) {
    return Do([=](DialogRun& run, const Dialog& d) {
      Press(run, d.Control(kList), row, key);
      EXPECT_EQ(Flags(context_->flags, context_->flags + context_->flagCount), ticks) << row << " " << key;
    });
  }
};

TEST_F(DeleteFormDataTest, AFormWithoutOverlayDataOffersOnlyTheWholeForm) {
  Run(Open(2, 0),
      {"BLANK", nullptr,
       Steps{kOpen, Checked(kWhole), Checked(kOverlays, false), Enabled(kWhole), Enabled(kOverlays, false),
             Enabled(kList, false), Rows(kList, {}), Click(ZV_ID_CANCEL), Returns(2)}});
}

// Clicks and the space bar turn a row's tick over once; arrows tick nothing.
TEST_F(DeleteFormDataTest, TicksFollowClicksAndTheSpaceBarAndCancelDeletesNothing) {
  Run(Open(1, 3),
      {"ticks", nullptr,
       Steps{kOpen, Rows(kList, {Line(kRecords[0], true), Line(kRecords[1], true), Line(kRecords[2], true)}),
             Checked(kWhole), Enabled(kOverlays), Enabled(kList, false), Click(kOverlays), Enabled(kList),
             Click(kWhole)} +
           Steps{Enabled(kList, false), Click(kOverlays), Enabled(kList), Tick(1, {0, 1, 0}), Drawn("010", 1),
                 Tick(2, {0, 1, 1}), Tick(1, {0, 0, 1}), Tick(0, {1, 0, 1}), Tick(0, {0, 0, 1}, VK_SPACE)} +
           Steps{Tick(0, {1, 0, 1}, VK_SPACE), Tick(0, {1, 0, 1}, VK_DOWN), Tick(0, {1, 1, 1}, VK_SPACE),
                 Tick(2, {1, 1, 0}), Selected(kList, 2), Click(ZV_ID_CANCEL), Returns(2)}});
}

TEST_F(DeleteFormDataTest, EachOutcomeOfOk) {
  const auto gone = [](Strings names) {
    return [names](Files& f, zv::EditFormContext&) {
      for (const std::string& name : names) f.erase(name);
    };
  };
  const Case cases[] = {
      {"nothing ticked", nullptr,
       Steps{kOpen, Click(kOverlays), Click(ZV_ID_OK), Warned(Message(619)), Quiet(), Click(ZV_ID_CANCEL),
             Returns(2)}},
      {"overlays, No then Yes", nullptr,
       Steps{kOpen, Click(kOverlays), Tick(0, {1, 0, 0}), Tick(2, {1, 0, 1}), Click(ZV_ID_OK),
             Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK), Asked(Message(502), IDYES), Returns(2)},
       [&](Files& f, zv::EditFormContext& c) {
         gone({kFiles[0], kFiles[2]})(f, c);
         f["_F3001.FGP"] = InvoiceGroup({1});
       }},
      {"whole form, No then Yes", nullptr,
       Steps{kOpen, Click(ZV_ID_OK), Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK),
             Asked(Message(502), IDYES), Returns(1)},
       [&](Files& f, zv::EditFormContext& c) {
         gone({"_F3001.FGP", kFiles[0], kFiles[1], kFiles[2]})(f, c);
         f["ZVLMN3.FLT"] = FormListFile({{2, "BLANK", "", 2, 0}}, {});
         f["ZVLMN3.GLT"] = GroupNameListFile({Dir()});
       }},
      {"an edited file keeps the form",
       [&] {
         Write("_F3001.FGP", InvoiceGroup({0, 1, 2}, true));
         Write("_F3001.ZL3", "EDITED");
       },
       Steps{kOpen, Click(ZV_ID_OK), Refused(Message(620)), Quiet(), Click(ZV_ID_CANCEL), Returns(2)}},
      {"the group info file gone", nullptr,
       Steps{kOpen, Click(kOverlays), Tick(1, {0, 1, 0}),
             Do([&](DialogRun&, const Dialog&) { ASSERT_TRUE(RemoveFile(Path("_F3001.FGP"))); }),
             Click(ZV_ID_OK), Asked(Message(502), IDYES), Refused(Message(408)), Quiet(), Click(ZV_ID_CANCEL),
             Returns(2)},
       gone({"_F3001.FGP"})},
  };
  for (const Case& c : cases) Run(Open(1, 3), c);
}

// File mode: the one file's row, no tick, and just that file deleted.
TEST_F(DeleteFormDataTest, FileModeShowsTheOneFileAndDeletesJustIt) {
  const zv::PrintSettings record = Record(1, 300, 75);
  const auto open = Open(0, 1, Path("LOGO.ZLP"));
  Write("LOGO.ZLP", OverlayDataFile("LOGO", "", SettingsRecordBytes(record), "PAGE"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("LOGO.ZLP").c_str()));
  Run(open, {"file", nullptr,
             Steps{kOpen, Visible(kWhole, false), Visible(kOverlays, false), Enabled(kWhole, false),
                   Enabled(kOverlays, false), Enabled(kList), Rows(kList, {Line(record, false)}),
                   Tick(0, {0}), Drawn("-", 0), Do([&](DialogRun&, const Dialog&) {
                     EXPECT_EQ(SettingsRecordBytes(context_->settingsRecord), SettingsRecordBytes(record));
                   }),
                   Click(ZV_ID_OK), Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK),
                   Asked(Message(502), IDYES), Returns(1)},
             [](Files& f, zv::EditFormContext&) { f.erase("LOGO.ZLP"); }});
}

TEST_F(DeleteFormDataTest, HelpShowsItsTopicAndIsNotEndedWithTheDialog) {
  const auto open = Open(1, 3);
  Write("DRIVER.INI", "[Driver]\r\nHelpFile = D:\\HELP\\X.HLP\r\n");
  const std::string device = Path("DRIVER.INI");
  context_->deviceName = device.c_str();
  ExpectHelp(open, kTitle, 300011, ZV_ID_CANCEL, 2, "D:\\HELP\\X.HLP");
}

}  // namespace
