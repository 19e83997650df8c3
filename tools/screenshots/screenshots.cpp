// Pictures of the module's dialogs, one PNG per dialog and resource set, for
// a person to look over (make screenshots).
//
// Usage: zv_screenshots <output directory> local|english
//
// The program plays a printer driver: it points the catalogue configuration
// of the Windows system directory at a fresh catalogue directory, fills it
// with named forms, overlay data and file entries through the module's own
// exports, and then opens every dialog for real, as a driver and a user
// would: the form details and form selection dialogs, the form settings
// dialog in both modes, the add form dialog and its directory picker, the
// form/file settings dialog, and the printer list, which no operation opens
// and is shown straight from its template. Each dialog is pictured once it
// is drawn and then cancelled. "local" loads the module beside the program,
// "english" the build that shows the English set (english\ZVLMN30E.dll).
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../demo/sample_settings.h"
#include "dialog_script.h"
#include "dialogs/resource_ids.h"
#include "png_writer.h"
#include "zvlmn30e.h"
#include "zvlmn30e_driver.h"

namespace {

using zvshots::CallThread;

// Where the sample catalogue lives, inside the Wine prefix: short paths read
// well in the dialogs.
constexpr char kCatalogueDir[] = "C:\\ZVFORMS\\";
// The device name the program hands on, as a printer driver hands on its
// printer's; the sample driver answers for it from the default sections of
// the ZVSAMPLE.INI beside it.
constexpr char kDeviceName[] = "ZEVRO Lamina 30";

struct Exports {
  decltype(&ZVSetDevOverlay) setDevOverlay;
  decltype(&ZVGetOverlayForm) getOverlayForm;
  decltype(&ZVFormDetailsDlg) formDetailsDlg;
  decltype(&ZVCreateFormDlg) createFormDlg;
  decltype(&ZVEntryFormEditDlg) entryFormEditDlg;
};

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!*fn) std::printf("the module does not export %s\n", name);
  return *fn != nullptr;
}

constexpr char kA4[] = "A4 210 x 297 mm";
const ZV_DRIVER_SETTINGS kColour600 = SampleSettings(kA4, 9, 2100, 2970, 1, 600, 1, 2);
const ZV_DRIVER_SETTINGS kBlack300 = SampleSettings(kA4, 9, 2100, 2970, 1, 300, 2, 1);
const ZV_DRIVER_SETTINGS kBlack600 = SampleSettings(kA4, 9, 2100, 2970, 1, 600, 2, 2);
const ZV_DRIVER_SETTINGS kLandscape = SampleSettings(kA4, 9, 2100, 2970, 2, 600, 2, 1);

// The forms and entries the dialogs show.
struct Catalogue {
  ZVLONG invoice = 0;
  ZVLONG letterhead = 0;
  ZVLONG printEntry = 0;    // a file entry "P": the form selection dialog
  ZVLONG captureEntry = 0;  // a file entry "C": the form settings dialog in file mode
};

void EmptyDirectory(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::string path = dir + data.cFileName;
    if (SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) DeleteFileA(path.c_str());
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// Captures overlay data for the settings: the file with its header, and a
// few bytes of page data behind it.
bool Capture(const Exports& zv, const ZV_DRIVER_SETTINGS& s, int32_t form, const char* groupText,
             std::string* path) {
  char buffer[ZV_PATH_BUFFER] = "";
  if (zv.getOverlayForm(&s, groupText, form, buffer) != 1) return false;
  HANDLE file = CreateFileA(buffer, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  SetFilePointer(file, 0, nullptr, FILE_END);
  static const char kPage[] =
      "\x1B"
      "E(page data)";
  DWORD written = 0;
  WriteFile(file, kPage, sizeof kPage - 1, &written, nullptr);
  CloseHandle(file);
  if (path) *path = buffer;
  return true;
}

// The capability list of the sample driver, as the driver itself knows it.
std::vector<uint16_t> DriverCapabilities(const std::string& driverPath) {
  std::vector<uint16_t> capabilities;
  HMODULE driver = LoadLibraryA(driverPath.c_str());
  ZVFormDrvSupportCapabilitiesProc query = nullptr;
  if (!driver || !Resolve(driver, "ZVFormDrvSupportCapabilities", &query)) return capabilities;
  int16_t models = 0;
  int16_t count = 0;
  if (query(kDeviceName, 0, &models, &count) && models >= 0 && count >= 0) {
    std::vector<uint16_t> modelIds(static_cast<size_t>(models) + 1);
    capabilities.resize(static_cast<size_t>(count));
    if (!query(kDeviceName, 1, modelIds.data(), capabilities.data())) capabilities.clear();
  }
  FreeLibrary(driver);
  return capabilities;
}

bool PrepareCatalogue(const Exports& zv, const std::vector<uint16_t>& caps, Catalogue* c) {
  const std::string dir = kCatalogueDir;
  CreateDirectoryA(dir.c_str(), nullptr);
  EmptyDirectory(dir);
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  const std::string config = std::string(system) + "\\ZVLMN3.DAT";
  SetFileAttributesA(config.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(config.c_str());
  WritePrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", kCatalogueDir, config.c_str());
  WritePrivateProfileStringA("ENVIRONMENT", "USER", "SHOTS", config.c_str());
  WritePrivateProfileStringA("SHOTS", "FormName", (dir + "ZVLMN3.FLT").c_str(), config.c_str());
  WritePrivateProfileStringA("SHOTS", "GroupName", (dir + "ZVLMN3.GLT").c_str(), config.c_str());

  const uint16_t capCount = static_cast<uint16_t>(caps.size());
  bool ok = true;
  auto named = [&](const char* name, uint32_t layer, const char* description, ZVLONG* id) {
    ok &= zv.setDevOverlay(&kColour600, capCount, caps.data(), 2, 0, name, 0, layer, kCatalogueDir,
                           description, id) == 1;
  };
  named("Invoice", 1, "Monthly invoice blank with the company's bank details", &c->invoice);
  named("Letterhead", 2, "Company letterhead, printed behind every page", &c->letterhead);
  ZVLONG deliveryNote = 0;
  named("Delivery note", 1, "Delivery note with signature box", &deliveryNote);

  std::string firstInvoice;
  ok &= Capture(zv, kColour600, c->invoice, "Invoice pages", &firstInvoice);
  ok &= Capture(zv, kBlack300, c->invoice, nullptr, nullptr);
  ok &= Capture(zv, kBlack600, c->invoice, nullptr, nullptr);
  ok &= Capture(zv, kLandscape, c->letterhead, "Letterhead pages", nullptr);

  // An overlay file kept outside the catalogue, registered to print with.
  const std::string logo = dir + "LOGO.ZLP";
  ok &= CopyFileA(firstInvoice.c_str(), logo.c_str(), FALSE) != FALSE;
  ok &= zv.setDevOverlay(&kColour600, capCount, caps.data(), 1, 1, logo.c_str(), 0, 2, nullptr,
                         "Company logo", &c->printEntry) == 1;
  // A file to capture into, registered without a form name.
  const std::string stamp = dir + "STAMP.ZLP";
  ok &= zv.setDevOverlay(&kColour600, capCount, caps.data(), 2, 1, stamp.c_str(), 0, 1, nullptr,
                         "Received stamp", &c->captureEntry) == 1;
  return ok;
}

// --- Pictures -----------------------------------------------------------------

int g_failures = 0;
std::vector<std::string> g_written;

void Fail(const std::string& what) {
  std::printf("  !! %s\n", what.c_str());
  ++g_failures;
}

// Pictures the window as it is on the screen, frame and title included.
bool Picture(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  zvshots::Settle(window);
  // Let the X server show what Wine has drawn.
  Sleep(400);
  zvshots::Settle(window);
  RECT r;
  GetWindowRect(window, &r);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  if (r.left < 0 || r.top < 0 || r.right > screenWidth || r.bottom > screenHeight) {
    std::printf("  (the window reaches beyond the screen; only its visible part is pictured)\n");
    r.left = r.left < 0 ? 0 : r.left;
    r.top = r.top < 0 ? 0 : r.top;
    r.right = r.right > screenWidth ? screenWidth : r.right;
    r.bottom = r.bottom > screenHeight ? screenHeight : r.bottom;
  }
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = dib && bits;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, dib);
    ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY | CAPTUREBLT) != FALSE;
    GdiFlush();
    SelectObject(memory, old);
  }
  std::vector<uint8_t> rgb;
  if (ok) {
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
      rgb[i * 3] = p[i * 4 + 2];
      rgb[i * 3 + 1] = p[i * 4 + 1];
      rgb[i * 3 + 2] = p[i * 4];
    }
  }
  if (dib) DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok && zvshots::WritePng(path, width, height, rgb);
}

struct Shots {
  std::string outputDir;
  std::string prefix;  // "local_" or "english_"
  bool english;

  std::string Template(const char* base) const { return (english ? "W_" : "") + std::string(base); }

  // Waits for the dialog that holds controlId and pictures it as name;
  // returns the dialog, or null after reporting what was shown instead.
  HWND Take(CallThread& call, int controlId, const std::string& name) const {
    HWND dialog = call.WaitForDialogWith(controlId);
    if (!dialog) {
      Fail(name + " did not appear (no dialog with control " + std::to_string(controlId) +
           "); shown instead: " + call.DescribeActive());
      return nullptr;
    }
    char title[256] = "";
    GetWindowTextA(dialog, title, sizeof title);
    const std::string file = prefix + name + ".png";
    if (Picture(dialog, outputDir + file)) {
      std::printf("  %-32s \"%s\"\n", file.c_str(), title);
      g_written.push_back(file);
    } else {
      Fail("cannot picture " + name);
    }
    return dialog;
  }
};

// Cancels the dialog and waits until the one behind it (holding backId) is
// active again; 0 for backId waits for the call to return.
bool CancelBackTo(CallThread& call, HWND dialog, int backId) {
  zvshots::Press(dialog, IDCANCEL);
  if (backId == 0) return call.Finish();
  return call.WaitForDialogWith(backId) != nullptr;
}

INT_PTR CALLBACK PrinterListProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    static const char* const kPrinters[] = {"ZEVRO Lamina 30", "ZEVRO Lamina 30 A3", "ZEVRO Lamina 30 (red)"};
    for (const char* p : kPrinters) {
      SendDlgItemMessageA(dialog, ZV_ID_PRINTER_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p));
    }
    SendDlgItemMessageA(dialog, ZV_ID_PRINTER_LIST, LB_SETCURSEL, 0, 0);
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

void TakeAll(HMODULE dll, const Exports& zv, const Catalogue& c, const std::string& driverPath,
             const Shots& shots) {
  const char* driver = driverPath.c_str();

  {  // The form details dialog: named forms, the driver's choice a named form.
    ZVLONG id = c.invoice;
    CallThread call([&] { return zv.formDetailsDlg(nullptr, &kColour600, 0, kDeviceName, driver, 0, &id); });
    if (HWND d = shots.Take(call, ZV_ID_DETAIL_FORM_LIST, shots.Template("DETAIL"))) CancelBackTo(call, d, 0);
  }
  {  // The form selection dialog: the driver's choice a file entry.
    ZVLONG id = c.printEntry;
    CallThread call([&] { return zv.formDetailsDlg(nullptr, &kColour600, 0, kDeviceName, driver, 0, &id); });
    if (HWND d = shots.Take(call, ZV_ID_SELECTION_FILE, shots.Template("DETAIL1"))) CancelBackTo(call, d, 0);
  }
  {  // The form settings dialog with named forms, then Add Form Name and its
     // directory picker.
    ZVLONG id = c.invoice;
    CallThread call([&] { return zv.createFormDlg(nullptr, &kColour600, kDeviceName, driver, &id, 0, 0); });
    if (HWND settings = shots.Take(call, ZV_ID_SETTINGS_FORM_LIST, shots.Template("FORMINFO"))) {
      zvshots::Press(settings, ZV_ID_SETTINGS_ADD);
      if (HWND add = shots.Take(call, ZV_ID_NEWFORM_NAME, shots.Template("NEWFORM"))) {
        zvshots::Press(add, ZV_ID_NEWFORM_CHANGE_DIRECTORY);
        if (HWND picker = shots.Take(call, ZV_ID_PICKER_DIR_LIST, shots.Template("DIRECTORY"))) {
          CancelBackTo(call, picker, ZV_ID_NEWFORM_NAME);
        }
        if (HWND again = call.WaitForDialogWith(ZV_ID_NEWFORM_NAME)) {
          CancelBackTo(call, again, ZV_ID_SETTINGS_FORM_LIST);
        }
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_SETTINGS_FORM_LIST)) CancelBackTo(call, again, 0);
    }
  }
  {  // The form settings dialog in file mode, then Setting File.
    ZVLONG id = c.captureEntry;
    CallThread call([&] { return zv.createFormDlg(nullptr, &kColour600, kDeviceName, driver, &id, 0, 0); });
    if (HWND settings = shots.Take(call, ZV_ID_SETTINGS_FORM_LIST, shots.Template("FORMINFO") + "_files")) {
      zvshots::Press(settings, ZV_ID_SETTINGS_ADD);
      if (HWND file = shots.Take(call, ZV_ID_NEWFILE_FILE, shots.Template("NEWFILE"))) {
        CancelBackTo(call, file, ZV_ID_SETTINGS_FORM_LIST);
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_SETTINGS_FORM_LIST)) CancelBackTo(call, again, 0);
    }
  }
  {  // The edit form dialog on the named forms, then Change and Delete on the
     // selected one.
    ZVLONG id = c.invoice;
    CallThread call([&] { return zv.entryFormEditDlg(nullptr, &kColour600, kDeviceName, driver, &id); });
    if (HWND edit = shots.Take(call, ZV_ID_EDIT_FORM_LIST, shots.Template("EDIT"))) {
      zvshots::Press(edit, ZV_ID_EDIT_CHANGE);
      if (HWND change = shots.Take(call, ZV_ID_CHANGE_NAME, shots.Template("EDIT3"))) {
        CancelBackTo(call, change, ZV_ID_EDIT_FORM_LIST);
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_EDIT_FORM_LIST)) {
        zvshots::Press(again, ZV_ID_EDIT_DELETE);
        if (HWND del = shots.Take(call, ZV_ID_DELETE_LIST, shots.Template("EDIT1"))) {
          CancelBackTo(call, del, ZV_ID_EDIT_FORM_LIST);
        }
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_EDIT_FORM_LIST)) CancelBackTo(call, again, 0);
    }
  }
  {  // The edit form dialog on a file entry, then Change, Delete and
     // Register Form on its file.
    ZVLONG id = c.printEntry;
    CallThread call([&] { return zv.entryFormEditDlg(nullptr, &kColour600, kDeviceName, driver, &id); });
    if (HWND edit = shots.Take(call, ZV_ID_EDIT_FILE, shots.Template("EDIT") + "_files")) {
      zvshots::Press(edit, ZV_ID_EDIT_CHANGE);
      if (HWND change = shots.Take(call, ZV_ID_CHANGE_NAME, shots.Template("EDIT3") + "_files")) {
        CancelBackTo(call, change, ZV_ID_EDIT_FILE);
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_EDIT_FILE)) {
        zvshots::Press(again, ZV_ID_EDIT_DELETE);
        if (HWND del = shots.Take(call, ZV_ID_DELETE_LIST, shots.Template("EDIT1") + "_files")) {
          CancelBackTo(call, del, ZV_ID_EDIT_FILE);
        }
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_EDIT_FILE)) {
        zvshots::Press(again, ZV_ID_EDIT_REGISTER);
        if (HWND reg = shots.Take(call, ZV_ID_REGISTER_FORM_NAME, shots.Template("EDIT2"))) {
          CancelBackTo(call, reg, ZV_ID_EDIT_FILE);
        }
      }
      if (HWND again = call.WaitForDialogWith(ZV_ID_EDIT_FILE)) CancelBackTo(call, again, 0);
    }
  }
  {  // The printer list, straight from its template.
    const std::string name = shots.Template("PRINTER");
    CallThread call(
        [&] { return static_cast<int>(DialogBoxParamA(dll, name.c_str(), nullptr, PrinterListProc, 0)); });
    if (HWND d = shots.Take(call, ZV_ID_PRINTER_LIST, name)) CancelBackTo(call, d, 0);
  }
}

std::string ProgramDirectory() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string dir = path;
  return dir.substr(0, dir.find_last_of('\\') + 1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[2], "local") != 0 && std::strcmp(argv[2], "english") != 0)) {
    std::fprintf(stderr, "usage: zv_screenshots <output directory> local|english\n");
    return 2;
  }
  const bool english = std::strcmp(argv[2], "english") == 0;
  std::string out = argv[1];
  if (out.back() != '\\') out += '\\';
  CreateDirectoryA(out.c_str(), nullptr);

  const std::string here = ProgramDirectory();
  const std::string dllPath = here + (english ? "english\\" : "") + "ZVLMN30E.dll";
  const std::string driverPath = here + "ZVSAMPLE.dll";
  std::printf("%s resource set: %s\n", english ? "English" : "Local", dllPath.c_str());

  HMODULE dll = LoadLibraryA(dllPath.c_str());
  if (!dll) {
    std::printf("cannot load %s\n", dllPath.c_str());
    return 1;
  }
  Exports zv{};
  bool resolved = Resolve(dll, "ZVSetDevOverlay", &zv.setDevOverlay);
  resolved &= Resolve(dll, "ZVGetOverlayForm", &zv.getOverlayForm);
  resolved &= Resolve(dll, "ZVFormDetailsDlg", &zv.formDetailsDlg);
  resolved &= Resolve(dll, "ZVCreateFormDlg", &zv.createFormDlg);
  resolved &= Resolve(dll, "ZVEntryFormEditDlg", &zv.entryFormEditDlg);
  if (!resolved) return 1;

  Catalogue catalogue;
  if (!PrepareCatalogue(zv, DriverCapabilities(driverPath), &catalogue))
    Fail("the sample catalogue could not be made in full");

  const Shots shots{out, english ? "english_" : "local_", english};
  TakeAll(dll, zv, catalogue, driverPath, shots);
  FreeLibrary(dll);

  std::printf("%u pictures written to %s%s\n", static_cast<unsigned>(g_written.size()), out.c_str(),
              g_failures ? "; some dialogs failed (marked !! above)" : "");
  return g_failures ? 1 : 0;
}
