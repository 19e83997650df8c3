// The edit guard: a key in the current user's registry that exists exactly
// while an edit form dialog is open, so that one such dialog is open at a
// time per user, across every printer driver that uses the module.
//
// The key "Software\ZEVRO\ZEVRO Lamina3 DLL\EntryEdit" holds the REG_DWORD
// value "EntryEdit" = 2. Besides, the holder records itself in the binary
// value "EntryEditOwner" (process id, then the process's start time), so that
// a key left behind by a process that ended without deleting it does not
// lock the dialog out for good:
// - "EntryEdit" = 2 with an owner record whose process no longer runs: the
//   guard is free and this call takes it over.
// - "EntryEdit" = 2 without an owner record (written by another program):
//   held.
// - "EntryEdit" missing or unreadable: held while the owner record names a
//   running process (a caller that is creating the key writes its owner
//   record first, then "EntryEdit"), free when the owner record names a
//   process that ended. Without an owner record either, held while the key's
//   last write is at most a minute old (its creator is about to write it),
//   free after that (its creator ended before writing anything).
// - "EntryEdit" readable with any other value: nobody holds the guard; this
//   call takes it over.
#pragma once

#include <cstdint>

namespace zv {

// Results of AcquireEditGuard.
constexpr int32_t kGuardUnavailable = 0;  // the key could neither be opened nor created
constexpr int32_t kGuardTaken = 1;        // this call created (or took over) the guard
constexpr int32_t kGuardHeld = 2;         // another edit form dialog holds it

// The key and its values, relative to HKEY_CURRENT_USER.
constexpr const char* kEditGuardKey = "Software\\ZEVRO\\ZEVRO Lamina3 DLL\\EntryEdit";
constexpr const char* kEditGuardValue = "EntryEdit";
constexpr const char* kEditGuardOwnerValue = "EntryEditOwner";
constexpr uint32_t kEditGuardOwnerSize = 12;  // u32 process id, u64 start time

// Seconds that a key without values or owner record holds the guard.
constexpr uint64_t kEditGuardBareKeyLife = 60;

// Takes the guard by test-and-create: opens the key and reads it (see above),
// else creates it and writes the owner record and "EntryEdit" = 2. A key
// that the create finds made meanwhile by another caller is read as one that
// opened.
int32_t AcquireEditGuard();

// Deletes the guard key. 1 on success.
int32_t ReleaseEditGuard();

}  // namespace zv
