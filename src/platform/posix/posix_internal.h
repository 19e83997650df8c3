// Helpers shared by the sources of the Linux backend.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat::posix {

constexpr size_t kHostPathSize = 4096;

// Takes a whole-file lock on an open descriptor without waiting:
// exclusive or shared. False when another holder conflicts.
bool LockDescriptor(int fd, bool exclusive);

// Takes a lock, waiting up to two seconds for it; used where Windows
// serialises an operation (profile files) rather than failing it at once.
bool LockDescriptorWait(int fd, bool exclusive);

// True when the host file exists and carries the read-only attribute
// (no owner write permission), which even root must respect here.
bool IsReadOnlyHostFile(const char* hostPath);

// Current settings of the drive map (posix_config.h).
const char* RegistryDirectory();
const char* SystemDirectoryPath();
const char* ModuleFileNameOverride();  // empty when not overridden
bool VersionNumbers(uint32_t* platformId, uint32_t* majorVersion);
bool DriveIsMapped(char letter);

// Creates a host directory and its missing parents.
bool MakeHostDirectories(const char* hostPath);

}  // namespace plat::posix
