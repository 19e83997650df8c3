// The edit guard over the current user's registry.
#include "dialogs/edit_guard.h"

#include <cstring>

#include "platform/platform.h"

namespace zv {
namespace {

enum class OwnerState { kMissing, kRunning, kEnded };

OwnerState ReadOwner(plat::RegKey key) {
  unsigned char record[kEditGuardOwnerSize] = {};
  uint32_t type = 0;
  uint32_t size = sizeof record;
  if (plat::RegQueryValue(key, kEditGuardOwnerValue, &type, record, &size) != plat::kRegSuccess ||
      type != plat::kRegBinary || size != sizeof record) {
    return OwnerState::kMissing;
  }
  plat::ProcessStamp owner{};
  std::memcpy(&owner.id, record, 4);
  std::memcpy(&owner.startTime, record + 4, 8);
  return plat::IsProcessRunning(owner) ? OwnerState::kRunning : OwnerState::kEnded;
}

// Records this process as the holder, then the value that refuses others.
bool WriteGuard(plat::RegKey key) {
  plat::ProcessStamp self{};
  if (plat::GetProcessStamp(&self)) {
    unsigned char record[kEditGuardOwnerSize];
    std::memcpy(record, &self.id, 4);
    std::memcpy(record + 4, &self.startTime, 8);
    plat::RegSetValue(key, kEditGuardOwnerValue, plat::kRegBinary, record, sizeof record);
  }
  const uint32_t value = kGuardHeld;
  return plat::RegSetValue(key, kEditGuardValue, plat::kRegDword, &value, sizeof value) == plat::kRegSuccess;
}

}  // namespace

int32_t AcquireEditGuard() {
  plat::RegKey key = nullptr;
  if (plat::RegOpenKey(kEditGuardKey, &key) == plat::kRegSuccess) {
    uint32_t value = 0;
    uint32_t type = 0;
    uint32_t size = sizeof value;
    const bool readable =
        plat::RegQueryValue(key, kEditGuardValue, &type, &value, &size) == plat::kRegSuccess &&
        size == sizeof value;
    // A value other than 2 guards nothing; 2, or a value not yet written,
    // holds unless the recorded owner has ended.
    const bool claimed = !readable || (value & 0xFFFF) == static_cast<uint32_t>(kGuardHeld);
    const bool held = claimed && ReadOwner(key) != OwnerState::kEnded;
    if (!held) WriteGuard(key);
    plat::RegCloseKey(key);
    return held ? kGuardHeld : kGuardTaken;
  }
  if (plat::RegCreateKey(kEditGuardKey, &key) != plat::kRegSuccess) return kGuardUnavailable;
  WriteGuard(key);
  plat::RegCloseKey(key);
  return kGuardTaken;
}

int32_t ReleaseEditGuard() {
  return plat::RegDeleteKey(kEditGuardKey) == plat::kRegSuccess ? 1 : 0;
}

}  // namespace zv
