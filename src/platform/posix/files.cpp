// Files with Windows semantics on Linux. Share modes become whole-file flock
// locks held for the life of the handle: a handle that only reads and lets
// others read takes a shared lock, every other handle an exclusive one. So
// readers share, and a writer excludes everyone, in this process and in others.
// The read-only attribute is the owner's write permission, enforced here
// explicitly because the tests run as root.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/emulation/open_rules.h"
#include "platform/emulation/search_pattern.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "platform/posix/posix_internal.h"

namespace plat {
namespace {

using posix::kHostPathSize;

FileHandle ToHandle(int fd) {
  return reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1);
}

int ToDescriptor(FileHandle file) {
  return static_cast<int>(reinterpret_cast<intptr_t>(file) - 1);
}

bool HostPath(const char* path, char* host) {
  return path && posix::ToHostPath(path, host, kHostPathSize);
}

bool IsRegularOrMissing(const char* host, bool* exists) {
  struct stat st;
  if (stat(host, &st) != 0) {
    *exists = false;
    return errno == ENOENT;
  }
  *exists = true;
  return S_ISREG(st.st_mode);
}

// True when some handle holds the file in a way that forbids deleting or
// replacing it (Windows handles are never opened with delete sharing here).
bool FileIsHeld(const char* host) {
  const int fd = open(host, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = !posix::LockDescriptor(fd, true);
  close(fd);
  return held;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool CopyHostFile(const char* from, const char* to, bool failIfExists) {
  const int in = open(from, O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode) || !posix::LockDescriptor(in, false)) {
    close(in);
    return false;
  }
  bool exists = false;
  if (!IsRegularOrMissing(to, &exists) || (exists && (failIfExists || posix::IsReadOnlyHostFile(to)))) {
    close(in);
    return false;
  }
  const int out = open(to, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  bool ok = out >= 0 && posix::LockDescriptor(out, true) && ftruncate(out, 0) == 0;
  char buffer[16384];
  while (ok) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = WriteAll(out, buffer, static_cast<size_t>(n));
  }
  if (out >= 0) close(out);
  close(in);
  // CopyFileA carries the read-only attribute over with the data.
  if (ok && (st.st_mode & S_IWUSR) == 0) ok = chmod(to, st.st_mode & 07777) == 0;
  return ok;
}

}  // namespace

namespace posix {

bool LockDescriptor(int fd, bool exclusive) {
  while (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool LockDescriptorWait(int fd, bool exclusive) {
  // Profile calls hold their lock for one read or rewrite only; a holder that
  // keeps it for seconds has the file open for itself, and the call fails as
  // a sharing violation would on Windows instead of waiting forever.
  constexpr int kAttempts = 2000;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (LockDescriptor(fd, exclusive)) return true;
    if (errno != EWOULDBLOCK) return false;
    usleep(1000);
  }
  return false;
}

bool IsReadOnlyHostFile(const char* hostPath) {
  struct stat st;
  return stat(hostPath, &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

bool MakeHostDirectories(const char* hostPath) {
  char path[kHostPathSize];
  const size_t length = std::strlen(hostPath);
  if (length == 0 || length >= sizeof path) return false;
  std::memcpy(path, hostPath, length + 1);
  for (char* p = path + 1; *p; ++p) {
    if (*p != '/') continue;
    *p = '\0';
    if (mkdir(path, 0777) != 0 && errno != EEXIST) return false;
    *p = '/';
  }
  return mkdir(path, 0777) == 0 || errno == EEXIST;
}

}  // namespace posix

FileHandle OpenFile(const char* path, Access access, Share share, Disposition disposition) {
  io::CountFileCall();
  if (fault::ShouldFail(fault::kOpen)) return nullptr;
  char host[kHostPathSize];
  if (!HostPath(path, host)) return nullptr;
  bool exists = false;
  if (!IsRegularOrMissing(host, &exists)) return nullptr;
  if (!emulation::OpenAdmitted(access, disposition, exists, [&] { return posix::IsReadOnlyHostFile(host); }))
    return nullptr;
  const bool writes = (access & kAccessWrite) != 0;
  const bool truncates = disposition == kCreateAlways || disposition == kTruncateExisting;

  // A file that must be emptied is opened without truncation and emptied only
  // once its lock is held, so a conflicting holder loses nothing.
  int flags = O_CLOEXEC;
  flags |= (access == kAccessReadWrite || truncates) ? O_RDWR : (writes ? O_WRONLY : O_RDONLY);
  if (!exists) flags |= O_CREAT | (disposition == kCreateNew ? O_EXCL : 0);
  const int fd = open(host, flags, 0666);
  if (fd < 0) return nullptr;
  const bool sharedLock = access == kAccessRead && (share & kShareRead) != 0;
  if (!posix::LockDescriptor(fd, !sharedLock) || (truncates && ftruncate(fd, 0) != 0)) {
    close(fd);
    return nullptr;
  }
  return ToHandle(fd);
}

bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done) {
  io::CountFileCall();
  if (done) *done = 0;
  if (!file || fault::ShouldFail(fault::kRead)) return false;
  char* out = static_cast<char*>(buffer);
  uint32_t total = 0;
  while (total < size) {
    const ssize_t n = read(ToDescriptor(file), out + total, size - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return false;
    }
    if (n == 0) break;
    total += static_cast<uint32_t>(n);
  }
  if (done) *done = total;
  io::CountRead(total);
  return true;
}

bool WriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done) {
  io::CountFileCall();
  if (done) *done = 0;
  if (!file || fault::ShouldFail(fault::kWrite)) return false;
  const char* in = static_cast<const char*>(buffer);
  uint32_t total = 0;
  while (total < size) {
    const ssize_t n = write(ToDescriptor(file), in + total, size - total);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (done) *done = total;
      return false;
    }
    total += static_cast<uint32_t>(n);
  }
  if (done) *done = total;
  io::CountWritten(total);
  return true;
}

uint32_t SeekFile(FileHandle file, int32_t offset, SeekOrigin origin) {
  io::CountFileCall();
  if (!file) return kInvalidSize;
  const int whence = origin == kSeekBegin ? SEEK_SET : origin == kSeekCurrent ? SEEK_CUR : SEEK_END;
  const off_t position = lseek(ToDescriptor(file), offset, whence);
  if (position < 0 || position >= static_cast<off_t>(kInvalidSize)) return kInvalidSize;
  return static_cast<uint32_t>(position);
}

uint32_t GetFileSize(FileHandle file) {
  io::CountFileCall();
  struct stat st;
  if (!file || fstat(ToDescriptor(file), &st) != 0 || st.st_size >= static_cast<off_t>(kInvalidSize)) {
    return kInvalidSize;
  }
  return static_cast<uint32_t>(st.st_size);
}

bool SetEndOfFile(FileHandle file) {
  io::CountFileCall();
  if (!file || fault::ShouldFail(fault::kSetEnd)) return false;
  const int fd = ToDescriptor(file);
  const off_t position = lseek(fd, 0, SEEK_CUR);
  struct stat st;
  if (position < 0 || fstat(fd, &st) != 0) return false;
  // Windows allocates the space of a file that grows, and refuses when the
  // disk cannot hold it; ftruncate alone would make a sparse file whose
  // later writes fail instead.
  if (position > st.st_size) return posix_fallocate(fd, st.st_size, position - st.st_size) == 0;
  return ftruncate(fd, position) == 0;
}

bool CloseFile(FileHandle file) {
  io::CountFileCall();
  return file && close(ToDescriptor(file)) == 0;
}

bool SetAttributesNormal(const char* path) {
  io::CountFileCall();
  char host[kHostPathSize];
  struct stat st;
  if (!HostPath(path, host) || stat(host, &st) != 0) return false;
  return chmod(host, (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetAttributesReadOnly(const char* path) {
  char host[kHostPathSize];
  struct stat st;
  if (!HostPath(path, host) || stat(host, &st) != 0) return false;
  return chmod(host, st.st_mode & 07777 & ~(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool EraseFile(const char* path) {
  io::CountFileCall();
  char host[kHostPathSize];
  struct stat st;
  if (!HostPath(path, host) || lstat(host, &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (posix::IsReadOnlyHostFile(host) || FileIsHeld(host)) return false;
  return unlink(host) == 0;
}

bool MoveFileReplace(const char* from, const char* to) {
  io::CountFileCall();
  char hostFrom[kHostPathSize];
  char hostTo[kHostPathSize];
  struct stat st;
  if (!HostPath(from, hostFrom) || !HostPath(to, hostTo) || lstat(hostFrom, &st) != 0) return false;
  const bool isDirectory = S_ISDIR(st.st_mode);
  if (!isDirectory && FileIsHeld(hostFrom)) return false;
  struct stat target;
  if (lstat(hostTo, &target) == 0 && std::strcmp(hostFrom, hostTo) != 0) {
    if (isDirectory || S_ISDIR(target.st_mode)) return false;
    if (posix::IsReadOnlyHostFile(hostTo) || FileIsHeld(hostTo)) return false;
  }
  if (rename(hostFrom, hostTo) == 0) return true;
  if (errno != EXDEV || isDirectory) return false;
  // Another volume: copy, then remove the source.
  if (!CopyHostFile(hostFrom, hostTo, false)) return false;
  return unlink(hostFrom) == 0;
}

bool CopyFileTo(const char* from, const char* to, bool failIfExists) {
  io::CountFileCall();
  char hostFrom[kHostPathSize];
  char hostTo[kHostPathSize];
  if (!HostPath(from, hostFrom) || !HostPath(to, hostTo)) return false;
  if (std::strcmp(hostFrom, hostTo) == 0) return false;
  return CopyHostFile(hostFrom, hostTo, failIfExists);
}

bool FindFirstEntry(const char* path) {
  io::CountFileCall();
  emulation::SearchPath search;
  if (!emulation::SplitSearchPath(path, &search)) return false;
  char host[kHostPathSize];
  if (!search.wildcard) {
    struct stat st;
    return HostPath(path, host) && lstat(host, &st) == 0;
  }
  // A wildcard pattern: any entry of its directory that matches.
  if (!HostPath(search.directory, host)) return false;
  DIR* d = opendir(host);
  if (!d) return false;
  bool found = false;
  while (dirent* e = readdir(d)) {
    if (fnmatch(search.pattern, e->d_name, FNM_CASEFOLD) == 0) {
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

bool IsDirectory(const char* path) {
  io::CountFileCall();
  char host[kHostPathSize];
  struct stat st;
  return path && *path && HostPath(path, host) && stat(host, &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const char* path) {
  io::CountFileCall();
  char host[kHostPathSize];
  return HostPath(path, host) && mkdir(host, 0777) == 0;
}

bool SameFile(const char* path1, const char* path2) {
  char host1[kHostPathSize];
  char host2[kHostPathSize];
  struct stat st1;
  struct stat st2;
  if (!HostPath(path1, host1) || !HostPath(path2, host2) || stat(host1, &st1) != 0 ||
      stat(host2, &st2) != 0) {
    return false;
  }
  return st1.st_dev == st2.st_dev && st1.st_ino == st2.st_ino;
}

uint32_t QueryDriveType(const char* root) {
  char drive;
  if (!root) {
    char cwd[plat::kPathBuffer];
    if (GetWorkingDirectory(cwd, sizeof cwd) == 0) return kDriveUnknown;
    drive = cwd[0];
  } else {
    // Only a drive root names a drive: "C:\", "C:/" or "C:".
    const bool isRoot = std::isalpha(static_cast<unsigned char>(root[0])) && root[1] == ':' &&
                        (root[2] == '\0' || ((root[2] == '\\' || root[2] == '/') && root[3] == '\0'));
    if (!isRoot) return kDriveNoRootDir;
    drive = root[0];
  }
  if (!posix::DriveIsMapped(drive)) return kDriveNoRootDir;
  const char rootPath[] = {drive, ':', '\\', '\0'};
  char host[kHostPathSize];
  struct stat st;
  if (!HostPath(rootPath, host) || stat(host, &st) != 0 || !S_ISDIR(st.st_mode)) return kDriveNoRootDir;
  return kDriveFixed;
}

bool QueryDiskFreeSpace(const char* root, DiskFreeSpace* space) {
  if (!root || QueryDriveType(root) != kDriveFixed) return false;
  char host[kHostPathSize];
  struct statvfs vfs;
  if (!HostPath(root, host) || statvfs(host, &vfs) != 0) return false;
  const uint64_t bytesPerSector = 512;
  const uint64_t blockSize = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
  const uint64_t sectorsPerCluster = blockSize >= bytesPerSector ? blockSize / bytesPerSector : 1;
  const uint64_t clusterSize = sectorsPerCluster * bytesPerSector;
  const uint64_t freeClusters = static_cast<uint64_t>(vfs.f_bavail) * blockSize / clusterSize;
  const uint64_t totalClusters = static_cast<uint64_t>(vfs.f_blocks) * blockSize / clusterSize;
  space->sectorsPerCluster = static_cast<uint32_t>(sectorsPerCluster);
  space->bytesPerSector = static_cast<uint32_t>(bytesPerSector);
  space->freeClusters = static_cast<uint32_t>(freeClusters > 0xFFFFFFFFu ? 0xFFFFFFFFu : freeClusters);
  space->totalClusters = static_cast<uint32_t>(totalClusters > 0xFFFFFFFFu ? 0xFFFFFFFFu : totalClusters);
  return true;
}

}  // namespace plat
