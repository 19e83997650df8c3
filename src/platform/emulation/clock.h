// The clock of the backends that run on a Linux host (posix, memory):
// CurrentTime is the host's real-time clock, which the C library reads
// without a system call, moved by the test shift of fault_injection.h.
#pragma once

#include <cstdint>
#include <ctime>

namespace plat::emulation {

// A host time (seconds and nanoseconds since 1970) in FILETIME units.
uint64_t ToFileTime(const timespec& time);

}  // namespace plat::emulation
