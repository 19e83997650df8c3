// The current user's registry through the platform layer.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

constexpr char kOuter[] = "Software\\ZVLMN30E Tests\\Outer",
               kInner[] = "Software\\ZVLMN30E Tests\\Outer\\Inner";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { TearDown(); }
  void TearDown() override {
    for (const char* key : {kInner, kOuter, "Software\\ZVLMN30E Tests"}) plat::RegDeleteKey(key);
  }
  // The result of RegOpenKey on path, the key closed again.
  static int32_t Open(const char* path) {
    plat::RegKey key = nullptr;
    const int32_t result = plat::RegOpenKey(path, &key);
    if (result == plat::kRegSuccess) plat::RegCloseKey(key);
    return result;
  }
};

TEST_F(RegistryTest, CreatesOpensAndDeletesKeysWithoutRegardToCase) {
  plat::RegKey key = nullptr;
  EXPECT_EQ(plat::kRegFileNotFound, Open(kOuter));
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kInner, &key));
  plat::RegCloseKey(key);
  EXPECT_EQ(plat::kRegSuccess, Open("SOFTWARE\\zvlmn30e tests\\OUTER\\inner"));
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kOuter, &key));  // an existing key opens
  plat::RegCloseKey(key);
  EXPECT_NE(plat::kRegSuccess, plat::RegDeleteKey(kOuter));  // a key with a subkey stays
  EXPECT_EQ(plat::kRegSuccess, Open(kOuter));
  EXPECT_EQ(plat::kRegSuccess, plat::RegDeleteKey(kInner));
  EXPECT_EQ(plat::kRegSuccess, plat::RegDeleteKey(kOuter));
  EXPECT_EQ(plat::kRegFileNotFound, Open(kOuter));
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegDeleteKey(kOuter));
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  plat::RegKey key = nullptr;
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kOuter, &key));
  const char text[] = "C:\\FORMS\\LOGO.ZLP";
  const uint32_t number = 0x01020304;
  ASSERT_EQ(plat::kRegSuccess, plat::RegSetValue(key, "File", plat::kRegSz, text, sizeof text));
  ASSERT_EQ(plat::kRegSuccess, plat::RegSetValue(key, "Type", plat::kRegDword, &number, 4));
  plat::RegCloseKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::RegOpenKey(kOuter, &key));
  uint32_t type = 0, size = 0, readBack = 0;
  ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, "file", &type, nullptr, &size));  // the size alone
  EXPECT_EQ(static_cast<uint32_t>(plat::kRegSz), type);
  EXPECT_EQ(sizeof text, size);
  char buffer[64] = {};
  size = 4;
  EXPECT_EQ(plat::kRegMoreData, plat::RegQueryValue(key, "FILE", &type, buffer, &size));
  EXPECT_EQ(sizeof text, size);
  size = sizeof buffer;
  ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, "File", &type, buffer, &size));
  EXPECT_STREQ(text, buffer);
  size = 4;
  ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, "Type", &type, &readBack, &size));
  EXPECT_EQ(static_cast<uint32_t>(plat::kRegDword), type);
  EXPECT_EQ(number, readBack);
  ASSERT_EQ(plat::kRegSuccess, plat::RegSetValue(key, "Type", plat::kRegDword, "\x07\0\0\0", 4));  // replaced
  ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, "Type", &type, &readBack, &size));
  EXPECT_EQ(7u, readBack);
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegQueryValue(key, "Position", &type, &readBack, &size));
  plat::RegCloseKey(key);
  // Deleting the key takes its values with it.
  ASSERT_EQ(plat::kRegSuccess, plat::RegDeleteKey(kOuter));
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kOuter, &key));
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegQueryValue(key, "Type", &type, &readBack, &size));
  plat::RegCloseKey(key);
}

}  // namespace
