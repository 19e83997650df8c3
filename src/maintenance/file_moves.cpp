#include "maintenance/file_moves.h"

#include "catalogue/byte_order.h"

namespace zv {
bool MoveBytesUp(plat::FileHandle file, uint32_t from, uint32_t end, uint32_t distance, MoveBuffer& buffer) {
  // A range that ends before it starts would wrap into a huge move.
  if (end < from) return false;
  uint32_t remaining = end - from;
  while (remaining > 0) {
    const uint32_t piece = remaining < kMoveBufferSize ? remaining : kMoveBufferSize;
    const uint32_t at = from + remaining - piece;
    if (!ReadAt(file, at, buffer.bytes, piece) || !WriteAt(file, at + distance, buffer.bytes, piece))
      return false;
    remaining -= piece;
  }
  return true;
}

bool MoveBytesDown(plat::FileHandle file, uint32_t from, uint32_t end, uint32_t distance,
                   MoveBuffer& buffer) {
  // Neither a reversed range nor a target before the start of the file.
  if (end < from || distance > from) return false;
  // While the bytes move the file is one byte longer than its header says:
  // a read, write or cut that fails on the way leaves a file that every
  // reader takes for damaged, never one whose old header fits shifted bytes.
  if (from < end && !(SeekTo(file, uint64_t{end} + 1) && plat::SetEndOfFile(file))) return false;
  for (uint32_t at = from; at < end;) {
    const uint32_t piece = end - at < kMoveBufferSize ? end - at : kMoveBufferSize;
    if (!ReadAt(file, at, buffer.bytes, piece) || !WriteAt(file, at - distance, buffer.bytes, piece))
      return false;
    at += piece;
  }
  return SeekTo(file, end - distance) && plat::SetEndOfFile(file);
}

bool AdjustOffsets(plat::FileHandle file, uint32_t tableOffset, uint32_t count, uint32_t threshold,
                   int32_t delta, MoveBuffer& buffer) {
  for (uint32_t first = 0; first < count;) {
    const uint32_t n = count - first < kOffsetBatch ? count - first : kOffsetBatch;
    const uint32_t at = tableOffset + 4 * first;
    // Each batch is written back where it was read, which leaves the file
    // at the next batch: only the first is positioned for the read.
    if (!(first == 0 ? ReadAt(file, at, buffer.bytes, 4 * n) : ReadExactly(file, buffer.bytes, 4 * n)))
      return false;
    for (uint32_t i = 0; i < n; ++i) {
      unsigned char* slot = buffer.bytes + 4 * i;
      const uint32_t offset = GetU32(slot);
      if (offset > threshold) PutU32(slot, offset + static_cast<uint32_t>(delta));
    }
    if (!WriteAt(file, at, buffer.bytes, 4 * n)) return false;
    first += n;
  }
  return true;
}

}  // namespace zv
