// The edit guard in the current user's registry: taking it, refusing while it
// is held, giving it back, and taking over a key whose holder has ended.
#include <gtest/gtest.h>

#include <cstring>

#include "dialogs/edit_guard.h"
#include "platform/platform.h"

namespace {

using zv::kEditGuardKey;

struct Owner {
  bool present;
  plat::ProcessStamp stamp;
};

class EditGuardTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::RegDeleteKey(kEditGuardKey); }
  void TearDown() override { plat::RegDeleteKey(kEditGuardKey); }

  static bool KeyExists() {
    plat::RegKey key = nullptr;
    if (plat::RegOpenKey(kEditGuardKey, &key) != plat::kRegSuccess) return false;
    plat::RegCloseKey(key);
    return true;
  }

  // The raw "EntryEdit" value: type, size and the first four bytes.
  static bool ReadGuardValue(uint32_t* type, uint32_t* size, uint32_t* value) {
    plat::RegKey key = nullptr;
    if (plat::RegOpenKey(kEditGuardKey, &key) != plat::kRegSuccess) return false;
    unsigned char data[16] = {};
    *size = sizeof data;
    const bool ok = plat::RegQueryValue(key, zv::kEditGuardValue, type, data, size) == plat::kRegSuccess;
    plat::RegCloseKey(key);
    std::memcpy(value, data, 4);
    return ok;
  }

  static Owner ReadOwner() {
    Owner owner{};
    plat::RegKey key = nullptr;
    if (plat::RegOpenKey(kEditGuardKey, &key) != plat::kRegSuccess) return owner;
    unsigned char data[32] = {};
    uint32_t type = 0;
    uint32_t size = sizeof data;
    if (plat::RegQueryValue(key, zv::kEditGuardOwnerValue, &type, data, &size) == plat::kRegSuccess &&
        type == plat::kRegBinary && size == zv::kEditGuardOwnerSize) {
      owner.present = true;
      std::memcpy(&owner.stamp.id, data, 4);
      std::memcpy(&owner.stamp.startTime, data + 4, 8);
    }
    plat::RegCloseKey(key);
    return owner;
  }

  // A guard key as another program or an earlier process left it.
  static void WriteKey(const uint32_t* value, uint32_t valueType, uint32_t valueSize,
                       const plat::ProcessStamp* owner) {
    plat::RegKey key = nullptr;
    ASSERT_EQ(plat::RegCreateKey(kEditGuardKey, &key), plat::kRegSuccess);
    if (value) {
      ASSERT_EQ(plat::RegSetValue(key, zv::kEditGuardValue, valueType, value, valueSize), plat::kRegSuccess);
    }
    if (owner) {
      unsigned char record[zv::kEditGuardOwnerSize];
      std::memcpy(record, &owner->id, 4);
      std::memcpy(record + 4, &owner->startTime, 8);
      ASSERT_EQ(plat::RegSetValue(key, zv::kEditGuardOwnerValue, plat::kRegBinary, record, sizeof record),
                plat::kRegSuccess);
    }
    plat::RegCloseKey(key);
  }

  static plat::ProcessStamp Self() {
    plat::ProcessStamp self{};
    EXPECT_TRUE(plat::GetProcessStamp(&self));
    return self;
  }

  // This process's id with another start time: a process that has ended.
  static plat::ProcessStamp Ended() {
    plat::ProcessStamp ended = Self();
    ended.startTime ^= 0x5A5A;
    return ended;
  }

  static void ExpectHeldByThisProcess() {
    uint32_t type = 0, size = 0, value = 0;
    ASSERT_TRUE(ReadGuardValue(&type, &size, &value));
    EXPECT_EQ(type, plat::kRegDword);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(value, 2u);
    const Owner owner = ReadOwner();
    ASSERT_TRUE(owner.present);
    const plat::ProcessStamp self = Self();
    EXPECT_EQ(owner.stamp.id, self.id);
    EXPECT_EQ(owner.stamp.startTime, self.startTime);
  }
};

TEST_F(EditGuardTest, TakenOnceHeldUntilReleasedThenGone) {
  ASSERT_FALSE(KeyExists());
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardTaken);
  ASSERT_TRUE(KeyExists());
  ExpectHeldByThisProcess();

  // A second call, from the same running process, finds it held.
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
  ExpectHeldByThisProcess();

  EXPECT_EQ(zv::ReleaseEditGuard(), 1);
  EXPECT_FALSE(KeyExists());
  EXPECT_EQ(zv::ReleaseEditGuard(), 0);

  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardTaken);
  ExpectHeldByThisProcess();
  EXPECT_EQ(zv::ReleaseEditGuard(), 1);
  EXPECT_FALSE(KeyExists());
}

TEST_F(EditGuardTest, KeyOfAnotherProgramWithValueTwoStaysHeld) {
  const uint32_t two = 2;
  WriteKey(&two, plat::kRegDword, 4, nullptr);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
  EXPECT_FALSE(ReadOwner().present);
  uint32_t type = 0, size = 0, value = 0;
  ASSERT_TRUE(ReadGuardValue(&type, &size, &value));
  EXPECT_EQ(value, 2u);

  // Only the low 16 bits count.
  plat::RegDeleteKey(kEditGuardKey);
  const uint32_t high = 0x00070002;
  WriteKey(&high, plat::kRegDword, 4, nullptr);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
  ASSERT_TRUE(ReadGuardValue(&type, &size, &value));
  EXPECT_EQ(value, high);
}

TEST_F(EditGuardTest, KeyLeftByAnEndedProcessIsTakenOver) {
  const uint32_t two = 2;
  const plat::ProcessStamp ended = Ended();
  WriteKey(&two, plat::kRegDword, 4, &ended);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardTaken);
  ExpectHeldByThisProcess();
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);

  // A running holder keeps it.
  plat::RegDeleteKey(kEditGuardKey);
  const plat::ProcessStamp self = Self();
  WriteKey(&two, plat::kRegDword, 4, &self);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
}

TEST_F(EditGuardTest, ValueOtherThanTwoGuardsNothing) {
  for (const uint32_t stored : {0u, 1u, 3u, 0x00020000u}) {
    plat::RegDeleteKey(kEditGuardKey);
    WriteKey(&stored, plat::kRegDword, 4, nullptr);
    EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardTaken) << stored;
    ExpectHeldByThisProcess();
  }
}

TEST_F(EditGuardTest, KeyWithoutReadableValueIsHeldUnlessItsOwnerEnded) {
  // No values at all: being created by another caller.
  WriteKey(nullptr, 0, 0, nullptr);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);
  EXPECT_FALSE(ReadOwner().present);

  // A value of the wrong size.
  plat::RegDeleteKey(kEditGuardKey);
  const uint32_t two = 2;
  WriteKey(&two, plat::kRegBinary, 2, nullptr);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);

  // The owner written, the value not yet: held while the owner runs.
  plat::RegDeleteKey(kEditGuardKey);
  const plat::ProcessStamp self = Self();
  WriteKey(nullptr, 0, 0, &self);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardHeld);

  // ... and free once it has ended.
  plat::RegDeleteKey(kEditGuardKey);
  const plat::ProcessStamp ended = Ended();
  WriteKey(nullptr, 0, 0, &ended);
  EXPECT_EQ(zv::AcquireEditGuard(), zv::kGuardTaken);
  ExpectHeldByThisProcess();
}

}  // namespace
