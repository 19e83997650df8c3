// Placeholder until the edit guard lands.
#include "dialogs/edit_guard.h"

namespace zv {
int32_t AcquireEditGuard() {
  return kGuardUnavailable;
}
int32_t ReleaseEditGuard() {
  return 0;
}
}  // namespace zv
