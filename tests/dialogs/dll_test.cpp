// The product DLL as a driver loads it: loaded by path, its ZV exports found
// by name answer from the catalogue in the local set. (The export table
// itself, names and image kind, is checked against the .def file by the
// dll_export_table test.)
#include <windows.h>

#include <gtest/gtest.h>

#include "support/catalogue_files.h"

namespace {

class DllTest : public zvtest::CatalogueTest {};

TEST_F(DllTest, AnExportCalledByNameAnswersFromTheCatalogue) {
  HMODULE module = LoadLibraryA(ZV_DLL_PATH);
  ASSERT_NE(module, nullptr) << ZV_DLL_PATH << " error " << GetLastError();
  using ListFn = int32_t(WINAPI*)(void*, uint32_t, int32_t, int32_t, uint32_t*, int32_t*, char*);
  auto list = reinterpret_cast<ListFn>(reinterpret_cast<void*>(GetProcAddress(module, "ZVGetFormList")));
  ASSERT_NE(list, nullptr);
  WriteFormList(zvtest::FormListFile({{7, "Invoice", "Monthly", 1, 0}}, {{-1, "P", "", 1, 1}}));
  int32_t ids[2] = {-99, -99};
  char texts[2 * 25] = "";
  uint32_t filled = 0;
  EXPECT_EQ(list(nullptr, 0, 2, -1, &filled, ids, texts), 1);
  FreeLibrary(module);
  EXPECT_EQ(filled, 2u);
  EXPECT_EQ(ids[0], 7);
  EXPECT_EQ(ids[1], -1);
  EXPECT_STREQ(texts, "Invoice");
  EXPECT_STREQ(texts + 25, "Sin nombre de formulario");
}

}  // namespace
