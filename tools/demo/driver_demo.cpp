// A driver's session with ZVLMN30E.dll, as a printer driver would hold it:
// it loads the DLL and the sample printer driver module, registers a form,
// captures overlay data for two sets of print settings, asks which overlay to
// print with, registers an overlay file and a printer-stored overlay, and
// undoes a failed capture. Every step and the catalogue it leaves behind are
// printed for a person to read.
//
// Usage: zv_demo <catalogue directory>
// The directory must be empty or missing; the catalogue configuration of the
// system directory is pointed at it.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sample_settings.h"
#include "zvlmn30e.h"
#include "zvlmn30e_driver.h"

namespace {

// The DLL's exports, looked up by name as a driver does.
struct Exports {
  decltype(&ZVGetFormListNum) getFormListNum;
  decltype(&ZVGetFormList) getFormList;
  decltype(&ZVSearchForm) searchForm;
  decltype(&ZVGetOverlayForm) getOverlayForm;
  decltype(&ZVGetFormID) getFormId;
  decltype(&ZVSetDevOverlay) setDevOverlay;
  decltype(&ZVGetDevFormName) getDevFormName;
  decltype(&ZVPreviewForm) previewForm;
  decltype(&ZVErrorForm) errorForm;
  decltype(&ZVDriverFormService) driverFormService;
};

// The device name this driver hands on, as a printer driver hands on its
// printer's; the sample driver answers for it from the default sections of
// the ZVSAMPLE.INI beside it.
constexpr char kDeviceName[] = "ZEVRO Lamina 30";

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn* fn) {
  *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  if (!*fn) std::printf("  missing export %s\n", name);
  return *fn != nullptr;
}

bool ResolveExports(HMODULE dll, Exports* e) {
  bool ok = Resolve(dll, "ZVGetFormListNum", &e->getFormListNum);
  ok &= Resolve(dll, "ZVGetFormList", &e->getFormList);
  ok &= Resolve(dll, "ZVSearchForm", &e->searchForm);
  ok &= Resolve(dll, "ZVGetOverlayForm", &e->getOverlayForm);
  ok &= Resolve(dll, "ZVGetFormID", &e->getFormId);
  ok &= Resolve(dll, "ZVSetDevOverlay", &e->setDevOverlay);
  ok &= Resolve(dll, "ZVGetDevFormName", &e->getDevFormName);
  ok &= Resolve(dll, "ZVPreviewForm", &e->previewForm);
  ok &= Resolve(dll, "ZVErrorForm", &e->errorForm);
  ok &= Resolve(dll, "ZVDriverFormService", &e->driverFormService);
  return ok;
}

std::string Describe(const ZV_DRIVER_SETTINGS& s) {
  char text[160];
  std::snprintf(text, sizeof text, "%s, %s, %d dpi, %s", s.paperName,
                s.orientation == 1 ? "portrait" : "landscape", s.resolution,
                s.colour == 1 ? "colour" : "black");
  return text;
}

void Step(const char* format, ...) {
  static int number = 0;
  std::printf("\n%d. ", ++number);
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
}

// The packed search result, spelled out.
void PrintSearchResult(uint32_t result, uint16_t device, const char* path) {
  const char* layer = (result & 0xFF) == 1 ? "front" : "back";
  if (result == 0) {
    std::printf("   -> no overlay fits these settings\n");
  } else if (device != 0xFFFF) {
    std::printf("   -> layer %s, the overlay stored in the printer as number %u\n", layer, device);
  } else {
    std::printf("   -> layer %s, printing mode 0x%02X, %u dpi\n      file %s\n", layer, (result >> 8) & 0xFF,
                result >> 16, path);
  }
}

// Appends page data after the header, as the driver's capture does.
bool WritePageData(const char* path, const char* pages) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  SetFilePointer(file, 0, nullptr, FILE_END);
  DWORD written = 0;
  const BOOL ok = WriteFile(file, pages, static_cast<DWORD>(std::strlen(pages)), &written, nullptr);
  CloseHandle(file);
  return ok != FALSE;
}

DWORD FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return data.nFileSizeLow;
}

void PrintFormList(const Exports& zv, int32_t current) {
  const int32_t n = zv.getFormListNum();
  std::vector<ZVLONG> ids(n > 0 ? n : 1);
  std::vector<char> names(ZV_NAME_SLOT * (n > 0 ? n : 1));
  ZVDWORD count = 0;
  zv.getFormList(nullptr, 0, n - 1, current, &count, ids.data(), names.data());
  std::printf("   ZVGetFormListNum = %d; ZVGetFormList gives %lu entries:\n", n, count);
  for (ZVDWORD i = 0; i < count; ++i) {
    std::printf("     [%lu] id %5ld  %s\n", i, ids[i], &names[i * ZV_NAME_SLOT]);
  }
}

void PrintDirectory(const std::string& dir) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::printf("     %-16s %7lu bytes\n", data.cFileName, static_cast<unsigned long>(data.nFileSizeLow));
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// The capability list of the sample driver, as the driver itself knows it.
std::vector<uint16_t> SampleCapabilities(HMODULE driver) {
  ZVFormDrvSupportCapabilitiesProc query = nullptr;
  std::vector<uint16_t> capabilities;
  if (!Resolve(driver, "ZVFormDrvSupportCapabilities", &query)) return capabilities;
  int16_t models = 0;
  int16_t count = 0;
  if (!query(kDeviceName, 0, &models, &count) || models < 0 || count < 0) return capabilities;
  std::vector<uint16_t> modelIds(static_cast<size_t>(models) + 1);
  capabilities.resize(static_cast<size_t>(count));
  if (!query(kDeviceName, 1, modelIds.data(), capabilities.data())) capabilities.clear();
  return capabilities;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zv_demo <catalogue directory>\n");
    return 2;
  }
  std::string dir = argv[1];
  if (dir.back() != '\\') dir += '\\';
  CreateDirectoryA(dir.c_str(), nullptr);

  // Point the catalogue configuration at the demo's own directory.
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  const std::string config = std::string(system) + "\\ZVLMN3.DAT";
  DeleteFileA(config.c_str());
  WritePrivateProfileStringA("ENVIRONMENT", "CURRENTDIR", dir.c_str(), config.c_str());
  WritePrivateProfileStringA("ENVIRONMENT", "USER", "DEMO", config.c_str());
  WritePrivateProfileStringA("DEMO", "FormName", (dir + "ZVLMN3.FLT").c_str(), config.c_str());
  WritePrivateProfileStringA("DEMO", "GroupName", (dir + "ZVLMN3.GLT").c_str(), config.c_str());

  std::printf("ZVLMN30E demo: a printer driver's session with the form-overlay manager\n");
  std::printf("Catalogue directory: %s\nCatalogue configuration: %s\n", dir.c_str(), config.c_str());

  HMODULE dll = LoadLibraryA("ZVLMN30E.dll");
  HMODULE driver = LoadLibraryA("ZVSAMPLE.dll");
  Exports zv{};
  if (!dll || !driver || !ResolveExports(dll, &zv)) {
    std::printf("cannot load ZVLMN30E.dll and ZVSAMPLE.dll\n");
    return 1;
  }
  const std::vector<uint16_t> caps = SampleCapabilities(driver);
  std::printf("The sample driver reports %u capability words:", static_cast<unsigned>(caps.size()));
  for (uint16_t w : caps) std::printf(" 0x%04X", w);
  std::printf("\n");
  const uint16_t capCount = static_cast<uint16_t>(caps.size());
  int failures = 0;
  auto check = [&](bool ok, const char* what) {
    if (!ok) {
      std::printf("   !! %s failed\n", what);
      ++failures;
    }
  };

  const ZV_DRIVER_SETTINGS colour600 = SampleSettings("A4", 9, 2100, 2970, 1, 600, 1, 2);
  const ZV_DRIVER_SETTINGS black300 = SampleSettings("A4", 9, 2100, 2970, 1, 300, 2, 1);
  const ZV_DRIVER_SETTINGS letter = SampleSettings("Letter", 1, 2159, 2794, 1, 600, 1, 2);

  Step("The catalogue starts empty.");
  PrintFormList(zv, 0);

  Step("Register the named form \"Invoice\" for capture (ZVSetDevOverlay, a named form, purpose create).");
  ZVLONG invoice = 0;
  check(zv.setDevOverlay(&colour600, capCount, caps.data(), 2, 0, "Invoice", 0, 1, dir.c_str(),
                         "Monthly invoice blank", &invoice) == 1,
        "registering Invoice");
  std::printf("   -> form identifier %ld (ZVGetFormID(\"Invoice\") = %ld)\n", invoice,
              zv.getFormId("Invoice"));

  const ZV_DRIVER_SETTINGS* captures[] = {&colour600, &black300};
  std::string firstCapture;
  for (const ZV_DRIVER_SETTINGS* s : captures) {
    Step("Capture Invoice for %s (ZVGetOverlayForm, then the driver writes the page).", Describe(*s).c_str());
    char path[ZV_PATH_BUFFER] = "";
    const int32_t ok = zv.getOverlayForm(s, "Invoice pages", invoice, path);
    check(ok == 1, "ZVGetOverlayForm");
    if (ok) {
      std::printf("   -> prepared %s (%lu bytes: the header)\n", path, FileSize(path));
      if (firstCapture.empty()) firstCapture = path;
      check(WritePageData(path,
                          "\x1B%-12345X@PJL ENTER LANGUAGE=PCL\r\n\x1B"
                          "E(page data of the invoice form)"),
            "writing the page data");
      std::printf("   -> after capture: %lu bytes\n", FileSize(path));
    }
  }

  Step("The driver lists the forms (ZVGetFormListNum, ZVGetFormList).");
  PrintFormList(zv, 0);

  const ZV_DRIVER_SETTINGS* searches[] = {&colour600, &black300, &letter};
  for (const ZV_DRIVER_SETTINGS* s : searches) {
    Step("Print with Invoice under %s (ZVSearchForm).", Describe(*s).c_str());
    char path[ZV_PATH_BUFFER] = "";
    uint16_t device = 0;
    const uint32_t result = zv.searchForm(s, capCount, caps.data(), invoice, &device, path);
    PrintSearchResult(result, device, path);
    check((result != 0) == (s != &letter), "the search");
  }

  Step("Register an overlay file kept outside the catalogue for printing (ZVSetDevOverlay, a file).");
  // The user keeps a copy of the 600 dpi invoice page as LOGO.ZLP.
  const std::string logo = dir + "LOGO.ZLP";
  check(CopyFileA(firstCapture.c_str(), logo.c_str(), FALSE) != FALSE, "copying the overlay file");
  ZVLONG logoEntry = 0;
  check(zv.setDevOverlay(&colour600, capCount, caps.data(), 1, 1, logo.c_str(), 0, 2, nullptr, "Company logo",
                         &logoEntry) == 1,
        "registering LOGO.ZLP");
  std::printf("   -> file entry %ld\n", logoEntry);
  {
    char path[ZV_PATH_BUFFER] = "";
    uint16_t device = 0;
    const uint32_t result = zv.searchForm(&colour600, capCount, caps.data(), logoEntry, &device, path);
    PrintSearchResult(result, device, path);
    check(result != 0, "the search");
  }

  Step(
      "Register overlay number 7, stored in the printer (ZVSetDevOverlay, a stored overlay, purpose print).");
  ZVLONG stored = 0;
  check(zv.setDevOverlay(&colour600, capCount, caps.data(), 1, 2, nullptr, 7, 1, nullptr, "Stored letterhead",
                         &stored) == 1,
        "registering overlay 7");
  std::printf("   -> file entry %ld\n", stored);
  {
    char path[ZV_PATH_BUFFER] = "(untouched)";
    uint16_t device = 0;
    const uint32_t result = zv.searchForm(&colour600, capCount, caps.data(), stored, &device, path);
    PrintSearchResult(result, device, path);
    check(result != 0 && device == 7, "the search");
  }

  Step("Name the three choices for the driver's pages (ZVGetDevFormName).");
  for (ZVLONG id : {invoice, logoEntry, stored}) {
    char name[ZV_PATH_BUFFER] = "";
    const int32_t ok = zv.getDevFormName(id, name);
    std::printf("   id %5ld -> %s\n", id, ok ? name : "(none)");
    check(ok == 1, "ZVGetDevFormName");
  }

  Step("Ask for the preview file of Invoice's group (ZVPreviewForm).");
  {
    char path[ZV_PATH_BUFFER] = "";
    check(zv.previewForm(0, invoice, path) == 1, "ZVPreviewForm");
    std::printf("   -> %s\n", path);
  }

  Step("A capture that fails: prepare 300 dpi colour, then undo it (ZVGetOverlayForm, ZVErrorForm).");
  {
    const ZV_DRIVER_SETTINGS colour300 = SampleSettings("A4", 9, 2100, 2970, 1, 300, 1, 2);
    char path[ZV_PATH_BUFFER] = "";
    check(zv.getOverlayForm(&colour300, nullptr, invoice, path) == 1, "ZVGetOverlayForm");
    std::printf("   -> prepared %s\n", path);
    check(zv.errorForm(invoice, path) == 1, "ZVErrorForm");
    std::printf("   -> undone; the file %s\n",
                GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES ? "is gone" : "is still there");
  }

  Step("Does the driver configuration name a form editor? (ZVDriverFormService) -> %s",
       zv.driverFormService() ? "yes" : "no");

  Step("The catalogue the session leaves behind.");
  PrintFormList(zv, stored);
  std::printf("   Files in %s:\n", dir.c_str());
  PrintDirectory(dir);

  std::printf("\n%s\n", failures ? "The demo hit failures (marked !! above)." : "Every step succeeded.");
  FreeLibrary(driver);
  FreeLibrary(dll);
  return failures ? 1 : 0;
}
