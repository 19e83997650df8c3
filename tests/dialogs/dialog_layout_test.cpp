// The dialog templates of the module, in both builds of the DLL (the local
// one and the one that shows the English set; each carries both resource
// sets): every template exists in its language, holds the controls its
// dialog procedure works with, and is laid out so that a person can use it:
// every shown control lies inside the dialog, no two shown controls overlap
// (a group box holds others), and every label and button text fits its
// control in the control's own font. Also the tick box bitmaps.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "dialogs/resource_ids.h"

namespace {

constexpr WORD kLocalLanguage = MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN);  // 0x0C0A
constexpr WORD kEnglishLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);    // 0x0409

// What a control must be.
enum class Kind {
  kPushButton,
  kCheckBox,
  kRadioButton,
  kStatic,
  kEdit,
  kReadOnlyMultiLineEdit,
  kMultiLineEdit,
  kListBox,
  kUnsortedListBox,
  kOwnerDrawnListBox,  // fixed row height, holds strings
  kComboBox,
};

struct RequiredControl {
  int id;
  Kind kind;
  bool shown;  // false: present but hidden
};

struct ExpectedTemplate {
  const char* base;  // the local name; the English twin is "W_" + base
  const char* englishCaption;
  std::vector<RequiredControl> controls;
};

const std::vector<ExpectedTemplate>& Templates() {
  static const std::vector<ExpectedTemplate> templates = {
      {"DETAIL",
       "Form Details",
       {{ZV_ID_DETAIL_FORM_LIST, Kind::kUnsortedListBox, true},
        {ZV_ID_DETAIL_DESCRIPTION, Kind::kReadOnlyMultiLineEdit, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"DETAIL1",
       "Form Selection",
       {{ZV_ID_SELECTION_FILE, Kind::kEdit, true},
        {ZV_ID_SELECTION_BROWSE, Kind::kPushButton, true},
        {ZV_ID_SELECTION_DESCRIPTION, Kind::kEdit, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"DIRECTORY",
       "Directory Setting",
       {{ZV_ID_PICKER_DIR_LABEL, Kind::kStatic, true},
        {ZV_ID_PICKER_DIR_LIST, Kind::kListBox, true},
        {ZV_ID_PICKER_DRIVE_LABEL, Kind::kStatic, true},
        {ZV_ID_PICKER_DRIVES, Kind::kComboBox, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_PICKER_NETWORK, Kind::kPushButton, true},
        {ZV_ID_PICKER_FILE_NAME, Kind::kEdit, false},
        {ZV_ID_PICKER_FILE_LIST, Kind::kListBox, false},
        {ZV_ID_PICKER_FILE_TYPES, Kind::kComboBox, false},
        {ZV_ID_PICKER_READ_ONLY, Kind::kCheckBox, false}}},
      {"EDIT",
       "Edit Form",
       {{ZV_ID_EDIT_USE_FORM_NAME, Kind::kCheckBox, true},
        {ZV_ID_EDIT_FORM_LABEL, Kind::kStatic, true},
        {ZV_ID_EDIT_FORM_LIST, Kind::kUnsortedListBox, true},
        {ZV_ID_EDIT_FILE_LABEL, Kind::kStatic, false},
        {ZV_ID_EDIT_FILE, Kind::kEdit, false},
        {ZV_ID_EDIT_BROWSE, Kind::kPushButton, false},
        {ZV_ID_EDIT_DESCRIPTION, Kind::kReadOnlyMultiLineEdit, true},
        {ZV_ID_EDIT_CHANGE, Kind::kPushButton, true},
        {ZV_ID_EDIT_DELETE, Kind::kPushButton, true},
        {ZV_ID_EDIT_REGISTER, Kind::kPushButton, false},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"EDIT1",
       "Delete Form data",
       {{ZV_ID_DELETE_FORM, Kind::kRadioButton, true},
        {ZV_ID_DELETE_OVERLAYS, Kind::kRadioButton, true},
        {ZV_ID_DELETE_LIST, Kind::kOwnerDrawnListBox, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"EDIT2",
       "Register Existing Form",
       {{ZV_ID_REGISTER_FILE, Kind::kEdit, true},
        {ZV_ID_REGISTER_FILE_DESCRIPTION, Kind::kReadOnlyMultiLineEdit, true},
        {ZV_ID_REGISTER_FILE_PAPER, Kind::kStatic, true},
        {ZV_ID_REGISTER_FILE_ORIENTATION, Kind::kStatic, true},
        {ZV_ID_REGISTER_FORM_NAME, Kind::kEdit, true},
        {ZV_ID_REGISTER_BROWSE, Kind::kPushButton, true},
        {ZV_ID_REGISTER_FORM_DESCRIPTION, Kind::kMultiLineEdit, true},
        {ZV_ID_REGISTER_PAPER_LABEL, Kind::kStatic, true},
        {ZV_ID_REGISTER_PAPER, Kind::kComboBox, true},
        {ZV_ID_REGISTER_PAPER_FIXED_LABEL, Kind::kStatic, false},
        {ZV_ID_REGISTER_FORM_PAPER, Kind::kStatic, false},
        {ZV_ID_REGISTER_PORTRAIT, Kind::kRadioButton, true},
        {ZV_ID_REGISTER_LANDSCAPE, Kind::kRadioButton, true},
        {ZV_ID_REGISTER_FORM_ORIENTATION, Kind::kStatic, false},
        {ZV_ID_TO_FRONT, Kind::kRadioButton, true},
        {ZV_ID_TO_BACK, Kind::kRadioButton, true},
        {ZV_ID_REGISTER_FORM_LAYER, Kind::kStatic, false},
        {ZV_ID_REGISTER_SAVE_TO_LABEL, Kind::kStatic, true},
        {ZV_ID_REGISTER_SAVE_TO, Kind::kStatic, true},
        {ZV_ID_REGISTER_CHANGE_DIRECTORY, Kind::kPushButton, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"EDIT3",
       "Change Form",
       {{ZV_ID_CHANGE_FORM_LABEL, Kind::kStatic, true},
        {ZV_ID_CHANGE_FILE_LABEL, Kind::kStatic, false},
        {ZV_ID_CHANGE_NAME, Kind::kEdit, true},
        {ZV_ID_CHANGE_DESCRIPTION, Kind::kMultiLineEdit, true},
        {ZV_ID_TO_FRONT, Kind::kRadioButton, true},
        {ZV_ID_TO_BACK, Kind::kRadioButton, true},
        {ZV_ID_CHANGE_SAVE_TO_LABEL, Kind::kStatic, true},
        {ZV_ID_CHANGE_SAVE_TO, Kind::kStatic, true},
        {ZV_ID_CHANGE_DIRECTORY, Kind::kPushButton, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"FORMINFO",
       "Form Settings",
       {{ZV_ID_SETTINGS_USE_FORM_NAME, Kind::kCheckBox, true},
        {ZV_ID_SETTINGS_LIST_LABEL, Kind::kStatic, true},
        {ZV_ID_SETTINGS_FORM_LIST, Kind::kListBox, true},
        {ZV_ID_SETTINGS_DESCRIPTION, Kind::kReadOnlyMultiLineEdit, true},
        {ZV_ID_SETTINGS_ADD, Kind::kPushButton, true},
        {ZV_ID_SETTINGS_PAPER, Kind::kStatic, true},
        {ZV_ID_SETTINGS_ORIENTATION, Kind::kStatic, true},
        {ZV_ID_SETTINGS_LAYER, Kind::kStatic, true},
        {ZV_ID_SETTINGS_OVERLAY_LIST, Kind::kOwnerDrawnListBox, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"NEWFILE",
       "Form/File Settings",
       {{ZV_ID_NEWFILE_FILE, Kind::kEdit, true},
        {ZV_ID_NEWFILE_BROWSE, Kind::kPushButton, true},
        {ZV_ID_NEWFILE_DESCRIPTION, Kind::kMultiLineEdit, true},
        {ZV_ID_TO_FRONT, Kind::kRadioButton, true},
        {ZV_ID_TO_BACK, Kind::kRadioButton, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"NEWFORM",
       "Add Form",
       {{ZV_ID_NEWFORM_NAME, Kind::kEdit, true},
        {ZV_ID_NEWFORM_BROWSE, Kind::kPushButton, true},
        {ZV_ID_NEWFORM_DESCRIPTION, Kind::kMultiLineEdit, true},
        {ZV_ID_TO_FRONT, Kind::kRadioButton, true},
        {ZV_ID_TO_BACK, Kind::kRadioButton, true},
        {ZV_ID_NEWFORM_CHANGE_DIRECTORY, Kind::kPushButton, true},
        {ZV_ID_NEWFORM_SAVE_TO, Kind::kStatic, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
      {"PRINTER",
       "Printer List",
       {{ZV_ID_PRINTER_LIST, Kind::kListBox, true},
        {ZV_ID_OK, Kind::kPushButton, true},
        {ZV_ID_CANCEL, Kind::kPushButton, true},
        {ZV_ID_HELP, Kind::kPushButton, true}}},
  };
  return templates;
}

// The English texts of the buttons that the add form and form/file settings
// dialogs name.
struct EnglishText {
  const char* base;
  int id;
  const char* text;
};
const EnglishText kEnglishTexts[] = {
    {"NEWFORM", ZV_ID_NEWFORM_BROWSE, "&Browse..."},
    {"NEWFORM", ZV_ID_TO_FRONT, "To F&ront"},
    {"NEWFORM", ZV_ID_TO_BACK, "To B&ack"},
    {"NEWFORM", ZV_ID_NEWFORM_CHANGE_DIRECTORY, "Change &Directory..."},
    {"NEWFORM", ZV_ID_OK, "Re&gister"},
    {"NEWFORM", ZV_ID_CANCEL, "Cancel"},
    {"NEWFORM", ZV_ID_HELP, "&Help"},
    {"EDIT3", ZV_ID_CHANGE_FORM_LABEL, "&Form Name:"},
    {"EDIT3", ZV_ID_CHANGE_FILE_LABEL, "&File:"},
    {"EDIT3", ZV_ID_TO_FRONT, "To F&ront"},
    {"EDIT3", ZV_ID_TO_BACK, "To B&ack"},
    {"EDIT3", ZV_ID_CHANGE_SAVE_TO_LABEL, "Save to:"},
    {"EDIT3", ZV_ID_CHANGE_DIRECTORY, "Change &Directory..."},
    {"EDIT3", ZV_ID_OK, "OK"},
    {"EDIT3", ZV_ID_CANCEL, "Cancel"},
    {"EDIT3", ZV_ID_HELP, "&Help"},
    {"NEWFILE", ZV_ID_NEWFILE_BROWSE, "&Browse..."},
    {"NEWFILE", ZV_ID_TO_FRONT, "To F&ront"},
    {"NEWFILE", ZV_ID_TO_BACK, "To B&ack"},
    {"NEWFILE", ZV_ID_OK, "OK"},
    {"NEWFILE", ZV_ID_CANCEL, "Cancel"},
    {"NEWFILE", ZV_ID_HELP, "&Help"},
};

// One build of the module, loaded for the length of one test.
class LoadedModule {
 public:
  explicit LoadedModule(const char* path) : module_(LoadLibraryA(path)) {}
  ~LoadedModule() {
    if (module_) FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  HMODULE Handle() const { return module_; }

 private:
  HMODULE module_;
};

struct Build {
  const char* label;
  const char* path;
};
const Build kBuilds[] = {{"local", ZV_DLL_PATH}, {"english", ZV_ENGLISH_DLL_PATH}};

// One template name in one build of the module.
struct TemplateCase {
  Build build;
  const ExpectedTemplate* expected;
  bool english;  // the "W_" twin
  std::string Name() const { return (english ? "W_" : "") + std::string(expected->base); }
  WORD Language() const { return english ? kEnglishLanguage : kLocalLanguage; }
};

std::vector<TemplateCase> AllCases() {
  std::vector<TemplateCase> cases;
  for (const Build& build : kBuilds) {
    for (const ExpectedTemplate& expected : Templates()) {
      cases.push_back({build, &expected, false});
      cases.push_back({build, &expected, true});
    }
  }
  return cases;
}

std::vector<TemplateCase> EnglishCases() {
  std::vector<TemplateCase> cases;
  for (const TemplateCase& c : AllCases()) {
    if (c.english) cases.push_back(c);
  }
  return cases;
}

// gtest prints a failing case by this, not as raw bytes.
void PrintTo(const TemplateCase& c, std::ostream* out) {
  *out << c.build.label << " build, " << c.Name();
}

std::string CaseName(const testing::TestParamInfo<TemplateCase>& info) {
  return std::string(info.param.build.label) + "_" + info.param.Name();
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
  return TRUE;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A template created as a hidden modeless dialog with a procedure that does
// nothing, so that the controls stand as the template places them.
class CreatedDialog {
 public:
  CreatedDialog(HMODULE module, const std::string& name)
      : window_(CreateDialogParamA(module, name.c_str(), nullptr, PlainDialogProc, 0)) {}
  ~CreatedDialog() {
    if (window_) DestroyWindow(window_);
  }
  CreatedDialog(const CreatedDialog&) = delete;
  CreatedDialog& operator=(const CreatedDialog&) = delete;
  HWND Handle() const { return window_; }

 private:
  HWND window_;
};

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

LONG StyleOf(HWND window) {
  return GetWindowLongA(window, GWL_STYLE);
}

bool IsClass(HWND window, const char* name) {
  return lstrcmpiA(ClassOf(window).c_str(), name) == 0;
}

LONG ButtonType(HWND window) {
  return StyleOf(window) & BS_TYPEMASK;
}

bool IsPushButton(HWND w) {
  return IsClass(w, "Button") && (ButtonType(w) == BS_PUSHBUTTON || ButtonType(w) == BS_DEFPUSHBUTTON);
}
bool IsCheckBox(HWND w) {
  const LONG t = ButtonType(w);
  return IsClass(w, "Button") &&
         (t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE);
}
bool IsRadioButton(HWND w) {
  return IsClass(w, "Button") && (ButtonType(w) == BS_RADIOBUTTON || ButtonType(w) == BS_AUTORADIOBUTTON);
}
bool IsGroupBox(HWND w) {
  return IsClass(w, "Button") && ButtonType(w) == BS_GROUPBOX;
}

LONG StaticType(HWND window) {
  return StyleOf(window) & SS_TYPEMASK;
}
// A static that draws a frame or a filled rectangle rather than text.
bool IsFrameStatic(HWND w) {
  if (!IsClass(w, "Static")) return false;
  switch (StaticType(w)) {
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT:
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME:
    case SS_ETCHEDHORZ:
    case SS_ETCHEDVERT:
    case SS_ETCHEDFRAME:
      return true;
    default:
      return false;
  }
}
bool IsTextStatic(HWND w) {
  if (!IsClass(w, "Static")) return false;
  switch (StaticType(w)) {
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      return true;
    default:
      return false;
  }
}

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::kPushButton:
      return "push button";
    case Kind::kCheckBox:
      return "check box";
    case Kind::kRadioButton:
      return "radio button";
    case Kind::kStatic:
      return "static text";
    case Kind::kEdit:
      return "edit field";
    case Kind::kReadOnlyMultiLineEdit:
      return "read-only multi-line edit field";
    case Kind::kMultiLineEdit:
      return "multi-line edit field";
    case Kind::kListBox:
      return "list box";
    case Kind::kUnsortedListBox:
      return "list box without the sort style";
    case Kind::kOwnerDrawnListBox:
      return "owner-drawn list box (fixed row height, with strings)";
    case Kind::kComboBox:
      return "combo box";
  }
  return "?";
}

bool IsKind(HWND w, Kind kind) {
  const LONG style = StyleOf(w);
  switch (kind) {
    case Kind::kPushButton:
      return IsPushButton(w);
    case Kind::kCheckBox:
      return IsCheckBox(w);
    case Kind::kRadioButton:
      return IsRadioButton(w);
    case Kind::kStatic:
      return IsTextStatic(w);
    case Kind::kEdit:
      return IsClass(w, "Edit");
    case Kind::kReadOnlyMultiLineEdit:
      return IsClass(w, "Edit") && (style & ES_MULTILINE) && (style & ES_READONLY);
    case Kind::kMultiLineEdit:
      return IsClass(w, "Edit") && (style & ES_MULTILINE);
    case Kind::kListBox:
      return IsClass(w, "ListBox");
    case Kind::kUnsortedListBox:
      return IsClass(w, "ListBox") && !(style & LBS_SORT);
    case Kind::kOwnerDrawnListBox:
      return IsClass(w, "ListBox") && (style & LBS_OWNERDRAWFIXED) && (style & LBS_HASSTRINGS);
    case Kind::kComboBox:
      return IsClass(w, "ComboBox");
  }
  return false;
}

bool IsShown(HWND window) {
  return (StyleOf(window) & WS_VISIBLE) != 0;
}

// The direct children of the dialog (not the parts of a combo box).
std::vector<HWND> Children(HWND dialog) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  return children;
}

RECT RectInDialog(HWND dialog, HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string Describe(const std::string& name, HWND control) {
  char text[700];
  std::snprintf(text, sizeof text, "%s: control %d (%s \"%s\")", name.c_str(),
                static_cast<short>(GetDlgCtrlID(control)), ClassOf(control).c_str(), TextOf(control).c_str());
  return text;
}

std::string RectText(const RECT& r) {
  char text[80];
  std::snprintf(text, sizeof text, "[%ld,%ld - %ld,%ld]", static_cast<long>(r.left), static_cast<long>(r.top),
                static_cast<long>(r.right), static_cast<long>(r.bottom));
  return text;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// The text as shown: "&&" is one '&', a single '&' marks the next letter.
std::string WithoutAccelerators(const std::string& text) {
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        shown += '&';
        ++i;
      }
      continue;
    }
    shown += text[i];
  }
  return shown;
}

// The control's font, selected into a device context of the control.
class ControlFontDc {
 public:
  explicit ControlFontDc(HWND control) : control_(control), dc_(GetDC(control)) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    old_ = SelectObject(dc_, font);
  }
  ~ControlFontDc() {
    SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  ControlFontDc(const ControlFontDc&) = delete;
  ControlFontDc& operator=(const ControlFontDc&) = delete;
  HDC Get() const { return dc_; }

  SIZE Line(const std::string& text) const {
    SIZE size = {0, 0};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
  }
  // The rectangle the text needs when wrapped at width.
  SIZE Wrapped(const std::string& text, int width) const {
    RECT r = {0, 0, width, 0};
    DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    return {r.right - r.left, r.bottom - r.top};
  }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_;
};

// Whether the control's text fits it; on failure says why in *why. Returns
// false with an empty *why for controls whose text is not measured.
bool TextFits(HWND control, std::string* why, bool* measured) {
  *measured = false;
  why->clear();
  const std::string text = WithoutAccelerators(TextOf(control));
  if (text.empty()) return true;
  RECT client;
  GetClientRect(control, &client);
  const int width = client.right;
  const int height = client.bottom;
  const LONG style = StyleOf(control);
  ControlFontDc dc(control);
  char detail[200];
  int needWidth = 0;
  int needHeight = 0;
  if (IsTextStatic(control)) {
    const LONG type = StaticType(control);
    if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) {
      const SIZE s = dc.Line(text);
      needWidth = s.cx;
      needHeight = s.cy;
    } else {
      const SIZE s = dc.Wrapped(text, width);
      needWidth = s.cx;
      needHeight = s.cy;
    }
  } else if (IsPushButton(control)) {
    // The 3D edge and the focus rectangle take 3 pixels on each side.
    const int margin = 6;
    const SIZE s = (style & BS_MULTILINE) ? dc.Wrapped(text, width - margin) : dc.Line(text);
    needWidth = s.cx + margin;
    needHeight = s.cy + 2;
  } else if (IsCheckBox(control) || IsRadioButton(control)) {
    // The box or circle, then a gap, then the text.
    SIZE zero = dc.Line("0");
    const int glyph = GetSystemMetrics(SM_CXMENUCHECK) + std::max<int>(4, zero.cx / 2);
    const SIZE s = (style & BS_MULTILINE) ? dc.Wrapped(text, width - glyph) : dc.Line(text);
    needWidth = s.cx + glyph;
    needHeight = s.cy;
  } else if (IsGroupBox(control)) {
    // The caption sits in the frame's top edge, indented from both corners.
    const SIZE s = dc.Line(text);
    needWidth = s.cx + 2 * 8;
    needHeight = s.cy;
  } else {
    return true;
  }
  *measured = true;
  if (needWidth <= width && needHeight <= height) return true;
  std::snprintf(detail, sizeof detail, " needs %dx%d pixels but has %dx%d", needWidth, needHeight, width,
                height);
  *why = detail;
  return false;
}

class TemplateTest : public testing::TestWithParam<TemplateCase> {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA(GetParam().build.path);
    ASSERT_NE(module_, nullptr) << "cannot load " << GetParam().build.path;
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

// The template is there under its name, in its set's language and no other.
TEST_P(TemplateTest, ExistsInItsLanguageOnly) {
  const TemplateCase& c = GetParam();
  const std::string name = c.Name();
  EXPECT_NE(FindResourceExA(module_, MAKEINTRESOURCEA(5), name.c_str(), c.Language()), nullptr)
      << name << " is missing in language 0x" << std::hex << c.Language();
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module_, MAKEINTRESOURCEA(5), name.c_str(), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, std::vector<WORD>{c.Language()}) << name << " carries other languages";
}

// The controls that the dialog's procedure works with are there, of the
// right kind, shown or hidden as the dialog needs them.
TEST_P(TemplateTest, HoldsItsControls) {
  const TemplateCase& c = GetParam();
  const std::string name = c.Name();
  CreatedDialog dialog(module_, name);
  ASSERT_NE(dialog.Handle(), nullptr) << name << " cannot be created";
  for (const RequiredControl& required : c.expected->controls) {
    HWND control = GetDlgItem(dialog.Handle(), required.id);
    if (!control) {
      ADD_FAILURE() << name << ": control " << required.id << " is missing";
      continue;
    }
    EXPECT_TRUE(IsKind(control, required.kind))
        << Describe(name, control) << " should be a " << KindName(required.kind) << " (style 0x" << std::hex
        << StyleOf(control) << ")";
    EXPECT_EQ(IsShown(control), required.shown)
        << Describe(name, control) << (required.shown ? " should be shown" : " should be hidden");
  }
  // Only the local form settings template carries the column headers under
  // their own id and the graphic mode note.
  if (std::string(c.expected->base) == "FORMINFO") {
    HWND columns = GetDlgItem(dialog.Handle(), ZV_ID_SETTINGS_COLUMNS);
    HWND graphic = GetDlgItem(dialog.Handle(), ZV_ID_SETTINGS_GRAPHIC_MODE);
    if (c.english) {
      EXPECT_EQ(columns, nullptr) << name << " should not carry control " << ZV_ID_SETTINGS_COLUMNS;
      EXPECT_EQ(graphic, nullptr) << name << " should not carry control " << ZV_ID_SETTINGS_GRAPHIC_MODE;
    } else {
      ASSERT_NE(columns, nullptr) << name << ": the column headers " << ZV_ID_SETTINGS_COLUMNS
                                  << " are missing";
      ASSERT_NE(graphic, nullptr) << name << ": control " << ZV_ID_SETTINGS_GRAPHIC_MODE << " is missing";
      // The headers may be drawn by the dialog itself, at the list's columns.
      EXPECT_TRUE(IsClass(columns, "Static") &&
                  (IsTextStatic(columns) || StaticType(columns) == SS_OWNERDRAW) && IsShown(columns))
          << Describe(name, columns) << " should be a shown static text";
      EXPECT_FALSE(TextOf(columns).empty()) << Describe(name, columns) << " has no text";
      EXPECT_TRUE(IsTextStatic(graphic) && IsShown(graphic)) << Describe(name, graphic);
      EXPECT_EQ(TextOf(graphic), "(Modo Gr\341fico)") << Describe(name, graphic);
    }
  }
}

// The English twin shows the English title and the button texts that its
// dialog names.
using EnglishTwinTest = TemplateTest;
TEST_P(EnglishTwinTest, ShowsEnglishTexts) {
  const TemplateCase& c = GetParam();
  const std::string name = c.Name();
  CreatedDialog dialog(module_, name);
  ASSERT_NE(dialog.Handle(), nullptr) << name << " cannot be created";
  EXPECT_EQ(TextOf(dialog.Handle()), c.expected->englishCaption) << name << ": title";
  for (const EnglishText& t : kEnglishTexts) {
    if (std::string(t.base) != c.expected->base) continue;
    HWND control = GetDlgItem(dialog.Handle(), t.id);
    ASSERT_NE(control, nullptr) << name << ": control " << t.id << " is missing";
    EXPECT_EQ(TextOf(control), t.text) << Describe(name, control);
  }
}

// Shown controls lie inside the dialog's client area and do not overlap,
// except that a group box (or a frame) may hold other controls; every text
// fits its control.
TEST_P(TemplateTest, LayoutLetsEveryControlBeSeen) {
  const TemplateCase& c = GetParam();
  const std::string name = c.Name();
  CreatedDialog dialog(module_, name);
  ASSERT_NE(dialog.Handle(), nullptr) << name << " cannot be created";
  RECT client;
  GetClientRect(dialog.Handle(), &client);

  std::vector<HWND> shown;
  for (HWND child : Children(dialog.Handle())) {
    if (IsShown(child)) shown.push_back(child);
  }
  ASSERT_GE(shown.size(), c.expected->controls.size() / 2) << name << " shows hardly any controls";

  int measured = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const RECT r = RectInDialog(dialog.Handle(), shown[i]);
    EXPECT_TRUE(Contains(client, r)) << Describe(name, shown[i]) << " at " << RectText(r)
                                     << " leaves the dialog's client area " << RectText(client);
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const RECT other = RectInDialog(dialog.Handle(), shown[j]);
      RECT common;
      if (!IntersectRect(&common, &r, &other)) continue;
      const bool iHolds = (IsGroupBox(shown[i]) || IsFrameStatic(shown[i])) && Contains(r, other);
      const bool jHolds = (IsGroupBox(shown[j]) || IsFrameStatic(shown[j])) && Contains(other, r);
      EXPECT_TRUE(iHolds || jHolds) << Describe(name, shown[i]) << " at " << RectText(r) << " overlaps "
                                    << Describe(name, shown[j]) << " at " << RectText(other);
    }
    std::string why;
    bool wasMeasured = false;
    EXPECT_TRUE(TextFits(shown[i], &why, &wasMeasured)) << Describe(name, shown[i]) << ": the text" << why;
    if (wasMeasured) ++measured;
  }
  // OK, Cancel and the like carry texts in every template.
  EXPECT_GE(measured, 2) << name << ": hardly any text was measured";
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, TemplateTest, testing::ValuesIn(AllCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(BothBuilds, EnglishTwinTest, testing::ValuesIn(EnglishCases()), CaseName);

// Luminance of a pixel of a 32-bit top-down DIB (blue, green, red, unused).
int Luma(const std::vector<unsigned char>& bits, int x, int y, int width) {
  const unsigned char* p = &bits[(y * width + x) * 4];
  return (p[2] * 30 + p[1] * 59 + p[0] * 11) / 100;
}

// The pixels of a bitmap resource, or an empty vector when it is missing or
// not 11 by 11.
std::vector<unsigned char> TickPixels(HMODULE module, int id, std::string* problem) {
  std::vector<unsigned char> bits;
  HBITMAP bitmap = LoadBitmapA(module, MAKEINTRESOURCEA(id));
  if (!bitmap) {
    *problem = "bitmap " + std::to_string(id) + " is missing";
    return bits;
  }
  BITMAP info = {};
  GetObjectA(bitmap, sizeof info, &info);
  if (info.bmWidth != 11 || info.bmHeight != 11) {
    *problem = "bitmap " + std::to_string(id) + " is " + std::to_string(info.bmWidth) + "x" +
               std::to_string(info.bmHeight) + ", not 11x11";
    DeleteObject(bitmap);
    return bits;
  }
  BITMAPINFO header = {};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = 11;
  header.bmiHeader.biHeight = -11;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  bits.resize(11 * 11 * 4);
  HDC dc = GetDC(nullptr);
  if (GetDIBits(dc, bitmap, 0, 11, bits.data(), &header, DIB_RGB_COLORS) != 11) {
    *problem = "cannot read the pixels of bitmap " + std::to_string(id);
    bits.clear();
  }
  ReleaseDC(nullptr, dc);
  DeleteObject(bitmap);
  return bits;
}

class TickBitmapTest : public testing::TestWithParam<Build> {};

// Bitmap 100 is an empty box, 101 the same box with a tick in it: a stroke
// that goes down from the left and up to the right.
TEST_P(TickBitmapTest, EmptyAndTickedBoxes) {
  LoadedModule module(GetParam().path);
  ASSERT_NE(module.Handle(), nullptr) << "cannot load " << GetParam().path;
  std::string problem;
  const std::vector<unsigned char> empty = TickPixels(module.Handle(), ZV_BITMAP_TICK_EMPTY, &problem);
  ASSERT_FALSE(empty.empty()) << problem;
  const std::vector<unsigned char> set = TickPixels(module.Handle(), ZV_BITMAP_TICK_SET, &problem);
  ASSERT_FALSE(set.empty()) << problem;

  int darkInside = 0;
  int lowestY = -1, lowestX = -1, highestY = 11, highestX = -1;
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 11; ++x) {
      const bool edge = x == 0 || y == 0 || x == 10 || y == 10;
      const int e = Luma(empty, x, y, 11);
      const int s = Luma(set, x, y, 11);
      if (edge) {
        EXPECT_LT(e, 128) << "the frame of the empty box is not dark at " << x << "," << y;
        EXPECT_EQ(e, s) << "the two boxes differ in their frame at " << x << "," << y;
        continue;
      }
      EXPECT_GT(e, 200) << "the empty box is not light inside at " << x << "," << y;
      if (s < 128) {
        ++darkInside;
        if (y > lowestY) lowestY = y, lowestX = x;
        if (y < highestY) highestY = y, highestX = x;
      } else {
        EXPECT_EQ(e, s) << "the ticked box differs from the empty one at " << x << "," << y
                        << " without being dark there";
      }
    }
  }
  // A tick, not a filled box and not a dot.
  EXPECT_GE(darkInside, 8);
  EXPECT_LE(darkInside, 40);
  EXPECT_GT(lowestY, 5) << "the tick does not reach the lower half";
  EXPECT_LT(highestY, 5) << "the tick does not reach the upper half";
  EXPECT_LT(lowestX, highestX) << "the tick's low point should lie left of its high end";
}

void PrintTo(const Build& b, std::ostream* out) {
  *out << b.label << " build";
}

std::string BuildName(const testing::TestParamInfo<Build>& info) {
  return info.param.label;
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, TickBitmapTest, testing::ValuesIn(kBuilds), BuildName);

}  // namespace
