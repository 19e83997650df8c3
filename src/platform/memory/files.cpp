// Files in memory, with the observable behaviour of the posix backend within
// one process. A handle holds a share lock on its file for its life, as the
// posix backend's flock locks: a handle that only reads and lets others read
// takes a shared lock, every other handle the exclusive one, so readers share
// and a writer excludes everyone. A file held by a handle is neither deleted
// nor replaced; the read-only attribute keeps a file from being opened for
// writing, deleted or replaced. Every drive is a volume of its own: files
// move between drives by copy and delete, directories do not.
#include <fnmatch.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/emulation/open_rules.h"
#include "platform/emulation/search_pattern.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/memory/file_tree.h"
#include "platform/memory/memory_internal.h"
#include "platform/platform.h"

namespace plat {
namespace {

using memory::Drive;
using memory::Found;
using memory::Node;
using memory::ParsedPath;

// An open file. The handle value is the slot's index plus one; a closed slot
// is reused by a later open.
struct OpenedFile {
  bool open = false;
  Node* file = nullptr;
  int drive = 0;
  uint64_t position = 0;
  bool readable = false;
  bool writable = false;
  bool exclusive = false;
};

struct Handles {
  std::vector<OpenedFile> slots;
  std::vector<uint32_t> freeSlots;
};

Handles& OpenFiles() {
  static Handles handles;
  return handles;
}

OpenedFile* Opened(FileHandle file) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(file);
  Handles& handles = OpenFiles();
  if (value == 0 || value > handles.slots.size()) return nullptr;
  OpenedFile* opened = &handles.slots[value - 1];
  return opened->open ? opened : nullptr;
}

bool Parse(const char* path, ParsedPath* parsed) {
  return path && memory::ParsePath(path, parsed);
}

bool TakeLock(Node* file, bool exclusive) {
  if (exclusive ? memory::IsHeld(*file) : file->exclusiveHolder) return false;
  if (exclusive) {
    file->exclusiveHolder = true;
  } else {
    ++file->sharedHolders;
  }
  return true;
}

void ReleaseLock(Node* file, bool exclusive) {
  if (exclusive) {
    file->exclusiveHolder = false;
  } else if (file->sharedHolders > 0) {
    --file->sharedHolders;
  }
}

// The copy of CopyFileA, and of a move between drives: the source must not be
// held by a writer, the target neither held nor read-only (nor there at all
// when it must not exist); the target is emptied, then gets what its drive
// has room for, and the read-only attribute of the source with the data.
bool CopyEntry(const ParsedPath& from, const ParsedPath& to, bool failIfExists) {
  const Found source = memory::Find(from);
  if (!source.node || source.node->directory || source.node->exclusiveHolder) return false;
  const Found target = memory::Find(to);
  if (target.throughFile || (target.node && target.node->directory)) return false;
  if (target.node && (failIfExists || target.node->readOnly)) return false;
  if (!target.node && !target.parent) return false;
  if (target.node && memory::IsHeld(*target.node)) return false;
  Drive& drive = memory::DriveAt(to.drive);
  Node* file = target.node ? target.node : memory::AddEntry(target.parent, to.names.back(), false);
  memory::ResizeFile(drive, file, 0);
  const std::string& bytes = source.node->bytes;
  if (memory::WriteBytes(drive, file, 0, bytes.data(), static_cast<uint32_t>(bytes.size())) != bytes.size()) {
    return false;
  }
  if (source.node->readOnly) file->readOnly = true;
  return true;
}

// Whether to lies in from, or is from.
bool IsWithin(const ParsedPath& to, const ParsedPath& from) {
  if (to.drive != from.drive || to.names.size() < from.names.size()) return false;
  for (size_t i = 0; i < from.names.size(); ++i) {
    if (memory::FoldName(to.names[i]) != memory::FoldName(from.names[i])) return false;
  }
  return true;
}

}  // namespace

namespace memory {

void ResetFileHandles() {
  OpenFiles().slots.clear();
  OpenFiles().freeSlots.clear();
}

}  // namespace memory

FileHandle OpenFile(const char* path, Access access, Share share, Disposition disposition) {
  io::CountFileCall();
  if (fault::ShouldFail(fault::kOpen)) return nullptr;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!Parse(path, &parsed)) return nullptr;
  const Found found = memory::Find(parsed);
  if (found.throughFile || (found.node && found.node->directory)) return nullptr;
  const bool exists = found.node != nullptr;
  if (!emulation::OpenAdmitted(access, disposition, exists, [&] { return found.node->readOnly; }))
    return nullptr;
  const bool writes = (access & kAccessWrite) != 0;
  const bool truncates = disposition == kCreateAlways || disposition == kTruncateExisting;
  if (!exists && !found.parent) return nullptr;

  OpenedFile opened;
  opened.open = true;
  opened.drive = parsed.drive;
  // What the posix backend's descriptor may do: one that empties the file
  // reads and writes.
  opened.writable = writes || truncates;
  opened.readable = !writes || access == kAccessReadWrite || truncates;
  opened.exclusive = !(access == kAccessRead && (share & kShareRead) != 0);
  opened.file = exists ? found.node : memory::AddEntry(found.parent, parsed.names.back(), false);
  // A file that must be emptied is emptied only once its lock is held, so a
  // conflicting holder loses nothing.
  if (!TakeLock(opened.file, opened.exclusive)) return nullptr;
  if (truncates) memory::ResizeFile(memory::DriveAt(parsed.drive), opened.file, 0);

  Handles& handles = OpenFiles();
  uint32_t slot;
  if (!handles.freeSlots.empty()) {
    slot = handles.freeSlots.back();
    handles.freeSlots.pop_back();
    handles.slots[slot] = opened;
  } else {
    slot = static_cast<uint32_t>(handles.slots.size());
    handles.slots.push_back(opened);
  }
  return reinterpret_cast<FileHandle>(static_cast<uintptr_t>(slot) + 1);
}

bool ReadFile(FileHandle file, void* buffer, uint32_t size, uint32_t* done) {
  io::CountFileCall();
  if (done) *done = 0;
  if (!file || fault::ShouldFail(fault::kRead)) return false;
  if (size == 0) return true;  // asks nothing of the handle, as read(2) of nothing is not made
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  OpenedFile* opened = Opened(file);
  if (!opened || !opened->readable) return false;
  const std::string& bytes = opened->file->bytes;
  const uint64_t left = opened->position < bytes.size() ? bytes.size() - opened->position : 0;
  const uint32_t count = left < size ? static_cast<uint32_t>(left) : size;
  if (count > 0) std::memcpy(buffer, bytes.data() + opened->position, count);
  opened->position += count;
  if (done) *done = count;
  io::CountRead(count);
  return true;
}

bool WriteFile(FileHandle file, const void* buffer, uint32_t size, uint32_t* done) {
  io::CountFileCall();
  if (done) *done = 0;
  if (!file || fault::ShouldFail(fault::kWrite)) return false;
  if (size == 0) return true;  // asks nothing of the handle, as write(2) of nothing is not made
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  OpenedFile* opened = Opened(file);
  if (!opened || !opened->writable) return false;
  // A full disk takes what fits, and the write fails there.
  const uint32_t written =
      memory::WriteBytes(memory::DriveAt(opened->drive), opened->file, opened->position, buffer, size);
  opened->position += written;
  if (done) *done = written;
  if (written < size) return false;
  io::CountWritten(written);
  return true;
}

uint32_t SeekFile(FileHandle file, int32_t offset, SeekOrigin origin) {
  io::CountFileCall();
  if (!file) return kInvalidSize;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  OpenedFile* opened = Opened(file);
  if (!opened) return kInvalidSize;
  const int64_t base = origin == kSeekBegin     ? 0
                       : origin == kSeekCurrent ? static_cast<int64_t>(opened->position)
                                                : static_cast<int64_t>(opened->file->bytes.size());
  if (base + offset < 0) return kInvalidSize;
  opened->position = static_cast<uint64_t>(base + offset);
  return opened->position >= kInvalidSize ? kInvalidSize : static_cast<uint32_t>(opened->position);
}

uint32_t GetFileSize(FileHandle file) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  const OpenedFile* opened = file ? Opened(file) : nullptr;
  if (!opened || opened->file->bytes.size() >= kInvalidSize) return kInvalidSize;
  return static_cast<uint32_t>(opened->file->bytes.size());
}

bool SetEndOfFile(FileHandle file) {
  io::CountFileCall();
  if (!file || fault::ShouldFail(fault::kSetEnd)) return false;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  OpenedFile* opened = Opened(file);
  // A file that grows gets its space (zeros), or the call fails and the file
  // keeps its size.
  return opened && opened->writable &&
         memory::ResizeFile(memory::DriveAt(opened->drive), opened->file, opened->position);
}

bool CloseFile(FileHandle file) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  OpenedFile* opened = file ? Opened(file) : nullptr;
  if (!opened) return false;
  ReleaseLock(opened->file, opened->exclusive);
  *opened = OpenedFile();
  OpenFiles().freeSlots.push_back(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(file) - 1));
  return true;
}

bool SetAttributesNormal(const char* path) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!Parse(path, &parsed)) return false;
  Node* node = memory::Find(parsed).node;
  if (!node) return false;
  node->readOnly = false;
  return true;
}

bool SetAttributesReadOnly(const char* path) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!Parse(path, &parsed)) return false;
  Node* node = memory::Find(parsed).node;
  if (!node) return false;
  node->readOnly = true;
  return true;
}

bool EraseFile(const char* path) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!Parse(path, &parsed)) return false;
  const Found found = memory::Find(parsed);
  if (!found.node || !found.parent || found.node->directory) return false;
  if (found.node->readOnly || memory::IsHeld(*found.node)) return false;
  memory::DiscardEntry(memory::DriveAt(parsed.drive), memory::DetachEntry(found.parent, found.node->name));
  return true;
}

bool MoveFileReplace(const char* from, const char* to) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath source;
  ParsedPath target;
  if (!Parse(from, &source) || !Parse(to, &target)) return false;
  const Found moved = memory::Find(source);
  if (!moved.node) return false;
  const bool isDirectory = moved.node->directory;
  if (!isDirectory && memory::IsHeld(*moved.node)) return false;
  const Found replaced = memory::Find(target);
  if (replaced.node == moved.node) return true;  // one entry, however spelled
  if (!moved.parent) return false;               // a drive root stays
  if (replaced.node) {
    if (isDirectory || replaced.node->directory) return false;
    if (replaced.node->readOnly || memory::IsHeld(*replaced.node)) return false;
  }
  if (!replaced.parent || (isDirectory && IsWithin(target, source))) return false;
  if (source.drive != target.drive) {
    // Another volume: copy, then remove the source.
    if (isDirectory || !CopyEntry(source, target, false)) return false;
    memory::DiscardEntry(memory::DriveAt(source.drive), memory::DetachEntry(moved.parent, moved.node->name));
    return true;
  }
  Drive& drive = memory::DriveAt(source.drive);
  const std::string name = replaced.node ? replaced.node->name : target.names.back();
  if (replaced.node) memory::DiscardEntry(drive, memory::DetachEntry(replaced.parent, name));
  std::unique_ptr<Node> entry = memory::DetachEntry(moved.parent, moved.node->name);
  entry->name = name;
  replaced.parent->children.emplace(memory::FoldName(name), std::move(entry));
  return true;
}

bool CopyFileTo(const char* from, const char* to, bool failIfExists) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath source;
  ParsedPath target;
  if (!Parse(from, &source) || !Parse(to, &target)) return false;
  if (IsWithin(source, target) && IsWithin(target, source)) return false;  // onto itself
  return CopyEntry(source, target, failIfExists);
}

bool FindFirstEntry(const char* path) {
  io::CountFileCall();
  emulation::SearchPath search;
  if (!emulation::SplitSearchPath(path, &search)) return false;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!search.wildcard) return Parse(path, &parsed) && memory::Find(parsed).node != nullptr;
  // A wildcard pattern: any entry of its directory that matches, "." and ".."
  // among them, as a host directory lists them.
  if (!Parse(search.directory, &parsed)) return false;
  const Node* directory = memory::Find(parsed).node;
  if (!directory || !directory->directory) return false;
  if (fnmatch(search.pattern, ".", FNM_CASEFOLD) == 0 || fnmatch(search.pattern, "..", FNM_CASEFOLD) == 0) {
    return true;
  }
  for (const auto& entry : directory->children) {
    if (fnmatch(search.pattern, entry.second->name.c_str(), FNM_CASEFOLD) == 0) return true;
  }
  return false;
}

bool IsDirectory(const char* path) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!path || !*path || !Parse(path, &parsed)) return false;
  const Node* node = memory::Find(parsed).node;
  return node && node->directory;
}

bool MakeDirectory(const char* path) {
  io::CountFileCall();
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!Parse(path, &parsed)) return false;
  const Found found = memory::Find(parsed);
  if (found.node || !found.parent) return false;
  memory::AddEntry(found.parent, parsed.names.back(), true);
  return true;
}

bool SameFile(const char* path1, const char* path2) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath first;
  ParsedPath second;
  if (!Parse(path1, &first) || !Parse(path2, &second)) return false;
  const Node* node = memory::Find(first).node;
  return node && node == memory::Find(second).node;
}

namespace {

uint32_t DriveTypeOf(const char* root) {
  char drive;
  if (!root) {
    drive = memory::WorkingDrive();
  } else {
    // Only a drive root names a drive: "C:\", "C:/" or "C:".
    const bool isRoot = ((root[0] >= 'A' && root[0] <= 'Z') || (root[0] >= 'a' && root[0] <= 'z')) &&
                        root[1] == ':' &&
                        (root[2] == '\0' || ((root[2] == '\\' || root[2] == '/') && root[3] == '\0'));
    if (!isRoot) return kDriveNoRootDir;
    drive = root[0];
  }
  const char rootPath[] = {drive, ':', '\\', '\0'};
  ParsedPath parsed;
  return memory::ParsePath(rootPath, &parsed) ? kDriveFixed : kDriveNoRootDir;
}

}  // namespace

uint32_t QueryDriveType(const char* root) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  return DriveTypeOf(root);
}

bool QueryDiskFreeSpace(const char* root, DiskFreeSpace* space) {
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  ParsedPath parsed;
  if (!root || DriveTypeOf(root) != kDriveFixed || !memory::ParsePath(root, &parsed)) return false;
  // The capacity in clusters of one 512-byte sector, rounded down.
  const Drive& drive = memory::DriveAt(parsed.drive);
  const auto clusters = [](uint64_t bytes) {
    return static_cast<uint32_t>(bytes / 512 > 0xFFFFFFFFu ? 0xFFFFFFFFu : bytes / 512);
  };
  *space = DiskFreeSpace{1, 512, clusters(memory::FreeBytes(drive)), clusters(drive.capacity)};
  return true;
}

}  // namespace plat
