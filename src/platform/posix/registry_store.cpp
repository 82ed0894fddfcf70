// The Linux registry store: an in-memory tree of keys and typed values.
//
// There is no live registry on Linux; the store stays empty unless a test
// fills it. Opened handles are small numbers kept in a table beside the
// tree; root handles are the root values themselves.

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace tovrix::platform {
namespace {

constexpr std::uint32_t kAllAccess = 0xF003F;      // KEY_ALL_ACCESS
constexpr std::uint32_t kQueryValue = 0x0001;      // KEY_QUERY_VALUE
constexpr std::uint32_t kEnumerateSubKeys = 0x0008;  // KEY_ENUMERATE_SUB_KEYS

struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::string bytes;
};

struct Key {
  std::string name;
  std::uint32_t granted = kAllAccess;
  std::vector<std::unique_ptr<Key>> subkeys;  // insertion order
  std::vector<Value> values;                  // insertion order
};

struct OpenKey {
  Key* key;
  std::uint32_t access;
};

struct Store {
  std::map<std::uint32_t, std::unique_ptr<Key>> roots;
  std::map<RegistryHandle, OpenKey> handles;
  RegistryHandle nextHandle = 1;
};

Store& TheStore() {
  static Store store;
  return store;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

Key* FindSubkey(Key& parent, std::string_view name) {
  for (auto& k : parent.subkeys) {
    if (SameName(k->name, name)) return k.get();
  }
  return nullptr;
}

Value* FindValue(Key& key, std::string_view name) {
  for (auto& v : key.values) {
    if (SameName(v.name, name)) return &v;
  }
  return nullptr;
}

// Cuts a path into its components. A single trailing backslash is allowed;
// any other empty component (a leading or doubled backslash) makes the path
// malformed. The empty path has no components.
bool SplitPath(std::string_view path, std::vector<std::string_view>& parts) {
  parts.clear();
  if (path.empty()) return true;
  if (path.back() == '\\') path.remove_suffix(1);
  std::size_t start = 0;
  while (true) {
    std::size_t end = path.find('\\', start);
    std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
    if (part.empty()) return false;
    parts.push_back(part);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

Key& RootKey(std::uint32_t root) {
  auto& slot = TheStore().roots[root];
  if (!slot) slot = std::make_unique<Key>();
  return *slot;
}

// The key a handle stands for, with the rights it was opened with.
bool Resolve(RegistryHandle handle, Key*& key, std::uint32_t& access) {
  Store& store = TheStore();
  auto it = store.handles.find(handle);
  if (it != store.handles.end()) {
    key = it->second.key;
    access = it->second.access;
    return true;
  }
  if (handle >= 0x80000000u && handle <= 0xFFFFFFFFu) {
    key = &RootKey(static_cast<std::uint32_t>(handle));
    access = kAllAccess;
    return true;
  }
  return false;
}

Key& MakeKey(std::uint32_t root, std::string_view path) {
  Key* key = &RootKey(root);
  std::vector<std::string_view> parts;
  SplitPath(path, parts);
  for (std::string_view part : parts) {
    Key* sub = FindSubkey(*key, part);
    if (sub == nullptr) {
      key->subkeys.push_back(std::make_unique<Key>());
      sub = key->subkeys.back().get();
      sub->name = std::string(part);
    }
    key = sub;
  }
  return *key;
}

RegistryStatus CopyName(const std::string& name, char* buffer, std::uint32_t capacity) {
  if (name.size() + 1 > capacity) return RegistryStatus::MoreData;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  return RegistryStatus::Ok;
}

}  // namespace

RegistryHandle RootRegistryHandle(std::uint32_t root) { return root; }

RegistryStatus OpenRegistryKey(RegistryHandle parent, std::string_view path,
                               std::uint32_t access, RegistryHandle& opened) {
  Key* key = nullptr;
  std::uint32_t parentAccess = 0;
  if (!Resolve(parent, key, parentAccess)) return RegistryStatus::Failed;
  std::vector<std::string_view> parts;
  if (!SplitPath(path, parts)) return RegistryStatus::Failed;
  for (std::string_view part : parts) {
    key = FindSubkey(*key, part);
    if (key == nullptr) return RegistryStatus::Failed;
  }
  if ((access & ~key->granted) != 0) return RegistryStatus::Failed;
  Store& store = TheStore();
  opened = store.nextHandle++;
  store.handles[opened] = OpenKey{key, access};
  return RegistryStatus::Ok;
}

void CloseRegistryKey(RegistryHandle key) { TheStore().handles.erase(key); }

bool QueryRegistryKeyInfo(RegistryHandle handle, RegistryKeyInfo& info) {
  Key* key = nullptr;
  std::uint32_t access = 0;
  if (!Resolve(handle, key, access) || (access & kQueryValue) == 0) return false;
  info = RegistryKeyInfo{};
  info.subkeyCount = static_cast<std::uint32_t>(key->subkeys.size());
  info.valueCount = static_cast<std::uint32_t>(key->values.size());
  for (const auto& k : key->subkeys) {
    info.maxSubkeyNameLength =
        std::max(info.maxSubkeyNameLength, static_cast<std::uint32_t>(k->name.size()));
  }
  for (const auto& v : key->values) {
    info.maxValueNameLength =
        std::max(info.maxValueNameLength, static_cast<std::uint32_t>(v.name.size()));
  }
  return true;
}

RegistryStatus EnumRegistryValueName(RegistryHandle handle, std::uint32_t index, char* buffer,
                                     std::uint32_t capacity) {
  Key* key = nullptr;
  std::uint32_t access = 0;
  if (!Resolve(handle, key, access) || (access & kQueryValue) == 0) return RegistryStatus::Failed;
  if (index >= key->values.size()) return RegistryStatus::Failed;
  return CopyName(key->values[index].name, buffer, capacity);
}

RegistryStatus EnumRegistrySubkeyName(RegistryHandle handle, std::uint32_t index, char* buffer,
                                      std::uint32_t capacity) {
  Key* key = nullptr;
  std::uint32_t access = 0;
  if (!Resolve(handle, key, access) || (access & kEnumerateSubKeys) == 0) {
    return RegistryStatus::Failed;
  }
  if (index >= key->subkeys.size()) return RegistryStatus::Failed;
  return CopyName(key->subkeys[index]->name, buffer, capacity);
}

RegistryStatus QueryRegistryValue(RegistryHandle handle, std::string_view name,
                                  std::uint32_t& type, unsigned char* data,
                                  std::uint32_t& size) {
  Key* key = nullptr;
  std::uint32_t access = 0;
  if (!Resolve(handle, key, access) || (access & kQueryValue) == 0) return RegistryStatus::Failed;
  const Value* value = FindValue(*key, name);
  if (value == nullptr) return RegistryStatus::Failed;
  type = value->type;
  const std::uint32_t needed = static_cast<std::uint32_t>(value->bytes.size());
  if (data == nullptr) {
    size = needed;
    return RegistryStatus::Ok;
  }
  if (needed > size) {
    size = needed;
    return RegistryStatus::MoreData;
  }
  if (needed > 0) std::memcpy(data, value->bytes.data(), needed);
  size = needed;
  return RegistryStatus::Ok;
}

void MemoryRegistry::Clear() {
  Store& store = TheStore();
  store.handles.clear();
  store.roots.clear();
}

void MemoryRegistry::AddKey(std::uint32_t root, std::string_view path) { MakeKey(root, path); }

void MemoryRegistry::SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                              std::uint32_t type, std::string_view bytes) {
  Key& key = MakeKey(root, path);
  Value* value = FindValue(key, name);
  if (value == nullptr) {
    key.values.push_back(Value{std::string(name), type, std::string(bytes)});
  } else {
    value->type = type;
    value->bytes = std::string(bytes);
  }
}

void MemoryRegistry::SetKeyAccess(std::uint32_t root, std::string_view path,
                                  std::uint32_t granted) {
  MakeKey(root, path).granted = granted;
}

}  // namespace tovrix::platform
