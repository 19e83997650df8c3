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
  if (distance == 0) return true;
  if (from == end) return SeekTo(file, end - distance) && plat::SetEndOfFile(file);
  // Everything that can fail without changing the file comes first: the
  // first piece, and the last byte when the range takes more than one
  // piece. Then the file is cut by that last byte, which it keeps in
  // memory: from here on its size matches neither its old header nor its
  // new one, so a read, write or cut that fails on the way leaves a file
  // every reader takes for damaged, never shifted bytes under a header that
  // fits them. Cutting never needs disk space.
  const bool onePiece = end - from <= kMoveBufferSize;
  uint32_t piece = onePiece ? end - from : kMoveBufferSize;
  if (!ReadAt(file, from, buffer.bytes, piece)) return false;
  if (!onePiece && !ReadAt(file, end - 1, &buffer.lastByte, 1)) return false;
  if (!(SeekTo(file, end - 1) && plat::SetEndOfFile(file))) return false;
  // The bytes still to read end before the byte held in memory.
  const uint32_t readEnd = onePiece ? end : end - 1;
  for (uint32_t at = from;;) {
    if (!WriteAt(file, at - distance, buffer.bytes, piece)) return false;
    at += piece;
    if (at == readEnd) break;
    piece = readEnd - at < kMoveBufferSize ? readEnd - at : kMoveBufferSize;
    if (!ReadAt(file, at, buffer.bytes, piece)) return false;
  }
  if (!onePiece && !WriteAt(file, end - 1 - distance, &buffer.lastByte, 1)) return false;
  return SeekTo(file, end - distance) && plat::SetEndOfFile(file);
}

bool ReserveFileEnd(plat::FileHandle file, uint32_t end, uint32_t finalEnd) {
  if (finalEnd <= end) return true;
  if (SeekTo(file, finalEnd) && plat::SetEndOfFile(file)) return true;
  // A set-end that gave up half way may have grown the file: put it back.
  if (SeekTo(file, end)) plat::SetEndOfFile(file);
  return false;
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
