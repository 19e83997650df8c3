// FindFirstFileA's path, taken apart as the emulating backends search it.
#pragma once

#include "platform/platform.h"

namespace plat::emulation {

struct SearchPath {
  // The last name holds '*' or '?': the entries of directory are matched
  // against pattern (fnmatch, without regard to case). Otherwise the path
  // itself names the entry.
  bool wildcard;
  char directory[kPathBuffer];  // the path before the last name, "." when none
  const char* pattern;          // the last name, "*.*" given as "*"
};

// False when the path can name no entry: null, empty, ending in a separator,
// or with a directory part too long for a path.
bool SplitSearchPath(const char* path, SearchPath* search);

}  // namespace plat::emulation
