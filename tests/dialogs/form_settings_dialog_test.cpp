// ZVCreateFormDlg through the real module in both resource sets, driven by
// script: the mode it opens in, the form list and the selected form's
// details, the switch between form names and files, the checks behind OK and
// Add, help, that it writes nothing itself, and the overlay rows as drawn.
#include "dialogs/form_settings_fixture.h"

namespace formsettings {
namespace {

using namespace zvtest;  // NOLINT: the steps read as a table
using Steps = std::vector<Step>;
using Records = std::vector<zv::PrintSettings>;
Steps operator+(Steps a, const Steps& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class FormSettingsTest : public BothSets {
 protected:
  // INVOICE (5, front, two overlay files in INV.FGP), LETTER (7, back, one
  // landscape Letter file), ALPHA (2, front, only its directory yet), and the
  // file entries -1 "P" (LOGO.ZLP) and -2 "C" (D:\CAPTURE\NEW.ZLP).
  void WriteCatalogue() {
    WriteFormList(FormListFile({{5, "INVOICE", "Monthly invoice", 1, 0},
                                {7, "LETTER", "Letter head", 2, 1},
                                {2, "ALPHA", "First of all", 1, 2}},
                               {{-1, "P", "Logo", 1, 3}, {-2, "C", "Capture here", 2, 4}}, 2));
    WriteGroupList(GroupNameListFile(
        {Path("INV.FGP"), Path("LET.FGP"), Dir() + "ALPHA", Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP"}));
    ASSERT_TRUE(WriteWholeFile(Path("INV.FGP"), GroupInfoOf({OtherRecord(), OtherRecord()})));
    ASSERT_TRUE(WriteWholeFile(Path("LET.FGP"), GroupInfoOf({OtherRecord()})));
  }
  // ORDER (3), then ROOM (4), ... each with the records in its group file.
  void WriteOrders(const std::vector<Records>& groups, const std::string& config = "") {
    if (!config.empty()) {
      ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\n" + config + "\r\n"));
    }
    std::vector<FormSpec> forms;
    std::vector<std::string> texts;
    for (size_t i = 0; i < groups.size(); ++i) {
      forms.push_back({static_cast<int32_t>(3 + i), i ? "ROOM" : "ORDER", "", 1, static_cast<uint32_t>(i)});
      texts.push_back(Path("G" + std::to_string(i) + ".FGP"));
      ASSERT_TRUE(WriteWholeFile(texts.back(), GroupInfoOf(groups[i])));
    }
    WriteFormList(FormListFile(forms, {}));
    WriteGroupList(GroupNameListFile(texts));
  }
  Steps FormMode() {
    return {Checked(kUseFormName), Shows(kListLabel, Message(315)), Shows(kAdd, Message(313)),
            Enabled(kOverlays)};
  }
  Steps FileMode() {
    return {Checked(kUseFormName, false), Shows(kListLabel, Message(316)),
            Shows(kAdd, Message(314)),    Enabled(kAdd),
            Enabled(kOverlays, false),    Rows(kOverlays, {})};
  }
};

TEST_P(FormSettingsTest, ScriptsOverCatalogues) {
  const Steps open = {Wait(Settings())}, cancel = {Click(kCancel), Returns(0)}, ok = {Click(kOk), Returns(1)};
  const std::vector<std::string> forms = {"INVOICE", "LETTER", "ALPHA"}, none = {Message(200)};
  auto catalogue = [this] { WriteCatalogue(); };
  const std::vector<ScriptRow> rows = {
      Row("no form at all: form names, nothing to choose", [] {}, 0,
       open + FormMode() +
           Steps{Rows(kForms, none), Selected(kForms, 0), Enabled(kOk, false), Shows(kLayer, ""),
                 Shows(kPaper, ""), Shows(kOrientation, ""), Limit(kDescription, 255)} +
           cancel,
       0),
      Row("0 with named forms: files, no entry", catalogue, 0,
       open + FileMode() +
           Steps{Rows(kForms, none), Enabled(kOk, false), Shows(kPaper, ""), Shows(kOrientation, ""),
                 Shows(kDescription, "")} +
           cancel,
       0),
      Row("a form id selects its form in catalogue order", catalogue, 7,
       open + FormMode() +
           Steps{Rows(kForms, forms), Selected(kForms, 1), Enabled(kOk), Shows(kDescription, "Letter head"),
                 Shows(kLayer, Message(310)), Rows(kOverlays, {OtherLine()}), Shows(kPaper, kLetter),
                 Shows(kOrientation, Message(306)), Select(kForms, 0), Shows(kDescription, "Monthly invoice"),
                 Shows(kLayer, Message(309)), Rows(kOverlays, {OtherLine(), OtherLine()}),
                 Shows(kPaper, kLetter), Select(kForms, 2), Shows(kDescription, "First of all"),
                 Shows(kLayer, Message(309)), Rows(kOverlays, {}), Shows(kPaper, ""),
                 Shows(kOrientation, "")} +
           ok,
       2),
      Row("portrait paper of the form's first overlay",
       [&] {
         WriteOrders({{MatchingRecord(300), OtherRecord()}});
       },
       3,
       open +
           Steps{Shows(kPaper, kA4), Shows(kOrientation, Message(305)),
                 Rows(kOverlays,
                      {Line(Message(308), "300dpi", Message(318), "100%", kA4, " -"), OtherLine()})} +
           cancel,
       3),
      Row("an unknown id chooses the first form", catalogue, 99,
       open + Steps{Selected(kForms, 0), Shows(kDescription, "Monthly invoice")} + ok, 5),
      Row("a capture entry shows its file and the driver's paper",
       [this] { WriteCatalogue(), block_ = DriverBlock(2); }, -2,
       open + FileMode() +
           Steps{Rows(kForms, {"D:\\CAPTURE\\NEW.ZLP"}), Selected(kForms, 0),
                 Shows(kDescription, "Capture here"), Shows(kLayer, Message(310)),
                 Shows(kPaper, kDriverPaperName), Shows(kOrientation, Message(306)), Enabled(kOk),
                 Select(kForms, 0), Shows(kDescription, "Capture here")} +
           ok,
       -2),
      Row("a printing entry is no choice", catalogue, -1,
       open + FileMode() +
           Steps{Rows(kForms, none), Enabled(kOk, false), Shows(kDescription, ""), Shows(kLayer, "")} +
           cancel,
       -1),
      Row("use form name switches and keeps the form chosen; help follows the mode",
       catalogue,
       -2,
       open + FileMode() + Steps{Click(kHelp), Click(kUseFormName)} + FormMode() +
           Steps{Rows(kForms, forms), Selected(kForms, 0), Shows(kDescription, "Monthly invoice"),
                 Rows(kOverlays, {OtherLine(), OtherLine()}), Select(kForms, 1), Click(kHelp), Quiet(),
                 Click(kUseFormName)} +
           FileMode() +
           Steps{Rows(kForms, {"D:\\CAPTURE\\NEW.ZLP"}), Shows(kDescription, "Capture here"),
                 Shows(kPaper, kDriverPaperName), Shows(kOrientation, Message(305)), Click(kUseFormName),
                 Selected(kForms, 1)} +
           ok,
       7,
       "=",
       "=",
       {300004, 300003}),
      Row("add stops at the form id range",
       [this] {
         ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3GRP=1,2\r\n"));
         WriteFormList(FormListFile({{1, "ONE", "", 1, 0}, {2, "TWO", "", 1, 1}}, {}));
         WriteGroupList(GroupNameListFile({Dir() + "ONE", Dir() + "TWO"}));
       },
       1, open + Steps{Click(kAdd), Refused(NumberMessage(413, 2)), Quiet()} + cancel, 1),
      Row("OK asks before replacing a match of the same resolution",
       [&] {
         WriteOrders({{OtherRecord(), MatchingRecord(600)}});
       },
       3,
       open + Steps{Click(kOk), Asked(Message(604), IDNO), Quiet(), Click(kOk), Asked(Message(604), IDYES),
                    Returns(1)},
       3),
      Row("no question for a match of another resolution", [&] { WriteOrders({{MatchingRecord(300)}}); }, 3,
       open + ok, 3),
      Row("a full group is refused; one short of full takes one more",
       [&] { WriteOrders({Records(256, OtherRecord()), Records(255, OtherRecord())}); }, 3,
       open + Steps{Click(kOk), Refused(NumberMessage(414, 256)), Quiet(), Select(kForms, 1)} + ok, 4),
      Row("the overlay number range sets the group size",
       [&] { WriteOrders({Records(3, OtherRecord())}, "F3CMD=10,12"); }, 3,
       open + Steps{Click(kOk), Refused(NumberMessage(414, 3))} + cancel, 3),
      Row("a damaged form list offers nothing",
       [this] { WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}) + "x"); }, 3,
       open + Steps{Rows(kForms, none), Enabled(kOk, false)} + cancel, 3),
      Row("cancel after changes keeps the id", catalogue, 5,
       open + Steps{Select(kForms, 1), Click(kUseFormName)} + cancel, 5)
  };
  for (const ScriptRow& row : rows) Run(row);
}

// The overlay rows are drawn in columns that advance by tenths of the list
// font's widest character: 33 after the first field, then 48 (local) or 58
// (English); the selected row in the highlight colours.
TEST_P(FormSettingsTest, OverlayRowsAreDrawnInColumns) {
  WriteCatalogue();
  int32_t id = 5;
  DialogRun run(OpenSettings(&id));
  HWND list = run.WaitForDialog(Settings()).Control(kOverlays);
  ASSERT_NE(list, nullptr);
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  RECT row0, row1, client;
  SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row0));
  SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
  GetClientRect(list, &client);
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
  HDC measure = CreateCompatibleDC(screen);
  SelectObject(measure, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  GetTextMetricsA(measure, &metrics);
  DeleteDC(measure);
  EXPECT_EQ(GetPixel(memory, row1.left, row1.top), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(GetPixel(memory, row1.right - 1, row1.bottom - 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(GetPixel(memory, row0.right - 1, (row0.top + row0.bottom) / 2), GetSysColor(COLOR_WINDOW));
  auto textIn = [&](int from, int to) {
    for (int x = from; x < to && x < client.right; ++x)
      for (int y = row1.top; y < row1.bottom; ++y)
        if (GetPixel(memory, x, y) == GetSysColor(COLOR_HIGHLIGHTTEXT)) return true;
    return false;
  };
  const int second = 1 + metrics.tmMaxCharWidth * 33 / 10;
  const int third = second + metrics.tmMaxCharWidth * (English() ? 58 : 48) / 10,
            room = metrics.tmAveCharWidth * 2;
  EXPECT_TRUE(textIn(1, 1 + room));
  EXPECT_FALSE(textIn(second - room, second));
  EXPECT_TRUE(textIn(second, second + room));
  EXPECT_FALSE(textIn(third - room, third));
  EXPECT_TRUE(textIn(third, third + room));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  RunScript(run, {Wait(Settings()), Click(kCancel), Returns(0)});
}

INSTANTIATE_TEST_SUITE_P(Sets, FormSettingsTest, ::testing::Bool(), SetName);

}  // namespace
}  // namespace formsettings
