// The dialog templates of both builds of the DLL (each carries both resource
// sets): every template exists in its language only, holds the controls its
// procedure works with (of the right kind, shown or hidden), the English twin
// shows the English texts, and the layout lets a person use it: shown
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

// Kinds of control: push button, check box, radio button, text static, edit,
// read-only multi-line edit, multi-line edit, list box, unsorted list box,
// owner-drawn fixed list box with strings, combo box.
enum Kind { B, X, R, S, E, RO, ML, L, UL, OD, C };
struct Control {
  int id;
  Kind kind;
  bool shown = true;
};
struct Template {
  const char* base;  // the local name; the English twin is "W_" + base
  const char* englishCaption;
  std::vector<Control> controls;
};

const std::vector<Template> kTemplates = {
      {"DETAIL", "Form Details", {{ZV_ID_DETAIL_FORM_LIST, UL}, {ZV_ID_DETAIL_DESCRIPTION, RO}, {
       ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"DETAIL1", "Form Selection", {{ZV_ID_SELECTION_FILE, E}, {ZV_ID_SELECTION_BROWSE, B}, {
       ZV_ID_SELECTION_DESCRIPTION, E}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"DIRECTORY", "Directory Setting", {{ZV_ID_PICKER_DIR_LABEL, S}, {ZV_ID_PICKER_DIR_LIST, L}, {
       ZV_ID_PICKER_DRIVE_LABEL, S}, {ZV_ID_PICKER_DRIVES, C}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {
       ZV_ID_PICKER_NETWORK, B}, {ZV_ID_PICKER_FILE_NAME, E, false}, {ZV_ID_PICKER_FILE_LIST, L, false}, {
       ZV_ID_PICKER_FILE_TYPES, C, false}, {ZV_ID_PICKER_READ_ONLY, X, false}}},
      {"EDIT", "Edit Form", {{ZV_ID_EDIT_USE_FORM_NAME, X}, {ZV_ID_EDIT_FORM_LABEL, S}, {
       ZV_ID_EDIT_FORM_LIST, UL}, {ZV_ID_EDIT_FILE_LABEL, S, false}, {ZV_ID_EDIT_FILE, E, false}, {
       ZV_ID_EDIT_BROWSE, B, false}, {ZV_ID_EDIT_DESCRIPTION, RO}, {ZV_ID_EDIT_CHANGE, B}, {
       ZV_ID_EDIT_DELETE, B}, {ZV_ID_EDIT_REGISTER, B, false}, {ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"EDIT1", "Delete Form data", {{ZV_ID_DELETE_FORM, R}, {ZV_ID_DELETE_OVERLAYS, R}, {
       ZV_ID_DELETE_LIST, OD}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"EDIT2", "Register Existing Form", {{ZV_ID_REGISTER_FILE, E}, {
       ZV_ID_REGISTER_FILE_DESCRIPTION, RO}, {ZV_ID_REGISTER_FILE_PAPER, S}, {
       ZV_ID_REGISTER_FILE_ORIENTATION, S}, {ZV_ID_REGISTER_FORM_NAME, E}, {ZV_ID_REGISTER_BROWSE, B}, {
       ZV_ID_REGISTER_FORM_DESCRIPTION, ML}, {ZV_ID_REGISTER_PAPER_LABEL, S}, {ZV_ID_REGISTER_PAPER, C}, {
       ZV_ID_REGISTER_PAPER_FIXED_LABEL, S, false}, {ZV_ID_REGISTER_FORM_PAPER, S, false}, {
       ZV_ID_REGISTER_PORTRAIT, R}, {ZV_ID_REGISTER_LANDSCAPE, R}, {
       ZV_ID_REGISTER_FORM_ORIENTATION, S, false}, {ZV_ID_TO_FRONT, R}, {ZV_ID_TO_BACK, R}, {
       ZV_ID_REGISTER_FORM_LAYER, S, false}, {ZV_ID_REGISTER_SAVE_TO_LABEL, S}, {
       ZV_ID_REGISTER_SAVE_TO, S}, {ZV_ID_REGISTER_CHANGE_DIRECTORY, B}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {
       ZV_ID_HELP, B}}},
      {"EDIT3", "Change Form", {{ZV_ID_CHANGE_FORM_LABEL, S}, {ZV_ID_CHANGE_FILE_LABEL, S, false}, {
       ZV_ID_CHANGE_NAME, E}, {ZV_ID_CHANGE_DESCRIPTION, ML}, {ZV_ID_TO_FRONT, R}, {ZV_ID_TO_BACK, R}, {
       ZV_ID_CHANGE_SAVE_TO_LABEL, S}, {ZV_ID_CHANGE_SAVE_TO, S}, {ZV_ID_CHANGE_DIRECTORY, B}, {
       ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"FORMINFO", "Form Settings", {{ZV_ID_SETTINGS_USE_FORM_NAME, X}, {ZV_ID_SETTINGS_LIST_LABEL, S}, {
       ZV_ID_SETTINGS_FORM_LIST, L}, {ZV_ID_SETTINGS_DESCRIPTION, RO}, {ZV_ID_SETTINGS_ADD, B}, {
       ZV_ID_SETTINGS_PAPER, S}, {ZV_ID_SETTINGS_ORIENTATION, S}, {ZV_ID_SETTINGS_LAYER, S}, {
       ZV_ID_SETTINGS_OVERLAY_LIST, OD}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"NEWFILE", "Form/File Settings", {{ZV_ID_NEWFILE_FILE, E}, {ZV_ID_NEWFILE_BROWSE, B}, {
       ZV_ID_NEWFILE_DESCRIPTION, ML}, {ZV_ID_TO_FRONT, R}, {ZV_ID_TO_BACK, R}, {ZV_ID_OK, B}, {
       ZV_ID_CANCEL, B}, {ZV_ID_HELP, B}}},
      {"NEWFORM", "Add Form", {{ZV_ID_NEWFORM_NAME, E}, {ZV_ID_NEWFORM_BROWSE, B}, {
       ZV_ID_NEWFORM_DESCRIPTION, ML}, {ZV_ID_TO_FRONT, R}, {ZV_ID_TO_BACK, R}, {
       ZV_ID_NEWFORM_CHANGE_DIRECTORY, B}, {ZV_ID_NEWFORM_SAVE_TO, S}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {
       ZV_ID_HELP, B}}},
      {"PRINTER", "Printer List", {{ZV_ID_PRINTER_LIST, L}, {ZV_ID_OK, B}, {ZV_ID_CANCEL, B}, {
       ZV_ID_HELP, B}}},
};

// The English texts of the controls that the add form, change form and
// form/file settings dialogs name.
struct EnglishText {
  const char* base;
  int id;
  const char* text;
};
const EnglishText kEnglishTexts[] = {
    {"NEWFORM", ZV_ID_NEWFORM_BROWSE, "&Browse..."}, {"NEWFORM", ZV_ID_TO_FRONT, "To F&ront"},
    {"NEWFORM", ZV_ID_TO_BACK, "To B&ack"}, {"NEWFORM", ZV_ID_NEWFORM_CHANGE_DIRECTORY, "Change &Directory..."},
    {"NEWFORM", ZV_ID_OK, "Re&gister"}, {"NEWFORM", ZV_ID_CANCEL, "Cancel"}, {"NEWFORM", ZV_ID_HELP, "&Help"},
    {"EDIT3", ZV_ID_CHANGE_FORM_LABEL, "&Form Name:"}, {"EDIT3", ZV_ID_CHANGE_FILE_LABEL, "&File:"},
    {"EDIT3", ZV_ID_TO_FRONT, "To F&ront"}, {"EDIT3", ZV_ID_TO_BACK, "To B&ack"},
    {"EDIT3", ZV_ID_CHANGE_SAVE_TO_LABEL, "Save to:"}, {"EDIT3", ZV_ID_CHANGE_DIRECTORY, "Change &Directory..."},
    {"EDIT3", ZV_ID_OK, "OK"}, {"EDIT3", ZV_ID_CANCEL, "Cancel"}, {"EDIT3", ZV_ID_HELP, "&Help"},
    {"NEWFILE", ZV_ID_NEWFILE_BROWSE, "&Browse..."}, {"NEWFILE", ZV_ID_TO_FRONT, "To F&ront"},
    {"NEWFILE", ZV_ID_TO_BACK, "To B&ack"}, {"NEWFILE", ZV_ID_OK, "OK"}, {"NEWFILE", ZV_ID_CANCEL, "Cancel"},
    {"NEWFILE", ZV_ID_HELP, "&Help"},
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

std::string ClassOf(HWND w) {
  char name[64] = "";
  GetClassNameA(w, name, sizeof name);
  return name;
}
std::string TextOf(HWND w) {
  char text[512] = "";
  GetWindowTextA(w, text, sizeof text);
  return text;
}
LONG StyleOf(HWND w) { return GetWindowLongA(w, GWL_STYLE); }
bool Is(HWND w, const char* name) { return lstrcmpiA(ClassOf(w).c_str(), name) == 0; }
bool ButtonOf(HWND w, std::initializer_list<LONG> types) {
  return Is(w, "Button") && std::count(types.begin(), types.end(), StyleOf(w) & BS_TYPEMASK) > 0;
}
bool IsPush(HWND w) { return ButtonOf(w, {BS_PUSHBUTTON, BS_DEFPUSHBUTTON}); }
bool IsCheck(HWND w) { return ButtonOf(w, {BS_CHECKBOX, BS_AUTOCHECKBOX, BS_3STATE, BS_AUTO3STATE}); }
bool IsRadio(HWND w) { return ButtonOf(w, {BS_RADIOBUTTON, BS_AUTORADIOBUTTON}); }
LONG StaticType(HWND w) { return StyleOf(w) & SS_TYPEMASK; }
bool StaticOf(HWND w, std::initializer_list<LONG> types) {
  return Is(w, "Static") && std::count(types.begin(), types.end(), StaticType(w)) > 0;
}
bool IsText(HWND w) { return StaticOf(w, {SS_LEFT, SS_CENTER, SS_RIGHT, SS_SIMPLE, SS_LEFTNOWORDWRAP}); }
// A group box or a static frame or rectangle, which may hold other controls.
bool Holds(HWND w) {
  return ButtonOf(w, {BS_GROUPBOX}) ||
         StaticOf(w, {SS_BLACKRECT, SS_GRAYRECT, SS_WHITERECT, SS_BLACKFRAME, SS_GRAYFRAME, SS_WHITEFRAME,
                      SS_ETCHEDHORZ, SS_ETCHEDVERT, SS_ETCHEDFRAME});
}
bool IsKind(HWND w, Kind kind) {
  const LONG s = StyleOf(w);
  switch (kind) {
    case B: return IsPush(w);
    case X: return IsCheck(w);
    case R: return IsRadio(w);
    case S: return IsText(w);
    case E: return Is(w, "Edit");
    case RO: return Is(w, "Edit") && (s & ES_MULTILINE) && (s & ES_READONLY);
    case ML: return Is(w, "Edit") && (s & ES_MULTILINE);
    case L: return Is(w, "ListBox");
    case UL: return Is(w, "ListBox") && !(s & LBS_SORT);
    case OD: return Is(w, "ListBox") && (s & LBS_OWNERDRAWFIXED) && (s & LBS_HASSTRINGS);
    case C: return Is(w, "ComboBox");
  }
  return false;
}
bool Shown(HWND w) { return (StyleOf(w) & WS_VISIBLE) != 0; }
bool Contains(const RECT& o, const RECT& i) {
  return i.left >= o.left && i.top >= o.top && i.right <= o.right && i.bottom <= o.bottom;
}
std::string Describe(HWND w) {
  return "control " + std::to_string(static_cast<short>(GetDlgCtrlID(w))) + " (" + ClassOf(w) + " \"" +
         TextOf(w) + "\")";
}

// The text as shown: "&&" is one '&', a single '&' marks the next letter.
std::string Shown(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') shown += text[i];
    else if (i + 1 < text.size() && text[i + 1] == '&') shown += text[++i];
  }
  return shown;
}

// The size the control's text needs in the control's font, or {0, 0} for
// controls whose text is not measured.
SIZE Needed(HWND w, int width) {
  const std::string text = Shown(TextOf(w));
  const bool box = IsCheck(w) || IsRadio(w);
  if (text.empty() || !(IsText(w) || IsPush(w) || box || ButtonOf(w, {BS_GROUPBOX}))) return {0, 0};
  HDC dc = GetDC(w);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  auto line = [&](const std::string& t) {
    SIZE s = {0, 0};
    GetTextExtentPoint32A(dc, t.c_str(), static_cast<int>(t.size()), &s);
    return s;
  };
  auto wrapped = [&](int at) {
    RECT r = {0, 0, at, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return SIZE{r.right, r.bottom};
  };
  const bool multi = (StyleOf(w) & BS_MULTILINE) != 0;
  SIZE need;
  if (IsText(w)) {  // simple statics do not wrap
    need = (StaticType(w) == SS_SIMPLE || StaticType(w) == SS_LEFTNOWORDWRAP) ? line(text) : wrapped(width);
  } else if (IsPush(w)) {  // the 3D edge and the focus rectangle take 3 pixels a side
    need = multi ? wrapped(width - 6) : line(text);
    need = {need.cx + 6, need.cy + 2};
  } else if (box) {  // the box or circle and a gap before the text
    const int glyph = GetSystemMetrics(SM_CXMENUCHECK) + std::max<int>(4, line("0").cx / 2);
    need = multi ? wrapped(width - glyph) : line(text);
    need.cx += glyph;
  } else {  // a group box's caption sits in its top edge, indented from both corners
    need = line(text);
    need.cx += 16;
  }
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return need;
}

INT_PTR CALLBACK Plain(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

class TemplateTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override { ASSERT_NE(module_, nullptr) << kBuilds[GetParam().build]; }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = LoadLibraryA(kBuilds[GetParam().build]);
  HWND dialog_ = nullptr;
};

TEST_P(TemplateTest, ExistsHoldsItsControlsAndLetsEveryOneBeSeen) {
  const Case& c = GetParam();
  const std::string name = c.Name();
  // In its set's language and no other.
  const WORD language =
      c.english ? MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US) : MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module_, MAKEINTRESOURCEA(5), name.c_str(), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, std::vector<WORD>{language});

  // Created hidden, with a procedure that does nothing: the controls stand as
  // the template places them.
  dialog_ = CreateDialogParamA(module_, name.c_str(), nullptr, Plain, 0);
  ASSERT_NE(dialog_, nullptr);
  for (const Control& required : c.t->controls) {
    HWND w = GetDlgItem(dialog_, required.id);
    if (!w) {
      ADD_FAILURE() << "control " << required.id << " is missing";
      continue;
    }
    EXPECT_TRUE(IsKind(w, required.kind)) << Describe(w) << " is not of kind " << required.kind;
    EXPECT_EQ(Shown(w), required.shown) << Describe(w);
  }
  if (c.english) {
    EXPECT_EQ(TextOf(dialog_), c.t->englishCaption);
    for (const EnglishText& t : kEnglishTexts)
      if (std::string(t.base) == c.t->base) {
        EXPECT_EQ(TextOf(GetDlgItem(dialog_, t.id)), t.text) << t.id;
      }
  }
  // Only the local form settings template has the column headers (which the
  // dialog may draw itself) and the graphic mode note.
  if (std::string(c.t->base) == "FORMINFO") {
    HWND columns = GetDlgItem(dialog_, ZV_ID_SETTINGS_COLUMNS), graphic = GetDlgItem(dialog_, ZV_ID_SETTINGS_GRAPHIC_MODE);
    if (c.english) {
      EXPECT_EQ(columns, nullptr);
      EXPECT_EQ(graphic, nullptr);
    } else {
      ASSERT_TRUE(columns && graphic);
      EXPECT_TRUE((IsText(columns) || StaticOf(columns, {SS_OWNERDRAW})) && Shown(columns) && !TextOf(columns).empty());
      EXPECT_TRUE(IsText(graphic) && Shown(graphic));
      EXPECT_EQ(TextOf(graphic), "(Modo Gr\341fico)");
    }
  }

  RECT client;
  GetClientRect(dialog_, &client);
  std::vector<HWND> shown;
  for (HWND w = GetWindow(dialog_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
    if (Shown(w)) shown.push_back(w);
  ASSERT_GE(shown.size(), c.t->controls.size() / 2);
  int measured = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    RECT r;
    GetWindowRect(shown[i], &r);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_TRUE(Contains(client, r)) << Describe(shown[i]) << " leaves the dialog";
    for (size_t j = i + 1; j < shown.size(); ++j) {
      RECT other, common;
      GetWindowRect(shown[j], &other);
      MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&other), 2);
      if (!IntersectRect(&common, &r, &other)) continue;
      EXPECT_TRUE((Holds(shown[i]) && Contains(r, other)) || (Holds(shown[j]) && Contains(other, r)))
          << Describe(shown[i]) << " overlaps " << Describe(shown[j]);
    }
    RECT area;
    GetClientRect(shown[i], &area);
    const SIZE need = Needed(shown[i], area.right);
    if (need.cx == 0) continue;
    ++measured;
    EXPECT_TRUE(need.cx <= area.right && need.cy <= area.bottom)
        << Describe(shown[i]) << " needs " << need.cx << "x" << need.cy << ", has " << area.right << "x" << area.bottom;
  }
  EXPECT_GE(measured, 2) << "hardly any text was measured";
}

std::string CaseName(const testing::TestParamInfo<Case>& c) {
  return std::string(c.param.build ? "english_" : "local_") + c.param.Name();
}
INSTANTIATE_TEST_SUITE_P(BothBuilds, TemplateTest, testing::ValuesIn(AllCases()), CaseName);

// The pixels of an 11 by 11 bitmap as luminance, or empty when it is missing
// or of another size.
std::vector<int> Luma(HMODULE module, int id) {
  std::vector<int> luma;
  HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
  BITMAP info = {};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth != 11 || info.bmHeight != 11) return luma;
  BITMAPINFO header = {};
  header.bmiHeader = {static_cast<DWORD>(sizeof header.bmiHeader), 11, -11, 1, 32, BI_RGB};
  std::vector<unsigned char> bits(11 * 11 * 4);
  HDC dc = GetDC(nullptr);
  if (GetDIBits(dc, bitmap, 0, 11, bits.data(), &header, DIB_RGB_COLORS) == 11)
    for (size_t p = 0; p < bits.size(); p += 4) luma.push_back((bits[p + 2] * 30 + bits[p + 1] * 59 + bits[p] * 11) / 100);
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  return luma;
}

// Bitmap 100 is an empty box, 101 the same box with a tick in it: a stroke
// that goes down from the left and up to the right.
class TickBitmapTest : public testing::TestWithParam<const char*> {};
TEST_P(TickBitmapTest, EmptyAndTickedBoxes) {
  HMODULE module = LoadLibraryA(GetParam());
  ASSERT_NE(module, nullptr);
  const std::vector<int> empty = Luma(module, ZV_BITMAP_TICK_EMPTY), set = Luma(module, ZV_BITMAP_TICK_SET);
  FreeLibrary(module);
  ASSERT_EQ(empty.size(), 121u);
  ASSERT_EQ(set.size(), 121u);
  int dark = 0, lowY = -1, lowX = -1, highY = 11, highX = -1;
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 11; ++x) {
      const int e = empty[y * 11 + x], s = set[y * 11 + x];
      if (x == 0 || y == 0 || x == 10 || y == 10) {
        EXPECT_LT(e, 128) << x << "," << y;  // the frame is dark, the same in both
        EXPECT_EQ(e, s) << x << "," << y;
        continue;
      }
      EXPECT_GT(e, 200) << x << "," << y;
      if (s >= 128) {
        EXPECT_EQ(e, s) << x << "," << y;
        continue;
      }
      ++dark;
      if (y > lowY) lowY = y, lowX = x;
      if (y < highY) highY = y, highX = x;
    }
  }
  EXPECT_GE(dark, 8);  // a tick, not a dot and not a filled box
  EXPECT_LE(dark, 40);
  EXPECT_GT(lowY, 5);
  EXPECT_LT(highY, 5);
  EXPECT_LT(lowX, highX);
}
INSTANTIATE_TEST_SUITE_P(BothBuilds, TickBitmapTest, testing::ValuesIn(kBuilds));

}  // namespace
