// Working memory of one catalogue operation: a single zero-filled block from
// the platform heap, laid out as the record T and released when the
// operation returns.
#pragma once

#include "platform/platform.h"

namespace zv {

template <typename T>
class WorkMemory {
 public:
  WorkMemory() : block_(static_cast<T*>(plat::AllocZeroed(sizeof(T)))) {}
  ~WorkMemory() { plat::FreeBlock(block_); }
  WorkMemory(const WorkMemory&) = delete;
  WorkMemory& operator=(const WorkMemory&) = delete;

  explicit operator bool() const { return block_ != nullptr; }
  T* operator->() const { return block_; }
  T& operator*() const { return *block_; }

 private:
  T* block_;
};

}  // namespace zv
