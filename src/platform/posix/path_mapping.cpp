// Windows paths on a Linux host: the drive map, the system and registry
// directories, and the translation between the two path forms.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/posix/posix_config.h"
#include "platform/posix/posix_internal.h"

namespace plat::posix {
namespace {

struct Settings {
  bool loaded = false;
  std::string dataDir;
  std::string drives[26];  // host directory of each drive letter, empty: none
  std::string systemDir;   // Windows path
  std::string registryDir;
  bool versionAvailable = true;
  uint32_t platformId = 2;
  uint32_t majorVersion = 10;
  std::string moduleFileName;  // Windows path; empty: the real one
};

Settings g_settings;

int DriveIndex(char letter) {
  const int c = std::toupper(static_cast<unsigned char>(letter));
  return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

std::string DefaultDataDir() {
  if (const char* dir = std::getenv("ZV_DATA_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
    return std::string(xdg) + "/zvlmn30e";
  }
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/zvlmn30e";
}

void ApplyDataDir(Settings& s, const std::string& dataDir) {
  s.dataDir = dataDir;
  s.drives[DriveIndex('C')] = dataDir + "/drive_c";
  s.registryDir = dataDir + "/registry";
  s.systemDir = "C:\\WINDOWS\\SYSTEM32";
}

void ParseVersion(Settings& s, const char* text) {
  if (std::strcmp(text, "fail") == 0) {
    s.versionAvailable = false;
    return;
  }
  char* end = nullptr;
  const unsigned long platformId = std::strtoul(text, &end, 10);
  if (end && *end == '.') {
    s.versionAvailable = true;
    s.platformId = static_cast<uint32_t>(platformId);
    s.majorVersion = static_cast<uint32_t>(std::strtoul(end + 1, nullptr, 10));
  }
}

Settings& Loaded() {
  Settings& s = g_settings;
  if (s.loaded) return s;
  s.loaded = true;
  ApplyDataDir(s, DefaultDataDir());
  s.drives[DriveIndex('Z')] = "/";
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const std::string name = std::string("ZV_DRIVE_") + letter;
    if (const char* dir = std::getenv(name.c_str())) s.drives[DriveIndex(letter)] = dir;
  }
  if (const char* dir = std::getenv("ZV_SYSTEM_DIR"); dir && *dir) s.systemDir = dir;
  if (const char* dir = std::getenv("ZV_REGISTRY_DIR"); dir && *dir) s.registryDir = dir;
  if (const char* version = std::getenv("ZV_WINDOWS_VERSION"); version && *version) {
    ParseVersion(s, version);
  }
  return s;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// Finds the entry of dir whose name equals name without regard to case.
bool FindEntryIgnoringCase(const std::string& dir, const std::string& name, std::string* found) {
  DIR* d = opendir(dir.empty() ? "/" : dir.c_str());
  if (!d) return false;
  bool matched = false;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      *found = e->d_name;
      matched = true;
      break;
    }
  }
  closedir(d);
  return matched;
}

// The host directory that a Windows path starts from, and where the rest begins.
bool ResolveStart(const char* path, std::string* base, const char** rest) {
  Settings& s = Loaded();
  if (IsSeparator(path[0]) && IsSeparator(path[1])) return false;  // UNC: no shares here
  if (path[0] != '\0' && path[1] == ':') {
    const int drive = DriveIndex(path[0]);
    if (drive < 0 || s.drives[drive].empty()) return false;
    *base = s.drives[drive];
    *rest = path + 2;  // "C:x" is taken from the drive's root
    return true;
  }
  char cwd[kHostPathSize];
  if (!getcwd(cwd, sizeof cwd)) return false;
  if (IsSeparator(path[0])) {
    // Rooted without a drive: the root of the current directory's drive.
    char windowsCwd[kHostPathSize];
    if (!ToWindowsPath(cwd, windowsCwd, sizeof windowsCwd)) return false;
    const int drive = DriveIndex(windowsCwd[0]);
    *base = s.drives[drive];
  } else {
    *base = cwd;
  }
  *rest = path;
  return true;
}

}  // namespace

void SetDataDirectory(const char* hostDir) {
  ApplyDataDir(Loaded(), hostDir);
}

void MapDrive(char letter, const char* hostDir) {
  const int drive = DriveIndex(letter);
  if (drive >= 0) Loaded().drives[drive] = hostDir ? hostDir : "";
}

void SetSystemDirectory(const char* windowsPath) {
  Loaded().systemDir = windowsPath;
}

void SetRegistryDirectory(const char* hostDir) {
  Loaded().registryDir = hostDir;
}

void SetVersion(bool available, uint32_t platformId, uint32_t majorVersion) {
  Settings& s = Loaded();
  s.versionAvailable = available;
  s.platformId = platformId;
  s.majorVersion = majorVersion;
}

void SetModuleFileName(const char* windowsPath) {
  Loaded().moduleFileName = windowsPath ? windowsPath : "";
}

bool ToHostPath(const char* windowsPath, char* hostPath, size_t size) {
  if (!windowsPath || std::strlen(windowsPath) > plat::kMaxPath) return false;
  std::string host;
  const char* rest = nullptr;
  if (!ResolveStart(windowsPath, &host, &rest)) return false;
  const size_t rootLength = host.size();
  bool existing = true;  // every component so far exists on the host
  for (const char* p = rest; *p;) {
    while (IsSeparator(*p)) ++p;
    const char* end = p;
    while (*end && !IsSeparator(*end)) ++end;
    if (end == p) break;
    const std::string name(p, end);
    p = end;
    if (name == ".") continue;
    if (name == "..") {
      const size_t slash = host.find_last_of('/');
      if (host.size() > rootLength && slash != std::string::npos && slash >= rootLength) {
        host.erase(slash);
      }
      continue;
    }
    std::string actual = name;
    if (existing) {
      struct stat st;
      const std::string exact = host + "/" + name;
      if (lstat(exact.c_str(), &st) != 0) {
        existing = FindEntryIgnoringCase(host, name, &actual);
      }
    }
    if (host.empty() || host.back() != '/') host += '/';
    host += actual;
  }
  if (host.empty()) host = "/";
  if (host.size() + 1 > size) return false;
  std::memcpy(hostPath, host.c_str(), host.size() + 1);
  return true;
}

bool ToWindowsPath(const char* hostPath, char* windowsPath, size_t size) {
  Settings& s = Loaded();
  int best = -1;
  size_t bestLength = 0;
  for (int drive = 0; drive < 26; ++drive) {
    std::string dir = s.drives[drive];
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty()) continue;
    const size_t length = dir == "/" ? 0 : dir.size();
    const bool inside = dir == "/" ? hostPath[0] == '/'
                                   : std::strncmp(hostPath, dir.c_str(), length) == 0 &&
                                         (hostPath[length] == '/' || hostPath[length] == '\0');
    if (inside && (best < 0 || length > bestLength)) {
      best = drive;
      bestLength = length;
    }
  }
  if (best < 0) return false;
  std::string result(1, static_cast<char>('A' + best));
  result += ":\\";
  for (const char* p = hostPath + bestLength; *p; ++p) {
    if (*p == '/') {
      if (result.back() != '\\') result += '\\';
    } else {
      result += *p;
    }
  }
  if (result.size() > plat::kMaxPath || result.size() + 1 > size) return false;
  std::memcpy(windowsPath, result.c_str(), result.size() + 1);
  return true;
}

const char* RegistryDirectory() {
  return Loaded().registryDir.c_str();
}

const char* SystemDirectoryPath() {
  return Loaded().systemDir.c_str();
}

const char* ModuleFileNameOverride() {
  return Loaded().moduleFileName.c_str();
}

bool VersionNumbers(uint32_t* platformId, uint32_t* majorVersion) {
  const Settings& s = Loaded();
  if (!s.versionAvailable) return false;
  *platformId = s.platformId;
  *majorVersion = s.majorVersion;
  return true;
}

bool DriveIsMapped(char letter) {
  const int drive = DriveIndex(letter);
  return drive >= 0 && !Loaded().drives[drive].empty();
}

}  // namespace plat::posix
