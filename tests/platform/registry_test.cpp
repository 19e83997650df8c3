// The user's registry through the platform layer: keys in any case, a key with a subkey kept,
// values keeping type and bytes, key and value names that are no host file names; a create that tells
// a key it made from one it found, and a key's last write time on the clock.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace {

constexpr char kTop[] = "Software\\ZVLMN30E Tests", kOuter[] = "Software\\ZVLMN30E Tests\\Out/er b%c",
               kInner[] = "Software\\ZVLMN30E Tests\\Out/er b%c\\Inner";

TEST(RegistryTest, KeysAndValues) {
  for (const char* key : {kInner, kOuter, kTop}) plat::DeleteRegKey(key);
  plat::RegKey key = nullptr;
  EXPECT_EQ(plat::kRegFileNotFound, plat::OpenRegKey(kOuter, &key));
  ASSERT_EQ(plat::kRegSuccess, plat::CreateRegKey(kInner, &key));
  plat::CloseRegKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::OpenRegKey("SOFTWARE\\zvlmn30e tests\\OUT/ER B%C\\inner", &key));
  plat::CloseRegKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::CreateRegKey(kOuter, &key));  // an existing key opens
  const char text[] = "C:\\FORMS\\LOGO.ZLP";
  uint32_t type = 0, size = 0, number = 0x01020304;
  ASSERT_EQ(plat::kRegSuccess, plat::SetRegValue(key, "File", plat::kRegSz, text, sizeof text));
  ASSERT_EQ(plat::kRegSuccess, plat::SetRegValue(key, "Type", plat::kRegDword, &number, 4));
  ASSERT_EQ(plat::kRegSuccess, plat::SetRegValue(key, "Type", plat::kRegDword, "\x07\0\0\0", 4));  // replaced
  using Pair = std::pair<const char*, std::string>;
  for (const Pair& v : {Pair{"x/y", "1"}, {"x.y", "2"}, {"", "default"}})
    ASSERT_EQ(plat::kRegSuccess,
              plat::SetRegValue(key, v.first, plat::kRegSz, v.second.c_str(), v.second.size() + 1));
  plat::CloseRegKey(key);
  ASSERT_EQ(plat::kRegSuccess, plat::OpenRegKey(kOuter, &key));
  ASSERT_EQ(plat::kRegSuccess, plat::QueryRegValue(key, "file", &type, nullptr, &size));  // the size alone
  EXPECT_EQ(plat::kRegSz + 0u, type);
  EXPECT_EQ(sizeof text, size);
  char buffer[64] = {};
  size = 4;
  EXPECT_EQ(plat::kRegMoreData, plat::QueryRegValue(key, "FILE", &type, buffer, &size));
  EXPECT_EQ(sizeof text, size);
  for (const Pair& v : {Pair{"File", text}, {"X/Y", "1"}, {"x.y", "2"}, {nullptr, "default"}}) {
    size = sizeof buffer;
    ASSERT_EQ(plat::kRegSuccess, plat::QueryRegValue(key, v.first, nullptr, buffer, &size)) << v.second;
    EXPECT_EQ(v.second, buffer);
  }
  size = 4;
  ASSERT_EQ(plat::kRegSuccess, plat::QueryRegValue(key, "Type", &type, &number, &size));
  EXPECT_EQ(plat::kRegDword + 0u, type);
  EXPECT_EQ(7u, number);
  EXPECT_EQ(plat::kRegFileNotFound, plat::QueryRegValue(key, "Position", &type, &number, &size));
  plat::CloseRegKey(key);
  EXPECT_NE(plat::kRegSuccess, plat::DeleteRegKey(kOuter));  // a key with a subkey stays
  EXPECT_EQ(plat::kRegSuccess, plat::DeleteRegKey(kInner));
  EXPECT_EQ(plat::kRegSuccess, plat::DeleteRegKey(kOuter));
  EXPECT_EQ(plat::kRegFileNotFound, plat::DeleteRegKey(kOuter));
  // Deleting the key took its values with it.
  ASSERT_EQ(plat::kRegSuccess, plat::CreateRegKey(kOuter, &key));
  EXPECT_EQ(plat::kRegFileNotFound, plat::QueryRegValue(key, "Type", &type, &number, &size));
  plat::CloseRegKey(key);
  for (const char* k : {kOuter, kTop}) EXPECT_EQ(plat::kRegSuccess, plat::DeleteRegKey(k));
}

// Only the first create of a key makes it; the parents that a create made count as found after it.
TEST(RegistryTest, CreateTellsAMadeKeyFromAFoundOne) {
  for (const char* key : {kInner, kOuter, kTop}) plat::DeleteRegKey(key);
  const struct {
    const char* path;
    bool createdNew;
  } rows[] = {{kInner, true},
              {kInner, false},
              {"software\\zvlmn30e tests\\OUT/ER B%C\\INNER", false},
              {kOuter, false},
              {kTop, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    plat::RegKey key = nullptr;
    bool createdNew = !row.createdNew;
    ASSERT_EQ(plat::kRegSuccess, plat::CreateRegKeyEx(row.path, &key, &createdNew));
    EXPECT_EQ(row.createdNew, createdNew);
    EXPECT_EQ(plat::kRegSuccess, plat::SetRegValue(key, "Seen", plat::kRegDword, "\x01\0\0\0", 4));
    plat::CloseRegKey(key);
  }
  for (const char* key : {kInner, kOuter, kTop}) EXPECT_EQ(plat::kRegSuccess, plat::DeleteRegKey(key));
}

// The clock counts FILETIME units since 1601 and moves by the test shift; a key's last write time
// is read on it when the key is made and again when a value is written.
TEST(RegistryTest, KeyTimesOnTheClock) {
  constexpr uint64_t kUnits = plat::kTimeUnitsPerSecond, kFrom1601To1970 = 11644473600u * kUnits;
  const uint64_t unix = static_cast<uint64_t>(std::time(nullptr)) * kUnits + kFrom1601To1970;
  const uint64_t now = plat::CurrentTime();
  EXPECT_LE(now, unix + 2 * kUnits);
  EXPECT_GE(now + 2 * kUnits, unix);
  plat::fault::ShiftClock(3600 * kUnits);
  const uint64_t later = plat::CurrentTime();
  plat::fault::ShiftClock(0);
  EXPECT_GE(later, now + 3600 * kUnits);
  EXPECT_LE(later, plat::CurrentTime() + 3600 * kUnits);

  plat::DeleteRegKey(kTop);
  plat::RegKey key = nullptr;
  uint64_t made = 0, written = 0;
  const uint64_t before = plat::CurrentTime();
  ASSERT_EQ(plat::kRegSuccess, plat::CreateRegKey(kTop, &key));
  ASSERT_EQ(plat::kRegSuccess, plat::QueryRegKeyTime(key, &made));
  // The host stamps files by a coarser clock, up to a tick behind.
  EXPECT_GE(made + kUnits / 10, before);
  EXPECT_LE(made, plat::CurrentTime());
  const uint64_t beforeWrite = made + kUnits / 2;
  while (plat::CurrentTime() < beforeWrite) {
  }
  ASSERT_EQ(plat::kRegSuccess, plat::SetRegValue(key, "Written", plat::kRegDword, "\x01\0\0\0", 4));
  ASSERT_EQ(plat::kRegSuccess, plat::QueryRegKeyTime(key, &written));
  EXPECT_GE(written + kUnits / 10, beforeWrite);
  EXPECT_LE(written, plat::CurrentTime());
  plat::CloseRegKey(key);
  EXPECT_EQ(plat::kRegSuccess, plat::DeleteRegKey(kTop));
}

}  // namespace
