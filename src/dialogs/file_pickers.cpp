#include "dialogs/file_pickers.h"

#include <cstring>

#include "catalogue/catalogue_config.h"
#include "dialogs/dialog_contexts.h"
#include "dialogs/dialog_frame.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/module_frame.h"
#include "dialogs/resource_ids.h"
#include "platform/platform.h"

namespace zv {
namespace {

using GetOpenFileNameProc = BOOL(WINAPI*)(OPENFILENAMEA*);

constexpr char kDialogLibrary[] = "Comdlg32.dll";
constexpr char kOpenFileEntryPoint[] = "GetOpenFileNameA";
constexpr char kDirectoryTemplate[] = "DIRECTORY";
constexpr int kTitleSize = 64;

// The directory picker: a hook, the DIRECTORY template, and no check of the
// name, since the name field only carries the chosen directory.
constexpr DWORD kPickDirectoryFlags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOVALIDATE;
static_assert(kPickDirectoryFlags == 0x164, "the directory picker's flags");
static_assert(kPickExistingFile ==
                  (OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST),
              "the form file picker's flags");
static_assert(kPickNewFile == (OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST),
              "the form/file settings picker's flags");

// The file name that the directory picker puts behind the chosen directory
// in the dialog's name field.
constexpr char kNameMark = '@';

HINSTANCE ModuleInstance() {
  return static_cast<HINSTANCE>(plat::GetModuleInstance());
}

// The first string of a filter: the description the user sees.
const char* FilterDescription(const OPENFILENAMEA* record) {
  return record->lpstrFilter ? record->lpstrFilter : "";
}

// Refuses a chosen name with message 411 and keeps the picker open.
UINT_PTR RefuseName(HWND window) {
  ShowErrorBox(window, kMsgFileNameUnusable);
  SetWindowLongPtrA(window, DWLP_MSGRESULT, 1);
  return TRUE;
}

// The classic dialog's OK, seen by its hook before the dialog's own check.
UINT_PTR ClassicPickerOk(HWND window) {
  auto record = reinterpret_cast<OPENFILENAMEA*>(GetWindowLongPtrA(window, DWLP_USER));
  if (!record) return FALSE;
  if (record->lCustData) {
    // The directory picker: the directory being shown is the choice. The
    // name field gets it with a mark for a file name behind it ("C:\@",
    // "C:\DATA\@"), so that the dialog's own OK takes a name inside that
    // directory and ends. A directory alone in the field would only be
    // opened again by the classic dialog of some systems, and a bare root
    // names no file at all.
    char* directory = reinterpret_cast<char*>(record->lCustData);
    GetCurrentDirectoryA(plat::kPathBuffer, directory);
    char name[plat::kPathBuffer + 2];
    size_t length = std::strlen(directory);
    std::memcpy(name, directory, length);
    if (length > 0 && directory[length - 1] != '\\') name[length++] = '\\';
    name[length++] = kNameMark;
    name[length] = '\0';
    SendDlgItemMessageA(window, ZV_ID_PICKER_FILE_NAME, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
  }
  if (record->lpTemplateName) return FALSE;
  // The form file picker: judge the typed or chosen name.
  SendDlgItemMessageA(window, ZV_ID_PICKER_FILE_NAME, WM_GETTEXT, record->nMaxFile,
                      reinterpret_cast<LPARAM>(record->lpstrFile));
  if (!IsRefusedFormFileName(record->lpstrFile, FilterDescription(record))) return FALSE;
  return RefuseName(window);
}

}  // namespace

BOOL RunOpenFileDialog(OPENFILENAMEA* record) {
  plat::ModuleHandle library = plat::LoadModule(kDialogLibrary);
  if (!library) return FALSE;
  BOOL result = FALSE;
  if (auto open = reinterpret_cast<GetOpenFileNameProc>(plat::GetEntryPoint(library, kOpenFileEntryPoint))) {
    result = open(record);
    // Why the dialog ended does not matter here: cancelled or failed, the
    // picker changes nothing.
    GetLastError();
  }
  plat::UnloadModule(library);
  return result;
}

UINT_PTR CALLBACK ClassicPickerHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(window, DWLP_USER, lParam);
      return TRUE;
    case WM_COMMAND:
      return LOWORD(wParam) == IDOK ? ClassicPickerOk(window) : FALSE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return AnswerControlColour(wParam);
    case WM_CTLCOLORSTATIC:
      // Windows NT 3 paints the picker's texts on their own background.
      return GetWindowsVersionClass() == kVersionNt3 ? AnswerControlColour(wParam) : FALSE;
    default:
      return FALSE;
  }
}

UINT_PTR CALLBACK ExplorerPickerHook(HWND window, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
  const uint32_t fileNameOk = FileNameOkMessage();
  if (fileNameOk == 0 || message != fileNameOk) return FALSE;
  const auto* record = reinterpret_cast<const OPENFILENAMEA*>(lParam);
  if (!IsRefusedFormFileName(record->lpstrFile, FilterDescription(record))) return FALSE;
  return RefuseName(window);
}

bool PickDirectory(HWND dialog, int textId, OPENFILENAMEA* record) {
  char directory[plat::kPathBuffer] = {};
  char title[kTitleSize] = {};
  char file[plat::kPathBuffer] = {};
  char templateName[kTemplateNameSize];
  SendDlgItemMessageA(dialog, textId, WM_GETTEXT, plat::kPathBuffer, reinterpret_cast<LPARAM>(directory));
  LoadMessage(kMsgDirectoryName, title, kTitleSize);
  ChooseTemplateName(kDirectoryTemplate, templateName);

  std::memset(record, 0, sizeof *record);
  record->lStructSize = kOpenFileRecordSize;
  record->hwndOwner = dialog;
  record->hInstance = ModuleInstance();
  record->lpstrFile = file;
  record->nMaxFile = plat::kPathBuffer;
  record->lpstrInitialDir = directory;
  record->lpstrTitle = title;
  record->Flags = kPickDirectoryFlags;
  record->lCustData = reinterpret_cast<LPARAM>(directory);
  record->lpfnHook = ClassicPickerHook;
  record->lpTemplateName = templateName;
  if (!RunOpenFileDialog(record)) return false;

  // The hook left the chosen directory in the directory buffer.
  SetDlgItemTextA(dialog, textId, directory);
  SetCurrentDirSetting(directory);
  return true;
}

bool PickFormFile(HWND dialog, int fieldId, DWORD flags, OPENFILENAMEA* record, char* filter, char* file,
                  char* directory) {
  // The filter: one description and its pattern, then the closing NUL.
  std::memset(filter, 0, plat::kPathBuffer);
  const int descriptionLength = LoadMessage(kMsgFilterZlpName, filter, plat::kPathBuffer);
  char* pattern = filter + descriptionLength + 1;
  LoadMessage(kMsgFilterZlpPattern, pattern, static_cast<int32_t>(plat::kPathBuffer) - descriptionLength - 2);
  char title[kTitleSize] = {};
  LoadMessage(kMsgOpenFile, title, kTitleSize);

  // The field's text gives the directory to start in and the name to offer;
  // a bare name starts in the remembered directory.
  char text[plat::kPathBuffer] = {};
  char current[plat::kPathBuffer] = {};
  SendDlgItemMessageA(dialog, fieldId, WM_GETTEXT, plat::kPathBuffer, reinterpret_cast<LPARAM>(text));
  if (!std::strchr(text, '\\')) GetCurrentDirSetting(current);
  SplitFileField(text, current, directory, file);

  // Windows NT 4 shows the Explorer-style dialog, which reports the chosen
  // name through "commdlg_FileNameOK"; the others show the classic one.
  const bool explorer = GetWindowsVersionClass() == kVersionNt4;

  std::memset(record, 0, sizeof *record);
  record->lStructSize = kOpenFileRecordSize;
  record->hwndOwner = dialog;
  record->hInstance = ModuleInstance();
  record->lpstrFilter = filter;
  record->nFilterIndex = 1;
  record->lpstrFile = file;
  record->nMaxFile = plat::kPathBuffer;
  record->lpstrInitialDir = directory;
  record->lpstrTitle = title;
  record->Flags = explorer ? flags | OFN_EXPLORER : flags;
  record->lpfnHook = explorer ? ExplorerPickerHook : ClassicPickerHook;
  if (!RunOpenFileDialog(record)) return false;

  SetDlgItemTextA(dialog, fieldId, file);
  DirectoryForSetting(file, flags != kPickNewFile, directory);
  SetCurrentDirSetting(directory);
  return true;
}

}  // namespace zv
