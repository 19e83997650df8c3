// Every dialog template of both builds of the DLL, in both resource sets: it
// exists in its language only; holds the controls its procedure works with,
// of the right kind and style, shown or hidden; the English twin has its
// caption and no graphic mode note, the local one the note; the column titles
// over an overlay list fit their columns; and a person can use it: shown
// controls lie inside the dialog, do not overlap (a group box or frame may
// hold others), and every text fits its control in its font. Also the tick
// box bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/resource_ids.h"

namespace {

// Push button, check box, radio button, text static, single-line edit that
// scrolls, read-only multi-line edit, multi-line edit, list box, unsorted list
// box, combo box; style: bits the control must have besides.
enum Kind { B, X, R, S, E, RO, ML, L, UL, C };
struct Control {
  int id;
  Kind kind;
  bool shown = true;
  LONG style = 0;
};
constexpr LONG kNotify = LBS_NOTIFY, kDrawn = LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
constexpr bool kHidden = false;
struct Template {
  const char* base;  // the local name; the English twin is "W_" + base
  const char* englishCaption;
  std::vector<Control> controls;
  int overlayList = 0, firstColumn = 0;  // the overlay list under column titles, if any, and its first field
  std::vector<int> localSteps, englishSteps;  // its column steps, tenths of the widest character
  int graphicNote = 0;                        // the local set's graphic mode note, if any
};
Control Ctl(int id, Kind kind, bool shown = true, LONG style = 0) {
  return {id, kind, shown, style};
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
      {Ctl(ZV_ID_DETAIL_FORM_LIST, UL, true, kNotify), Ctl(ZV_ID_DETAIL_DESCRIPTION, RO), kOk, kCancel,
       kHelp}),
    T("DETAIL1", "Form Selection",
      {Ctl(ZV_ID_SELECTION_FILE, E), Ctl(ZV_ID_SELECTION_BROWSE, B), Ctl(ZV_ID_SELECTION_DESCRIPTION, RO),
       kOk, kCancel, kHelp}),
    T("DIRECTORY", "Directory Setting",
      {Ctl(ZV_ID_PICKER_DIR_LABEL, S), Ctl(ZV_ID_PICKER_DIR_LIST, L, true, kNotify | kDrawn),
       Ctl(ZV_ID_PICKER_DRIVE_LABEL, S), Ctl(ZV_ID_PICKER_DRIVES, C), kOk, kCancel,
       Ctl(ZV_ID_PICKER_NETWORK, B), Ctl(ZV_ID_PICKER_FILE_NAME, E, kHidden),
       Ctl(ZV_ID_PICKER_FILE_LIST, L, kHidden), Ctl(ZV_ID_PICKER_FILE_TYPES, C, kHidden),
       Ctl(ZV_ID_PICKER_READ_ONLY, X, kHidden)}),
    T("EDIT", "Edit Form",
      {Ctl(ZV_ID_EDIT_USE_FORM_NAME, X), Ctl(ZV_ID_EDIT_FORM_LABEL, S),
       Ctl(ZV_ID_EDIT_FORM_LIST, UL, true, kNotify), Ctl(ZV_ID_EDIT_FILE_LABEL, S, kHidden),
       Ctl(ZV_ID_EDIT_FILE, E, kHidden), Ctl(ZV_ID_EDIT_BROWSE, B, kHidden), Ctl(ZV_ID_EDIT_DESCRIPTION, RO),
       Ctl(ZV_ID_EDIT_CHANGE, B), Ctl(ZV_ID_EDIT_DELETE, B), Ctl(ZV_ID_EDIT_REGISTER, B, kHidden), kCancel,
       kHelp}),
    T("EDIT1", "Delete Form data",
      {Ctl(ZV_ID_DELETE_FORM, R), Ctl(ZV_ID_DELETE_OVERLAYS, R),
       Ctl(ZV_ID_DELETE_LIST, L, true, kNotify | kDrawn | LBS_WANTKEYBOARDINPUT), kOk, kCancel, kHelp},
      ZV_ID_DELETE_LIST, 16, {35, 46, 76, 34, 120}, {35, 55, 90, 31, 105}, ZV_ID_DELETE_GRAPHIC_MODE),
    T("EDIT2", "Register Existing Form",
      std::vector<Control>{Ctl(ZV_ID_REGISTER_FILE, E, true, ES_READONLY),
                           Ctl(ZV_ID_REGISTER_FILE_DESCRIPTION, RO), Ctl(ZV_ID_REGISTER_FILE_PAPER, S),
                           Ctl(ZV_ID_REGISTER_FILE_ORIENTATION, S), Ctl(ZV_ID_REGISTER_FORM_NAME, E),
                           Ctl(ZV_ID_REGISTER_BROWSE, B), Ctl(ZV_ID_REGISTER_FORM_DESCRIPTION, ML),
                           Ctl(ZV_ID_REGISTER_PAPER_LABEL, S), Ctl(ZV_ID_REGISTER_PAPER, C)} +
          std::vector<Control>{
              Ctl(ZV_ID_REGISTER_PAPER_FIXED_LABEL, S, kHidden), Ctl(ZV_ID_REGISTER_FORM_PAPER, S, kHidden),
              Ctl(ZV_ID_REGISTER_PORTRAIT, R), Ctl(ZV_ID_REGISTER_LANDSCAPE, R),
              Ctl(ZV_ID_REGISTER_FORM_ORIENTATION, S, kHidden), kFront, kBack,
              Ctl(ZV_ID_REGISTER_FORM_LAYER, S, kHidden), Ctl(ZV_ID_REGISTER_SAVE_TO_LABEL, S),
              Ctl(ZV_ID_REGISTER_SAVE_TO, S), Ctl(ZV_ID_REGISTER_CHANGE_DIRECTORY, B), kOk, kCancel, kHelp}),
    // The change form dialog opens on form names: the file label waits hidden.
    T("EDIT3", "Change Form",
      {Ctl(ZV_ID_CHANGE_FORM_LABEL, S), Ctl(ZV_ID_CHANGE_FILE_LABEL, S, kHidden), Ctl(ZV_ID_CHANGE_NAME, E),
       Ctl(ZV_ID_CHANGE_DESCRIPTION, ML), kFront, kBack, Ctl(ZV_ID_CHANGE_SAVE_TO_LABEL, S),
       Ctl(ZV_ID_CHANGE_SAVE_TO, S), Ctl(ZV_ID_CHANGE_DIRECTORY, B), kOk, kCancel, kHelp}),
    T("FORMINFO", "Form Settings",
      {Ctl(ZV_ID_SETTINGS_USE_FORM_NAME, X), Ctl(ZV_ID_SETTINGS_LIST_LABEL, S),
       Ctl(ZV_ID_SETTINGS_FORM_LIST, L, true, kNotify | LBS_SORT), Ctl(ZV_ID_SETTINGS_DESCRIPTION, RO),
       Ctl(ZV_ID_SETTINGS_ADD, B), Ctl(ZV_ID_SETTINGS_PAPER, S), Ctl(ZV_ID_SETTINGS_ORIENTATION, S),
       Ctl(ZV_ID_SETTINGS_LAYER, S), Ctl(ZV_ID_SETTINGS_OVERLAY_LIST, L, true, kDrawn), kOk, kCancel, kHelp},
      ZV_ID_SETTINGS_OVERLAY_LIST, 1, {33, 48, 77, 34, 128}, {33, 58, 90, 33, 110},
      ZV_ID_SETTINGS_GRAPHIC_MODE),
    T("NEWFILE", "Form/File Settings",
      {Ctl(ZV_ID_NEWFILE_FILE, E), Ctl(ZV_ID_NEWFILE_BROWSE, B), Ctl(ZV_ID_NEWFILE_DESCRIPTION, ML), kFront,
       kBack, kOk, kCancel, kHelp}),
    T("NEWFORM", "Add Form",
      {Ctl(ZV_ID_NEWFORM_NAME, E), Ctl(ZV_ID_NEWFORM_BROWSE, B), Ctl(ZV_ID_NEWFORM_DESCRIPTION, ML), kFront,
       kBack, Ctl(ZV_ID_NEWFORM_CHANGE_DIRECTORY, B), Ctl(ZV_ID_NEWFORM_SAVE_TO, S), kOk, kCancel, kHelp}),
    T("PRINTER", "Printer List", {Ctl(ZV_ID_PRINTER_LIST, L, true, kNotify), kOk, kCancel, kHelp}),
};
const char* const kBuilds[] = {ZV_DLL_PATH, ZV_ENGLISH_DLL_PATH};

struct Case {
  int build;
  const Template* t;
  bool english;  // the "W_" twin
  std::string Name() const { return (english ? "W_" : "") + std::string(t->base); }
};
std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (int build = 0; build < 2; ++build)
    for (const Template& t : kTemplates)
      for (const bool english : {false, true}) cases.push_back({build, &t, english});
  return cases;
}

std::string TextOf(HWND w) {
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}
const auto StyleOf = [](HWND w) { return GetWindowLongA(w, GWL_STYLE); };
// Of the class, its type bits (under mask) one of types.
bool Typed(HWND w, const char* name, LONG mask, std::initializer_list<LONG> types) {
  char found[64] = "";
  GetClassNameA(w, found, sizeof found);
  return lstrcmpiA(found, name) == 0 && (!mask || std::count(types.begin(), types.end(), StyleOf(w) & mask));
}
const auto IsPush = [](HWND w) { return Typed(w, "Button", BS_TYPEMASK, {BS_PUSHBUTTON, BS_DEFPUSHBUTTON}); };
bool IsBox(HWND w) {  // a check box or a radio button
  return Typed(w, "Button", BS_TYPEMASK,
               {BS_CHECKBOX, BS_AUTOCHECKBOX, BS_3STATE, BS_AUTO3STATE, BS_RADIOBUTTON, BS_AUTORADIOBUTTON});
}
const auto IsText = [](HWND w) {
  return Typed(w, "Static", SS_TYPEMASK, {SS_LEFT, SS_CENTER, SS_RIGHT, SS_SIMPLE, SS_LEFTNOWORDWRAP});
};
const auto IsGroup = [](HWND w) { return Typed(w, "Button", BS_TYPEMASK, {BS_GROUPBOX}); };
bool Holds(HWND w) {  // a group box, or a static frame or rectangle
  return IsGroup(w) || Typed(w, "Static", SS_TYPEMASK,
                             {SS_BLACKRECT, SS_GRAYRECT, SS_WHITERECT, SS_BLACKFRAME, SS_GRAYFRAME,
                              SS_WHITEFRAME, SS_ETCHEDHORZ, SS_ETCHEDVERT, SS_ETCHEDFRAME});
}
bool IsKind(HWND w, Kind kind) {
  const LONG s = StyleOf(w);
  const bool edit = Typed(w, "Edit", 0, {}), multi = (s & ES_MULTILINE) != 0,
             list = Typed(w, "ListBox", 0, {});
  const bool radio = Typed(w, "Button", BS_TYPEMASK, {BS_RADIOBUTTON, BS_AUTORADIOBUTTON});
  const bool kinds[] = {IsPush(w),
                        IsBox(w) && !radio,
                        radio,
                        IsText(w),
                        edit && !multi && (s & ES_AUTOHSCROLL),
                        edit && multi && (s & ES_READONLY),
                        edit && multi,
                        list,
                        list && !(s & LBS_SORT),
                        Typed(w, "ComboBox", 0, {})};
  return kinds[kind];
}
const auto Shown = [](HWND w) { return (StyleOf(w) & WS_VISIBLE) != 0; };
RECT RectIn(HWND w, HWND dialog) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
const auto Contains = [](const RECT& o, const RECT& i) {
  return i.left >= o.left && i.top >= o.top && i.right <= o.right && i.bottom <= o.bottom;
};
const auto Describe = [](HWND w) {
  return "control " + std::to_string(static_cast<short>(GetDlgCtrlID(w))) + " \"" + TextOf(w) + "\"";
};

// The size the control's text needs in its font ({0, 0}: not measured). "&&"
// shows one '&', a single '&' marks the next letter.
SIZE Needed(HWND w, int width) {
  const std::string raw = TextOf(w);
  std::string text;
  for (const char* c = raw.c_str(); *c; ++c)
    if (*c != '&' || (c[1] == '&' && *++c)) text += *c;
  if (text.empty() || !(IsText(w) || IsPush(w) || IsBox(w) || IsGroup(w))) return {0, 0};
  HDC dc = GetDC(w);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)));
  SIZE zero{};
  GetTextExtentPoint32A(dc, "0", 1, &zero);
  // Besides the text: a push button's 3D edge and focus rectangle, 3 pixels a
  // side; a check box's box or circle and a gap; a group box's corners. Simple
  // statics never wrap, buttons only when multi-line.
  const int glyph = GetSystemMetrics(SM_CXMENUCHECK) + std::max<int>(4, zero.cx / 2);
  const SIZE extra = IsText(w)   ? SIZE{0, 0}
                     : IsPush(w) ? SIZE{6, 2}
                     : IsBox(w)  ? SIZE{glyph, 0}
                                 : SIZE{16, 0};
  const LONG type = StyleOf(w) & SS_TYPEMASK;
  const bool wraps =
      IsText(w) ? type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP : !IsGroup(w) && (StyleOf(w) & BS_MULTILINE);
  RECT r = {0, 0, width - extra.cx, 0};
  DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return {r.right + extra.cx, r.bottom + extra.cy};
}

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}
BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

class TemplateTest : public testing::TestWithParam<Case> {
 protected:
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = LoadLibraryA(kBuilds[GetParam().build]);
  HWND dialog_ = nullptr;
};

TEST_P(TemplateTest, ExistsHoldsItsControlsAndLetsEveryOneBeSeen) {
  const Case& c = GetParam();
  const Template& t = *c.t;
  ASSERT_NE(module_, nullptr);
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module_, MAKEINTRESOURCEA(5), c.Name().c_str(), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, std::vector<WORD>{
                           static_cast<WORD>(c.english ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)
                                                       : MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN))});
  // Created hidden with a procedure that does nothing: the controls stand as
  // the template places them.
  dialog_ = CreateDialogParamA(module_, c.Name().c_str(), nullptr, Plain, 0);
  ASSERT_NE(dialog_, nullptr);
  for (const Control& required : t.controls) {
    HWND w = GetDlgItem(dialog_, required.id);
    EXPECT_TRUE(w && IsKind(w, required.kind) && (StyleOf(w) & required.style) == required.style &&
                Shown(w) == required.shown)
        << "control " << required.id << " missing or not of kind " << required.kind << ", style "
        << required.style << ", shown " << required.shown;
  }
  EXPECT_TRUE(!c.english || TextOf(dialog_) == t.englishCaption) << TextOf(dialog_);
  if (t.graphicNote) {
    HWND note = GetDlgItem(dialog_, t.graphicNote);
    EXPECT_EQ(note && IsText(note) && Shown(note) && TextOf(note) == "(Modo Gr\341fico)", !c.english);
    EXPECT_EQ(note == nullptr, c.english);
  }
  std::vector<HWND> shown;
  HWND titles = nullptr;
  for (HWND w = GetWindow(dialog_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (Shown(w)) shown.push_back(w);
    if (Typed(w, "Static", SS_TYPEMASK, {SS_OWNERDRAW})) titles = w;
  }
  // Each column title but the last fits its column with a gap; the last ends
  // inside the list.
  EXPECT_EQ(titles != nullptr, t.overlayList != 0);
  if (titles) {
    std::vector<std::string> fields(1);
    for (char ch : TextOf(titles)) ch == ',' ? fields.emplace_back() : fields.back() += ch;
    ASSERT_EQ(fields.size(), 6u) << TextOf(titles);
    HDC dc = GetDC(dialog_);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog_, WM_GETFONT, 0, 0)));
    TEXTMETRICA m{};
    GetTextMetricsA(dc, &m);
    const std::vector<int>& steps = c.english ? t.englishSteps : t.localSteps;
    RECT list;
    GetClientRect(GetDlgItem(dialog_, t.overlayList), &list);
    for (size_t i = 0, x = t.firstColumn; i < fields.size(); ++i) {
      SIZE size{};
      GetTextExtentPoint32A(dc, fields[i].c_str(), static_cast<int>(fields[i].size()), &size);
      const int step = i + 1 < fields.size() ? m.tmMaxCharWidth * steps[i] / 10 : 0;
      EXPECT_TRUE(step ? size.cx + 2 < step : static_cast<LONG>(x) + size.cx <= list.right) << fields[i];
      x += step;
    }
    SelectObject(dc, old);
    ReleaseDC(dialog_, dc);
  }
  RECT client;
  GetClientRect(dialog_, &client);
  int measured = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const RECT r = RectIn(shown[i], dialog_);
    EXPECT_TRUE(Contains(client, r)) << Describe(shown[i]) << " leaves the dialog";
    for (size_t j = i + 1; j < shown.size(); ++j) {
      RECT other = RectIn(shown[j], dialog_), common;
      EXPECT_TRUE(!IntersectRect(&common, &r, &other) || (Holds(shown[i]) && Contains(r, other)) ||
                  (Holds(shown[j]) && Contains(other, r)))
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
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, TemplateTest, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<Case>& c) {
                           return std::string(c.param.build ? "english_" : "local_") + c.param.Name();
                         });

// Bitmap 100 is an empty 11 by 11 box, 101 the same box with a tick in it: a
// stroke that goes down from the left and up to the right.
class TickBitmapTest : public testing::TestWithParam<const char*> {};
TEST_P(TickBitmapTest, EmptyAndTickedBoxes) {
  HMODULE module = LoadLibraryA(GetParam());
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
  int ticked = 0, lowY = -1, lowX = -1, highY = 11, highX = -1;
  for (int y = 0, x = 0; y < 11; x = (x + 1) % 11, y += x == 0) {
    const bool frame = x == 0 || y == 0 || x == 10 || y == 10, e = dark[0][y * 11 + x],
               s = dark[1][y * 11 + x];
    EXPECT_TRUE(frame ? e && s : !e) << x << "," << y;
    if (frame || !s) continue;
    ++ticked;
    if (y > lowY) lowY = y, lowX = x;
    if (y < highY) highY = y, highX = x;
  }
  EXPECT_TRUE(ticked >= 8 && ticked <= 40) << ticked;  // a tick, not a dot and not a filled box
  EXPECT_TRUE(lowY > 5 && highY < 5 && lowX < highX);
}
INSTANTIATE_TEST_SUITE_P(BothBuilds, TickBitmapTest, testing::ValuesIn(kBuilds));

}  // namespace
