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
  if (plat::QueryRegValue(key, kEditGuardOwnerValue, &type, record, &size) != plat::kRegSuccess ||
      type != plat::kRegBinary || size != sizeof record) {
    return OwnerState::kMissing;
  }
  plat::ProcessStamp owner{};
  std::memcpy(&owner.id, record, 4);
  std::memcpy(&owner.startTime, record + 4, 8);
  return plat::IsProcessRunning(owner) ? OwnerState::kRunning : OwnerState::kEnded;
}

// A key without values is young while its creator may still be about to
// write them; one whose time cannot be read is taken as young.
bool IsYoung(plat::RegKey key) {
  uint64_t written = 0;
  if (plat::QueryRegKeyTime(key, &written) != plat::kRegSuccess) return true;
  const uint64_t now = plat::CurrentTime();
  return now <= written || now - written <= kEditGuardBareKeyLife * plat::kTimeUnitsPerSecond;
}

// Whether a key that this call did not create still guards another dialog.
bool StillHeld(plat::RegKey key) {
  uint32_t value = 0;
  uint32_t type = 0;
  uint32_t size = sizeof value;
  const bool readable =
      plat::QueryRegValue(key, kEditGuardValue, &type, &value, &size) == plat::kRegSuccess &&
      size == sizeof value;
  // A value other than 2 guards nothing.
  if (readable && (value & 0xFFFF) != static_cast<uint32_t>(kGuardHeld)) return false;
  switch (ReadOwner(key)) {
    case OwnerState::kRunning:
      return true;
    case OwnerState::kEnded:
      return false;
    case OwnerState::kMissing:
      break;
  }
  // 2 without an owner record is another program's guard; neither value nor
  // owner holds only while the key is young.
  return readable || IsYoung(key);
}

// Records this process as the holder, then the value that refuses others.
bool WriteGuard(plat::RegKey key) {
  plat::ProcessStamp self{};
  if (plat::GetProcessStamp(&self)) {
    unsigned char record[kEditGuardOwnerSize];
    std::memcpy(record, &self.id, 4);
    std::memcpy(record + 4, &self.startTime, 8);
    plat::SetRegValue(key, kEditGuardOwnerValue, plat::kRegBinary, record, sizeof record);
  }
  const uint32_t value = kGuardHeld;
  return plat::SetRegValue(key, kEditGuardValue, plat::kRegDword, &value, sizeof value) == plat::kRegSuccess;
}

}  // namespace

int32_t AcquireEditGuard() {
  plat::RegKey key = nullptr;
  bool createdNew = false;
  // A key that the create finds already there was made by someone else
  // between the open and the create, and is judged as one found on open.
  if (plat::OpenRegKey(kEditGuardKey, &key) != plat::kRegSuccess &&
      plat::CreateRegKeyEx(kEditGuardKey, &key, &createdNew) != plat::kRegSuccess) {
    return kGuardUnavailable;
  }
  const bool held = !createdNew && StillHeld(key);
  if (!held) WriteGuard(key);
  plat::CloseRegKey(key);
  return held ? kGuardHeld : kGuardTaken;
}

int32_t ReleaseEditGuard() {
  return plat::DeleteRegKey(kEditGuardKey) == plat::kRegSuccess ? 1 : 0;
}

}  // namespace zv
