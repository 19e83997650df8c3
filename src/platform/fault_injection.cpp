#include "platform/fault_injection.h"

namespace plat::fault {
namespace {

struct Switch {
  uint32_t calls;
  uint32_t failAt;  // 0: never
};
Switch g_switches[kPointCount];
uint32_t g_liveBlocks;
int64_t g_clockShift;

}  // namespace

void FailNth(Point point, uint32_t n) {
  g_switches[point].calls = 0;
  g_switches[point].failAt = n;
}

uint32_t CallCount(Point point) {
  return g_switches[point].calls;
}

void Reset() {
  for (Switch& s : g_switches) s = Switch{0, 0};
  g_clockShift = 0;
}

bool ShouldFail(Point point) {
  Switch& s = g_switches[point];
  ++s.calls;
  return s.failAt != 0 && s.calls == s.failAt;
}

void ShiftClock(int64_t units) {
  g_clockShift = units;
}

int64_t ClockShift() {
  return g_clockShift;
}

uint32_t LiveBlocks() {
  return g_liveBlocks;
}

void CountBlockTaken() {
  ++g_liveBlocks;
}

void CountBlockFreed() {
  --g_liveBlocks;
}

}  // namespace plat::fault
