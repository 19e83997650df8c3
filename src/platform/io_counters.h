// Counters of the platform layer's work, kept beside the fault switches: the
// bytes read and written through file handles, the file calls made (handle
// calls and calls on paths), the profile file calls, and the bytes of working
// memory taken. Both backends count with plain increments, on the caller's
// thread; the benchmark reads them around each call. Nothing in the product
// ever reads them.
#pragma once

#include <cstdint>

namespace plat::io {

struct Counters {
  uint64_t bytesRead;
  uint64_t bytesWritten;
  uint32_t fileCalls;     // OpenFile ... CloseFile, and the calls on paths
  uint32_t profileCalls;  // ReadProfileValue and WriteProfileValue
  uint64_t memoryTaken;   // bytes of the blocks taken, resizes included
  uint32_t blocksTaken;
};

// The counts since the last Reset.
Counters Current();
void Reset();

// Called by the backends.
void CountFileCall();
void CountRead(uint32_t bytes);
void CountWritten(uint32_t bytes);
void CountProfileCall();
void CountMemory(uint32_t bytes);

}  // namespace plat::io
