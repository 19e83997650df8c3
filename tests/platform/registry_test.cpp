// The current user's registry through the platform layer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

constexpr char kRoot[] = "Software\\ZVLMN30E Tests";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { Cleanup(); }
  void TearDown() override { Cleanup(); }
  static void Cleanup() {
    plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer\\Inner");
    plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer");
    plat::RegDeleteKey(kRoot);
  }
};

TEST_F(RegistryTest, CreatesOpensAndDeletesKeysWithoutRegardToCase) {
  plat::RegKey key = nullptr;
  EXPECT_EQ(plat::RegOpenKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegFileNotFound);

  ASSERT_EQ(plat::RegCreateKey("Software\\ZVLMN30E Tests\\Outer\\Inner", &key), plat::kRegSuccess);
  plat::RegCloseKey(key);
  ASSERT_EQ(plat::RegOpenKey("SOFTWARE\\zvlmn30e tests\\OUTER\\inner", &key), plat::kRegSuccess);
  plat::RegCloseKey(key);
  // Creating an existing key opens it.
  ASSERT_EQ(plat::RegCreateKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegSuccess);
  plat::RegCloseKey(key);

  // A key with a subkey stays.
  EXPECT_NE(plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer"), plat::kRegSuccess);
  EXPECT_EQ(plat::RegOpenKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegSuccess);
  plat::RegCloseKey(key);

  EXPECT_EQ(plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer\\Inner"), plat::kRegSuccess);
  EXPECT_EQ(plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer"), plat::kRegSuccess);
  EXPECT_EQ(plat::RegOpenKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegFileNotFound);
  EXPECT_EQ(plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer"), plat::kRegFileNotFound);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndBytes) {
  plat::RegKey key = nullptr;
  ASSERT_EQ(plat::RegCreateKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegSuccess);
  const char text[] = "C:\\FORMS\\LOGO.ZLP";
  ASSERT_EQ(plat::RegSetValue(key, "File", plat::kRegSz, text, sizeof text), plat::kRegSuccess);
  const uint32_t number = 0x01020304;
  ASSERT_EQ(plat::RegSetValue(key, "Type", plat::kRegDword, &number, 4), plat::kRegSuccess);
  plat::RegCloseKey(key);

  ASSERT_EQ(plat::RegOpenKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegSuccess);
  uint32_t type = 0;
  uint32_t size = 0;
  // The size alone.
  ASSERT_EQ(plat::RegQueryValue(key, "file", &type, nullptr, &size), plat::kRegSuccess);
  EXPECT_EQ(type, static_cast<uint32_t>(plat::kRegSz));
  EXPECT_EQ(size, sizeof text);
  // A buffer too small.
  char small[4];
  size = sizeof small;
  EXPECT_EQ(plat::RegQueryValue(key, "FILE", &type, small, &size), plat::kRegMoreData);
  EXPECT_EQ(size, sizeof text);
  char buffer[64] = {};
  size = sizeof buffer;
  ASSERT_EQ(plat::RegQueryValue(key, "File", &type, buffer, &size), plat::kRegSuccess);
  EXPECT_STREQ(buffer, text);

  uint32_t readBack = 0;
  size = 4;
  ASSERT_EQ(plat::RegQueryValue(key, "Type", &type, &readBack, &size), plat::kRegSuccess);
  EXPECT_EQ(type, static_cast<uint32_t>(plat::kRegDword));
  EXPECT_EQ(readBack, number);

  // Replacing a value; a missing one.
  ASSERT_EQ(plat::RegSetValue(key, "Type", plat::kRegDword, "\x07\0\0\0", 4), plat::kRegSuccess);
  size = 4;
  ASSERT_EQ(plat::RegQueryValue(key, "Type", &type, &readBack, &size), plat::kRegSuccess);
  EXPECT_EQ(readBack, 7u);
  size = 4;
  EXPECT_EQ(plat::RegQueryValue(key, "Position", &type, &readBack, &size), plat::kRegFileNotFound);
  plat::RegCloseKey(key);

  // Deleting the key takes its values with it.
  ASSERT_EQ(plat::RegDeleteKey("Software\\ZVLMN30E Tests\\Outer"), plat::kRegSuccess);
  ASSERT_EQ(plat::RegCreateKey("Software\\ZVLMN30E Tests\\Outer", &key), plat::kRegSuccess);
  size = 4;
  EXPECT_EQ(plat::RegQueryValue(key, "Type", &type, &readBack, &size), plat::kRegFileNotFound);
  plat::RegCloseKey(key);
}

}  // namespace
