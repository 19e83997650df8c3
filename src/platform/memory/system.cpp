// The rest of the OS layer in memory: directories, the version, the module
// instance, dynamic loading, and the Reset of memory_config.h. Message boxes,
// string resources, the heap and the clock are the shared emulation
// (platform/emulation), processes the host's (posix/processes.cpp).
#include <dlfcn.h>

#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/emulation/path_results.h"
#include "platform/memory/file_tree.h"
#include "platform/memory/memory_config.h"
#include "platform/memory/memory_internal.h"
#include "platform/platform.h"

namespace plat {
namespace {

constexpr char kDefaultSystemDirectory[] = "C:\\WINDOWS\\SYSTEM32";
constexpr char kDefaultModuleFileName[] = "C:\\WINDOWS\\SYSTEM32\\ZVLMN30E.DLL";

struct Settings {
  std::string systemDirectory = kDefaultSystemDirectory;
  std::string moduleFileName = kDefaultModuleFileName;
  bool versionAvailable = true;
  uint32_t platformId = 2;
  uint32_t majorVersion = 10;
  // The host library of each mapped module, by the folded text of its path.
  std::map<std::string, void*> modules;
};

Settings& State() {
  static Settings settings;
  return settings;
}

// Host libraries stay loaded for the life of the process, by host path.
std::map<std::string, void*>& LoadedLibraries() {
  static std::map<std::string, void*> libraries;
  return libraries;
}

void* g_moduleInstance = nullptr;

// The folded text of a parsed path: one key for every spelling of it.
std::string PathKey(const memory::ParsedPath& path) {
  std::string key(1, static_cast<char>('A' + path.drive));
  for (const std::string& name : path.names) key += "\\" + memory::FoldName(name);
  return key;
}

}  // namespace

namespace memory {

void Reset() {
  std::lock_guard<std::mutex> lock(StateMutex());
  ResetFileHandles();
  ResetFileTree();
  ResetRegistry();
  State() = Settings();
  emulation::ClearRecordedMessageBoxes();
  emulation::SetMessageBoxAnswerer(nullptr);
}

void SetSystemDirectory(const std::string& windowsPath) {
  std::lock_guard<std::mutex> lock(StateMutex());
  State().systemDirectory = windowsPath;
}

void SetModuleFileName(const char* windowsPath) {
  std::lock_guard<std::mutex> lock(StateMutex());
  State().moduleFileName = windowsPath ? windowsPath : kDefaultModuleFileName;
}

void SetVersion(bool available, uint32_t platformId, uint32_t majorVersion) {
  std::lock_guard<std::mutex> lock(StateMutex());
  State().versionAvailable = available;
  State().platformId = platformId;
  State().majorVersion = majorVersion;
}

bool MapModule(const std::string& windowsPath, const char* hostPath) {
  std::lock_guard<std::mutex> lock(StateMutex());
  ParsedPath path;
  if (!ParsePath(windowsPath.c_str(), &path)) return false;
  if (!hostPath) {
    State().modules.erase(PathKey(path));
    return true;
  }
  void*& library = LoadedLibraries()[hostPath];
  if (!library) library = dlopen(hostPath, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    LoadedLibraries().erase(hostPath);
    return false;
  }
  State().modules[PathKey(path)] = library;
  return true;
}

}  // namespace memory

uint32_t GetSystemDirectoryPath(char* buffer, uint32_t size) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  const std::string& dir = State().systemDirectory;
  memory::ParsedPath path;
  // The directory exists on Windows; here it is made on first use.
  if (!memory::ParsePath(dir.c_str(), &path) || !memory::MakeDirectories(path)) return 0;
  return emulation::CopyDirectoryResult(dir.c_str(), buffer, size);
}

uint32_t GetModulePath(char* buffer, uint32_t size) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  char name[kPathBuffer];
  std::strncpy(name, State().moduleFileName.c_str(), sizeof name - 1);
  name[sizeof name - 1] = '\0';
  return emulation::CopyModuleNameResult(name, buffer, size);
}

uint32_t GetWorkingDirectory(char* buffer, uint32_t size) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  return emulation::CopyDirectoryResult(memory::WorkingDirectory().c_str(), buffer, size);
}

bool GetVersion(uint32_t* platformId, uint32_t* majorVersion) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  if (!State().versionAvailable) return false;
  *platformId = State().platformId;
  *majorVersion = State().majorVersion;
  return true;
}

void SetModuleInstance(void* instance) {
  g_moduleInstance = instance;
}

void* GetModuleInstance() {
  return g_moduleInstance;
}

ModuleHandle LoadModule(const char* path) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  memory::ParsedPath parsed;
  if (!path || !memory::ParsePath(path, &parsed)) return nullptr;
  const auto it = State().modules.find(PathKey(parsed));
  return it != State().modules.end() ? static_cast<ModuleHandle>(it->second) : nullptr;
}

void* GetEntryPoint(ModuleHandle module, const char* name) {
  return module && name ? dlsym(module, name) : nullptr;
}

void UnloadModule(ModuleHandle) {}

}  // namespace plat
