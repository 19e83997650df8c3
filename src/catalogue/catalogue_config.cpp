#include "catalogue/catalogue_config.h"

#include <climits>
#include <cstring>

#include "catalogue/file_access.h"
#include "catalogue/file_copies.h"
#include "catalogue/paths.h"
#include "catalogue/work_memory.h"
#include "module/module_state.h"
#include "platform/platform.h"

namespace zv {
namespace {

// Names in the catalogue configuration file.
constexpr char kConfigFileName[] = "ZVLMN3.DAT";
constexpr char kSeedFileName[] = "ZVLMN3.INI";
constexpr char kDefaultFormListName[] = "ZVLMN3.FLT";
constexpr char kDefaultGroupListName[] = "ZVLMN3.GLT";
constexpr char kEnvironmentSection[] = "ENVIRONMENT";
constexpr char kCurrentDirKey[] = "CURRENTDIR";
constexpr char kUserKey[] = "USER";
constexpr char kDefaultUserSection[] = "DEFAULT";
constexpr char kFormNameKey[] = "FormName";
constexpr char kGroupNameKey[] = "GroupName";

// Names in the driver configuration file.
constexpr char kDriverConfigFileName[] = "ZVL3.INI";
constexpr char kDriverConfigBesideModule[] = "ZVL3DRV.DAT";
constexpr char kFormIdKeyMark[] = "GRP";
constexpr char kOverlayNumberKeyMark[] = "CMD";

// Size of the key name list and of a value read from the driver file.
constexpr uint32_t kProfileListSize = 5120;

// Puts the system directory, in directory form, into dir.
bool GetSystemDirectoryForm(char* dir) {
  const uint32_t length = plat::GetSystemDirectoryPath(dir, plat::kPathBuffer);
  if (length == 0 || length > plat::kMaxPath) {
    dir[0] = '\0';
    return false;
  }
  return ToDirectoryForm(dir);
}

// Builds the path of a file in the system directory.
bool SystemFilePath(const char* name, char* path) {
  return GetSystemDirectoryForm(path) && AppendPath(path, name);
}

uint32_t ReadValue(const char* section, const char* key, char* value, const char* file) {
  return plat::ReadProfileValue(section, key, "", value, plat::kPathBuffer, file);
}

struct EnsureWork {
  PathBuffer systemDir;
  PathBuffer configPath;
  PathBuffer value;
  PathBuffer listPath;
};
static_assert(sizeof(EnsureWork) == 1044, "four path buffers");

struct SeedWork {
  PathBuffer seedPath;
};

struct ListPathsWork {
  PathBuffer configPath;
  PathBuffer userSection;
  PathBuffer spare;
};
static_assert(sizeof(ListPathsWork) == 783, "three path buffers");

struct ConfigPathWork {
  PathBuffer configPath;
};

struct RangeWork {
  char keyNames[kProfileListSize];
  char value[kProfileListSize];
  PathBuffer path;
};

// The drive root of the process's current directory ("D:\"), or a network
// directory whole; empty when the current directory cannot be had.
void CurrentDriveRoot(char* dir) {
  const uint32_t length = plat::GetWorkingDirectory(dir, plat::kPathBuffer);
  if (length == 0 || length > plat::kMaxPath) dir[0] = '\0';
  CutToDriveRoot(dir);
}

// Writes the default configuration; the file is created by the first write.
bool WriteDefaultConfiguration(EnsureWork& w) {
  CurrentDriveRoot(w.value);
  if (!plat::WriteProfileValue(kEnvironmentSection, kCurrentDirKey, w.value, w.configPath) ||
      !plat::WriteProfileValue(kEnvironmentSection, kUserKey, kDefaultUserSection, w.configPath)) {
    SetLastErrorCode(kMsgNoDiskSpace);
    return false;
  }
  const bool listsWritten =
      CopyPath(w.listPath, w.systemDir) && AppendPath(w.listPath, kDefaultFormListName) &&
      plat::WriteProfileValue(kDefaultUserSection, kFormNameKey, w.listPath, w.configPath) &&
      CopyPath(w.listPath, w.systemDir) && AppendPath(w.listPath, kDefaultGroupListName) &&
      plat::WriteProfileValue(kDefaultUserSection, kGroupNameKey, w.listPath, w.configPath);
  if (!listsWritten) {
    // A half-made file would be taken for a complete one by the next call.
    SetLastErrorCode(kMsgNoDiskSpace);
    DeleteFileIfWritable(w.configPath);
    return false;
  }
  return true;
}

}  // namespace

bool LocateDriverConfiguration(char* path) {
  if (SystemFilePath(kDriverConfigFileName, path) && PathExists(path)) return true;
  const uint32_t length = plat::GetModulePath(path, plat::kPathBuffer);
  if (length == 0 || length >= plat::kPathBuffer) return false;
  DirectoryOfFile(path, path);
  return AppendPath(path, kDriverConfigBesideModule) && PathExists(path);
}

namespace {

// Converts the way atol does: leading blanks, one sign, then digits up to the
// first other character; no digits give 0. Saturates instead of overflowing.
int32_t ParseDecimal(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// Walks the key names of the driver file's "ENVIRONMENT" section for the
// first one that contains mark and has a value, and reads "lowest,highest"
// from it. A value without a comma gives only the lowest. When prefix is
// given, the key that is used sets it to "_" and the text before the mark,
// cut to the prefix buffer. False when no such key has a value.
bool ReadRangeKey(const char* mark, uint32_t* lowest, uint32_t* highest, char* prefix) {
  WorkMemory<RangeWork> w;
  if (!w || !LocateDriverConfiguration(w->path)) return false;
  plat::ReadProfileValue(kEnvironmentSection, nullptr, "", w->keyNames, kProfileListSize, w->path);
  const char* const end = w->keyNames + kProfileListSize;
  for (const char* name = w->keyNames; name < end && *name;
       name += strnlen(name, static_cast<size_t>(end - name)) + 1) {
    const char* found = std::strstr(name, mark);
    if (!found ||
        plat::ReadProfileValue(kEnvironmentSection, name, "", w->value, kProfileListSize, w->path) == 0) {
      continue;
    }
    if (prefix) {
      size_t length = static_cast<size_t>(found - name);
      if (length > kGroupFilePrefixSize - 2) length = kGroupFilePrefixSize - 2;
      prefix[0] = '_';
      std::memcpy(prefix + 1, name, length);
      prefix[length + 1] = '\0';
    }
    char* comma = std::strchr(w->value, ',');
    if (comma) *comma = '\0';
    *lowest = static_cast<uint32_t>(ParseDecimal(w->value));
    if (comma) *highest = static_cast<uint32_t>(ParseDecimal(comma + 1));
    return true;
  }
  return false;
}

}  // namespace

bool EnsureCatalogueConfiguration() {
  WorkMemory<EnsureWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  if (!GetSystemDirectoryForm(w->systemDir) || !CopyPath(w->configPath, w->systemDir) ||
      !AppendPath(w->configPath, kConfigFileName)) {
    SetLastErrorCode(kMsgNoDiskSpace);
    return false;
  }
  if (PathExists(w->configPath)) return true;

  WorkMemory<SeedWork> seed;
  if (!seed) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  if (CopyPath(seed->seedPath, w->systemDir) && AppendPath(seed->seedPath, kSeedFileName) &&
      PathExists(seed->seedPath)) {
    return CopyWholeFile(seed->seedPath, w->configPath);
  }
  return WriteDefaultConfiguration(*w);
}

bool ReadListFilePaths(const char* configPath, char* formListPath, char* groupListPath) {
  char userSection[plat::kPathBuffer];
  // An empty "USER" names the section "", whose keys are never found.
  ReadValue(kEnvironmentSection, kUserKey, userSection, configPath);
  if (ReadValue(userSection, kFormNameKey, formListPath, configPath) == 0) return false;
  if (groupListPath) {
    if (ReadValue(kEnvironmentSection, kUserKey, userSection, configPath) == 0) return false;
    if (ReadValue(userSection, kGroupNameKey, groupListPath, configPath) == 0) return false;
  }
  return true;
}

bool GetListFilePaths(char* formListPath, char* groupListPath) {
  SetLastErrorCode(0);
  WorkMemory<ListPathsWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  if (!SystemFilePath(kConfigFileName, w->configPath)) {
    SetLastErrorCode(kMsgNoDiskSpace);
    return false;
  }
  if (!PathExists(w->configPath)) {
    if (!EnsureCatalogueConfiguration()) return false;
    if (ReadValue(kEnvironmentSection, kUserKey, w->userSection, w->configPath) == 0) return false;
  }
  return ReadListFilePaths(w->configPath, formListPath, groupListPath);
}

bool GetCurrentDirSetting(char* directory) {
  WorkMemory<ConfigPathWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return false;
  }
  if (SystemFilePath(kConfigFileName, w->configPath) &&
      ReadValue(kEnvironmentSection, kCurrentDirKey, directory, w->configPath) != 0) {
    return true;
  }
  CurrentDriveRoot(directory);
  return false;
}

int32_t SetCurrentDirSetting(const char* directory) {
  WorkMemory<ConfigPathWork> w;
  if (!w) {
    SetLastErrorCode(kMsgNoWorkArea);
    return 0;
  }
  if (!SystemFilePath(kConfigFileName, w->configPath)) return 0;
  return plat::WriteProfileValue(kEnvironmentSection, kCurrentDirKey, directory, w->configPath) ? 1 : 0;
}

void GetFormIdRange(uint32_t* lowest, uint32_t* highest, char* prefix) {
  *lowest = kDefaultLowestFormId;
  *highest = kDefaultHighestFormId;
  if (prefix) std::memcpy(prefix, kDefaultGroupFilePrefix, sizeof kDefaultGroupFilePrefix);
  if (!ReadRangeKey(kFormIdKeyMark, lowest, highest, prefix)) return;
  if (*lowest == 0) *lowest = 1;
  if (*highest > kDefaultHighestFormId) *highest = kDefaultHighestFormId;
  if (*highest < *lowest) *highest = *lowest;
}

void GetOverlayNumberRange(uint32_t* lowest, uint32_t* highest) {
  *lowest = kDefaultLowestOverlayNumber;
  *highest = kDefaultHighestOverlayNumber;
  if (!ReadRangeKey(kOverlayNumberKeyMark, lowest, highest, nullptr)) return;
  if (*highest > kDefaultHighestOverlayNumber) *highest = kDefaultHighestOverlayNumber;
  if (*highest < *lowest) *highest = *lowest;
}

}  // namespace zv
