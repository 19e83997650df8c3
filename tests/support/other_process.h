// Another holder of a file, with given access and share mode, until released: natively a child process;
// under Windows, where share modes act on handles whichever process holds them, a handle of this process
// opened without the platform layer (its counters and injected faults do not see it); over the memory
// backend, which no other process sees, a handle of this process opened through it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace zvtest {

class FileHolder {
 public:
  // Opens the file (natively, waits until the child has tried to).
  FileHolder(const std::string& path, plat::Access access, plat::Share share);
  ~FileHolder();  // releases the file (and waits for the child to end)
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  bool Opened() const { return opened_; }

 private:
  bool opened_ = false;
  [[maybe_unused]] intptr_t process_ = 0;  // the child's pid (natively)
  intptr_t release_ = 0;  // the handle, or the write end plus one of the pipe whose closing releases the file
};

}  // namespace zvtest
