// The catalogue configuration file ZVLMN3.DAT in the system directory, which
// names the two list files and remembers the user's last directory, and the
// driver's configuration file (ZVL3.INI, or ZVL3DRV.DAT beside this module),
// which sets the form identifier and overlay number ranges.
#pragma once

#include <cstdint>

namespace zv {

// The group file prefix: "_" and at most two more characters.
constexpr uint32_t kGroupFilePrefixSize = 4;

constexpr uint32_t kDefaultLowestFormId = 1;
constexpr uint32_t kDefaultHighestFormId = 4096;
constexpr char kDefaultGroupFilePrefix[] = "_F3";
constexpr uint32_t kDefaultLowestOverlayNumber = 0;
constexpr uint32_t kDefaultHighestOverlayNumber = 255;

// Makes sure ZVLMN3.DAT exists: copies the seed ZVLMN3.INI when there is one,
// else writes the defaults. 1 when the file exists afterwards; 0 with last
// error 401 (no memory) or 400 (the defaults could not be written), or 0 with
// no code when the seed could not be copied.
bool EnsureCatalogueConfiguration();

// Reads the paths of the form name list file and, when groupListPath is not
// null, of the group name list file, into 261-byte buffers. Clears the last
// error code first; fails with 401 or 400, or with 0 when a value is missing.
bool GetListFilePaths(char* formListPath, char* groupListPath);

// The reading part of GetListFilePaths, on the configuration file at
// configPath, which is only read: the user's section named by "USER" of
// "ENVIRONMENT", then its FormName and, when groupListPath is not null,
// GroupName, into 261-byte buffers. False when a value is missing (a missing
// file has none). Sets no last error code.
bool ReadListFilePaths(const char* configPath, char* formListPath, char* groupListPath);

// The directory the user last chose ("CURRENTDIR"). 1 when it was stored;
// 0 when the drive root of the current directory was given instead, or with
// 401 when there was no memory (then directory is untouched).
bool GetCurrentDirSetting(char* directory);

// Stores "CURRENTDIR". Non-zero on success; 0 on a failed write, or with 401.
int32_t SetCurrentDirSetting(const char* directory);

// Finds the driver's configuration file: ZVL3.INI in the system directory
// or, when that does not exist, ZVL3DRV.DAT in this module's directory. Its
// path goes into a 261-byte buffer; false when neither exists.
bool LocateDriverConfiguration(char* path);

// The form identifier range and the group file prefix (prefix may be null;
// else a buffer of kGroupFilePrefixSize bytes). Defaults 1, 4096, "_F3".
void GetFormIdRange(uint32_t* lowest, uint32_t* highest, char* prefix);

// The overlay number range. Defaults 0 and 255.
void GetOverlayNumberRange(uint32_t* lowest, uint32_t* highest);

}  // namespace zv
