#include "support/memory_registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/registry_path.h"

namespace tovrix::testing {

using platform::RegistryHandle;
using platform::RegistryStatus;

namespace {

constexpr std::uint32_t kAllAccess = 0xF003F;        // KEY_ALL_ACCESS
constexpr std::uint32_t kQueryValue = 0x0001;        // KEY_QUERY_VALUE
constexpr std::uint32_t kEnumerateSubKeys = 0x0008;  // KEY_ENUMERATE_SUB_KEYS
// Root handles are the root values; opened handles count from 1.
constexpr RegistryHandle kFirstRootHandle = 0x80000000u;

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 0x20) : c; }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return FoldAscii(x) == FoldAscii(y);
         });
}

RegistryStatus CopyName(const std::string& name, char* buffer, std::uint32_t capacity) {
  if (name.size() + 1 > capacity) return RegistryStatus::MoreData;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  return RegistryStatus::Ok;
}

}  // namespace

struct MemoryRegistry::Key {
  struct Value {
    std::string name;
    std::uint32_t type = 0;
    std::string bytes;
  };
  std::string name;
  std::uint32_t granted = kAllAccess;
  std::vector<std::unique_ptr<Key>> subkeys;  // insertion order
  std::vector<Value> values;                  // insertion order

  Key* FindSubkey(std::string_view wanted) {
    for (auto& k : subkeys) {
      if (SameName(k->name, wanted)) return k.get();
    }
    return nullptr;
  }
  Value* FindValue(std::string_view wanted) {
    for (auto& v : values) {
      if (SameName(v.name, wanted)) return &v;
    }
    return nullptr;
  }
};

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key& MemoryRegistry::RootKey(std::uint32_t root) {
  auto& slot = roots_[root];
  if (!slot) slot = std::make_unique<Key>();
  return *slot;
}

MemoryRegistry::Key& MemoryRegistry::MakeKey(std::uint32_t root, std::string_view path) {
  Key* key = &RootKey(root);
  std::vector<std::string_view> parts;
  platform::SplitRegistryPath(path, parts);
  for (std::string_view part : parts) {
    Key* sub = key->FindSubkey(part);
    if (sub == nullptr) {
      key->subkeys.push_back(std::make_unique<Key>());
      sub = key->subkeys.back().get();
      sub->name = std::string(part);
    }
    key = sub;
  }
  return *key;
}

// The key of an open handle or a root, when it was opened with `needed`.
bool MemoryRegistry::Resolve(RegistryHandle handle, std::uint32_t needed, Key*& key) {
  auto it = handles_.find(handle);
  if (it != handles_.end()) {
    key = it->second.key;
    return (it->second.access & needed) == needed;
  }
  if (handle < kFirstRootHandle || handle > 0xFFFFFFFFu) return false;
  key = &RootKey(static_cast<std::uint32_t>(handle));
  return true;
}

void MemoryRegistry::AddKey(std::uint32_t root, std::string_view path) { MakeKey(root, path); }

void MemoryRegistry::SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                              std::uint32_t type, std::string_view bytes) {
  Key& key = MakeKey(root, path);
  Key::Value* value = key.FindValue(name);
  if (value == nullptr) {
    key.values.push_back(Key::Value{std::string(name), type, std::string(bytes)});
  } else {
    value->type = type;
    value->bytes = std::string(bytes);
  }
}

void MemoryRegistry::SetKeyAccess(std::uint32_t root, std::string_view path,
                                  std::uint32_t granted) {
  MakeKey(root, path).granted = granted;
}

RegistryHandle MemoryRegistry::Root(std::uint32_t root) {
  // kHiveRoot (0) stands for HKEY_CURRENT_USER, so the store can also play
  // a single hive.
  return root == platform::kHiveRoot ? 0x80000001u : root;
}

RegistryStatus MemoryRegistry::Open(RegistryHandle parent, std::string_view path,
                                    std::uint32_t access, RegistryHandle& opened) {
  Key* key = nullptr;
  if (!Resolve(parent, 0, key)) return RegistryStatus::Failed;
  std::vector<std::string_view> parts;
  if (!platform::SplitRegistryPath(path, parts)) return RegistryStatus::Failed;
  for (std::string_view part : parts) {
    key = key->FindSubkey(part);
    if (key == nullptr) return RegistryStatus::Failed;
  }
  if ((access & ~key->granted) != 0) return RegistryStatus::Failed;
  opened = nextHandle_++;
  handles_[opened] = OpenKey{key, access};
  return RegistryStatus::Ok;
}

void MemoryRegistry::Close(RegistryHandle key) { handles_.erase(key); }

RegistryStatus MemoryRegistry::QueryKeyInfo(RegistryHandle handle,
                                            platform::RegistryKeyInfo& info) {
  Key* key = nullptr;
  if (!Resolve(handle, kQueryValue, key)) return RegistryStatus::Failed;
  info = platform::RegistryKeyInfo{};
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
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::EnumValueName(RegistryHandle handle, std::uint32_t index,
                                             char* buffer, std::uint32_t capacity) {
  Key* key = nullptr;
  if (!Resolve(handle, kQueryValue, key) || index >= key->values.size())
    return RegistryStatus::Failed;
  return CopyName(key->values[index].name, buffer, capacity);
}

RegistryStatus MemoryRegistry::EnumSubkeyName(RegistryHandle handle, std::uint32_t index,
                                              char* buffer, std::uint32_t capacity) {
  Key* key = nullptr;
  if (!Resolve(handle, kEnumerateSubKeys, key) || index >= key->subkeys.size()) {
    return RegistryStatus::Failed;
  }
  return CopyName(key->subkeys[index]->name, buffer, capacity);
}

RegistryStatus MemoryRegistry::QueryValue(RegistryHandle handle, std::string_view name,
                                          std::uint32_t& type, unsigned char* data,
                                          std::uint32_t& size) {
  Key* key = nullptr;
  const Key::Value* value = Resolve(handle, kQueryValue, key) ? key->FindValue(name) : nullptr;
  if (value == nullptr) return RegistryStatus::Failed;
  type = value->type;
  const auto needed = static_cast<std::uint32_t>(value->bytes.size());
  const bool fits = data == nullptr || needed <= size;
  if (data != nullptr && fits) std::memcpy(data, value->bytes.data(), needed);
  size = needed;
  return fits ? RegistryStatus::Ok : RegistryStatus::MoreData;
}

}  // namespace tovrix::testing
