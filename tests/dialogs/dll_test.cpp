// The product DLL as a driver loads it: its resources, version and exports.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/catalogue_files.h"
#include "zvlmn30e.h"

namespace {

class DllTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA(ZV_DLL_PATH);
    ASSERT_NE(module_, nullptr) << ZV_DLL_PATH << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::string Text(UINT id) {
    char buffer[256] = "";
    LoadStringA(module_, id, buffer, sizeof buffer);
    return buffer;
  }
  HMODULE module_ = nullptr;
};

TEST_F(DllTest, CarriesBothStringTables) {
  EXPECT_EQ(Text(401), "No se puede obtener el \341rea de trabajo por falta de memoria libre.");
  EXPECT_EQ(Text(10401), "Could not obtain work area because of insufficient free memory.");
  EXPECT_EQ(Text(418), "El nombre del fichero es demasiado largo. Escriba un nombre m\341s corto.");
  EXPECT_EQ(Text(10418), "");
  EXPECT_EQ(Text(415), "");
  EXPECT_EQ(Text(10415), "Cannot delete the file was created by ZEVRO Lamina2. Specify another file name.");
}

// The module loaded is of this program's bitness: x86 beside a 32-bit
// driver, x64 beside a 64-bit one (IMAGE_NT_HEADERS is the one of the
// build's bitness).
TEST_F(DllTest, IsADllOfThisBitnessNamedZvlmn30eWithUndecoratedExports) {
  auto base = reinterpret_cast<const unsigned char*>(module_);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  EXPECT_EQ(nt->FileHeader.Machine, sizeof(void*) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt->OptionalHeader.Magic,
            sizeof(void*) == 8 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL, 0);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  // A module that exports nothing yet may have no export directory at all.
  if (dir.VirtualAddress == 0) return;
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "ZVLMN30E.dll");
  auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const std::string name = reinterpret_cast<const char*>(base + names[i]);
    EXPECT_EQ(name.find('@'), std::string::npos) << name;
    EXPECT_EQ(name.compare(0, 2, "ZV"), 0) << name;
  }
}

TEST_F(DllTest, CarriesItsVersion) {
  char path[MAX_PATH];
  GetModuleFileNameA(module_, path, sizeof path);
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, &data[0]));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  char* name = nullptr;
  ASSERT_TRUE(VerQueryValueA(&data[0], "\\StringFileInfo\\040904E4\\OriginalFilename",
                             reinterpret_cast<void**>(&name), &length));
  EXPECT_STREQ(name, "ZVLMN30E.DLL");
}

// The exports answer from a catalogue the test wrote, when called through
// their undecorated names as a driver calls them.
class DllFormListTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    module_ = LoadLibraryA(ZV_DLL_PATH);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    CatalogueTest::TearDown();
  }
  HMODULE module_ = nullptr;
};

TEST_F(DllFormListTest, ListsTheCataloguesForms) {
  using CountFn = int32_t(WINAPI*)();
  using ListFn = int32_t(WINAPI*)(void*, uint32_t, int32_t, int32_t, uint32_t*, int32_t*, char*);
  auto count =
      reinterpret_cast<CountFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ZVGetFormListNum")));
  auto list = reinterpret_cast<ListFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ZVGetFormList")));
  ASSERT_NE(count, nullptr);
  ASSERT_NE(list, nullptr);

  WriteFormList(zvtest::FormListFile({{7, "Invoice", "Monthly", 1, 0}, {3, "Letter", "", 2, 1}},
                                     {{-1, "P", "", 1, 2}}));
  ASSERT_EQ(count(), 3);
  std::vector<int32_t> ids(3, -99);
  std::vector<char> names(3 * 25, 'x');
  uint32_t filled = 0;
  ASSERT_EQ(list(nullptr, 0, 2, -1, &filled, ids.data(), names.data()), 1);
  EXPECT_EQ(filled, 3u);
  EXPECT_EQ(ids, (std::vector<int32_t>{7, 3, -1}));
  EXPECT_STREQ(&names[0], "Invoice");
  EXPECT_STREQ(&names[25], "Letter");
  // The DLL shows its local resource set.
  EXPECT_STREQ(&names[50], "Sin nombre de formulario");
}

template <typename Fn>
Fn Export(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// A driver's round trip through the real DLL: a form registered for capture,
// its overlay prepared and found again, named, previewed, and a failed
// capture undone.
TEST_F(DllFormListTest, TheDriverInterfaceWorksThroughTheExports) {
  auto setDevOverlay = Export<decltype(&ZVSetDevOverlay)>(module_, "ZVSetDevOverlay");
  auto getOverlayForm = Export<decltype(&ZVGetOverlayForm)>(module_, "ZVGetOverlayForm");
  auto searchForm = Export<decltype(&ZVSearchForm)>(module_, "ZVSearchForm");
  auto getFormId = Export<decltype(&ZVGetFormID)>(module_, "ZVGetFormID");
  auto getDevFormName = Export<decltype(&ZVGetDevFormName)>(module_, "ZVGetDevFormName");
  auto previewForm = Export<decltype(&ZVPreviewForm)>(module_, "ZVPreviewForm");
  auto errorForm = Export<decltype(&ZVErrorForm)>(module_, "ZVErrorForm");
  auto formService = Export<decltype(&ZVDriverFormService)>(module_, "ZVDriverFormService");
  ASSERT_TRUE(setDevOverlay && getOverlayForm && searchForm && getFormId && getDevFormName && previewForm &&
              errorForm && formService);

  // A4 portrait, 600 dpi colour, high quality, one page per sheet at 100%.
  ZV_DRIVER_SETTINGS settings = {};
  settings.orientation = 1;
  settings.paperFlag = 1;
  settings.paperWidth = 2100;
  settings.paperHeight = 2970;
  settings.paperValue3 = 2016;
  settings.paperValue4 = 2886;
  settings.paperCode = 9;
  settings.zoom = 100;
  settings.outputWidth = 2100;
  settings.outputHeight = 2970;
  settings.outputValue3 = 2016;
  settings.outputValue4 = 2886;
  settings.outputCode = 9;
  settings.resolution = 600;
  settings.colour = 1;
  settings.modeLevel = 0x4001;
  settings.modelId = 1;
  settings.printingMode = 2;
  const ZVWORD capabilities[] = {1, 0x4001};

  ZVLONG form = 0;
  ASSERT_EQ(setDevOverlay(&settings, 2, capabilities, 2, 0, "Invoice", 0, 1, Dir().c_str(), "Blank",
                          &form),
            1);
  EXPECT_EQ(form, 1);
  EXPECT_EQ(getFormId("Invoice"), 1);

  char overlay[261] = "";
  ASSERT_EQ(getOverlayForm(&settings, nullptr, form, overlay), 1);
  EXPECT_STRCASEEQ(overlay, (Dir() + "_F300100.ZLP").c_str());  // generated names are upper case
  std::string header;
  ASSERT_TRUE(zvtest::ReadWholeFile(overlay, &header));
  EXPECT_EQ(header.size(), 319u);

  char found[261] = "";
  uint16_t device = 0;
  EXPECT_EQ(searchForm(&settings, 2, capabilities, form, &device, found),
            (600u << 16) | (2u << 8) | 1u);
  EXPECT_STREQ(found, overlay);
  EXPECT_EQ(device, 0xFFFF);

  char name[261] = "";
  ASSERT_EQ(getDevFormName(form, name), 1);
  EXPECT_STREQ(name, "Invoice");
  char preview[261] = "";
  ASSERT_EQ(previewForm(0, form, preview), 1);
  EXPECT_STRCASEEQ(preview, (Dir() + "_F3001.PBF").c_str());

  ASSERT_EQ(errorForm(form, overlay), 1);
  EXPECT_FALSE(zvtest::FileExists(overlay));
  EXPECT_EQ(searchForm(&settings, 2, capabilities, form, &device, found), 0u);
  EXPECT_EQ(formService(), 0);
}

}  // namespace
