// The OS layer on Windows: each operation is the Win32 call its declaration
// names.
#include <windows.h>

#include <cstring>

#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/platform.h"

namespace plat {
namespace {

HANDLE ToWin(FileHandle file) {
  return file ? reinterpret_cast<HANDLE>(file) : INVALID_HANDLE_VALUE;
}

HKEY ToWin(RegKey key) {
  return reinterpret_cast<HKEY>(key);
}

uint64_t ToStamp(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void* g_moduleInstance = nullptr;

}  // namespace

FileHandle OpenFile(const char* path, Access access, Share share, Disposition disposition) {
  io::CountFileCall();
  if (fault::ShouldFail(fault::kOpen)) return nullptr;
  DWORD desired = 0;
  if (access & kAccessRead) desired |= GENERIC_READ;
  if (access & kAccessWrite) desired |= GENERIC_WRITE;
  DWORD shareMode = 0;
  if (share & kShareRead) shareMode |= FILE_SHARE_READ;
  if (share & kShareWrite) shareMode |= FILE_SHARE_WRITE;
  HANDLE h = CreateFileA(path, desired, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<FileHandle>(h);
}

bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done) {
  io::CountFileCall();
  if (done) *done = 0;
  if (!file || fault::ShouldFail(fault::kRead)) return false;
  DWORD n = 0;
  const BOOL ok = ::ReadFile(ToWin(file), buffer, size, &n, nullptr);
  io::CountRead(n);
  if (done) *done = n;
  return ok != FALSE;
}

bool WriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done) {
  io::CountFileCall();
  if (done) *done = 0;
  if (!file || fault::ShouldFail(fault::kWrite)) return false;
  DWORD n = 0;
  const BOOL ok = ::WriteFile(ToWin(file), buffer, size, &n, nullptr);
  io::CountWritten(n);
  if (done) *done = n;
  return ok != FALSE;
}

uint32_t SeekFile(FileHandle file, int32_t offset, SeekOrigin origin) {
  io::CountFileCall();
  if (!file) return kInvalidSize;
  return SetFilePointer(ToWin(file), offset, nullptr, origin);
}

uint32_t GetFileSize(FileHandle file) {
  io::CountFileCall();
  if (!file) return kInvalidSize;
  return ::GetFileSize(ToWin(file), nullptr);
}

bool SetEndOfFile(FileHandle file) {
  io::CountFileCall();
  if (!file || fault::ShouldFail(fault::kSetEnd)) return false;
  const HANDLE h = ToWin(file);
  const DWORD end = SetFilePointer(h, 0, nullptr, FILE_CURRENT);
  const DWORD size = ::GetFileSize(h, nullptr);
  if (end == INVALID_SET_FILE_POINTER || size == INVALID_FILE_SIZE) return false;
  if (end > size) {
    // NTFS and FAT allocate what a set end adds, but a file system that keeps
    // files sparse (Wine on Linux, a Samba share) only records the size, and
    // a later write into the added part fails on a full disk. The added part
    // is written as zeros, so that its space is taken now or the call fails
    // with the file cut back to its size.
    static const char kZeros[4096] = {};
    bool written = SetFilePointer(h, static_cast<LONG>(size), nullptr, FILE_BEGIN) == size;
    for (DWORD at = size; written && at < end;) {
      const DWORD chunk = end - at < sizeof kZeros ? end - at : static_cast<DWORD>(sizeof kZeros);
      DWORD n = 0;
      written = ::WriteFile(h, kZeros, chunk, &n, nullptr) && n == chunk;
      at += n;
    }
    if (!written) {
      SetFilePointer(h, static_cast<LONG>(size), nullptr, FILE_BEGIN);
      ::SetEndOfFile(h);
      SetFilePointer(h, static_cast<LONG>(end), nullptr, FILE_BEGIN);
      return false;
    }
  }
  return ::SetEndOfFile(h) != FALSE;
}

bool CloseFile(FileHandle file) {
  io::CountFileCall();
  return file && CloseHandle(ToWin(file)) != FALSE;
}

bool SetAttributesNormal(const char* path) {
  io::CountFileCall();
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool SetAttributesReadOnly(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY) != FALSE;
}

bool EraseFile(const char* path) {
  io::CountFileCall();
  return DeleteFileA(path) != FALSE;
}

bool MoveFileReplace(const char* from, const char* to) {
  io::CountFileCall();
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool CopyFileTo(const char* from, const char* to, bool failIfExists) {
  io::CountFileCall();
  return CopyFileA(from, to, failIfExists ? TRUE : FALSE) != FALSE;
}

bool FindFirstEntry(const char* path) {
  io::CountFileCall();
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(path, &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

bool IsDirectory(const char* path) {
  io::CountFileCall();
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const char* path) {
  io::CountFileCall();
  return CreateDirectoryA(path, nullptr) != FALSE;
}

namespace {

// The identity of a file or directory. Opened without access rights, so that
// no share mode of another holder stands in the way.
bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const BOOL ok = GetFileInformationByHandle(h, info);
  CloseHandle(h);
  return ok != FALSE;
}

}  // namespace

bool SameFile(const char* path1, const char* path2) {
  BY_HANDLE_FILE_INFORMATION a;
  BY_HANDLE_FILE_INFORMATION b;
  if (!FileIdentity(path1, &a) || !FileIdentity(path2, &b)) return false;
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

uint32_t QueryDriveType(const char* root) {
  return GetDriveTypeA(root);
}

bool QueryDiskFreeSpace(const char* root, DiskFreeSpace* space) {
  DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
  if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &totalClusters)) return false;
  *space = DiskFreeSpace{sectors, bytes, freeClusters, totalClusters};
  return true;
}

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* file) {
  io::CountProfileCall();
  return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

bool WriteProfileValue(const char* section, const char* key, const char* value, const char* file) {
  io::CountProfileCall();
  if (fault::ShouldFail(fault::kProfileWrite)) return false;
  return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

int32_t CreateRegKey(const char* path, RegKey* key) {
  HKEY h = nullptr;
  const LONG result = RegCreateKeyA(HKEY_CURRENT_USER, path, &h);
  *key = reinterpret_cast<RegKey>(h);
  return result;
}

int32_t CreateRegKeyEx(const char* path, RegKey* key, bool* createdNew) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &h, &disposition);
  *key = reinterpret_cast<RegKey>(h);
  *createdNew = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
  return result;
}

int32_t OpenRegKey(const char* path, RegKey* key) {
  if (fault::ShouldFail(fault::kRegOpen)) {
    *key = nullptr;
    return ERROR_FILE_NOT_FOUND;
  }
  HKEY h = nullptr;
  const LONG result = RegOpenKeyA(HKEY_CURRENT_USER, path, &h);
  *key = reinterpret_cast<RegKey>(h);
  return result;
}

int32_t QueryRegValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  DWORD t = 0;
  DWORD n = size ? *size : 0;
  const LONG result =
      RegQueryValueExA(ToWin(key), name, nullptr, &t, static_cast<BYTE*>(data), size ? &n : nullptr);
  if (type) *type = t;
  if (size) *size = n;
  return result;
}

int32_t SetRegValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  return RegSetValueExA(ToWin(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

int32_t CloseRegKey(RegKey key) {
  return ::RegCloseKey(ToWin(key));
}

int32_t DeleteRegKey(const char* path) {
  return RegDeleteKeyA(HKEY_CURRENT_USER, path);
}

int32_t QueryRegKeyTime(RegKey key, uint64_t* lastWrite) {
  FILETIME written;
  const LONG result = RegQueryInfoKeyA(ToWin(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, &written);
  if (result == ERROR_SUCCESS) *lastWrite = ToStamp(written);
  return result;
}

ModuleHandle LoadModule(const char* path) {
  return reinterpret_cast<ModuleHandle>(LoadLibraryA(path));
}

void* GetEntryPoint(ModuleHandle module, const char* name) {
  return module ? reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(module), name)) : nullptr;
}

void UnloadModule(ModuleHandle module) {
  if (module) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

uint32_t GetSystemDirectoryPath(char* buffer, uint32_t size) {
  return GetSystemDirectoryA(buffer, size);
}

uint32_t GetModulePath(char* buffer, uint32_t size) {
  return GetModuleFileNameA(static_cast<HMODULE>(g_moduleInstance), buffer, size);
}

uint32_t GetWorkingDirectory(char* buffer, uint32_t size) {
  return GetCurrentDirectoryA(size, buffer);
}

bool GetVersion(uint32_t* platformId, uint32_t* majorVersion) {
  OSVERSIONINFOA info;
  std::memset(&info, 0, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;  // 148
  if (!GetVersionExA(&info)) return false;
  *platformId = info.dwPlatformId;
  *majorVersion = info.dwMajorVersion;
  return true;
}

bool GetProcessStamp(ProcessStamp* stamp) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return false;
  stamp->id = GetCurrentProcessId();
  stamp->startTime = ToStamp(created);
  return true;
}

bool IsProcessRunning(const ProcessStamp& stamp) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, stamp.id);
  if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
  bool running = true;
  DWORD exitCode = 0;
  FILETIME created, exited, kernel, user;
  if (GetExitCodeProcess(process, &exitCode) && exitCode != STILL_ACTIVE) {
    running = false;
  } else if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    running = ToStamp(created) == stamp.startTime;
  }
  CloseHandle(process);
  return running;
}

uint64_t CurrentTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return ToStamp(now) + static_cast<uint64_t>(fault::ClockShift());
}

void SetModuleInstance(void* instance) {
  g_moduleInstance = instance;
}

void* GetModuleInstance() {
  return g_moduleInstance;
}

int32_t ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
  return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

int32_t LoadStringResource(uint32_t id, char* buffer, int32_t size) {
  return LoadStringA(static_cast<HINSTANCE>(g_moduleInstance), id, buffer, size);
}

void* AllocZeroed(uint32_t size) {
  if (fault::ShouldFail(fault::kAlloc)) return nullptr;
  void* block = reinterpret_cast<void*>(GlobalAlloc(GPTR, size));
  if (block) {
    fault::CountBlockTaken();
    io::CountMemory(size);
  }
  return block;
}

void FreeBlock(void* block) {
  if (block && !GlobalFree(reinterpret_cast<HGLOBAL>(block))) fault::CountBlockFreed();
}

MemoryHandle AllocMovable(uint32_t size) {
  if (fault::ShouldFail(fault::kAlloc)) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (memory) {
    fault::CountBlockTaken();
    io::CountMemory(size);
  }
  return reinterpret_cast<MemoryHandle>(memory);
}

void* LockMemory(MemoryHandle memory) {
  return memory ? GlobalLock(reinterpret_cast<HGLOBAL>(memory)) : nullptr;
}

void UnlockMemory(MemoryHandle memory) {
  if (memory) GlobalUnlock(reinterpret_cast<HGLOBAL>(memory));
}

MemoryHandle ReAllocMovable(MemoryHandle memory, uint32_t size) {
  if (!memory || fault::ShouldFail(fault::kAlloc)) return nullptr;
  io::CountMemory(size);
  return reinterpret_cast<MemoryHandle>(
      GlobalReAlloc(reinterpret_cast<HGLOBAL>(memory), size, GMEM_MOVEABLE | GMEM_ZEROINIT));
}

uint32_t MemorySize(MemoryHandle memory) {
  return memory ? static_cast<uint32_t>(GlobalSize(reinterpret_cast<HGLOBAL>(memory))) : 0;
}

void FreeMemory(MemoryHandle memory) {
  // GlobalFree gives null when it freed the block.
  if (memory && !GlobalFree(reinterpret_cast<HGLOBAL>(memory))) fault::CountBlockFreed();
}

}  // namespace plat
