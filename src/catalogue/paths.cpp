#include "catalogue/paths.h"

#include <cstring>

namespace zv {

bool ToDirectoryForm(char* path) {
  const size_t length = std::strlen(path);
  const char* backslash = std::strchr(path, '\\');
  if (!backslash || path[length - 1] == '\\') return true;
  return AppendPath(path, "\\");
}

void CutToDriveRoot(char* path) {
  if (path[0] != '\0' && path[1] == ':' && path[2] != '\0') path[3] = '\0';
}

void DirectoryOfFile(const char* path, char* dir) {
  const char* last = std::strrchr(path, '\\');
  const size_t length = last ? static_cast<size_t>(last - path) + 1 : 0;
  std::memmove(dir, path, length);
  dir[length] = '\0';
}

bool PathExists(const char* path) {
  if (std::strlen(path) == 3) return plat::QueryDriveType(path) >= plat::kDriveRemovable;
  return plat::FindFirstEntry(path);
}

bool IsDigitsOnly(const char* text) {
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

bool EqualsIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char ca = *a;
    char cb = *b;
    if (ca >= 'a' && ca <= 'z') ca = static_cast<char>(ca - 'a' + 'A');
    if (cb >= 'a' && cb <= 'z') cb = static_cast<char>(cb - 'a' + 'A');
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
}

bool CopyPath(char* path, const char* text) {
  path[0] = '\0';
  return AppendPath(path, text);
}

bool AppendPath(char* path, const char* text) {
  const size_t length = std::strlen(path);
  const size_t extra = std::strlen(text);
  if (length + extra > plat::kMaxPath) return false;
  std::memcpy(path + length, text, extra + 1);
  return true;
}

bool EndsWithIgnoringCase(const char* path, const char* ending) {
  const size_t length = std::strlen(path);
  const size_t endingLength = std::strlen(ending);
  return length >= endingLength && EqualsIgnoringCase(path + length - endingLength, ending);
}

const char* FileNamePart(const char* path) {
  const char* backslash = std::strrchr(path, '\\');
  return backslash ? backslash + 1 : path;
}

}  // namespace zv
