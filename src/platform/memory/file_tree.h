// The drives, directories and files of the memory backend, and how a Windows
// path finds them. Used by the sources of the backend only, each holding
// StateMutex() while it calls in here.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace plat::memory {

// One lock for all state of the backend: its calls come from one thread but
// for the tests of concurrent profile writes, as on the other backends.
std::mutex& StateMutex();

struct Node {
  std::string name;  // as it was made
  bool directory = false;
  bool readOnly = false;
  uint64_t index = 0;  // the file index that SameFile compares
  std::string bytes;   // a file's content
  // A directory's entries by their names folded to capitals.
  std::map<std::string, std::unique_ptr<Node>> children;
  // The share locks of the open handles, as the posix backend's flock locks:
  // a handle that only reads and lets others read holds a shared lock, every
  // other handle the exclusive one.
  uint32_t sharedHolders = 0;
  bool exclusiveHolder = false;
};

struct Drive {
  bool present = false;
  uint64_t capacity = 0;
  uint64_t used = 0;  // the bytes of its files
  Node root;
};

// A Windows path taken apart: its drive (0 for A:) and the names below the
// drive's root, "." and ".." folded away. Paths longer than kMaxPath, UNC
// paths and paths on a missing drive have none.
struct ParsedPath {
  int drive = -1;
  std::vector<std::string> names;
};
bool ParsePath(const char* windowsPath, ParsedPath* parsed);

// Where a parsed path leads: the node it names (null when there is none), the
// directory that holds or would hold its last name (null for a drive root or
// when the way there is missing), and whether a name on the way is a file.
struct Found {
  Node* node = nullptr;
  Node* parent = nullptr;
  bool throughFile = false;
};
Found Find(const ParsedPath& path);

Drive& DriveAt(int drive);
std::string FoldName(std::string_view name);

// A new entry of a directory, which has none of that name.
Node* AddEntry(Node* directory, const std::string& name, bool isDirectory);
// Takes an entry out of its directory, with all it holds.
std::unique_ptr<Node> DetachEntry(Node* directory, const std::string& name);
// Frees what a detached entry held on its drive.
void DiscardEntry(Drive& drive, std::unique_ptr<Node> entry);
// Makes the directories of a path that are missing; false when a name on the
// way is a file.
bool MakeDirectories(const ParsedPath& path);

bool IsHeld(const Node& node);
bool IsAnythingHeld(const Node& node);  // the node or anything below it

uint64_t FreeBytes(const Drive& drive);
// Writes at an offset of a file, zeros filling any gap; as much as the drive
// has room for. Returns the bytes written.
uint32_t WriteBytes(Drive& drive, Node* file, uint64_t offset, const void* data, uint32_t size);
// Cuts or grows a file (with zeros); growth beyond the free space fails and
// changes nothing.
bool ResizeFile(Drive& drive, Node* file, uint64_t size);
// Replaces a file's bytes, whatever the capacity.
void ReplaceBytes(Drive& drive, Node* file, const std::string& bytes);

// The working directory as GetCurrentDirectoryA gives it.
const std::string& WorkingDirectory();
// The drive of the working directory, as a letter.
char WorkingDrive();

// Empties every drive and restores the defaults of memory_config.h.
void ResetFileTree();

}  // namespace plat::memory
