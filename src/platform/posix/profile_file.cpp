// INI profile files on Linux, with the observable behaviour of
// GetPrivateProfileStringA and WritePrivateProfileStringA on a full path.
//
// Every call reads the file afresh: other processes edit these files, so
// nothing is cached. Reads hold a shared lock on the file, writes an exclusive
// one for the whole read-modify-write, and a write puts the new text back into
// the same file (truncate and rewrite) so that the lock keeps covering it.
// What a read finds in the text and how a write edits it is the shared
// emulation of the profile functions (emulation/profile_text.h).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/emulation/profile_text.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "platform/posix/posix_internal.h"

namespace plat {
namespace {

// Serialises the profile calls of this process, as Windows does; the file
// lock does the same between processes.
std::mutex& ProfileMutex() {
  static std::mutex mutex;
  return mutex;
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads the whole of an open regular file.
bool ReadAll(int fd, std::string* text) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (static_cast<unsigned long long>(info.st_size) > emulation::kMaxProfileBytes) return false;
  text->clear();
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof(chunk));
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    if (text->size() + static_cast<size_t>(got) > emulation::kMaxProfileBytes) return false;
    text->append(chunk, static_cast<size_t>(got));
  }
}

// Replaces the whole content of an open file.
bool RewriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = pwrite(fd, text.data() + done, text.size() - done, static_cast<off_t>(done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return ftruncate(fd, static_cast<off_t>(text.size())) == 0;
}

bool MapPath(const char* file, char* hostPath) {
  if (file == nullptr || file[0] == '\0') return false;
  return posix::ToHostPath(file, hostPath, posix::kHostPathSize);
}

// The file's text under a shared lock; false when it cannot be read, which
// callers treat like a missing file.
bool LoadProfile(const char* file, std::string* text) {
  char hostPath[posix::kHostPathSize];
  if (!MapPath(file, hostPath)) return false;
  Descriptor fd(open(hostPath, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return false;
  if (!posix::LockDescriptorWait(fd.get(), false)) return false;
  return ReadAll(fd.get(), text);
}

}  // namespace

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* file) {
  io::CountProfileCall();
  if (buffer == nullptr || size == 0) return 0;
  std::lock_guard<std::mutex> guard(ProfileMutex());

  std::string text;
  const bool loaded = LoadProfile(file, &text);
  return emulation::ReadProfileText(loaded ? &text : nullptr, section, key, defaultValue, buffer, size);
}

bool WriteProfileValue(const char* section, const char* key, const char* value, const char* file) {
  io::CountProfileCall();
  if (fault::ShouldFail(fault::kProfileWrite)) return false;
  if (section == nullptr) {
    // All three null only asks Windows to flush its cache; there is none.
    return key == nullptr && value == nullptr;
  }
  std::lock_guard<std::mutex> guard(ProfileMutex());

  char hostPath[posix::kHostPathSize];
  if (!MapPath(file, hostPath)) return false;
  if (posix::IsReadOnlyHostFile(hostPath)) return false;

  const bool deleting = key == nullptr || value == nullptr;
  int fd = open(hostPath, O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    // Deleting from a file that does not exist leaves it not existing.
    if (deleting) return true;
    fd = open(hostPath, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  }
  Descriptor descriptor(fd);
  if (fd < 0) return false;
  if (!posix::LockDescriptorWait(fd, true)) return false;

  std::string text;
  if (!ReadAll(fd, &text)) return false;
  const std::string edited = emulation::EditProfileText(text, section, key, value);
  if (edited == text) return true;
  return RewriteAll(fd, edited);
}

}  // namespace plat
