// Every dialog template of the DLL (both builds link the same resources), local
// and English: its language, controls, caption and graphic mode note; column
// titles that fit; shown controls inside the dialog, apart (a group box or
// frame may hold others), each text fitting; the letters their texts underline.
// Also the tick box bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "dialogs/resource_ids.h"

namespace {

// Kinds, one bit each: push button, check box, radio button, text, scrolling
// single-line edit, read-only multi-line edit, multi-line edit, list box,
// unsorted list box, combo box, group box or frame, column titles; H: hidden.
constexpr unsigned B = 1, X = 2, R = 4, S = 8, E = 16, RO = 32, ML = 64, L = 128, UL = 256, C = 512;
constexpr unsigned G = 1024, CT = 2048, H = 1u << 16;
struct Control {
  int id;
  unsigned kind;
  LONG style = 0;  // bits it must have besides
};
constexpr LONG kNotify = LBS_NOTIFY, kDrawn = LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
struct Template {
  const char* base;  // the local name; the English twin is "W_" + base
  const char* englishCaption;
  std::vector<Control> controls;
  int overlayList = 0, firstColumn = 0;       // the list under column titles, if any, and its first field
  std::vector<int> localSteps, englishSteps;  // its column steps, tenths of the widest character
  int graphicNote = 0;                        // the local set's graphic mode note, if any
};
Control Ctl(int id, unsigned kind, LONG style = 0) {
  return {id, kind, style};
}
Template T(const char* base, const char* caption, std::vector<Control> controls, int list = 0, int first = 0,
           std::vector<int> localSteps = {}, std::vector<int> englishSteps = {}, int note = 0) {
  return {base, caption, controls, list, first, localSteps, englishSteps, note};
}
std::vector<Control> operator+(std::vector<Control> a, const std::vector<Control>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
const Control kOk = Ctl(ZV_ID_OK, B), kCancel = Ctl(ZV_ID_CANCEL, B), kHelp = Ctl(ZV_ID_HELP, B);
const Control kFront = Ctl(ZV_ID_TO_FRONT, R), kBack = Ctl(ZV_ID_TO_BACK, R);
const std::vector<Template> kTemplates = {
    T("DETAIL", "Form Details",
      {Ctl(ZV_ID_DETAIL_FORM_LIST, UL, kNotify), Ctl(ZV_ID_DETAIL_DESCRIPTION, RO), kOk, kCancel, kHelp}),
    T("DETAIL1", "Form Selection",
      {Ctl(ZV_ID_SELECTION_FILE, E), Ctl(ZV_ID_SELECTION_BROWSE, B), Ctl(ZV_ID_SELECTION_DESCRIPTION, RO),
       kOk, kCancel, kHelp}),
    T("DIRECTORY", "Directory Setting",
      {Ctl(ZV_ID_PICKER_DIR_LABEL, S), Ctl(ZV_ID_PICKER_DIR_LIST, L, kNotify | kDrawn),
       Ctl(ZV_ID_PICKER_DRIVE_LABEL, S), Ctl(ZV_ID_PICKER_DRIVES, C), kOk, kCancel,
       Ctl(ZV_ID_PICKER_NETWORK, B), Ctl(ZV_ID_PICKER_FILE_NAME, E | H), Ctl(ZV_ID_PICKER_FILE_LIST, L | H),
       Ctl(ZV_ID_PICKER_FILE_TYPES, C | H), Ctl(ZV_ID_PICKER_READ_ONLY, X | H)}),
    T("EDIT", "Edit Form",
      {Ctl(ZV_ID_EDIT_USE_FORM_NAME, X), Ctl(ZV_ID_EDIT_FORM_LABEL, S),
       Ctl(ZV_ID_EDIT_FORM_LIST, UL, kNotify), Ctl(ZV_ID_EDIT_FILE_LABEL, S | H), Ctl(ZV_ID_EDIT_FILE, E | H),
       Ctl(ZV_ID_EDIT_BROWSE, B | H), Ctl(ZV_ID_EDIT_DESCRIPTION, RO), Ctl(ZV_ID_EDIT_CHANGE, B),
       Ctl(ZV_ID_EDIT_DELETE, B), Ctl(ZV_ID_EDIT_REGISTER, B | H), kCancel, kHelp}),
    T("EDIT1", "Delete Form data",
      {Ctl(ZV_ID_DELETE_FORM, R), Ctl(ZV_ID_DELETE_OVERLAYS, R),
       Ctl(ZV_ID_DELETE_LIST, L, kNotify | kDrawn | LBS_WANTKEYBOARDINPUT), kOk, kCancel, kHelp},
      ZV_ID_DELETE_LIST, 16, {35, 46, 76, 34, 120}, {35, 55, 90, 31, 105}, ZV_ID_DELETE_GRAPHIC_MODE),
    T("EDIT2", "Register Existing Form",
      std::vector<Control>{Ctl(ZV_ID_REGISTER_FILE, E, ES_READONLY), Ctl(ZV_ID_REGISTER_FILE_DESCRIPTION, RO),
                           Ctl(ZV_ID_REGISTER_FILE_PAPER, S), Ctl(ZV_ID_REGISTER_FILE_ORIENTATION, S),
                           Ctl(ZV_ID_REGISTER_FORM_NAME, E), Ctl(ZV_ID_REGISTER_BROWSE, B),
                           Ctl(ZV_ID_REGISTER_FORM_DESCRIPTION, ML), Ctl(ZV_ID_REGISTER_PAPER_LABEL, S),
                           Ctl(ZV_ID_REGISTER_PAPER, C), Ctl(ZV_ID_REGISTER_PAPER_FIXED_LABEL, S | H)} +
          std::vector<Control>{Ctl(ZV_ID_REGISTER_FORM_PAPER, S | H), Ctl(ZV_ID_REGISTER_PORTRAIT, R),
                               Ctl(ZV_ID_REGISTER_LANDSCAPE, R), Ctl(ZV_ID_REGISTER_FORM_ORIENTATION, S | H),
                               kFront, kBack, Ctl(ZV_ID_REGISTER_FORM_LAYER, S | H),
                               Ctl(ZV_ID_REGISTER_SAVE_TO_LABEL, S), Ctl(ZV_ID_REGISTER_SAVE_TO, S),
                               Ctl(ZV_ID_REGISTER_CHANGE_DIRECTORY, B), kOk, kCancel, kHelp}),
    // The change form dialog opens on form names: the file label waits hidden.
    T("EDIT3", "Change Form",
      {Ctl(ZV_ID_CHANGE_FORM_LABEL, S), Ctl(ZV_ID_CHANGE_FILE_LABEL, S | H), Ctl(ZV_ID_CHANGE_NAME, E),
       Ctl(ZV_ID_CHANGE_DESCRIPTION, ML), kFront, kBack, Ctl(ZV_ID_CHANGE_SAVE_TO_LABEL, S),
       Ctl(ZV_ID_CHANGE_SAVE_TO, S), Ctl(ZV_ID_CHANGE_DIRECTORY, B), kOk, kCancel, kHelp}),
    T("FORMINFO", "Form Settings",
      {Ctl(ZV_ID_SETTINGS_USE_FORM_NAME, X), Ctl(ZV_ID_SETTINGS_LIST_LABEL, S),
       Ctl(ZV_ID_SETTINGS_FORM_LIST, L, kNotify | LBS_SORT), Ctl(ZV_ID_SETTINGS_DESCRIPTION, RO),
       Ctl(ZV_ID_SETTINGS_ADD, B), Ctl(ZV_ID_SETTINGS_PAPER, S), Ctl(ZV_ID_SETTINGS_ORIENTATION, S),
       Ctl(ZV_ID_SETTINGS_LAYER, S), Ctl(ZV_ID_SETTINGS_OVERLAY_LIST, L, kDrawn), kOk, kCancel, kHelp},
      ZV_ID_SETTINGS_OVERLAY_LIST, 1, {33, 48, 77, 34, 128}, {33, 58, 90, 33, 110},
      ZV_ID_SETTINGS_GRAPHIC_MODE),
    T("NEWFILE", "Form/File Settings",
      {Ctl(ZV_ID_NEWFILE_FILE, E), Ctl(ZV_ID_NEWFILE_BROWSE, B), Ctl(ZV_ID_NEWFILE_DESCRIPTION, ML), kFront,
       kBack, kOk, kCancel, kHelp}),
    T("NEWFORM", "Add Form",
      {Ctl(ZV_ID_NEWFORM_NAME, E), Ctl(ZV_ID_NEWFORM_BROWSE, B), Ctl(ZV_ID_NEWFORM_DESCRIPTION, ML), kFront,
       kBack, Ctl(ZV_ID_NEWFORM_CHANGE_DIRECTORY, B), Ctl(ZV_ID_NEWFORM_SAVE_TO, S), kOk, kCancel, kHelp}),
    T("PRINTER", "Printer List", {Ctl(ZV_ID_PRINTER_LIST, L, kNotify), kOk, kCancel, kHelp}),
};

std::string TextOf(HWND w) {
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}
LONG StyleOf(HWND w) {
  return GetWindowLongA(w, GWL_STYLE);
}
// By button and static type: check boxes and radio buttons, static texts and frames.
const unsigned kButtons[16] = {B, B, X, X, R, X, X, G, 0, R},
               kStatics[32] = {S, S, S, 0, G, G, G, G, G, G, 0, S, S, CT, 0, 0, G, G, G};
unsigned KindsOf(HWND w) {
  char name[64] = "";
  GetClassNameA(w, name, sizeof name);
  const auto is = [&](const char* c) { return lstrcmpiA(name, c) == 0; };
  const LONG s = StyleOf(w);
  const unsigned shown = s & WS_VISIBLE ? 0 : H;
  if (is("Button")) return shown | kButtons[s & BS_TYPEMASK];
  if (is("Static")) return shown | kStatics[s & SS_TYPEMASK];
  if (is("Edit"))
    return shown | (s & ES_MULTILINE ? ML | (s & ES_READONLY ? RO : 0) : s & ES_AUTOHSCROLL ? E : 0);
  if (is("ListBox")) return shown | L | (s & LBS_SORT ? 0 : UL);
  return shown | (is("ComboBox") ? C : 0);
}
RECT RectIn(HWND w, HWND dialog) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
bool Contains(const RECT& o, const RECT& i) {
  return i.left >= o.left && i.top >= o.top && i.right <= o.right && i.bottom <= o.bottom;
}
std::string Describe(HWND w) {
  return "control " + std::to_string(static_cast<short>(GetDlgCtrlID(w))) + " \"" + TextOf(w) + "\"";
}
// A device context of w with its font selected.
HDC FontDc(HWND w) {
  HDC dc = GetDC(w);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)));
  return dc;
}

// The size the control's text needs in its font ({0, 0}: not measured), with a
// push button's edge and focus rectangle, a box's glyph and gap or a group
// box's corners. Text statics wrap unless simple, buttons only when multi-line.
SIZE Needed(HWND w, int width) {
  const std::string text = TextOf(w);
  const unsigned kind = KindsOf(w) & ~H;
  if (text.empty() || !(kind & (S | B | X | R | G))) return {0, 0};
  HDC dc = FontDc(w);
  SIZE zero{};
  GetTextExtentPoint32A(dc, "0", 1, &zero);
  const SIZE extra = kind == S   ? SIZE{0, 0}
                     : kind == B ? SIZE{6, 2}
                     : kind == G ? SIZE{16, 0}
                                 : SIZE{GetSystemMetrics(SM_CXMENUCHECK) + std::max<int>(4, zero.cx / 2), 0};
  const LONG type = StyleOf(w) & SS_TYPEMASK;
  const bool wraps =
      kind == S ? type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP : kind != G && (StyleOf(w) & BS_MULTILINE);
  RECT r = {0, 0, width - extra.cx, 0};
  DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  ReleaseDC(w, dc);
  return {r.right + extra.cx, r.bottom + extra.cy};
}

// The letter a button's or a text's label underlines (the one after a single
// '&'), in capitals; 0 when it underlines none.
char Mnemonic(HWND w) {
  char name[16] = "";
  GetClassNameA(w, name, sizeof name);
  const bool labelled =
      lstrcmpiA(name, "Button") == 0 || (lstrcmpiA(name, "Static") == 0 && !(StyleOf(w) & SS_NOPREFIX));
  const std::string text = TextOf(w);
  for (size_t i = 0; labelled && i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    char letter[2] = {text[i + 1], '\0'};
    CharUpperA(letter);
    return letter[0];
  }
  return 0;
}

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}
BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

// Created hidden with a procedure that does nothing: the controls stand as
// the template places them.
void CheckTemplate(HMODULE module, const Template& t, bool english) {
  const std::string name = (english ? "W_" : "") + std::string(t.base);
  SCOPED_TRACE(name);
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module, MAKEINTRESOURCEA(5), name.c_str(), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages,
            std::vector<WORD>{static_cast<WORD>(english ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                                                        : MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN))});
  HWND dialog = CreateDialogParamA(module, name.c_str(), nullptr, Plain, 0);
  ASSERT_NE(dialog, nullptr);
  for (const Control& required : t.controls) {
    HWND w = GetDlgItem(dialog, required.id);
    const unsigned kinds = w ? KindsOf(w) : 0;
    EXPECT_TRUE(w && (kinds & required.kind) == required.kind && (kinds & H) == (required.kind & H) &&
                (StyleOf(w) & required.style) == required.style)
        << "control " << required.id << " is not of kind " << required.kind << ", style " << required.style;
  }
  EXPECT_TRUE(!english || TextOf(dialog) == t.englishCaption) << TextOf(dialog);
  if (t.graphicNote) {
    HWND note = GetDlgItem(dialog, t.graphicNote);
    EXPECT_EQ(note && KindsOf(note) == S && TextOf(note) == "(Modo Gr\341fico)", !english);
    EXPECT_EQ(note == nullptr, english);
  }
  std::vector<HWND> shown;
  HWND titles = nullptr;
  for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (!(KindsOf(w) & H)) shown.push_back(w);
    if (KindsOf(w) & CT) titles = w;
  }
  // Each column title but the last fits its column with a gap; the last ends
  // inside the list.
  EXPECT_EQ(titles != nullptr, t.overlayList != 0);
  if (titles) {
    std::vector<std::string> fields(1);
    for (char ch : TextOf(titles)) ch == ',' ? fields.emplace_back() : fields.back() += ch;
    ASSERT_EQ(fields.size(), 6u) << TextOf(titles);
    HDC dc = FontDc(dialog);
    TEXTMETRICA m{};
    GetTextMetricsA(dc, &m);
    RECT list;
    GetClientRect(GetDlgItem(dialog, t.overlayList), &list);
    for (size_t i = 0, x = t.firstColumn; i < fields.size(); ++i) {
      SIZE size{};
      GetTextExtentPoint32A(dc, fields[i].c_str(), static_cast<int>(fields[i].size()), &size);
      const int step =
          i + 1 < fields.size() ? m.tmMaxCharWidth * (english ? t.englishSteps : t.localSteps)[i] / 10 : 0;
      EXPECT_TRUE(step ? size.cx + 2 < step : static_cast<LONG>(x) + size.cx <= list.right) << fields[i];
      x += step;
    }
    ReleaseDC(dialog, dc);
  }
  RECT client;
  GetClientRect(dialog, &client);
  int measured = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const RECT r = RectIn(shown[i], dialog);
    EXPECT_TRUE(Contains(client, r)) << Describe(shown[i]) << " leaves the dialog";
    for (size_t j = i + 1; j < shown.size(); ++j) {
      RECT other = RectIn(shown[j], dialog), common;
      EXPECT_TRUE(!IntersectRect(&common, &r, &other) || (KindsOf(shown[i]) == G && Contains(r, other)) ||
                  (KindsOf(shown[j]) == G && Contains(other, r)))
          << Describe(shown[i]) << " overlaps " << Describe(shown[j]);
    }
    RECT area;
    GetClientRect(shown[i], &area);
    const SIZE need = Needed(shown[i], area.right);
    measured += need.cx != 0;
    EXPECT_TRUE(need.cx <= area.right && need.cy <= area.bottom)
        << Describe(shown[i]) << " needs " << need.cx << "x" << need.cy << ", has " << area.right << "x"
        << area.bottom;
  }
  EXPECT_GE(measured, 2) << "hardly any text was measured";
  DestroyWindow(dialog);
}

TEST(TemplateTest, EachExistsHoldsItsControlsAndLetsEveryOneBeSeen) {
  HMODULE module = LoadLibraryA(ZV_DLL_PATH);
  ASSERT_NE(module, nullptr);
  for (const Template& t : kTemplates)
    for (const bool english : {false, true}) CheckTemplate(module, t, english);
  FreeLibrary(module);
}

// No two controls of a dialog underline one letter, unless they take turns in
// one place (one of them hidden); Help underlines the same letter in every
// dialog of a set.
TEST(TemplateTest, EachLetterLeadsToOneControlAndHelpToHelpEverywhere) {
  HMODULE module = LoadLibraryA(ZV_DLL_PATH);
  ASSERT_NE(module, nullptr);
  for (const bool english : {false, true}) {
    std::set<char> help;
    for (const Template& t : kTemplates) {
      const std::string name = (english ? "W_" : "") + std::string(t.base);
      SCOPED_TRACE(name);
      HWND dialog = CreateDialogParamA(module, name.c_str(), nullptr, Plain, 0);
      ASSERT_NE(dialog, nullptr);
      std::vector<HWND> marked;
      for (HWND w = GetWindow(dialog, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!Mnemonic(w)) continue;
        for (HWND other : marked) {
          const RECT a = RectIn(w, dialog), b = RectIn(other, dialog);
          const bool turns = ((KindsOf(w) | KindsOf(other)) & H) && EqualRect(&a, &b);
          EXPECT_TRUE(Mnemonic(w) != Mnemonic(other) || turns) << Describe(w) << " and " << Describe(other);
        }
        marked.push_back(w);
      }
      if (HWND button = GetDlgItem(dialog, ZV_ID_HELP)) help.insert(Mnemonic(button));
      DestroyWindow(dialog);
    }
    EXPECT_EQ(help.size(), 1u) << (english ? "English: " : "local: ") << ::testing::PrintToString(help);
    EXPECT_EQ(help.count('\0'), 0u);
  }
  FreeLibrary(module);
}

// Bitmap 100 is an empty 11 by 11 box, 101 the same box with a tick in it: a
// stroke that goes down from the left and up to the right.
TEST(TickBitmapTest, EmptyAndTickedBoxes) {
  HMODULE module = LoadLibraryA(ZV_DLL_PATH);
  ASSERT_NE(module, nullptr);
  std::vector<int> dark[2];  // per pixel, row by row
  for (int b = 0; b < 2; ++b) {
    HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(ZV_BITMAP_TICK_EMPTY + b));
    BITMAP info = {};
    ASSERT_TRUE(bitmap && GetObjectA(bitmap, sizeof info, &info) && info.bmWidth == 11 &&
                info.bmHeight == 11);
    BITMAPINFO header = {{sizeof header.bmiHeader, 11, -11, 1, 32, BI_RGB}};
    std::vector<unsigned char> bits(11 * 11 * 4);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 11, bits.data(), &header, DIB_RGB_COLORS), 11);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    for (size_t p = 0; p < bits.size(); p += 4)
      dark[b].push_back(bits[p + 2] * 30 + bits[p + 1] * 59 + bits[p] * 11 < 12800);
  }
  FreeLibrary(module);
  std::vector<POINT> tick;  // inside the frame, row by row
  for (int p = 0; p < 121; ++p) {
    const int x = p % 11, y = p / 11;
    const bool frame = x == 0 || y == 0 || x == 10 || y == 10;
    EXPECT_TRUE(frame ? dark[0][p] && dark[1][p] : !dark[0][p]) << x << "," << y;
    if (!frame && dark[1][p]) tick.push_back({x, y});
  }
  ASSERT_TRUE(tick.size() >= 8 && tick.size() <= 40) << tick.size();  // a tick, not a dot, not a filled box
  // The lowest row's first pixel lies left of the highest row's first.
  const POINT high = tick.front(),
              low = *std::find_if(tick.begin(), tick.end(), [&](POINT q) { return q.y == tick.back().y; });
  EXPECT_TRUE(low.y > 5 && high.y < 5 && low.x < high.x);
}

}  // namespace
