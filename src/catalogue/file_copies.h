// Copying and moving whole files: overlay data files and the driver
// configuration's seed alike.
//
// Copies and moves work in one of two ways, by the Windows version class:
// on Windows NT 3 and 4 through the system's move and copy functions, on
// every other class through a buffer of kTransferBufferSize bytes, the
// source deleted after a move. A copy or move sets no last error code.
#pragma once

namespace zv {

// Size of the buffer that file contents pass through.
constexpr unsigned kTransferBufferSize = 5120;

// Moves source to target, replacing an existing target (its attributes reset
// first), in either way. A source and target that name the same file, however
// each is spelled, leave the file where it is and count as moved. A buffered
// move whose copy cannot be completed (a failed read, a short write) removes
// the partial target and keeps the source. true on success: the target holds
// the source's bytes and the source is gone (its deletion is best effort).
bool MoveOverlayFile(const char* source, const char* target);

// Copies source to target, leaving the source. On Windows NT 3 and 4 through
// the system's copy (which refuses an existing target), elsewhere through a
// buffer, replacing an existing target. The target ends with normal
// attributes. A copy onto the source itself (any spelling) is refused and
// leaves the file untouched. 1 on success, 0 on failure.
bool CopyWholeFile(const char* source, const char* target);

}  // namespace zv
