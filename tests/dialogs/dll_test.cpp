// The product DLL as a driver loads it: of this program's bitness, named
// ZVLMN30E.dll with undecorated ZV exports that answer through their names,
// and with its version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/catalogue_files.h"

namespace {

class DllTest : public zvtest::CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    ASSERT_NE(module_, nullptr) << ZV_DLL_PATH << " error " << GetLastError();
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    CatalogueTest::TearDown();
  }
  HMODULE module_ = LoadLibraryA(ZV_DLL_PATH);
};

TEST_F(DllTest, IsADllOfThisBitnessWithUndecoratedExportsThatAnswer) {
  auto base = reinterpret_cast<const unsigned char*>(module_);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const bool wide = sizeof(void*) == 8;
  EXPECT_EQ(nt->FileHeader.Machine, wide ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
  EXPECT_EQ(nt->OptionalHeader.Magic, wide ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL, 0);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  ASSERT_NE(dir.VirtualAddress, 0u);
  auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
  EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "ZVLMN30E.dll");
  auto names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  EXPECT_GT(exports->NumberOfNames, 10u);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    const std::string name = reinterpret_cast<const char*>(base + names[i]);
    EXPECT_EQ(name.find('@'), std::string::npos) << name;
    EXPECT_EQ(name.compare(0, 2, "ZV"), 0) << name;
  }
  // Called by name as a driver calls it, an export answers from the catalogue
  // in the local set.
  using ListFn = int32_t(WINAPI*)(void*, uint32_t, int32_t, int32_t, uint32_t*, int32_t*, char*);
  auto list = reinterpret_cast<ListFn>(reinterpret_cast<void*>(GetProcAddress(module_, "ZVGetFormList")));
  ASSERT_NE(list, nullptr);
  WriteFormList(zvtest::FormListFile({{7, "Invoice", "Monthly", 1, 0}}, {{-1, "P", "", 1, 1}}));
  int32_t ids[2] = {-99, -99};
  char texts[2 * 25] = "";
  uint32_t filled = 0;
  ASSERT_EQ(list(nullptr, 0, 2, -1, &filled, ids, texts), 1);
  EXPECT_EQ(filled, 2u);
  EXPECT_EQ(ids[0], 7);
  EXPECT_EQ(ids[1], -1);
  EXPECT_STREQ(texts, "Invoice");
  EXPECT_STREQ(texts + 25, "Sin nombre de formulario");
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
  char* name = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(&data[0], "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  ASSERT_TRUE(VerQueryValueA(&data[0], "\\StringFileInfo\\040904E4\\OriginalFilename",
                             reinterpret_cast<void**>(&name), &length));
  EXPECT_STREQ(name, "ZVLMN30E.DLL");
}

}  // namespace
