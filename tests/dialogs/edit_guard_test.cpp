// The edit guard in the current user's registry: each state a key can be
// found in (left by another program, by a running or an ended holder, half
// written) against what AcquireEditGuard answers and leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/edit_guard.h"
#include "platform/platform.h"

namespace {

using zv::kEditGuardKey;

// A value as it stands: absent, or its type and bytes.
struct Value {
  bool present = false;
  uint32_t type = 0;
  std::string bytes;
  bool operator==(const Value& o) const { return present == o.present && type == o.type && bytes == o.bytes; }
};

Value Read(const char* name) {
  Value v;
  plat::RegKey key = nullptr;
  if (plat::RegOpenKey(kEditGuardKey, &key) != plat::kRegSuccess) return v;
  char data[32] = {};
  uint32_t size = sizeof data;
  v.present = plat::RegQueryValue(key, name, &v.type, data, &size) == plat::kRegSuccess;
  if (v.present) v.bytes.assign(data, size);
  plat::RegCloseKey(key);
  return v;
}

bool KeyExists() {
  plat::RegKey key = nullptr;
  if (plat::RegOpenKey(kEditGuardKey, &key) != plat::kRegSuccess) return false;
  plat::RegCloseKey(key);
  return true;
}

plat::ProcessStamp Self() {
  plat::ProcessStamp self{};
  EXPECT_TRUE(plat::GetProcessStamp(&self));
  return self;
}

Value Dword(uint32_t n) {
  return {true, plat::kRegDword, std::string(reinterpret_cast<char*>(&n), 4)};
}

// The owner record of this process, or of one with its id that has ended.
Value Owner(bool ended) {
  plat::ProcessStamp stamp = Self();
  if (ended) stamp.startTime ^= 0x5A5A;
  char record[zv::kEditGuardOwnerSize];
  std::memcpy(record, &stamp.id, 4);
  std::memcpy(record + 4, &stamp.startTime, 8);
  return {true, plat::kRegBinary, std::string(record, sizeof record)};
}

class EditGuardTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::RegDeleteKey(kEditGuardKey); }
  void TearDown() override { plat::RegDeleteKey(kEditGuardKey); }
};

TEST_F(EditGuardTest, TakenOnceHeldUntilReleasedThenGone) {
  for (int round = 0; round < 2; ++round) {
    ASSERT_FALSE(KeyExists());
    EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardTaken);
    EXPECT_EQ(Read(zv::kEditGuardValue), Dword(2));
    EXPECT_EQ(Read(zv::kEditGuardOwnerValue), Owner(false));
    // A second call, from the same running process, finds it held.
    EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
    EXPECT_EQ(zv::ReleaseEditGuard(), 1);
    EXPECT_FALSE(KeyExists());
    EXPECT_EQ(zv::ReleaseEditGuard(), 0);
  }
}

// A key found as another caller left it: held ones stay as they were, free
// ones are taken over and then name this process.
TEST_F(EditGuardTest, EachStateOfAFoundKey) {
  const Value none;
  const Value twoBytes{true, plat::kRegBinary, std::string("\x02\x00", 2)};
  const struct {
    const char* what;
    Value value, owner;
    int32_t result;
  } rows[] = {
      {"2 from another program", Dword(2), none, zv::kGuardHeld},
      {"only the low 16 bits count", Dword(0x00070002), none, zv::kGuardHeld},
      {"2 of a running holder", Dword(2), Owner(false), zv::kGuardHeld},
      {"2 of an ended holder", Dword(2), Owner(true), zv::kGuardTaken},
      {"0", Dword(0), none, zv::kGuardTaken},
      {"1", Dword(1), none, zv::kGuardTaken},
      {"3", Dword(3), none, zv::kGuardTaken},
      {"2 in the high half", Dword(0x00020000), none, zv::kGuardTaken},
      {"no values: being created", none, none, zv::kGuardHeld},
      {"a value of the wrong size", twoBytes, none, zv::kGuardHeld},
      {"owner running, no value yet", none, Owner(false), zv::kGuardHeld},
      {"owner ended, no value", none, Owner(true), zv::kGuardTaken},
      {"an owner record of the wrong size", Dword(2), Dword(7), zv::kGuardHeld},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    plat::RegDeleteKey(kEditGuardKey);
    plat::RegKey key = nullptr;
    ASSERT_EQ(plat::RegCreateKey(kEditGuardKey, &key), plat::kRegSuccess);
    for (const auto& v : {std::make_pair(zv::kEditGuardValue, row.value),
                          std::make_pair(zv::kEditGuardOwnerValue, row.owner)}) {
      if (v.second.present) {
        ASSERT_EQ(plat::RegSetValue(key, v.first, v.second.type, v.second.bytes.data(),
                                    static_cast<uint32_t>(v.second.bytes.size())),
                  plat::kRegSuccess);
      }
    }
    plat::RegCloseKey(key);
    EXPECT_EQ(zv::AcquireEditGuard(), row.result);
    const bool taken = row.result == zv::kGuardTaken;
    EXPECT_EQ(Read(zv::kEditGuardValue), taken ? Dword(2) : row.value);
    EXPECT_EQ(Read(zv::kEditGuardOwnerValue), taken ? Owner(false) : row.owner);
  }
}

}  // namespace
