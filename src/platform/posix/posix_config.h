// Settings of the Linux backend. Each is read from the environment at first
// use and may be changed by tests and tools at any time:
//   ZV_DATA_DIR       per-user data directory (default $XDG_DATA_HOME/zvlmn30e,
//                     else $HOME/.local/share/zvlmn30e)
//   ZV_DRIVE_<L>      host directory of drive L: (default C: = <data>/drive_c,
//                     Z: = the host root, as Wine does)
//   ZV_SYSTEM_DIR     Windows path of the system directory (default
//                     C:\WINDOWS\SYSTEM32, created on first use)
//   ZV_REGISTRY_DIR   host directory of HKEY_CURRENT_USER (default <data>/registry)
//   ZV_WINDOWS_VERSION  "<platform id>.<major>" as GetVersionExA reports it
//                     (default 2.10), or "fail" for a failing call
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/emulation/message_boxes.h"

namespace plat::posix {

// Points C:, the registry and the system directory at defaults under hostDir.
void SetDataDirectory(const char* hostDir);
// Maps a drive letter onto a host directory; null removes the drive.
void MapDrive(char letter, const char* hostDir);
void SetSystemDirectory(const char* windowsPath);
void SetRegistryDirectory(const char* hostDir);
void SetVersion(bool available, uint32_t platformId, uint32_t majorVersion);
// Overrides the module file name; null goes back to the real one.
void SetModuleFileName(const char* windowsPath);

// Windows path to host path: drive letters through the drive map, backslashes
// to slashes, "." and ".." folded, and each existing component found without
// regard to case. Relative paths start at the process's current directory.
// False when the path cannot be mapped (unknown drive, UNC path, too long).
bool ToHostPath(const char* windowsPath, char* hostPath, size_t size);
// Host path to Windows path through the drive whose directory holds it
// (the longest match).
bool ToWindowsPath(const char* hostPath, char* windowsPath, size_t size);

// Message boxes are not shown on Linux: each is recorded and answered by the
// answerer, or, when none is set, with the button that Enter presses
// (emulation/message_boxes.h).
using emulation::ClearRecordedMessageBoxes;
using emulation::MessageBoxAnswerer;
using emulation::MessageBoxRecord;
using emulation::RecordedMessageBoxes;
using emulation::SetMessageBoxAnswerer;

}  // namespace plat::posix
