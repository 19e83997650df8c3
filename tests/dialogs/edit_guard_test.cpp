// The edit guard in the current user's registry: each state a key can be found in (missing, left by
// another program, by a running or an ended holder, half written) against what AcquireEditGuard
// answers and leaves behind, and the release that removes it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dialogs/edit_guard.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace {

using zv::kEditGuardKey;

// A value as "type:bytes": "" when absent, "no key" without the key.
std::string Read(const char* name) {
  plat::RegKey key = nullptr;
  if (plat::OpenRegKey(kEditGuardKey, &key) != plat::kRegSuccess) return "no key";
  char data[32] = {};
  uint32_t type = 0, size = sizeof data;
  const bool present = plat::QueryRegValue(key, name, &type, data, &size) == plat::kRegSuccess;
  plat::CloseRegKey(key);
  return present ? std::to_string(type) + ":" + std::string(data, size) : "";
}
std::string Value(uint32_t type, const void* bytes, size_t size) {
  return std::to_string(type) + ":" + std::string(static_cast<const char*>(bytes), size);
}
std::string Dword(uint32_t n) {
  return Value(plat::kRegDword, &n, 4);
}
// The owner record of this process, or of one with its id that has ended.
std::string Owner(bool ended) {
  plat::ProcessStamp stamp{};
  EXPECT_TRUE(plat::GetProcessStamp(&stamp));
  char record[zv::kEditGuardOwnerSize];
  stamp.startTime ^= ended ? 0x5A5A : 0;
  std::memcpy(record, &stamp.id, 4);
  std::memcpy(record + 4, &stamp.startTime, 8);
  return Value(plat::kRegBinary, record, sizeof record);
}

// Held ones stay as they were; free ones are taken over and name this process, held until released.
// A key is found by the open, or (raced) made by another caller between the open that missed it and the
// create; its age is how far the clock has moved on since it was written.
TEST(EditGuardTest, EachStateOfAFoundKey) {
  const std::string none, twoBytes = Value(plat::kRegBinary, "\x02\x00", 2);
  constexpr bool kRaced = true;
  constexpr int64_t kMinuteAndMore = 61 * plat::kTimeUnitsPerSecond;
  const struct {
    const char* what;
    std::string value, owner;
    int32_t result;
    bool raced;
    int64_t age;
  } rows[] = {
      {"no key", "no key", "no key", zv::kGuardTaken},
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
      {"no values for over a minute: its creator ended", none, none, zv::kGuardTaken, false, kMinuteAndMore},
      {"made meanwhile by a running holder", Dword(2), Owner(false), zv::kGuardHeld, kRaced},
      {"made meanwhile, no values yet", none, none, zv::kGuardHeld, kRaced},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    plat::DeleteRegKey(kEditGuardKey);
    plat::RegKey key = nullptr;
    ASSERT_TRUE(row.value == "no key" || plat::CreateRegKey(kEditGuardKey, &key) == plat::kRegSuccess);
    for (const auto& v : {std::make_pair(zv::kEditGuardValue, row.value),
                          std::make_pair(zv::kEditGuardOwnerValue, row.owner)}) {
      const size_t colon = v.second.find(':');
      ASSERT_TRUE(!key || colon == std::string::npos ||
                  plat::SetRegValue(key, v.first, std::stoul(v.second), v.second.data() + colon + 1,
                                    static_cast<uint32_t>(v.second.size() - colon - 1)) == plat::kRegSuccess);
    }
    if (key) plat::CloseRegKey(key);
    plat::fault::FailNth(plat::fault::kRegOpen, row.raced ? 1 : 0);
    plat::fault::ShiftClock(row.age);
    EXPECT_EQ(zv::AcquireEditGuard(), row.result);
    EXPECT_EQ(plat::fault::CallCount(plat::fault::kRegOpen), 1u);
    plat::fault::Reset();
    const bool taken = row.result == zv::kGuardTaken;
    EXPECT_EQ(Read(zv::kEditGuardValue), taken ? Dword(2) : row.value);
    EXPECT_EQ(Read(zv::kEditGuardOwnerValue), taken ? Owner(false) : row.owner);
    if (!taken) continue;
    EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
    EXPECT_EQ(zv::ReleaseEditGuard(), 1);
    EXPECT_EQ(Read(zv::kEditGuardValue), "no key");
    EXPECT_EQ(zv::ReleaseEditGuard(), 0);
  }
  plat::DeleteRegKey(kEditGuardKey);
}

}  // namespace
