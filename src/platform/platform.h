// The operating-system layer. Everything outside src/dialogs reaches the OS only
// through these functions. platform/win32 maps them 1:1 onto the Win32 API;
// platform/posix emulates them on Linux with the same observable behaviour, on
// the host's files; platform/memory emulates them the same way with every file,
// directory and registry key in the process's memory (for fuzz targets and
// tests). What the two emulations share is in platform/emulation.
//
// Conventions follow the Win32 calls they stand for: paths are single-byte ANSI
// strings of at most 260 characters, results are true/false or a count, and no
// function throws. No name here is one that <windows.h> defines as a macro for
// its A/W variants, so this header and that one may be included together in
// any order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

constexpr uint32_t kMaxPath = 260;     // longest path, without the terminator
constexpr uint32_t kPathBuffer = 261;  // buffer size for one path

// ---------------------------------------------------------------------------
// Files

// An open file. Null is "no file" (Win32's INVALID_HANDLE_VALUE).
struct FileTag;
using FileHandle = FileTag*;

enum Access : uint32_t {
  kAccessRead = 1,
  kAccessWrite = 2,
  kAccessReadWrite = 3,
};

// What other openers of the same file may do while this handle is open.
enum Share : uint32_t {
  kShareNone = 0,
  kShareRead = 1,
  kShareWrite = 2,
  kShareReadWrite = 3,
};

// Values as CreateFileA's dwCreationDisposition.
enum Disposition : uint32_t {
  kCreateNew = 1,
  kCreateAlways = 2,
  kOpenExisting = 3,
  kOpenAlways = 4,
  kTruncateExisting = 5,
};

// Values as SetFilePointer's dwMoveMethod.
enum SeekOrigin : uint32_t {
  kSeekBegin = 0,
  kSeekCurrent = 1,
  kSeekEnd = 2,
};

constexpr uint32_t kInvalidSize = 0xFFFFFFFFu;  // failure of SeekFile / GetFileSize

// Opens or creates a file. Two handles on one file coexist only when each
// one's share mode admits the other's access; otherwise the second open fails,
// also across processes.
FileHandle OpenFile(const char* path, Access access, Share share, Disposition disposition);
bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done);
bool WriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done);
// Returns the new position, or kInvalidSize.
uint32_t SeekFile(FileHandle file, int32_t offset, SeekOrigin origin);
// Returns the size, or kInvalidSize.
uint32_t GetFileSize(FileHandle file);
// Cuts or extends the file at the current position. A file that grows gets
// its disk space (zeros), or the call fails and the file keeps its size.
bool SetEndOfFile(FileHandle file);
bool CloseFile(FileHandle file);

// SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL).
bool SetAttributesNormal(const char* path);
// SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY); for tests and tools.
bool SetAttributesReadOnly(const char* path);
// DeleteFileA: fails while the file is open anywhere or is read-only.
bool EraseFile(const char* path);
// MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED.
bool MoveFileReplace(const char* from, const char* to);
// CopyFileA.
bool CopyFileTo(const char* from, const char* to, bool failIfExists);
// FindFirstFileA on the path, search handle closed at once: true when it
// names an existing file or directory.
bool FindFirstEntry(const char* path);
// GetFileAttributesA on the path: true when it names an existing directory.
bool IsDirectory(const char* path);
// CreateDirectoryA, without security attributes.
bool MakeDirectory(const char* path);
// True when both paths name one existing file or directory, however each is
// spelled: the same volume serial number and file index, as
// GetFileInformationByHandle reports them. False when either cannot be found
// or examined.
bool SameFile(const char* path1, const char* path2);

// GetDriveTypeA values.
enum DriveType : uint32_t {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdrom = 5,
  kDriveRamdisk = 6,
};
// GetDriveTypeA.
uint32_t QueryDriveType(const char* root);

struct DiskFreeSpace {
  uint32_t sectorsPerCluster;
  uint32_t bytesPerSector;
  uint32_t freeClusters;
  uint32_t totalClusters;
};
// GetDiskFreeSpaceA.
bool QueryDiskFreeSpace(const char* root, DiskFreeSpace* space);

// ---------------------------------------------------------------------------
// INI profile files, with the semantics of GetPrivateProfileStringA and
// WritePrivateProfileStringA: section and key names compare without regard to
// case; values lose surrounding blanks and one pair of surrounding quotes.

// key null: the section's key names, each zero-terminated, ended by an empty
// name. section null: the section names the same way. Returns the number of
// characters copied, without the final terminator.
uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* file);
// value null deletes the key; key null deletes the section. Creates the file
// and the section when needed.
bool WriteProfileValue(const char* section, const char* key, const char* value, const char* file);

// ---------------------------------------------------------------------------
// The current user's registry (HKEY_CURRENT_USER). Key paths are relative to
// it, backslash-separated. Results are Win32 error codes (0 = success).

struct RegKeyTag;
using RegKey = RegKeyTag*;

constexpr int32_t kRegSuccess = 0;
constexpr int32_t kRegFileNotFound = 2;
constexpr int32_t kRegMoreData = 234;

enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegBinary = 3,
  kRegDword = 4,
};

// RegCreateKeyA.
int32_t CreateRegKey(const char* path, RegKey* key);
// RegCreateKeyExA (no class, non-volatile, all access): *createdNew is true
// when this call made the key (REG_CREATED_NEW_KEY), false when it opened one
// that already existed. Of callers racing to create one key, also across
// processes, exactly one is told it created it.
int32_t CreateRegKeyEx(const char* path, RegKey* key, bool* createdNew);
// RegOpenKeyA.
int32_t OpenRegKey(const char* path, RegKey* key);
// RegQueryValueExA: data may be null to ask for the size only; *size is the
// buffer size in and the value's size out.
int32_t QueryRegValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size);
// RegSetValueExA.
int32_t SetRegValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size);
// RegCloseKey.
int32_t CloseRegKey(RegKey key);
// RegDeleteKeyA: deletes a key that has no subkeys.
int32_t DeleteRegKey(const char* path);
// The key's last write time (RegQueryInfoKeyA): when it was created or a
// value or subkey of it last changed, in the units of CurrentTime.
int32_t QueryRegKeyTime(RegKey key, uint64_t* lastWrite);

// ---------------------------------------------------------------------------
// Dynamic loading.

struct ModuleTag;
using ModuleHandle = ModuleTag*;

// LoadLibraryA, GetProcAddress and FreeLibrary.
ModuleHandle LoadModule(const char* path);
void* GetEntryPoint(ModuleHandle module, const char* name);
void UnloadModule(ModuleHandle module);

// ---------------------------------------------------------------------------
// Directories and the system. Each returns the length written, without the
// terminator, or 0 on failure (GetSystemDirectoryA and its kin).

// GetSystemDirectoryA.
uint32_t GetSystemDirectoryPath(char* buffer, uint32_t size);
// GetModuleFileNameA: the full file name of this module (the DLL, or the
// program it is linked into).
uint32_t GetModulePath(char* buffer, uint32_t size);
// GetCurrentDirectoryA.
uint32_t GetWorkingDirectory(char* buffer, uint32_t size);

// GetVersionExA's platform id and major version; false when the call fails.
bool GetVersion(uint32_t* platformId, uint32_t* majorVersion);

// A running process, told apart from any later process that gets the same id:
// its id and its start time (in the system's own units, only compared).
struct ProcessStamp {
  uint32_t id;
  uint64_t startTime;
};
// This process's stamp; false when its start time cannot be read.
bool GetProcessStamp(ProcessStamp* stamp);
// False when no process with the stamp's id runs, or the one that does
// started at another time (the id was reused). True when it runs, and also
// when the process exists but cannot be examined (it is not known to be gone).
bool IsProcessRunning(const ProcessStamp& stamp);

// The current time as a FILETIME counts it (GetSystemTimeAsFileTime): 100 ns
// steps since 1601-01-01 UTC.
constexpr uint64_t kTimeUnitsPerSecond = 10000000;
uint64_t CurrentTime();

// The module instance handle given at attach; on Windows an HINSTANCE.
void SetModuleInstance(void* instance);
void* GetModuleInstance();

// ---------------------------------------------------------------------------
// User interface reached from the core.

// MessageBoxA: owner is an HWND, style the MB_ flags; returns the button id.
int32_t ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style);
// LoadStringA on this module's string resources.
int32_t LoadStringResource(uint32_t id, char* buffer, int32_t size);

// ---------------------------------------------------------------------------
// Working memory: zero-filled blocks from the global heap.

void* AllocZeroed(uint32_t size);
void FreeBlock(void* block);

// Movable blocks (GlobalAlloc with GMEM_MOVEABLE | GMEM_ZEROINIT): blocks that
// cross between the module and its callers, used through a lock.
struct MemoryTag;
using MemoryHandle = MemoryTag*;

MemoryHandle AllocMovable(uint32_t size);
// The block's address while locked; null when the handle is not a block.
void* LockMemory(MemoryHandle memory);
void UnlockMemory(MemoryHandle memory);
// Changes the size of an unlocked block, zero-filling any growth; null on
// failure (the old block stays valid).
MemoryHandle ReAllocMovable(MemoryHandle memory, uint32_t size);
uint32_t MemorySize(MemoryHandle memory);
void FreeMemory(MemoryHandle memory);

}  // namespace plat
