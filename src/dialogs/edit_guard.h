// The edit guard: a key in the current user's registry that exists exactly
// while an edit form dialog is open, so that one such dialog is open at a
// time per user, across every printer driver that uses the module.
#pragma once

#include <cstdint>

namespace zv {

// Results of AcquireEditGuard.
constexpr int32_t kGuardUnavailable = 0;  // the key could neither be opened nor created
constexpr int32_t kGuardTaken = 1;        // this call created the guard
constexpr int32_t kGuardHeld = 2;         // another edit form dialog holds it

int32_t AcquireEditGuard();

// Deletes the guard key. 1 on success.
int32_t ReleaseEditGuard();

}  // namespace zv
