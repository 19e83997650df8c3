// Little-endian reading and writing of the integers in catalogue files and in
// the records shared with the driver, independent of the host's byte order.
#pragma once

#include <cstdint>

namespace zv {

inline uint16_t GetU16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline int16_t GetI16(const unsigned char* p) {
  return static_cast<int16_t>(GetU16(p));
}
inline uint32_t GetU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t GetI32(const unsigned char* p) {
  return static_cast<int32_t>(GetU32(p));
}

inline void PutU16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void PutI16(unsigned char* p, int16_t v) {
  PutU16(p, static_cast<uint16_t>(v));
}
inline void PutU32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}
inline void PutI32(unsigned char* p, int32_t v) {
  PutU32(p, static_cast<uint32_t>(v));
}

}  // namespace zv
