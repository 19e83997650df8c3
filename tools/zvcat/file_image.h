// A catalogue file read whole into memory, for the checker and the recovery:
// every offset taken from it is checked against what was read before it is
// used. The file is opened for reading only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvcat {

// The largest file zvcat reads into memory: 64 MiB.
constexpr uint32_t kLargestFile = 64u * 1024u * 1024u;

// A file read whole, or why it could not be.
struct FileImage {
  enum State { kRead, kMissing, kCannotOpen, kTooLarge, kReadFailed } state = kMissing;
  std::vector<unsigned char> bytes;
  uint32_t size = 0;  // the size the file reported (also for kTooLarge)

  const unsigned char* At(uint64_t offset) const { return bytes.data() + offset; }
  // Whether count bytes from offset lie within what was read.
  bool Holds(uint64_t offset, uint64_t count) const { return offset + count <= bytes.size(); }
};

FileImage ReadWholeFile(const std::string& path);

}  // namespace zvcat
