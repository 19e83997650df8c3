// Settings and contents of the memory backend, for tests and fuzz targets.
// The memory backend keeps every file, directory and registry key of the
// platform layer in this process's memory: no call reaches the host's files.
//
// A fresh process, and every Reset, finds:
//   - drive C: alone, empty, with a capacity of kDefaultDiskCapacity bytes;
//     the working directory C:\;
//   - the system directory C:\WINDOWS\SYSTEM32 (made on first use, as the
//     posix backend makes it) and the module file name
//     C:\WINDOWS\SYSTEM32\ZVLMN30E.DLL, whose file exists only when put;
//   - an empty registry, version 2.10 (GetVersionExA's platform id and major
//     version), no module mapped, no message box recorded and no answerer.
// Reset closes every file and key handle and costs what exists: fuzz targets
// call it once per execution. It leaves the fault switches and counters
// (fault_injection.h, io_counters.h) and the module instance alone.
//
// Paths are Windows paths as the layer takes them: drive letters, relative
// paths from the working directory, "." and "..", names without regard to
// case (ASCII), each file and directory keeping the spelling it was made
// with. Every drive is a volume of its own with a capacity: the bytes of its
// files count against it, and whatever would grow them beyond it fails as on
// a full disk (a write writes what fits, a set end changes nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/emulation/message_boxes.h"

namespace plat::memory {

constexpr uint64_t kDefaultDiskCapacity = uint64_t{256} << 20;

// Back to the state a fresh process finds, above.
void Reset();

// The whole file at a Windows path, made with its missing directories, or its
// bytes replaced (attributes and open handles stay); bypasses the capacity,
// the attributes and the share modes. False when the path cannot be mapped or
// names a directory, or a name on the way is a file.
bool PutFile(const std::string& windowsPath, const std::string& bytes);
// The whole file; false when there is none.
bool GetFile(const std::string& windowsPath, std::string* bytes);
// Every directory (ending in a backslash) and file below the drive roots, as
// full paths in their own spelling, in order of their names without case.
std::vector<std::string> ListFiles();
// Removes a file, or a directory with everything in it, whatever the
// attributes; false when there is none, it is a drive root, or something in
// it is open.
bool EraseTree(const std::string& windowsPath);

// Adds a drive (empty, with the default capacity) or removes one with all it
// holds; false when a file on it is open.
bool SetDrive(char letter, bool present);
// The capacity of a drive in bytes; false when there is no such drive. A
// capacity below what its files hold leaves no free space, and nothing grows.
bool SetDiskCapacity(char letter, uint64_t bytes);
// The directory relative paths start from; false when it is no existing
// directory.
bool SetWorkingDirectory(const std::string& windowsPath);

void SetSystemDirectory(const std::string& windowsPath);
// Null goes back to the default name.
void SetModuleFileName(const char* windowsPath);
void SetVersion(bool available, uint32_t platformId, uint32_t majorVersion);

// Dynamic loading: LoadModule(windowsPath) gives the host library hostPath,
// loaded here once for the life of the process (RTLD_NOW | RTLD_LOCAL), so
// that after the first execution loading costs no system call; UnloadModule
// leaves it loaded. hostPath null removes the mapping. False when the
// library cannot be loaded or the Windows path cannot be mapped. No other
// path loads anything.
bool MapModule(const std::string& windowsPath, const char* hostPath);

// Message boxes are recorded and answered by the answerer, or, when none is
// set, with the button that Enter presses (emulation/message_boxes.h).
using emulation::ClearRecordedMessageBoxes;
using emulation::MessageBoxAnswerer;
using emulation::MessageBoxRecord;
using emulation::RecordedMessageBoxes;
using emulation::SetMessageBoxAnswerer;

}  // namespace plat::memory
