// The tree of drives, directories and files, and the settings of
// memory_config.h that belong to it.
#include "platform/memory/file_tree.h"

#include <cstring>
#include <utility>

#include "platform/memory/memory_config.h"
#include "platform/platform.h"

namespace plat::memory {
namespace {

struct Tree {
  Drive drives[26];
  uint64_t nextIndex = 1;
  ParsedPath working;       // the working directory taken apart
  std::string workingText;  // and as GetCurrentDirectoryA gives it
};

void EmptyDrive(Drive& drive, bool present) {
  drive.present = present;
  drive.capacity = kDefaultDiskCapacity;
  drive.used = 0;
  drive.root.children.clear();
  drive.root.directory = true;
}

void ResetTree(Tree* tree) {
  for (Drive& drive : tree->drives) EmptyDrive(drive, false);
  EmptyDrive(tree->drives['C' - 'A'], true);
  tree->nextIndex = 1;
  tree->working.drive = 'C' - 'A';
  tree->working.names.clear();
  tree->workingText = "C:\\";
}

Tree& State() {
  static Tree tree;
  static const bool ready = (ResetTree(&tree), true);
  (void)ready;
  return tree;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

int DriveIndex(char letter) {
  const char c = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
  return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

// The entry of a directory by name, without regard to case; null when none.
Node* Entry(const Node& directory, std::string_view name) {
  const auto it = directory.children.find(FoldName(name));
  return it != directory.children.end() ? it->second.get() : nullptr;
}

// The text of a parsed path, in the spelling of the entries that exist.
std::string PathText(const ParsedPath& path) {
  std::string text(1, static_cast<char>('A' + path.drive));
  text += ":\\";
  const Node* node = &State().drives[path.drive].root;
  for (size_t i = 0; i < path.names.size(); ++i) {
    if (i > 0) text += '\\';
    node = node ? Entry(*node, path.names[i]) : nullptr;
    text += node ? node->name : path.names[i];
  }
  return text;
}

bool HeldBelow(const Node& node) {
  if (IsHeld(node)) return true;
  for (const auto& child : node.children) {
    if (HeldBelow(*child.second)) return true;
  }
  return false;
}

uint64_t BytesBelow(const Node& node) {
  uint64_t total = node.bytes.size();
  for (const auto& child : node.children) total += BytesBelow(*child.second);
  return total;
}

void ListBelow(const Node& node, const std::string& prefix, std::vector<std::string>* list) {
  for (const auto& child : node.children) {
    const Node& entry = *child.second;
    if (entry.directory) {
      list->push_back(prefix + entry.name + "\\");
      ListBelow(entry, prefix + entry.name + "\\", list);
    } else {
      list->push_back(prefix + entry.name);
    }
  }
}

}  // namespace

std::mutex& StateMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string FoldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

bool ParsePath(const char* windowsPath, ParsedPath* parsed) {
  if (!windowsPath || std::strlen(windowsPath) > kMaxPath) return false;
  Tree& tree = State();
  const char* rest = windowsPath;
  if (IsSeparator(windowsPath[0]) && IsSeparator(windowsPath[1])) return false;  // UNC: no shares here
  parsed->names.clear();
  if (windowsPath[0] != '\0' && windowsPath[1] == ':') {
    const int drive = DriveIndex(windowsPath[0]);
    if (drive < 0 || !tree.drives[drive].present) return false;
    parsed->drive = drive;
    rest = windowsPath + 2;  // "C:x" is taken from the drive's root
  } else {
    if (!tree.drives[tree.working.drive].present) return false;
    parsed->drive = tree.working.drive;
    // Rooted without a drive: the root of the working directory's drive.
    if (!IsSeparator(windowsPath[0])) parsed->names = tree.working.names;
  }
  for (const char* p = rest; *p;) {
    while (IsSeparator(*p)) ++p;
    const char* end = p;
    while (*end && !IsSeparator(*end)) ++end;
    if (end == p) break;
    const std::string_view name(p, static_cast<size_t>(end - p));
    p = end;
    if (name == ".") continue;
    if (name == "..") {
      if (!parsed->names.empty()) parsed->names.pop_back();
      continue;
    }
    parsed->names.emplace_back(name);
  }
  return true;
}

Found Find(const ParsedPath& path) {
  Found found;
  Node* node = &DriveAt(path.drive).root;
  for (size_t i = 0; i < path.names.size(); ++i) {
    if (!node->directory) {
      found.throughFile = true;
      return found;
    }
    if (i + 1 == path.names.size()) found.parent = node;
    node = Entry(*node, path.names[i]);
    if (!node) return found;
  }
  found.node = node;
  return found;
}

Drive& DriveAt(int drive) {
  return State().drives[drive];
}

Node* AddEntry(Node* directory, const std::string& name, bool isDirectory) {
  auto entry = std::make_unique<Node>();
  entry->name = name;
  entry->directory = isDirectory;
  entry->index = State().nextIndex++;
  Node* added = entry.get();
  directory->children.emplace(FoldName(name), std::move(entry));
  return added;
}

std::unique_ptr<Node> DetachEntry(Node* directory, const std::string& name) {
  const auto it = directory->children.find(FoldName(name));
  if (it == directory->children.end()) return nullptr;
  std::unique_ptr<Node> entry = std::move(it->second);
  directory->children.erase(it);
  return entry;
}

void DiscardEntry(Drive& drive, std::unique_ptr<Node> entry) {
  if (entry) drive.used -= BytesBelow(*entry);
}

bool MakeDirectories(const ParsedPath& path) {
  Node* node = &DriveAt(path.drive).root;
  for (const std::string& name : path.names) {
    Node* entry = Entry(*node, name);
    node = entry ? entry : AddEntry(node, name, true);
    if (!node->directory) return false;
  }
  return true;
}

bool IsHeld(const Node& node) {
  return node.sharedHolders > 0 || node.exclusiveHolder;
}

bool IsAnythingHeld(const Node& node) {
  return HeldBelow(node);
}

uint64_t FreeBytes(const Drive& drive) {
  return drive.used >= drive.capacity ? 0 : drive.capacity - drive.used;
}

uint32_t WriteBytes(Drive& drive, Node* file, uint64_t offset, const void* data, uint32_t size) {
  const uint64_t limit = file->bytes.size() + FreeBytes(drive);  // the largest the file may grow to
  if (size == 0 || offset >= limit) return 0;
  const uint64_t end = offset + size <= limit ? offset + size : limit;
  const uint32_t written = static_cast<uint32_t>(end - offset);
  if (end > file->bytes.size()) {
    drive.used += end - file->bytes.size();
    file->bytes.resize(end, '\0');
  }
  std::memcpy(&file->bytes[offset], data, written);
  return written;
}

bool ResizeFile(Drive& drive, Node* file, uint64_t size) {
  const uint64_t old = file->bytes.size();
  if (size > old && size - old > FreeBytes(drive)) return false;
  file->bytes.resize(size, '\0');
  drive.used = drive.used - old + size;
  return true;
}

void ReplaceBytes(Drive& drive, Node* file, const std::string& bytes) {
  drive.used = drive.used - file->bytes.size() + bytes.size();
  file->bytes = bytes;
}

const std::string& WorkingDirectory() {
  return State().workingText;
}

char WorkingDrive() {
  return static_cast<char>('A' + State().working.drive);
}

void ResetFileTree() {
  ResetTree(&State());
}

// ---------------------------------------------------------------------------
// memory_config.h

bool PutFile(const std::string& windowsPath, const std::string& bytes) {
  std::lock_guard<std::mutex> lock(StateMutex());
  ParsedPath path;
  if (!ParsePath(windowsPath.c_str(), &path) || path.names.empty()) return false;
  ParsedPath directory = path;
  directory.names.pop_back();
  if (!MakeDirectories(directory)) return false;
  Found found = Find(path);
  if (found.node && found.node->directory) return false;
  Node* file = found.node ? found.node : AddEntry(found.parent, path.names.back(), false);
  ReplaceBytes(DriveAt(path.drive), file, bytes);
  return true;
}

bool GetFile(const std::string& windowsPath, std::string* bytes) {
  std::lock_guard<std::mutex> lock(StateMutex());
  ParsedPath path;
  if (!ParsePath(windowsPath.c_str(), &path)) return false;
  const Found found = Find(path);
  if (!found.node || found.node->directory) return false;
  *bytes = found.node->bytes;
  return true;
}

std::vector<std::string> ListFiles() {
  std::lock_guard<std::mutex> lock(StateMutex());
  std::vector<std::string> list;
  for (int drive = 0; drive < 26; ++drive) {
    const Drive& d = State().drives[drive];
    if (d.present) ListBelow(d.root, std::string(1, static_cast<char>('A' + drive)) + ":\\", &list);
  }
  return list;
}

bool EraseTree(const std::string& windowsPath) {
  std::lock_guard<std::mutex> lock(StateMutex());
  ParsedPath path;
  if (!ParsePath(windowsPath.c_str(), &path)) return false;
  const Found found = Find(path);
  if (!found.node || !found.parent || IsAnythingHeld(*found.node)) return false;
  DiscardEntry(DriveAt(path.drive), DetachEntry(found.parent, found.node->name));
  return true;
}

bool SetDrive(char letter, bool present) {
  std::lock_guard<std::mutex> lock(StateMutex());
  const int drive = DriveIndex(letter);
  if (drive < 0) return false;
  Drive& d = State().drives[drive];
  if (d.present == present) return true;
  if (d.present && IsAnythingHeld(d.root)) return false;
  EmptyDrive(d, present);
  return true;
}

bool SetDiskCapacity(char letter, uint64_t bytes) {
  std::lock_guard<std::mutex> lock(StateMutex());
  const int drive = DriveIndex(letter);
  if (drive < 0 || !State().drives[drive].present) return false;
  State().drives[drive].capacity = bytes;
  return true;
}

bool SetWorkingDirectory(const std::string& windowsPath) {
  std::lock_guard<std::mutex> lock(StateMutex());
  ParsedPath path;
  if (!ParsePath(windowsPath.c_str(), &path)) return false;
  const Found found = Find(path);
  if (!found.node || !found.node->directory) return false;
  State().workingText = PathText(path);
  State().working = std::move(path);
  return true;
}

}  // namespace plat::memory
