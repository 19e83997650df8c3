// The delete form data dialog: the rows ticked by real clicks and keys and
// drawn with their tick boxes, each question answered Yes and No, each
// refusal, the files on disk compared byte by byte afterwards, the tick flags
// freed, and help.
#include "dialogs/delete_form_data_dialog.h"
#include "catalogue/group_info.h"
#include "dialogs/sub_dialog_fixture.h"
#include "platform/platform.h"

namespace {

using namespace subdialog;  // NOLINT: the script's steps read as a table
using Flags = std::vector<uint32_t>;
constexpr int kWhole = ZV_ID_DELETE_FORM, kOverlays = ZV_ID_DELETE_OVERLAYS, kList = ZV_ID_DELETE_LIST;
const char* const kFiles[] = {"_F300100.ZLP", "_F300101.ZLP", "_F300102.ZLP"};
const zv::PrintSettings kRecords[] = {
    {1, 1, 1, 0x4001, 2100, 2970, 0, 0, 9, 1, 600, 2, 0x10, 0, 2100, 2970, 0, 0, 9, 100},
    {1, 1, 1, 0x4001, 2100, 2970, 0, 0, 9, 1, 300, 1, 0x10, 0, 2100, 2970, 0, 0, 9, 75}};
const Step kOpen = Wait("Eliminar datos de formulario");

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
    entries.emplace_back(SettingsRecordBytes(kRecords[i % 2]), static_cast<int32_t>(texts.size()));
    texts.push_back(kFiles[i]);
  }
  if (edited) texts.push_back("_F3001.ZL3");
  return GroupInfoFile(entries, texts, -1, edited ? static_cast<int32_t>(texts.size() - 1) : -1);
}

// What the rows show at their left: '1' the set tick box bitmap, '0' the
// empty one, '-' neither, drawn 3 pixels in and centred on the row's text.
std::string TicksDrawn(HWND list) {
  RECT client{}, row{};
  GetClientRect(list, &client);
  HDC screen = GetDC(nullptr), dc = CreateCompatibleDC(screen), box = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, CreateCompatibleBitmap(screen, client.right, client.bottom));
  ReleaseDC(nullptr, screen);
  SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  TEXTMETRICA m{}, system{};
  GetTextMetricsA(dc, &m);
  GetTextMetricsA(box, &system);  // rows are measured before the list is given its font
  EXPECT_EQ(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0), system.tmHeight + 2);
  std::string drawn;
  for (int i = 0; SendMessageA(list, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&row)) != LB_ERR; ++i) {
    const int top = (row.top + row.bottom - m.tmHeight) / 2 + (m.tmHeight - 11) / 2;
    char seen = '-';
    for (const int id : {ZV_BITMAP_TICK_EMPTY, ZV_BITMAP_TICK_SET}) {
      HGDIOBJ previous = SelectObject(box, LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));
      bool same = true;
      for (int p = 0; p < 121 && same; ++p)
        same = GetPixel(dc, 3 + p % 11, top + p / 11) == GetPixel(box, p % 11, p / 11);
      DeleteObject(SelectObject(box, previous));
      seen = same ? (id == ZV_BITMAP_TICK_SET ? '1' : '0') : seen;
    }
    drawn += seen;
  }
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  DeleteDC(box);
  return drawn;
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
  // Clicks a row as the mouse gives it (or presses a key); the ticks the
  // flags hold after, and those the rows show.
  Step Tick(int row, Flags ticks, const std::string& drawn = "", UINT key = 0) {
    return Do([=](DialogRun& run, const Dialog& d) {
      RECT rect{};
      ASSERT_NE(SendMessageA(d.Control(kList), LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect)), LB_ERR);
      const LPARAM at = MAKELPARAM(rect.left + 30, (rect.top + rect.bottom) / 2);
      PostMessageA(d.Control(kList), key ? WM_KEYDOWN : WM_LBUTTONDOWN, key ? key : MK_LBUTTON, key ? 1 : at);
      PostMessageA(d.Control(kList), key ? WM_KEYUP : WM_LBUTTONUP, key, key ? 0xC0000001 : at);
      run.Settle();
      run.Settle();
      EXPECT_EQ(Flags(context_->flags, context_->flags + context_->flagCount), ticks) << row << " " << key;
      EXPECT_EQ(drawn.empty() ? "" : TicksDrawn(d.Control(kList)), drawn);
    });
  }
};

// Clicks and the space bar turn a row's tick over once; arrows tick nothing.
// A form without overlay data offers only the whole form.
TEST_F(DeleteFormDataTest, TicksFollowClicksAndTheSpaceBarAndCancelDeletesNothing) {
  Run(Open(2, 0), {"BLANK", nullptr,
                   Steps{kOpen, Checked(kWhole), Enabled(kOverlays, false), Enabled(kList, false),
                         Rows(kList, {}), Click(ZV_ID_CANCEL), Returns(2)}});
  Run(Open(1, 3),
      {"ticks", nullptr,
       Steps{kOpen,
             Rows(kList, {Line(kRecords[0], true), Line(kRecords[1], true), Line(kRecords[0], true)}),
             Checked(kWhole),
             Checked(kOverlays, false),
             Enabled(kList, false),
             Click(kOverlays),
             Enabled(kList),
             Click(kWhole),
             Enabled(kList, false),
             Click(kOverlays),
             Tick(1, {0, 1, 0}, "010"),
             Tick(2, {0, 1, 1}),
             Tick(1, {0, 0, 1}),
             Tick(0, {1, 0, 1}),
             Tick(0, {0, 0, 1}, "001", VK_SPACE),
             Tick(0, {0, 0, 1}, "", VK_DOWN),
             Tick(0, {0, 1, 1}, "011", VK_SPACE),
             Selected(kList, 1),
             Click(ZV_ID_CANCEL),
             Returns(2)}});
  // File mode: the one file's row, without a tick box, and just that file
  // deleted.
  const auto open = Open(0, 1, Path("LOGO.ZLP"));
  Write("LOGO.ZLP", OverlayDataFile("LOGO", "", SettingsRecordBytes(kRecords[1]), "PAGE"));
  ASSERT_TRUE(plat::SetAttributesReadOnly(Path("LOGO.ZLP").c_str()));
  Run(open,
      {"file", nullptr,
       Steps{kOpen, Visible(kWhole, false), Visible(kOverlays, false), Enabled(kList),
             Rows(kList, {Line(kRecords[1], false)}), Tick(0, {0}, "-"), Do([&](DialogRun&, const Dialog&) {
               EXPECT_EQ(SettingsRecordBytes(context_->settingsRecord), SettingsRecordBytes(kRecords[1]));
             }),
             Click(ZV_ID_OK), Asked(Message(502), IDNO), Quiet(), Click(ZV_ID_OK), Asked(Message(502), IDYES),
             Returns(1)},
       [](Files& f, zv::EditFormContext&) { f.erase("LOGO.ZLP"); }});
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
  const auto open = Open(1, 3);
  Write("DRIVER.INI", "[Driver]\r\nHelpFile = D:\\HELP\\X.HLP\r\n");
  const std::string device = Path("DRIVER.INI");
  context_->deviceName = device.c_str();
  ExpectHelp(open, "Eliminar datos de formulario", 300011, ZV_ID_CANCEL, 2, "D:\\HELP\\X.HLP");
}

}  // namespace
