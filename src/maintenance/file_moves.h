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
  unsigned char lastByte;  // the last byte of a range that takes several pieces down
};

// Opens a gap: moves the bytes [from, end) up by distance, in pieces from the
// end backwards so that no byte is overwritten before it has moved. The file
// grows to end + distance when there is anything to move (an empty range
// changes nothing: the caller's write into the gap extends the file). The
// callers reserve the file's final size with ReserveFileEnd first. False
// when a read or write fails, or end is below from.
bool MoveBytesUp(plat::FileHandle file, uint32_t from, uint32_t end, uint32_t distance, MoveBuffer& buffer);

// Closes a gap: moves the bytes [from, end) down by distance, in pieces from
// the front forwards, then cuts the file at end - distance. end is the end of
// the file. The first piece (and, for a range of several pieces, its last
// byte) is read before anything changes; then the file is cut by one byte, so
// that a move or cut that fails from there on leaves a file whose size no
// header implies (damaged) rather than shifted bytes under the old header. A
// failure before that leaves the file as it was. The file never grows, so a
// full disk cannot stop a gap from closing. False when a read, write or cut
// fails, when end is below from, or when distance is greater than from.
bool MoveBytesDown(plat::FileHandle file, uint32_t from, uint32_t end, uint32_t distance, MoveBuffer& buffer);

// Reserves the disk space of a file that is to grow from end to finalEnd by
// one set-end, before any byte of it moves: on a full disk the edit then
// fails with the file as it was (its old size put back should the set-end
// have grown it part of the way). The bytes between end and finalEnd are
// zeros until the edit writes them, so the file reads as damaged while the
// edit runs. Nothing to do when the file does not grow.
bool ReserveFileEnd(plat::FileHandle file, uint32_t end, uint32_t finalEnd);

// Adds delta to every 32-bit offset of the table (count offsets at
// tableOffset) that is greater than threshold, reading and writing the table
// in batches of 1280. False when a read or write fails.
bool AdjustOffsets(plat::FileHandle file, uint32_t tableOffset, uint32_t count, uint32_t threshold,
                   int32_t delta, MoveBuffer& buffer);

}  // namespace zv
