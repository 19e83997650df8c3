// ZVCreateFormDlg through the real module in both resource sets, driven as a
// user would: the mode it opens in, the form list and the selected form's
// details, the switch between form names and files, the checks behind OK and
// Add, help, that cancelling leaves the catalogue alone, and the overlay
// rows as drawn.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "dialogs/form_settings_fixture.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"
#include "support/dialog_script.h"

namespace formsettings {
namespace {

using Strings = std::vector<std::string>;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;
using namespace zvtest;

std::vector<Step> Cat(std::initializer_list<std::vector<Step>> parts) {
  std::vector<Step> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class FormSettingsTest : public BothSets {
 protected:
  // Named forms INVOICE (5, front, two overlay data files in INV.FGP),
  // LETTER (7, back, one landscape Letter file in LET.FGP) and ALPHA (2,
  // front, only its save directory yet), and the file entries -1 "P"
  // (LOGO.ZLP) and -2 "C" (D:\CAPTURE\NEW.ZLP).
  void WriteCatalogue() {
    WriteFormList(FormListFile(
        {{5, "INVOICE", "Monthly invoice", 1, 0}, {7, "LETTER", "Letter head", 2, 1}, {2, "ALPHA", "First of all", 1, 2}},
        {{-1, "P", "Logo", 1, 3}, {-2, "C", "Capture here", 2, 4}}, 2));
    WriteGroupList(GroupNameListFile(
        {Path("INV.FGP"), Path("LET.FGP"), Dir() + "ALPHA", Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP"}));
    ASSERT_TRUE(WriteWholeFile(Path("INV.FGP"), GroupInfoOf({OtherRecord(), OtherRecord()})));
    ASSERT_TRUE(WriteWholeFile(Path("LET.FGP"), GroupInfoOf({OtherRecord()})));
  }
  // ORDER (3) and further forms, each with the records in its group file.
  void WriteOrders(const std::vector<std::vector<zv::PrintSettings>>& groups) {
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
  std::vector<Step> FormMode() {
    return {Checked(kUseFormName), Shows(kListLabel, Message(315)), Shows(kAdd, Message(313)), Enabled(kOverlays)};
  }
  std::vector<Step> FileMode() {
    return {Checked(kUseFormName, false), Shows(kListLabel, Message(316)), Shows(kAdd, Message(314)),
            Enabled(kAdd), Enabled(kOverlays, false), Rows(kOverlays, {})};
  }
};

TEST_P(FormSettingsTest, ScriptsOverCatalogues) {
  const std::string t = TitlesOfSet().settings;
  const Strings forms = {"INVOICE", "LETTER", "ALPHA"}, none = {Message(200)};
  auto catalogue = [this] { WriteCatalogue(); };
  const std::vector<zv::PrintSettings> other(1, OtherRecord());
  struct Row {
    const char* what;
    std::function<void()> setUp;
    int32_t in;
    std::vector<Step> steps;
    int32_t out;
  };
  const std::vector<Row> rows = {
      {"no form at all: form names, nothing to choose", [] {}, 0,
       Cat({{Wait(t)}, FormMode(), {Rows(kForms, none), Selected(kForms, 0), Enabled(kOk, false), Shows(kLayer, ""),
        Shows(kPaper, ""), Shows(kOrientation, ""), Limit(kDescription, 255), Click(kCancel), Returns(0)}}), 0},
      {"0 with named forms: files, no entry", catalogue, 0,
       Cat({{Wait(t)}, FileMode(), {Rows(kForms, none), Enabled(kOk, false), Shows(kPaper, ""), Shows(kOrientation, ""),
        Shows(kDescription, ""), Click(kCancel), Returns(0)}}), 0},
      {"a form id selects its form in catalogue order", catalogue, 7,
       Cat({{Wait(t)}, FormMode(), {Rows(kForms, forms), Selected(kForms, 1), Enabled(kOk), Shows(kDescription, "Letter head"),
        Shows(kLayer, Message(310)), Rows(kOverlays, {OtherLine()}), Shows(kPaper, kLetter), Shows(kOrientation, Message(306)),
        Select(kForms, 0), Shows(kDescription, "Monthly invoice"), Shows(kLayer, Message(309)),
        Rows(kOverlays, {OtherLine(), OtherLine()}), Shows(kPaper, kLetter),
        Select(kForms, 2), Shows(kDescription, "First of all"), Shows(kLayer, Message(309)), Rows(kOverlays, {}),
        Shows(kPaper, ""), Shows(kOrientation, ""), Click(kOk), Returns(1)}}), 2},
      {"portrait paper of the form's first overlay", [&] { WriteOrders({{MatchingRecord(300), OtherRecord()}}); }, 3,
       {Wait(t), Shows(kPaper, kA4), Shows(kOrientation, Message(305)),
        Rows(kOverlays, {Line(Message(308), "300dpi", Message(318), "100%", kA4, " -"), OtherLine()}), Click(kCancel),
        Returns(0)}, 3},
      {"an unknown id chooses the first form", catalogue, 99,
       {Wait(t), Selected(kForms, 0), Shows(kDescription, "Monthly invoice"), Click(kOk), Returns(1)}, 5},
      {"a capture entry shows its file and the driver's paper", [this] { WriteCatalogue(); block_ = DriverBlock(2); }, -2,
       Cat({{Wait(t)}, FileMode(), {Rows(kForms, {"D:\\CAPTURE\\NEW.ZLP"}), Selected(kForms, 0),
        Shows(kDescription, "Capture here"), Shows(kLayer, Message(310)), Shows(kPaper, kDriverPaperName),
        Shows(kOrientation, Message(306)), Enabled(kOk), Select(kForms, 0), Shows(kDescription, "Capture here"),
        Click(kOk), Returns(1)}}), -2},
      {"a printing entry is no choice", catalogue, -1,
       Cat({{Wait(t)}, FileMode(), {Rows(kForms, none), Enabled(kOk, false), Shows(kDescription, ""), Shows(kLayer, ""),
        Click(kCancel), Returns(0)}}), -1},
      {"use form name switches and keeps the form chosen", catalogue, -2,
       Cat({{Wait(t)}, FileMode(), {Click(kUseFormName)}, FormMode(), {Rows(kForms, forms), Selected(kForms, 0),
        Shows(kDescription, "Monthly invoice"), Rows(kOverlays, {OtherLine(), OtherLine()}), Select(kForms, 1),
        Click(kUseFormName)}, FileMode(), {Rows(kForms, {"D:\\CAPTURE\\NEW.ZLP"}), Shows(kDescription, "Capture here"),
        Shows(kPaper, kDriverPaperName), Shows(kOrientation, Message(305)), Click(kUseFormName), Selected(kForms, 1),
        Click(kOk), Returns(1)}}), 7},
      {"add stops at the form id range", [this] {
         ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3GRP=1,2\r\n"));
         WriteFormList(FormListFile({{1, "ONE", "", 1, 0}, {2, "TWO", "", 1, 1}}, {}));
         WriteGroupList(GroupNameListFile({Dir() + "ONE", Dir() + "TWO"}));
       }, 1, {Wait(t), Click(kAdd), Refused(NumberMessage(413, 2)), Quiet(), Click(kCancel), Returns(0)}, 1},
      {"OK asks before replacing a match of the same resolution", [&] { WriteOrders({{OtherRecord(), MatchingRecord(600)}}); }, 3,
       {Wait(t), Click(kOk), Asked(Message(604), IDNO), Quiet(), Click(kOk), Asked(Message(604), IDYES), Returns(1)}, 3},
      {"no question for a match of another resolution", [&] { WriteOrders({{MatchingRecord(300)}}); }, 3,
       {Wait(t), Click(kOk), Returns(1)}, 3},
      {"a full group is refused; one short of full takes one more",
       [&] { WriteOrders({std::vector<zv::PrintSettings>(256, OtherRecord()), std::vector<zv::PrintSettings>(255, OtherRecord())}); }, 3,
       {Wait(t), Click(kOk), Refused(NumberMessage(414, 256)), Quiet(), Select(kForms, 1), Click(kOk), Returns(1)}, 4},
      {"the overlay number range sets the group size", [&] {
         ASSERT_TRUE(WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=10,12\r\n"));
         WriteOrders({std::vector<zv::PrintSettings>(3, OtherRecord())});
       }, 3, {Wait(t), Click(kOk), Refused(NumberMessage(414, 3)), Click(kCancel), Returns(0)}, 3},
      {"a damaged form list offers nothing", [this] { WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}) + "x"); }, 3,
       {Wait(t), Rows(kForms, none), Enabled(kOk, false), Click(kCancel), Returns(0)}, 3},
      {"cancel leaves everything alone", catalogue, 5,
       {Wait(t), Select(kForms, 1), Click(kUseFormName), Click(kCancel), Returns(0)}, 5},
  };
  auto Read = [](const std::string& path) {  // "" when missing
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return bytes;
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    for (const std::string& path : {FormListPath(), GroupListPath(), SystemPath("ZVL3.INI")}) DeleteFileA(path.c_str());
    block_ = DriverBlock(1);
    row.setUp();
    const std::string forms0 = Read(FormListPath()), groups0 = Read(GroupListPath()),
                      config0 = Read(SystemPath("ZVLMN3.DAT"));
    int32_t id = row.in;
    size_t boxes = 0;
    for (const Step& s : row.steps) boxes += s.action == Step::kBox || s.action == Step::kBoxOf;
    DialogRun run(OpenSettings(&id));
    RunScript(run, row.steps);
    EXPECT_EQ(id, row.out);
    EXPECT_EQ(run.Boxes().size(), boxes);
    if (row.out == row.in && row.steps.back().value == 0) {  // cancelled: nothing written
      EXPECT_EQ(Read(FormListPath()), forms0);
      EXPECT_EQ(Read(GroupListPath()), groups0);
      EXPECT_EQ(Read(SystemPath("ZVLMN3.DAT")), config0);
    }
  }
}

TEST_P(FormSettingsTest, HelpFollowsTheModeAndEndsWithTheDialog) {
  WriteCatalogue();
  HelpWatcher help;
  int32_t id = 5;
  DialogRun run(OpenSettings(&id));
  RunScript(run, {Wait(TitlesOfSet().settings), Click(kHelp), Click(kUseFormName), Click(kHelp), Quiet(), Click(kCancel),
                  Returns(0)});
  ExpectHelpInBothModes(help, 300003, 300004);
}

TEST_P(FormSettingsTest, OverlayRowsAreDrawnInColumns) {
  WriteCatalogue();
  int32_t id = 5;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  HWND list = d.Control(kOverlays);
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  RECT row0;
  RECT row1;
  SendMessageA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row0));
  SendMessageA(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row1));
  RECT client;
  GetClientRect(list, &client);

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT | PRF_ERASEBKGND);
  // The column unit: the widest character of the list's font.
  HDC measure = CreateCompatibleDC(screen);
  HGDIOBJ oldFont = SelectObject(measure, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  GetTextMetricsA(measure, &metrics);
  SelectObject(measure, oldFont);
  DeleteDC(measure);

  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  const COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  EXPECT_EQ(GetPixel(memory, row1.left, row1.top), highlight);
  EXPECT_EQ(GetPixel(memory, row1.right - 1, row1.bottom - 1), highlight);
  EXPECT_EQ(GetPixel(memory, row0.right - 1, (row0.top + row0.bottom) / 2), window);
  auto textIn = [&](int from, int to) {
    for (int x = from; x < to && x < client.right; ++x) {
      for (int y = row1.top; y < row1.bottom; ++y) {
        if (GetPixel(memory, x, y) == highlightText) return true;
      }
    }
    return false;
  };
  // Columns advance by tenths of the widest character: 33 after the first
  // field in both sets, then 48 (local) or 58 (English) after the second.
  const int unit = metrics.tmMaxCharWidth;
  const int second = 1 + unit * 33 / 10;
  const int third = second + unit * (English() ? 58 : 48) / 10;
  const int room = metrics.tmAveCharWidth * 2;
  EXPECT_TRUE(textIn(1, 1 + room));
  EXPECT_FALSE(textIn(second - room, second));
  EXPECT_TRUE(textIn(second, second + room));
  EXPECT_FALSE(textIn(third - room, third));
  EXPECT_TRUE(textIn(third, third + room));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

// The owner-drawn static above the overlay list: its titles, comma
// separated, each drawn at the start of its column.
BOOL CALLBACK FindColumnTitles(HWND child, LPARAM found) {
  char name[16] = "";
  GetClassNameA(child, name, sizeof name);
  if (_stricmp(name, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_OWNERDRAW) {
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
  }
  return TRUE;
}

// Every column title but the last fits in its column, with a gap before the
// next one: the steps of each set are tenths of the font's widest character.
TEST_P(FormSettingsTest, ColumnTitlesFitTheirColumns) {
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  HWND titles = nullptr;
  EnumChildWindows(d.Handle(), FindColumnTitles, reinterpret_cast<LPARAM>(&titles));
  ASSERT_NE(titles, nullptr);
  char text[256] = "";
  GetWindowTextA(titles, text, sizeof text);
  std::vector<std::string> fields;
  std::string field;
  for (const char* p = text;; ++p) {
    if (*p == ',' || *p == '\0') {
      fields.push_back(field);
      field.clear();
      if (*p == '\0') break;
    } else {
      field += *p;
    }
  }
  ASSERT_EQ(fields.size(), 6u) << text;

  HWND list = d.Control(kOverlays);
  HDC dc = GetDC(list);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  const int localSteps[] = {33, 48, 77, 34, 128};
  const int englishSteps[] = {33, 58, 90, 33, 110};
  const int* steps = English() ? englishSteps : localSteps;
  for (size_t i = 0; i + 1 < fields.size(); ++i) {
    SIZE size{};
    GetTextExtentPoint32A(dc, fields[i].c_str(), static_cast<int>(fields[i].size()), &size);
    EXPECT_LT(size.cx + 2, metrics.tmMaxCharWidth * steps[i] / 10) << "column title \"" << fields[i] << "\"";
  }
  SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sets, FormSettingsTest, ::testing::Bool(), SetName);

// The templates of the local set carry column titles of their own and the
// note on the graphic mode; the English ones share every id a procedure uses.
TEST_F(LocalSet, LocalTemplateHasItsColumnTitlesAndGraphicModeNote) {
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(d.Text(2317), "(Modo Gr\341fico)");
  EXPECT_NE(d.Style(2316) & SS_OWNERDRAW, 0);
  EXPECT_EQ(d.Style(kOverlays) & (LBS_OWNERDRAWFIXED | LBS_HASSTRINGS),
            static_cast<LONG>(LBS_OWNERDRAWFIXED | LBS_HASSTRINGS));
  EXPECT_EQ(d.Style(kForms) & (LBS_SORT | LBS_NOTIFY), static_cast<LONG>(LBS_SORT | LBS_NOTIFY));
  EXPECT_NE(d.Style(kDescription) & ES_READONLY, 0);
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

}  // namespace
}  // namespace formsettings
