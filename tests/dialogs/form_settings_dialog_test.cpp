// ZVCreateFormDlg through the real module, driven as a user would: the mode
// it opens in, the form list and the selected form's details, the switch
// between form names and files, the checks behind OK and Add, help, and
// that cancelling leaves the catalogue alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/form_settings_fixture.h"
#include "support/catalogue_files.h"
#include "support/dialog_driver.h"

namespace formsettings {
namespace {

using Strings = std::vector<std::string>;
using zvtest::FormListFile;
using zvtest::GroupNameListFile;

class FormSettingsTest : public BothSets {
 protected:
  // Named forms INVOICE (5, front, two overlay data files in INV.FGP),
  // LETTER (7, back, one landscape Letter file in LET.FGP) and ALPHA (2,
  // front, only its save directory yet), in this catalogue order, and the
  // file entries -1 "P" (LOGO.ZLP) and -2 "C" (D:\CAPTURE\NEW.ZLP).
  void WriteCatalogue() {
    WriteFormList(FormListFile({{5, "INVOICE", "Monthly invoice", 1, 0},
                                {7, "LETTER", "Letter head", 2, 1},
                                {2, "ALPHA", "First of all", 1, 2}},
                               {{-1, "P", "Logo", 1, 3}, {-2, "C", "Capture here", 2, 4}}, 2));
    WriteGroupList(GroupNameListFile(
        {Path("INV.FGP"), Path("LET.FGP"), Dir() + "ALPHA", Path("LOGO.ZLP"), "D:\\CAPTURE\\NEW.ZLP"}));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("INV.FGP"), GroupInfoOf({OtherRecord(), OtherRecord()})));
    ASSERT_TRUE(zvtest::WriteWholeFile(Path("LET.FGP"), GroupInfoOf({OtherRecord()})));
  }

  // What the dialog shows in form-name mode for the selected form.
  void ExpectFormNameMode(const zvtest::Dialog& d) {
    EXPECT_TRUE(d.IsChecked(kUseFormName));
    EXPECT_EQ(d.Text(kListLabel), Message(315));
    EXPECT_EQ(d.Text(kAdd), Message(313));
    EXPECT_TRUE(d.IsEnabled(kOverlays));
  }
  void ExpectFileMode(const zvtest::Dialog& d) {
    EXPECT_FALSE(d.IsChecked(kUseFormName));
    EXPECT_EQ(d.Text(kListLabel), Message(316));
    EXPECT_EQ(d.Text(kAdd), Message(314));
    EXPECT_TRUE(d.IsEnabled(kAdd));
    EXPECT_FALSE(d.IsEnabled(kOverlays));
    EXPECT_EQ(d.ListItems(kOverlays), Strings{});
  }
};

TEST_P(FormSettingsTest, NoFormAtAllOpensInFormNameModeWithNothingToChoose) {
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  ExpectFormNameMode(d);
  EXPECT_EQ(d.ListItems(kForms), Strings{Message(200)});
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_FALSE(d.IsEnabled(kOk));
  EXPECT_EQ(d.Text(kLayer), "");
  EXPECT_EQ(d.Text(kPaper), "");
  EXPECT_EQ(d.Text(kOrientation), "");
  EXPECT_EQ(d.TextLimit(kDescription), 255);
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 0);
}

TEST_P(FormSettingsTest, ZeroWithNamedFormsOpensInFileModeWithoutAnEntry) {
  WriteCatalogue();
  int32_t id = 0;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  ExpectFileMode(d);
  EXPECT_EQ(d.ListItems(kForms), Strings{Message(200)});
  EXPECT_FALSE(d.IsEnabled(kOk));
  EXPECT_EQ(d.Text(kPaper), "");
  EXPECT_EQ(d.Text(kOrientation), "");
  EXPECT_EQ(d.Text(kDescription), "");
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(FormSettingsTest, FormIdentifierSelectsItsFormAndShowsItsDetails) {
  WriteCatalogue();
  int32_t id = 7;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  ExpectFormNameMode(d);
  // Catalogue order, although the list has the sort style.
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA"}));
  EXPECT_EQ(d.ListSelection(kForms), 1);
  EXPECT_TRUE(d.IsEnabled(kOk));
  EXPECT_EQ(d.Text(kDescription), "Letter head");
  EXPECT_EQ(d.Text(kLayer), Message(310));
  EXPECT_EQ(d.ListItems(kOverlays), Strings{OtherLine()});
  EXPECT_EQ(d.Text(kPaper), kLetter);
  EXPECT_EQ(d.Text(kOrientation), Message(306));

  // Another row: its details, its overlay data files.
  d.SelectRow(kForms, 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  EXPECT_EQ(d.Text(kLayer), Message(309));
  EXPECT_EQ(d.ListItems(kOverlays), (Strings{OtherLine(), OtherLine()}));
  EXPECT_EQ(d.Text(kPaper), kLetter);

  // A form without overlay data has no paper yet.
  d.SelectRow(kForms, 2);
  EXPECT_EQ(d.Text(kDescription), "First of all");
  EXPECT_EQ(d.Text(kLayer), Message(309));
  EXPECT_EQ(d.ListItems(kOverlays), Strings{});
  EXPECT_EQ(d.Text(kPaper), "");
  EXPECT_EQ(d.Text(kOrientation), "");

  d.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 2);
  EXPECT_TRUE(run.Boxes().empty());
}

TEST_P(FormSettingsTest, PortraitPaperOfTheFormsFirstOverlay) {
  WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({Path("ORD.FGP")}));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("ORD.FGP"), GroupInfoOf({MatchingRecord(300), OtherRecord()})));
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(d.Text(kPaper), kA4);
  EXPECT_EQ(d.Text(kOrientation), Message(305));
  EXPECT_EQ(d.ListItems(kOverlays),
            (Strings{Line(Message(308), "300dpi", Message(318), "100%", kA4, " -"), OtherLine()}));
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 3);
}

TEST_P(FormSettingsTest, UnknownFormIdentifierChoosesTheFirstForm) {
  WriteCatalogue();
  int32_t id = 99;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  d.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 5);
}

TEST_P(FormSettingsTest, FileEntryShowsItsFileAndTheDriversPaper) {
  WriteCatalogue();
  block_ = DriverBlock(2);
  int32_t id = -2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  ExpectFileMode(d);
  EXPECT_EQ(d.ListItems(kForms), Strings{"D:\\CAPTURE\\NEW.ZLP"});
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Capture here");
  EXPECT_EQ(d.Text(kLayer), Message(310));
  EXPECT_EQ(d.Text(kPaper), kDriverPaperName);
  EXPECT_EQ(d.Text(kOrientation), Message(306));
  EXPECT_TRUE(d.IsEnabled(kOk));
  d.SelectRow(kForms, 0);
  EXPECT_EQ(d.Text(kDescription), "Capture here");
  d.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, -2);
}

TEST_P(FormSettingsTest, PrintingEntryIsNoChoice) {
  WriteCatalogue();
  int32_t id = -1;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  ExpectFileMode(d);
  EXPECT_EQ(d.ListItems(kForms), Strings{Message(200)});
  EXPECT_FALSE(d.IsEnabled(kOk));
  EXPECT_EQ(d.Text(kDescription), "");
  EXPECT_EQ(d.Text(kLayer), "");
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, -1);
}

TEST_P(FormSettingsTest, UseFormNameSwitchesBetweenFormsAndFiles) {
  WriteCatalogue();
  int32_t id = -2;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  ExpectFileMode(d);

  d.Click(kUseFormName);
  ExpectFormNameMode(d);
  EXPECT_EQ(d.ListItems(kForms), (Strings{"INVOICE", "LETTER", "ALPHA"}));
  EXPECT_EQ(d.ListSelection(kForms), 0);
  EXPECT_EQ(d.Text(kDescription), "Monthly invoice");
  EXPECT_EQ(d.ListItems(kOverlays), (Strings{OtherLine(), OtherLine()}));
  d.SelectRow(kForms, 1);

  d.Click(kUseFormName);
  ExpectFileMode(d);
  EXPECT_EQ(d.ListItems(kForms), Strings{"D:\\CAPTURE\\NEW.ZLP"});
  EXPECT_EQ(d.Text(kDescription), "Capture here");
  EXPECT_EQ(d.Text(kPaper), kDriverPaperName);
  EXPECT_EQ(d.Text(kOrientation), Message(305));

  // Back to the forms: the form chosen before is still the one selected,
  // and it is what OK gives.
  d.Click(kUseFormName);
  EXPECT_EQ(d.ListSelection(kForms), 1);
  d.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 7);
}

TEST_P(FormSettingsTest, AddFormNameStopsAtTheFormIdentifierRange) {
  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3GRP=1,2\r\n"));
  WriteFormList(FormListFile({{1, "ONE", "", 1, 0}, {2, "TWO", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({Dir() + "ONE", Dir() + "TWO"}));
  int32_t id = 1;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  d.Click(kAdd);
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, NumberMessage(413, 2));
  EXPECT_TRUE(box.stopIcon);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  run.AnswerBox(IDOK);
  // No add form dialog: the settings are in front again.
  EXPECT_TRUE(run.IsActive(d));
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
}

TEST_P(FormSettingsTest, OkAsksBeforeOverwritingAMatchOfTheSameResolution) {
  WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({Path("ORD.FGP")}));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("ORD.FGP"), GroupInfoOf({OtherRecord(), MatchingRecord(600)})));
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  d.Click(kOk);
  zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, Message(604));
  EXPECT_TRUE(box.questionIcon);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  run.AnswerBox(IDNO);
  EXPECT_TRUE(run.IsActive(d));
  d.Click(kOk);
  EXPECT_EQ(run.WaitForBox().text, Message(604));
  run.AnswerBox(IDYES);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 3);
}

TEST_P(FormSettingsTest, OkDoesNotAskAboutAMatchOfAnotherResolution) {
  WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({Path("ORD.FGP")}));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("ORD.FGP"), GroupInfoOf({MatchingRecord(300)})));
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  run.WaitForDialog(TitlesOfSet().settings).Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_TRUE(run.Boxes().empty());
}

TEST_P(FormSettingsTest, OkRefusesAFullGroupWhenNothingMatches) {
  WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}, {4, "ROOM", "", 1, 1}}, {}));
  WriteGroupList(GroupNameListFile({Path("ORD.FGP"), Path("ROOM.FGP")}));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("ORD.FGP"),
                                     GroupInfoOf(std::vector<zv::PrintSettings>(256, OtherRecord()))));
  ASSERT_TRUE(zvtest::WriteWholeFile(Path("ROOM.FGP"),
                                     GroupInfoOf(std::vector<zv::PrintSettings>(255, OtherRecord()))));
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(d.ListItems(kOverlays).size(), 256u);
  d.Click(kOk);
  const zvtest::Box box = run.WaitForBox();
  EXPECT_EQ(box.text, NumberMessage(414, 256));
  EXPECT_TRUE(box.stopIcon);
  run.AnswerBox(IDOK);
  EXPECT_TRUE(run.IsActive(d));
  // One more would still fit into the other form.
  d.SelectRow(kForms, 1);
  d.Click(kOk);
  EXPECT_EQ(run.Result(), 1);
  EXPECT_EQ(id, 4);
  EXPECT_EQ(run.Boxes().size(), 1u);
}

TEST_P(FormSettingsTest, OverlayNumberRangeSetsTheGroupSize) {
  ASSERT_TRUE(zvtest::WriteWholeFile(SystemPath("ZVL3.INI"), "[ENVIRONMENT]\r\nF3CMD=10,12\r\n"));
  WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}));
  WriteGroupList(GroupNameListFile({Path("ORD.FGP")}));
  ASSERT_TRUE(
      zvtest::WriteWholeFile(Path("ORD.FGP"), GroupInfoOf({OtherRecord(), OtherRecord(), OtherRecord()})));
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  d.Click(kOk);
  EXPECT_EQ(run.WaitForBox().text, NumberMessage(414, 3));
  run.AnswerBox(IDOK);
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 3);
}

TEST_P(FormSettingsTest, CancelLeavesTheCatalogueAndTheIdentifierAlone) {
  WriteCatalogue();
  const std::string forms = ReadFile(FormListPath());
  const std::string groups = ReadFile(GroupListPath());
  const std::string config = ReadFile(SystemPath("ZVLMN3.DAT"));
  int32_t id = 5;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  d.SelectRow(kForms, 1);
  d.Click(kUseFormName);
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_EQ(id, 5);
  EXPECT_EQ(ReadFile(FormListPath()), forms);
  EXPECT_EQ(ReadFile(GroupListPath()), groups);
  EXPECT_EQ(ReadFile(SystemPath("ZVLMN3.DAT")), config);
}

TEST_P(FormSettingsTest, HelpFollowsTheModeAndEndsWithTheDialog) {
  WriteCatalogue();
  zvtest::HelpWatcher help;
  int32_t id = 5;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  d.Click(kHelp);
  d.Click(kUseFormName);
  d.Click(kHelp);
  EXPECT_TRUE(run.IsActive(d));
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  const std::vector<zvtest::HelpCall> calls = help.WaitForCalls(3);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[0].data, 300003u);
  EXPECT_EQ(calls[1].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(calls[1].data, 300004u);
  EXPECT_EQ(calls[2].command, static_cast<UINT>(HELP_QUIT));
  const std::string helpFile = English() ? "ZVSAMPLEE.HLP" : "ZVSAMPLE.HLP";
  for (const zvtest::HelpCall& call : calls) {
    ASSERT_GE(call.file.size(), helpFile.size());
    EXPECT_EQ(call.file.substr(call.file.size() - helpFile.size()), helpFile);
  }
}

TEST_P(FormSettingsTest, DamagedFormListOffersNothingToChoose) {
  WriteFormList(FormListFile({{3, "ORDER", "", 1, 0}}, {}) + "x");
  int32_t id = 3;
  zvtest::DialogRun run(OpenSettings(&id));
  zvtest::Dialog d = run.WaitForDialog(TitlesOfSet().settings);
  EXPECT_EQ(d.ListItems(kForms), Strings{Message(200)});
  EXPECT_FALSE(d.IsEnabled(kOk));
  d.Click(kCancel);
  EXPECT_EQ(run.Result(), 0);
  EXPECT_TRUE(run.Boxes().empty());
}

// The rows of the overlay list as drawn: the selected row in the highlight
// colours from its left edge to its right, its second field starting at the
// second column.
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
