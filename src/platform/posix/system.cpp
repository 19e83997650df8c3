// The rest of the OS layer on Linux: directories, the version, dynamic
// loading, message boxes, string resources and working memory.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <climits>
#include <cstddef>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "platform/posix/posix_internal.h"
#include "platform/posix/string_resources.h"

namespace plat {
namespace {

void* g_moduleInstance = nullptr;

posix::MessageBoxAnswerer& Answerer() {
  static posix::MessageBoxAnswerer answerer;
  return answerer;
}

std::vector<posix::MessageBoxRecord>& Records() {
  static std::vector<posix::MessageBoxRecord> records;
  return records;
}

// Copies text as the Get...Directory calls do: the length on success, the
// size needed (with the terminator) when the buffer is too small.
uint32_t CopyOut(const char* text, char* buffer, uint32_t size) {
  const uint32_t length = static_cast<uint32_t>(std::strlen(text));
  if (!buffer || length + 1 > size) return length + 1;
  std::memcpy(buffer, text, length + 1);
  return length;
}

// The button that Enter presses: the default button of the box's button set.
int32_t DefaultButton(uint32_t style) {
  static const int32_t kButtons[][3] = {
      {1, 1, 1},  // MB_OK
      {1, 2, 2},  // MB_OKCANCEL
      {3, 4, 5},  // MB_ABORTRETRYIGNORE
      {6, 7, 2},  // MB_YESNOCANCEL
      {6, 7, 7},  // MB_YESNO
      {4, 2, 2},  // MB_RETRYCANCEL
  };
  const uint32_t set = style & 0xF;
  const uint32_t which = (style >> 8) & 0xF;
  if (set >= sizeof kButtons / sizeof kButtons[0]) return 1;
  return kButtons[set][which < 3 ? which : 0];
}

}  // namespace

namespace posix {

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
  Answerer() = std::move(answerer);
}

const std::vector<MessageBoxRecord>& RecordedMessageBoxes() {
  return Records();
}

void ClearRecordedMessageBoxes() {
  Records().clear();
}

}  // namespace posix

uint32_t GetSystemDirectoryPath(char* buffer, uint32_t size) {
  const char* dir = posix::SystemDirectoryPath();
  char host[posix::kHostPathSize];
  // The directory exists on Windows; here it is made on first use.
  if (!posix::ToHostPath(dir, host, sizeof host) || !posix::MakeHostDirectories(host)) return 0;
  return CopyOut(dir, buffer, size);
}

uint32_t GetModulePath(char* buffer, uint32_t size) {
  const char* overridden = posix::ModuleFileNameOverride();
  char windows[kPathBuffer];
  if (*overridden) {
    std::strncpy(windows, overridden, sizeof windows - 1);
    windows[sizeof windows - 1] = '\0';
  } else {
    Dl_info info;
    char resolved[PATH_MAX];
    if (!dladdr(reinterpret_cast<void*>(&GetModulePath), &info) || !info.dli_fname ||
        !realpath(info.dli_fname, resolved) || !posix::ToWindowsPath(resolved, windows, sizeof windows)) {
      return 0;
    }
  }
  // GetModuleFileNameA truncates and returns the buffer size when short.
  const uint32_t length = static_cast<uint32_t>(std::strlen(windows));
  if (!buffer || size == 0) return 0;
  const uint32_t copied = length < size ? length : size - 1;
  std::memcpy(buffer, windows, copied);
  buffer[copied] = '\0';
  return length < size ? length : size;
}

uint32_t GetWorkingDirectory(char* buffer, uint32_t size) {
  char cwd[posix::kHostPathSize];
  char windows[kPathBuffer];
  if (!getcwd(cwd, sizeof cwd) || !posix::ToWindowsPath(cwd, windows, sizeof windows)) return 0;
  return CopyOut(windows, buffer, size);
}

bool GetVersion(uint32_t* platformId, uint32_t* majorVersion) {
  return posix::VersionNumbers(platformId, majorVersion);
}

namespace {

// The state letter and start time (clock ticks after boot) of a process, from
// /proc/<id>/stat; false when there is no such process.
bool ReadProcessStat(uint32_t id, char* state, uint64_t* startTime) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%u/stat", static_cast<unsigned>(id));
  FILE* file = std::fopen(path, "r");
  if (!file) return false;
  char line[1024];
  const size_t length = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  line[length] = '\0';
  // The command name may hold blanks and parentheses: the fields start
  // behind its last ')'.
  const char* p = std::strrchr(line, ')');
  if (!p) return false;
  unsigned long long start = 0;
  if (std::sscanf(p + 1, " %c %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu",
                  state, &start) != 2) {
    return false;
  }
  *startTime = start;
  return true;
}

}  // namespace

bool GetProcessStamp(ProcessStamp* stamp) {
  char state = 0;
  const uint32_t id = static_cast<uint32_t>(getpid());
  if (!ReadProcessStat(id, &state, &stamp->startTime)) return false;
  stamp->id = id;
  return true;
}

bool IsProcessRunning(const ProcessStamp& stamp) {
  char state = 0;
  uint64_t startTime = 0;
  if (!ReadProcessStat(stamp.id, &state, &startTime)) return false;
  // A zombie has ended; only its parent has not collected it yet.
  return state != 'Z' && state != 'X' && startTime == stamp.startTime;
}

namespace posix {

uint64_t ToFileTime(const timespec& time) {
  constexpr uint64_t kSecondsFrom1601To1970 = 11644473600u;
  return (static_cast<uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * kTimeUnitsPerSecond +
         static_cast<uint64_t>(time.tv_nsec) / 100;
}

}  // namespace posix

uint64_t CurrentTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return posix::ToFileTime(now) + static_cast<uint64_t>(fault::ClockShift());
}

void SetModuleInstance(void* instance) {
  g_moduleInstance = instance;
}

void* GetModuleInstance() {
  return g_moduleInstance;
}

ModuleHandle LoadModule(const char* path) {
  char host[posix::kHostPathSize];
  if (!path || !posix::ToHostPath(path, host, sizeof host)) return nullptr;
  return static_cast<ModuleHandle>(dlopen(host, RTLD_NOW | RTLD_LOCAL));
}

void* GetEntryPoint(ModuleHandle module, const char* name) {
  return module && name ? dlsym(module, name) : nullptr;
}

void UnloadModule(ModuleHandle module) {
  if (module) dlclose(module);
}

int32_t ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
  posix::MessageBoxRecord record{owner, text ? text : "", caption ? caption : "Error", style};
  Records().push_back(record);
  return Answerer() ? Answerer()(record) : DefaultButton(style);
}

int32_t LoadStringResource(uint32_t id, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 0;
  const char* text = nullptr;
  for (size_t i = 0; i < posix::kModuleStringCount && !text; ++i) {
    if (posix::kModuleStrings[i].id == id) text = posix::kModuleStrings[i].text;
  }
  if (!text) {
    buffer[0] = '\0';
    return 0;
  }
  const size_t length = std::strlen(text);
  const size_t copied = length < static_cast<size_t>(size) ? length : static_cast<size_t>(size) - 1;
  std::memcpy(buffer, text, copied);
  buffer[copied] = '\0';
  return static_cast<int32_t>(copied);
}

void* AllocZeroed(uint32_t size) {
  if (fault::ShouldFail(fault::kAlloc)) return nullptr;
  void* block = std::calloc(1, size ? size : 1);
  if (block) {
    fault::CountBlockTaken();
    io::CountMemory(size);
  }
  return block;
}

void FreeBlock(void* block) {
  if (block) fault::CountBlockFreed();
  std::free(block);
}

// A movable block is a heap record: its size and lock count, then its bytes.
// The handle is the record's address; locking gives the bytes.
struct MemoryTag {
  uint32_t size;
  uint32_t lockCount;
  alignas(8) unsigned char bytes[1];
};

namespace {
constexpr size_t kMemoryHeader = offsetof(MemoryTag, bytes);
}  // namespace

MemoryHandle AllocMovable(uint32_t size) {
  if (fault::ShouldFail(fault::kAlloc)) return nullptr;
  auto* memory = static_cast<MemoryTag*>(std::calloc(1, kMemoryHeader + (size ? size : 1)));
  if (memory) {
    memory->size = size;
    fault::CountBlockTaken();
    io::CountMemory(size);
  }
  return memory;
}

void* LockMemory(MemoryHandle memory) {
  if (!memory) return nullptr;
  ++memory->lockCount;
  return memory->bytes;
}

void UnlockMemory(MemoryHandle memory) {
  if (memory && memory->lockCount > 0) --memory->lockCount;
}

MemoryHandle ReAllocMovable(MemoryHandle memory, uint32_t size) {
  if (!memory || memory->lockCount > 0 || fault::ShouldFail(fault::kAlloc)) return nullptr;
  io::CountMemory(size);
  const uint32_t old = memory->size;
  auto* moved = static_cast<MemoryTag*>(std::realloc(memory, kMemoryHeader + (size ? size : 1)));
  if (!moved) return nullptr;
  if (size > old) std::memset(moved->bytes + old, 0, size - old);
  moved->size = size;
  return moved;
}

uint32_t MemorySize(MemoryHandle memory) {
  return memory ? memory->size : 0;
}

void FreeMemory(MemoryHandle memory) {
  if (memory) fault::CountBlockFreed();
  std::free(memory);
}

}  // namespace plat
