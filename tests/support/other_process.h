// A second process that opens a file with given access and share mode and
// holds it until released, so that tests see how share modes act across
// processes. Both builds start a copy of the running test program.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace zvtest {

class FileHolder {
 public:
  // Starts the other process and waits until it has tried to open the file.
  FileHolder(const std::string& path, plat::Access access, plat::Share share);
  ~FileHolder();  // releases the file and waits for the process to end
  FileHolder(const FileHolder&) = delete;
  FileHolder& operator=(const FileHolder&) = delete;

  // Whether the other process could open the file.
  bool Opened() const { return opened_; }

 private:
  bool opened_ = false;
  intptr_t process_ = 0;  // pid, or process handle
  intptr_t release_ = 0;  // write end of the pipe whose closing releases the file
};

// Called first thing by the test programs' main: when the arguments ask this
// process to be a holder, it holds the file as asked and returns true after
// being released (main then exits).
bool RunAsFileHolder(int argc, char** argv);

}  // namespace zvtest
