// CurrentTime on a Linux host.
#include "platform/emulation/clock.h"

#include "platform/fault_injection.h"
#include "platform/platform.h"

namespace plat {

namespace emulation {

uint64_t ToFileTime(const timespec& time) {
  constexpr uint64_t kSecondsFrom1601To1970 = 11644473600u;
  return (static_cast<uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * kTimeUnitsPerSecond +
         static_cast<uint64_t>(time.tv_nsec) / 100;
}

}  // namespace emulation

uint64_t CurrentTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return emulation::ToFileTime(now) + static_cast<uint64_t>(fault::ClockShift());
}

}  // namespace plat
