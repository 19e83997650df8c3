// The user's registry through the platform layer: keys in any case, a key with a subkey kept,
// values keeping type and bytes, key and value names that are no host file names.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

constexpr char kTop[] = "Software\\ZVLMN30E Tests", kOuter[] = "Software\\ZVLMN30E Tests\\Out/er b%c",
               kInner[] = "Software\\ZVLMN30E Tests\\Out/er b%c\\Inner";

TEST(RegistryTest, KeysAndValues) {
  for (const char* key : {kInner, kOuter, kTop}) plat::RegDeleteKey(key);
  plat::RegKey key = nullptr;
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegOpenKey(kOuter, &key));
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kInner, &key));
  plat::RegCloseKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::RegOpenKey("SOFTWARE\\zvlmn30e tests\\OUT/ER B%C\\inner", &key));
  plat::RegCloseKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kOuter, &key));  // an existing key opens
  const char text[] = "C:\\FORMS\\LOGO.ZLP";
  uint32_t type = 0, size = 0, number = 0x01020304;
  ASSERT_EQ(plat::kRegSuccess, plat::RegSetValue(key, "File", plat::kRegSz, text, sizeof text));
  ASSERT_EQ(plat::kRegSuccess, plat::RegSetValue(key, "Type", plat::kRegDword, &number, 4));
  ASSERT_EQ(plat::kRegSuccess, plat::RegSetValue(key, "Type", plat::kRegDword, "\x07\0\0\0", 4));  // replaced
  using Pair = std::pair<const char*, std::string>;
  for (const Pair& v : {Pair{"x/y", "1"}, {"x.y", "2"}, {"", "default"}})
    ASSERT_EQ(plat::kRegSuccess,
              plat::RegSetValue(key, v.first, plat::kRegSz, v.second.c_str(), v.second.size() + 1));
  plat::RegCloseKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::RegOpenKey(kOuter, &key));
  ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, "file", &type, nullptr, &size));  // the size alone
  EXPECT_EQ(plat::kRegSz + 0u, type);
  EXPECT_EQ(sizeof text, size);
  char buffer[64] = {};
  size = 4;
  EXPECT_EQ(plat::kRegMoreData, plat::RegQueryValue(key, "FILE", &type, buffer, &size));
  EXPECT_EQ(sizeof text, size);
  for (const Pair& v : {Pair{"File", text}, {"X/Y", "1"}, {"x.y", "2"}, {nullptr, "default"}}) {
    size = sizeof buffer;
    ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, v.first, nullptr, buffer, &size)) << v.second;
    EXPECT_EQ(v.second, buffer);
  }
  size = 4;
  ASSERT_EQ(plat::kRegSuccess, plat::RegQueryValue(key, "Type", &type, &number, &size));
  EXPECT_EQ(plat::kRegDword + 0u, type);
  EXPECT_EQ(7u, number);
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegQueryValue(key, "Position", &type, &number, &size));
  plat::RegCloseKey(key);
  EXPECT_NE(plat::kRegSuccess, plat::RegDeleteKey(kOuter));  // a key with a subkey stays
  EXPECT_EQ(plat::kRegSuccess, plat::RegDeleteKey(kInner));
  EXPECT_EQ(plat::kRegSuccess, plat::RegDeleteKey(kOuter));
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegDeleteKey(kOuter));
  // Deleting the key took its values with it.
  ASSERT_EQ(plat::kRegSuccess, plat::RegCreateKey(kOuter, &key));
  EXPECT_EQ(plat::kRegFileNotFound, plat::RegQueryValue(key, "Type", &type, &number, &size));
  plat::RegCloseKey(key);
  for (const char* k : {kOuter, kTop}) EXPECT_EQ(plat::kRegSuccess, plat::RegDeleteKey(k));
}

}  // namespace
