// Test switches that make the Nth call of a platform operation fail, so that
// tests reach every failure path of the code above the platform layer. Both
// backends consult them; nothing in the product ever arms one.
#pragma once

#include <cstdint>

namespace plat::fault {

enum Point : uint32_t {
  kAlloc,         // AllocZeroed returns null
  kOpen,          // OpenFile returns null
  kRead,          // ReadFile fails
  kWrite,         // WriteFile fails
  kSetEnd,        // SetEndOfFile fails
  kProfileWrite,  // WriteProfileValue fails
  kRegOpen,       // OpenRegKey answers that the key does not exist
  kPointCount
};

// From now on, the nth call (1-based) at the point fails; 0 disarms it.
// Also restarts the point's call counter.
void FailNth(Point point, uint32_t n);
// Calls made at the point since it was last armed or reset.
uint32_t CallCount(Point point);
// Disarms every point and clears the counters.
void Reset();

// Called by the backends at the start of each operation of the point: counts
// the call and tells whether it must fail.
bool ShouldFail(Point point);

// Moves the clock that CurrentTime reads by a number of its units (negative:
// back), so that tests see what happens later without waiting; 0 or Reset
// restores it.
void ShiftClock(int64_t units);
int64_t ClockShift();

// Blocks of the platform heap that are live: zero-filled and movable blocks
// taken and not yet freed, counted by both backends, so that a test can see
// that an operation gave back every block it took. Reset leaves it alone.
uint32_t LiveBlocks();
// Called by the backends when a block has been taken or freed.
void CountBlockTaken();
void CountBlockFreed();

}  // namespace plat::fault
