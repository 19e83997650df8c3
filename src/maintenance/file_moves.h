// Moving bytes inside a catalogue file to open or close a gap, and fixing the
// offset tables that point into the moved bytes. Everything goes through one
// 5120-byte buffer that the caller's working memory holds.
#pragma once

#include <cstdint>

#include "catalogue/file_access.h"
#include "platform/platform.h"

namespace zv {

constexpr uint32_t kMoveBufferSize = 5120;
constexpr uint32_t kOffsetBatch = kMoveBufferSize / 4;  // 1280 offsets at a time

struct MoveBuffer {
  unsigned char bytes[kMoveBufferSize];
};

// Opens a gap: moves the bytes [from, end) up by distance, in pieces from the
// end backwards so that no byte is overwritten before it has moved. The file
// grows to end + distance when there is anything to move (an empty range
// changes nothing: the caller's write into the gap extends the file). False
// when a read or write fails, or end is below from.
bool MoveBytesUp(plat::FileHandle file, uint32_t from, uint32_t end, uint32_t distance, MoveBuffer& buffer);

// Closes a gap: moves the bytes [from, end) down by distance, in pieces from
// the front forwards, then cuts the file at end - distance. end is the end of
// the file; before the first piece moves, the file is made one byte longer,
// so that a move or cut that fails leaves a file whose size no header
// implies (damaged) rather than shifted bytes under the old header. False when a read,
// write or the cut fails, when end is below from, or when distance is
// greater than from.
bool MoveBytesDown(plat::FileHandle file, uint32_t from, uint32_t end, uint32_t distance, MoveBuffer& buffer);

// Adds delta to every 32-bit offset of the table (count offsets at
// tableOffset) that is greater than threshold, reading and writing the table
// in batches of 1280. False when a read or write fails.
bool AdjustOffsets(plat::FileHandle file, uint32_t tableOffset, uint32_t count, uint32_t threshold,
                   int32_t delta, MoveBuffer& buffer);

}  // namespace zv
