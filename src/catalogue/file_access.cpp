#include "catalogue/file_access.h"

#include <climits>

namespace zv {

bool SeekTo(plat::FileHandle file, uint64_t position) {
  if (position > static_cast<uint64_t>(INT32_MAX)) return false;
  return plat::SeekFile(file, static_cast<int32_t>(position), plat::kSeekBegin) == position;
}

bool ReadExactly(plat::FileHandle file, void* buffer, uint32_t size) {
  uint32_t done = 0;
  return plat::ReadFile(file, buffer, size, &done) && done == size;
}

bool ReadAt(plat::FileHandle file, uint64_t offset, void* data, uint32_t size) {
  return SeekTo(file, offset) && ReadExactly(file, data, size);
}

bool WriteAt(plat::FileHandle file, uint64_t offset, const void* data, uint32_t size) {
  uint32_t done = 0;
  return SeekTo(file, offset) && plat::WriteFile(file, data, size, &done) && done == size;
}

void DeleteFileIfWritable(const char* path) {
  if (plat::SetAttributesNormal(path)) plat::EraseFile(path);
}

}  // namespace zv
