// The global heap where there is no Windows (the posix and memory backends):
// zero-filled blocks and movable blocks from the C library's heap, with the
// allocation failures of fault_injection.h and the counters of io_counters.h.
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"

namespace plat {

void* AllocZeroed(uint32_t size) {
  if (fault::ShouldFail(fault::kAlloc)) return nullptr;
  void* block = std::calloc(1, size ? size : 1);
  if (block) {
    fault::CountBlockTaken();
    io::CountMemory(size);
  }
  return block;
}

void FreeBlock(void* block) {
  if (block) fault::CountBlockFreed();
  std::free(block);
}

// A movable block is a heap record: its size and lock count, then its bytes.
// The handle is the record's address; locking gives the bytes.
struct MemoryTag {
  uint32_t size;
  uint32_t lockCount;
  alignas(8) unsigned char bytes[1];
};

namespace {
constexpr size_t kMemoryHeader = offsetof(MemoryTag, bytes);
}  // namespace

MemoryHandle AllocMovable(uint32_t size) {
  if (fault::ShouldFail(fault::kAlloc)) return nullptr;
  auto* memory = static_cast<MemoryTag*>(std::calloc(1, kMemoryHeader + (size ? size : 1)));
  if (memory) {
    memory->size = size;
    fault::CountBlockTaken();
    io::CountMemory(size);
  }
  return memory;
}

void* LockMemory(MemoryHandle memory) {
  if (!memory) return nullptr;
  ++memory->lockCount;
  return memory->bytes;
}

void UnlockMemory(MemoryHandle memory) {
  if (memory && memory->lockCount > 0) --memory->lockCount;
}

MemoryHandle ReAllocMovable(MemoryHandle memory, uint32_t size) {
  if (!memory || memory->lockCount > 0 || fault::ShouldFail(fault::kAlloc)) return nullptr;
  io::CountMemory(size);
  const uint32_t old = memory->size;
  auto* moved = static_cast<MemoryTag*>(std::realloc(memory, kMemoryHeader + (size ? size : 1)));
  if (!moved) return nullptr;
  if (size > old) std::memset(moved->bytes + old, 0, size - old);
  moved->size = size;
  return moved;
}

uint32_t MemorySize(MemoryHandle memory) {
  return memory ? memory->size : 0;
}

void FreeMemory(MemoryHandle memory) {
  if (memory) fault::CountBlockFreed();
  std::free(memory);
}

}  // namespace plat
