#include "platform/emulation/search_pattern.h"

#include <cstring>

namespace plat::emulation {

bool SplitSearchPath(const char* path, SearchPath* search) {
  if (!path || !*path) return false;
  const size_t length = std::strlen(path);
  // A search pattern that ends in a separator names no entry.
  if (path[length - 1] == '\\' || path[length - 1] == '/') return false;
  const char* nameStart = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/' || (p == path + 1 && *p == ':')) nameStart = p + 1;
  }
  search->wildcard = std::strpbrk(nameStart, "*?") != nullptr;
  search->pattern = std::strcmp(nameStart, "*.*") == 0 ? "*" : nameStart;
  const size_t dirLength = static_cast<size_t>(nameStart - path);
  if (dirLength >= sizeof search->directory) return false;
  std::memcpy(search->directory, path, dirLength);
  search->directory[dirLength] = '\0';
  if (dirLength == 0) std::strcpy(search->directory, ".");
  return true;
}

}  // namespace plat::emulation
