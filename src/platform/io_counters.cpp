#include "platform/io_counters.h"

namespace plat::io {
namespace {

Counters g_counters{};

}  // namespace

Counters Current() {
  return g_counters;
}

void Reset() {
  g_counters = Counters{};
}

void CountFileCall() {
  ++g_counters.fileCalls;
}

void CountRead(uint32_t bytes) {
  g_counters.bytesRead += bytes;
}

void CountWritten(uint32_t bytes) {
  g_counters.bytesWritten += bytes;
}

void CountProfileCall() {
  ++g_counters.profileCalls;
}

void CountMemory(uint32_t bytes) {
  g_counters.memoryTaken += bytes;
  ++g_counters.blocksTaken;
}

}  // namespace plat::io
