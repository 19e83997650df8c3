// Copying and moving overlay data and configuration files.
#pragma once

namespace zv {

// Size of the buffer that file contents pass through.
constexpr unsigned kTransferBufferSize = 5120;

// Copies source to target, leaving the source. On Windows NT 3 and 4 through
// the system's copy (which refuses an existing target), elsewhere through a
// buffer, replacing an existing target. The target ends with normal
// attributes. 1 on success, 0 on failure.
bool CopyWholeFile(const char* source, const char* target);

}  // namespace zv
