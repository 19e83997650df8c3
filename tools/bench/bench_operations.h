// The operations the benchmark times: every export that shows no dialog and
// every catalogue operation behind the dialogs, each called as the driver or
// a dialog calls it on the benchmark catalogue, with the bytes the call must
// read (from the block reads its file layouts call for) and the files it
// changes, which are written back between calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bench_catalogue.h"

namespace zvbench {

// Bytes of one file that a call must read.
struct FileRead {
  std::string path;
  uint32_t bytes;
};

struct Operation {
  const char* name;
  std::function<void(const Catalogue&)> run;
  std::function<std::vector<FileRead>(const Catalogue&)> mustRead;
  // Files the call changes, written back after each call (outside the time).
  std::function<std::vector<std::string>(const Catalogue&)> changes;
  // False when the operation does not apply to this catalogue.
  std::function<bool(const Catalogue&)> applies;
  // Removes what the call made besides the catalogue's files (empty when
  // nothing), after each call and outside the time.
  std::function<void(const Catalogue&)> cleanup;
};

const std::vector<Operation>& Operations();

// What the platform counters saw during one call.
struct CallCounts {
  uint64_t bytesRead;
  uint64_t bytesWritten;
  uint32_t fileCalls;
  uint32_t profileCalls;
  uint64_t memory;
};
CallCounts CountOneCall(const Operation& op, const Catalogue& catalogue);

// True when calls change something that must be put back between them.
bool ChangesFiles(const Operation& op, const Catalogue& catalogue);
// Puts back what one call changed.
void Restore(const Operation& op, const Catalogue& catalogue);

uint64_t MustReadBytes(const Operation& op, const Catalogue& catalogue);
// Reads the bytes once, each file opened, read in one call from its start
// and closed: the floor of the operation's I/O.
bool ReadFloor(const std::vector<FileRead>& reads, std::vector<char>& buffer);

// Microseconds per call of fn, timed by the caller's clock over at least
// minSeconds (for runners without a benchmark library).
double TimePerCall(const std::function<void()>& fn, const std::function<void()>& between, double minSeconds);

// The catalogue sizes of the run.
const std::vector<uint32_t>& CatalogueSizes();

}  // namespace zvbench
