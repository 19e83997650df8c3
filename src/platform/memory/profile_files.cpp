// INI profile files in memory, with the observable behaviour of the posix
// backend: every call reads the file afresh, a write edits its text and puts
// it back in place (emulation/profile_text.h does the reading and editing).
// Where the posix backend waits up to two seconds for a handle that holds the
// file against it, this one fails at once, as the posix one does after the
// wait when the holder keeps the file.
#include <mutex>
#include <string>

#include "platform/emulation/profile_text.h"
#include "platform/fault_injection.h"
#include "platform/io_counters.h"
#include "platform/memory/file_tree.h"
#include "platform/platform.h"

namespace plat {
namespace {

bool ParseProfilePath(const char* file, memory::ParsedPath* parsed) {
  return file != nullptr && file[0] != '\0' && memory::ParsePath(file, parsed);
}

// The file's text; null when it cannot be read, which callers treat like a
// missing file.
const std::string* LoadProfile(const char* file) {
  memory::ParsedPath parsed;
  if (!ParseProfilePath(file, &parsed)) return nullptr;
  const memory::Node* node = memory::Find(parsed).node;
  if (!node || node->directory || node->exclusiveHolder) return nullptr;
  if (node->bytes.size() > emulation::kMaxProfileBytes) return nullptr;
  return &node->bytes;
}

}  // namespace

uint32_t ReadProfileValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* file) {
  io::CountProfileCall();
  if (buffer == nullptr || size == 0) return 0;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  return emulation::ReadProfileText(LoadProfile(file), section, key, defaultValue, buffer, size);
}

bool WriteProfileValue(const char* section, const char* key, const char* value, const char* file) {
  io::CountProfileCall();
  if (fault::ShouldFail(fault::kProfileWrite)) return false;
  if (section == nullptr) {
    // All three null only asks Windows to flush its cache; there is none.
    return key == nullptr && value == nullptr;
  }
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  memory::ParsedPath parsed;
  if (!ParseProfilePath(file, &parsed)) return false;
  const memory::Found found = memory::Find(parsed);
  memory::Node* node = found.node;
  if (node && node->readOnly) return false;
  if (!node) {
    // Deleting from a file that does not exist leaves it not existing; a
    // name on the way that is a file is no missing file.
    const bool deleting = key == nullptr || value == nullptr;
    if (found.throughFile || (!deleting && !found.parent)) return false;
    if (deleting) return true;
    node = memory::AddEntry(found.parent, parsed.names.back(), false);
  }
  if (node->directory || memory::IsHeld(*node) || node->bytes.size() > emulation::kMaxProfileBytes) {
    return false;
  }
  const std::string edited = emulation::EditProfileText(node->bytes, section, key, value);
  if (edited == node->bytes) return true;
  // Written over the old text from its start, then cut: a full disk leaves
  // what fitted.
  memory::Drive& drive = memory::DriveAt(parsed.drive);
  const uint32_t size = static_cast<uint32_t>(edited.size());
  if (memory::WriteBytes(drive, node, 0, edited.data(), size) != size) return false;
  return memory::ResizeFile(drive, node, size);
}

}  // namespace plat
