// HKEY_CURRENT_USER in memory, with the results of the posix backend: key and
// value names compare without regard to case (ASCII), an empty name in a key
// path is refused, a key's last write time is the CurrentTime of its making
// and of the last change of one of its values or subkeys. A handle keeps its
// key after the key is deleted, as an open directory does on the host: it
// finds no value there and can set none.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/memory/file_tree.h"
#include "platform/memory/memory_internal.h"
#include "platform/platform.h"

namespace plat {
namespace {

constexpr int32_t kRegAccessDenied = 5;
constexpr int32_t kRegInvalidParameter = 87;
constexpr int32_t kRegReadFault = 30;

struct Value {
  uint32_t type = 0;
  std::string data;
};

struct Key {
  std::map<std::string, std::shared_ptr<Key>> subkeys;  // by folded name
  std::map<std::string, Value> values;                  // by folded name
  uint64_t lastWrite = 0;
  bool deleted = false;
};

struct Registry {
  std::shared_ptr<Key> root;
  std::vector<std::shared_ptr<Key>> handles;  // a handle is its index plus one; null: closed
  std::vector<uint32_t> freeHandles;
};

Registry& State() {
  static Registry registry;
  if (!registry.root) {
    registry.root = std::make_shared<Key>();
    registry.root->lastWrite = CurrentTime();
  }
  return registry;
}

// The names of a key path, or false for an empty one among them.
bool SplitKeyPath(const char* path, std::vector<std::string>* names) {
  for (const char* p = path; *p;) {
    const char* end = p;
    while (*end && *end != '\\') ++end;
    if (end == p) return false;
    names->push_back(memory::FoldName(std::string(p, end)));
    if (!*end) break;
    p = end + 1;
  }
  return true;
}

// The key of a path, made with its missing parents when asked; null when it
// does not exist. *made tells whether the key itself was made.
std::shared_ptr<Key> FindKey(const std::vector<std::string>& names, bool create, bool* made) {
  std::shared_ptr<Key> key = State().root;
  if (made) *made = false;
  for (const std::string& name : names) {
    auto it = key->subkeys.find(name);
    if (it == key->subkeys.end()) {
      if (!create) return nullptr;
      auto subkey = std::make_shared<Key>();
      subkey->lastWrite = CurrentTime();
      key->lastWrite = subkey->lastWrite;
      it = key->subkeys.emplace(name, std::move(subkey)).first;
      if (made) *made = &name == &names.back();
    } else if (made) {
      *made = false;
    }
    key = it->second;
  }
  return key;
}

RegKey OpenHandle(std::shared_ptr<Key> key) {
  Registry& registry = State();
  uint32_t slot;
  if (!registry.freeHandles.empty()) {
    slot = registry.freeHandles.back();
    registry.freeHandles.pop_back();
    registry.handles[slot] = std::move(key);
  } else {
    slot = static_cast<uint32_t>(registry.handles.size());
    registry.handles.push_back(std::move(key));
  }
  return reinterpret_cast<RegKey>(static_cast<uintptr_t>(slot) + 1);
}

Key* KeyOf(RegKey key) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(key);
  Registry& registry = State();
  if (value == 0 || value > registry.handles.size()) return nullptr;
  return registry.handles[value - 1].get();
}

int32_t Create(const char* path, RegKey* key, bool* createdNew) {
  std::vector<std::string> names;
  if (!SplitKeyPath(path, &names)) return kRegInvalidParameter;
  bool made = false;
  *key = OpenHandle(FindKey(names, true, &made));
  if (createdNew) *createdNew = made;
  return kRegSuccess;
}

}  // namespace

namespace memory {

void ResetRegistry() {
  Registry& registry = State();
  registry.handles.clear();
  registry.freeHandles.clear();
  registry.root = std::make_shared<Key>();
  registry.root->lastWrite = CurrentTime();
}

}  // namespace memory

int32_t CreateRegKey(const char* path, RegKey* key) {
  if (!path || !key) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  return Create(path, key, nullptr);
}

int32_t CreateRegKeyEx(const char* path, RegKey* key, bool* createdNew) {
  if (!path || !key || !createdNew) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  *createdNew = false;
  return Create(path, key, createdNew);
}

int32_t OpenRegKey(const char* path, RegKey* key) {
  if (!path || !key) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  std::vector<std::string> names;
  if (!SplitKeyPath(path, &names)) return kRegInvalidParameter;
  if (fault::ShouldFail(fault::kRegOpen)) return kRegFileNotFound;
  std::shared_ptr<Key> found = FindKey(names, false, nullptr);
  if (!found) return kRegFileNotFound;
  *key = OpenHandle(std::move(found));
  return kRegSuccess;
}

int32_t QueryRegValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  if (!key) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  const Key* k = KeyOf(key);
  if (!k) return kRegFileNotFound;
  const auto it = k->values.find(memory::FoldName(name ? name : ""));
  if (it == k->values.end()) return kRegFileNotFound;
  const Value& value = it->second;
  const uint32_t length = static_cast<uint32_t>(value.data.size());
  if (type) *type = value.type;
  int32_t result = kRegSuccess;
  if (data) {
    if (!size || *size < length) {
      result = kRegMoreData;
    } else if (length > 0) {
      value.data.copy(static_cast<char*>(data), length);
    }
  }
  if (size) *size = length;
  return result;
}

int32_t SetRegValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  if (!key || (size && !data)) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  Key* k = KeyOf(key);
  if (!k || k->deleted) return kRegAccessDenied;
  Value& value = k->values[memory::FoldName(name ? name : "")];
  value.type = type;
  value.data.assign(static_cast<const char*>(data), size);
  k->lastWrite = CurrentTime();
  return kRegSuccess;
}

int32_t CloseRegKey(RegKey key) {
  if (!key) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  if (KeyOf(key)) {
    const uint32_t slot = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key) - 1);
    State().handles[slot].reset();
    State().freeHandles.push_back(slot);
  }
  return kRegSuccess;
}

int32_t QueryRegKeyTime(RegKey key, uint64_t* lastWrite) {
  if (!key || !lastWrite) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  const Key* k = KeyOf(key);
  if (!k) return kRegReadFault;
  *lastWrite = k->lastWrite;
  return kRegSuccess;
}

int32_t DeleteRegKey(const char* path) {
  if (!path || !*path) return kRegInvalidParameter;
  std::lock_guard<std::mutex> lock(memory::StateMutex());
  std::vector<std::string> names;
  if (!SplitKeyPath(path, &names)) return kRegInvalidParameter;
  const std::string last = names.back();
  names.pop_back();
  const std::shared_ptr<Key> parent = FindKey(names, false, nullptr);
  if (!parent) return kRegFileNotFound;
  const auto it = parent->subkeys.find(last);
  if (it == parent->subkeys.end()) return kRegFileNotFound;
  Key& key = *it->second;
  if (!key.subkeys.empty()) return kRegAccessDenied;
  key.values.clear();
  key.deleted = true;
  key.lastWrite = parent->lastWrite = CurrentTime();
  parent->subkeys.erase(it);
  return kRegSuccess;
}

}  // namespace plat
