// HKEY_CURRENT_USER on Linux, kept in files: a key is a directory, a value a
// file holding its 32-bit type followed by its data. Names compare without
// regard to case, so they are stored in lower case and escaped; key
// directories carry the prefix "k_", value files "v_". A key handle is an
// open descriptor of the key's directory; the directory's modification time,
// which every value written or subkey made changes, is the key's last write
// time.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/emulation/clock.h"
#include "platform/fault_injection.h"
#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace plat {
namespace {

constexpr int32_t kRegAccessDenied = 5;
constexpr int32_t kRegInvalidParameter = 87;
constexpr int32_t kRegWriteFault = 29;
constexpr int32_t kRegReadFault = 30;

// One key or value name as a file name: lower case, with everything but
// letters and digits escaped as %XX.
std::string EncodeName(const char* prefix, const char* name) {
  std::string out = prefix;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
    const int c = std::tolower(*p);
    if (std::isalnum(c)) {
      out += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      out += escaped;
    }
  }
  return out;
}

// The host directory of a key path, or false for an empty component.
bool KeyDirectory(const char* path, std::string* dir) {
  *dir = posix::RegistryDirectory();
  const char* p = path;
  while (*p) {
    const char* end = std::strchr(p, '\\');
    const std::string name(p, end ? static_cast<size_t>(end - p) : std::strlen(p));
    if (name.empty()) return false;
    *dir += "/" + EncodeName("k_", name.c_str());
    if (!end) break;
    p = end + 1;
  }
  return true;
}

RegKey ToKey(int fd) {
  return reinterpret_cast<RegKey>(static_cast<intptr_t>(fd) + 1);
}

int ToDescriptor(RegKey key) {
  return static_cast<int>(reinterpret_cast<intptr_t>(key) - 1);
}

int32_t OpenDirectory(const std::string& dir, RegKey* key) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return kRegFileNotFound;
  *key = ToKey(fd);
  return kRegSuccess;
}

}  // namespace

int32_t CreateRegKey(const char* path, RegKey* key) {
  std::string dir;
  if (!path || !key || !KeyDirectory(path, &dir)) return kRegInvalidParameter;
  if (!posix::MakeHostDirectories(dir.c_str())) return kRegAccessDenied;
  return OpenDirectory(dir, key);
}

int32_t CreateRegKeyEx(const char* path, RegKey* key, bool* createdNew) {
  std::string dir;
  if (!path || !key || !createdNew || !KeyDirectory(path, &dir)) return kRegInvalidParameter;
  *createdNew = false;
  if (!*path) return CreateRegKey(path, key);  // the root itself, which always exists
  if (!posix::MakeHostDirectories(dir.substr(0, dir.rfind('/')).c_str())) return kRegAccessDenied;
  // mkdir makes the directory for exactly one of any number of racing
  // creators; the others find it there. One deleted between its making and
  // its opening is made again.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (mkdir(dir.c_str(), 0777) == 0) {
      *createdNew = true;
    } else if (errno == EEXIST) {
      *createdNew = false;
    } else {
      return kRegAccessDenied;
    }
    if (OpenDirectory(dir, key) == kRegSuccess) return kRegSuccess;
  }
  *createdNew = false;
  return kRegFileNotFound;
}

int32_t OpenRegKey(const char* path, RegKey* key) {
  std::string dir;
  if (!path || !key || !KeyDirectory(path, &dir)) return kRegInvalidParameter;
  if (fault::ShouldFail(fault::kRegOpen)) return kRegFileNotFound;
  return OpenDirectory(dir, key);
}

int32_t QueryRegValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  if (!key) return kRegInvalidParameter;
  const std::string file = EncodeName("v_", name ? name : "");
  const int fd = openat(ToDescriptor(key), file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kRegFileNotFound;
  struct stat st;
  unsigned char typeBytes[4];
  if (fstat(fd, &st) != 0 || st.st_size < 4 || read(fd, typeBytes, 4) != 4) {
    close(fd);
    return kRegReadFault;
  }
  const uint32_t length = static_cast<uint32_t>(st.st_size - 4);
  if (type) {
    *type = typeBytes[0] | (typeBytes[1] << 8) | (typeBytes[2] << 16) |
            (static_cast<uint32_t>(typeBytes[3]) << 24);
  }
  int32_t result = kRegSuccess;
  if (data) {
    if (!size || *size < length) {
      result = kRegMoreData;
    } else if (read(fd, data, length) != static_cast<ssize_t>(length)) {
      result = kRegReadFault;
    }
  }
  if (size) *size = length;
  close(fd);
  return result;
}

int32_t SetRegValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  if (!key || (size && !data)) return kRegInvalidParameter;
  const std::string file = EncodeName("v_", name ? name : "");
  const std::string temporary = file + ".new";
  const int dirFd = ToDescriptor(key);
  const int fd = openat(dirFd, temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return kRegAccessDenied;
  const unsigned char typeBytes[4] = {static_cast<unsigned char>(type), static_cast<unsigned char>(type >> 8),
                                      static_cast<unsigned char>(type >> 16),
                                      static_cast<unsigned char>(type >> 24)};
  bool ok = write(fd, typeBytes, 4) == 4;
  if (ok && size) ok = write(fd, data, size) == static_cast<ssize_t>(size);
  ok = close(fd) == 0 && ok;
  // Readers in other processes see the old value or the new one, never half.
  if (ok) ok = renameat(dirFd, temporary.c_str(), dirFd, file.c_str()) == 0;
  if (!ok) unlinkat(dirFd, temporary.c_str(), 0);
  return ok ? kRegSuccess : kRegWriteFault;
}

int32_t CloseRegKey(RegKey key) {
  if (!key) return kRegInvalidParameter;
  close(ToDescriptor(key));
  return kRegSuccess;
}

int32_t QueryRegKeyTime(RegKey key, uint64_t* lastWrite) {
  struct stat st;
  if (!key || !lastWrite) return kRegInvalidParameter;
  if (fstat(ToDescriptor(key), &st) != 0) return kRegReadFault;
  *lastWrite = emulation::ToFileTime(st.st_mtim);
  return kRegSuccess;
}

int32_t DeleteRegKey(const char* path) {
  std::string dir;
  if (!path || !*path || !KeyDirectory(path, &dir)) return kRegInvalidParameter;
  DIR* d = opendir(dir.c_str());
  if (!d) return kRegFileNotFound;
  bool hasSubkeys = false;
  while (dirent* e = readdir(d)) {
    if (std::strncmp(e->d_name, "k_", 2) == 0) hasSubkeys = true;
  }
  if (hasSubkeys) {
    closedir(d);
    return kRegAccessDenied;
  }
  rewinddir(d);
  while (dirent* e = readdir(d)) {
    if (std::strncmp(e->d_name, "v_", 2) == 0) unlinkat(dirfd(d), e->d_name, 0);
  }
  closedir(d);
  return rmdir(dir.c_str()) == 0 ? kRegSuccess : kRegAccessDenied;
}

}  // namespace plat
