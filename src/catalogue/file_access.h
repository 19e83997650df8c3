// Positioned reads and writes of catalogue files, each checked for the whole
// number of bytes.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace zv {

// Moves to an absolute position. SeekFile takes a signed 32-bit distance, so
// a position beyond 2 GiB is refused instead of being passed on as negative.
bool SeekTo(plat::FileHandle file, uint64_t position);

// Reads exactly size bytes at the current position; false on any shortfall.
bool ReadExactly(plat::FileHandle file, void* buffer, uint32_t size);

// Reads or writes exactly size bytes at offset; false on any shortfall.
bool ReadAt(plat::FileHandle file, uint64_t offset, void* data, uint32_t size);
bool WriteAt(plat::FileHandle file, uint64_t offset, const void* data, uint32_t size);

// Deletes a file the catalogue's way: only when its attributes could be made
// normal first. Best effort: a file that stays is not reported.
void DeleteFileIfWritable(const char* path);

}  // namespace zv
