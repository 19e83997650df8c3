// How the emulated Get...Directory and GetModuleFileName calls hand a path
// back, as Windows does.
#pragma once

#include <cstdint>
#include <cstring>

namespace plat::emulation {

// GetSystemDirectoryA and its kin: the length on success, the size needed
// (with the terminator) when the buffer is too small.
inline uint32_t CopyDirectoryResult(const char* text, char* buffer, uint32_t size) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(text));
  if (!buffer || length + 1 > size) return length + 1;
  std::memcpy(buffer, text, length + 1);
  return length;
}

// GetModuleFileNameA: cut to the buffer, and then the buffer size.
inline uint32_t CopyModuleNameResult(const char* text, char* buffer, uint32_t size) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(text));
  if (!buffer || size == 0) return 0;
  const uint32_t copied = length < size ? length : size - 1;
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return length < size ? length : size;
}

}  // namespace plat::emulation
