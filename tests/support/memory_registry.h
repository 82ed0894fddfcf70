// A registry store held in memory, filled by the tests.
//
// Key and value names match without regard to ASCII letter case; names are
// enumerated in the order in which they were first added. Paths given to
// the filling calls are relative to a root, components separated by '\';
// missing keys on the way are made. Every key grants all access rights
// unless SetKeyAccess says otherwise.
#ifndef TOVRIX_TESTS_SUPPORT_MEMORY_REGISTRY_H_
#define TOVRIX_TESTS_SUPPORT_MEMORY_REGISTRY_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace tovrix::testing {

class MemoryRegistry : public platform::RegistryStore {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  void AddKey(std::uint32_t root, std::string_view path);
  // Adds the value, or replaces the type and data of the value of that name.
  void SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                std::uint32_t type, std::string_view bytes);
  // The rights an open of this key may obtain.
  void SetKeyAccess(std::uint32_t root, std::string_view path, std::uint32_t granted);
  // Keys opened and not yet closed.
  std::size_t OpenHandles() const { return handles_.size(); }

  platform::RegistryHandle Root(std::uint32_t root) override;
  platform::RegistryStatus Open(platform::RegistryHandle parent, std::string_view path,
                                std::uint32_t access, platform::RegistryHandle& opened) override;
  void Close(platform::RegistryHandle key) override;
  platform::RegistryStatus QueryKeyInfo(platform::RegistryHandle handle,
                                        platform::RegistryKeyInfo& info) override;
  platform::RegistryStatus EnumValueName(platform::RegistryHandle handle, std::uint32_t index,
                                         char* buffer, std::uint32_t capacity) override;
  platform::RegistryStatus EnumSubkeyName(platform::RegistryHandle handle, std::uint32_t index,
                                          char* buffer, std::uint32_t capacity) override;
  platform::RegistryStatus QueryValue(platform::RegistryHandle handle, std::string_view name,
                                      std::uint32_t& type, unsigned char* data,
                                      std::uint32_t& size) override;

 private:
  struct Key;
  struct OpenKey {
    Key* key;
    std::uint32_t access;
  };
  Key& RootKey(std::uint32_t root);
  Key& MakeKey(std::uint32_t root, std::string_view path);
  bool Resolve(platform::RegistryHandle handle, std::uint32_t needed, Key*& key);

  std::map<std::uint32_t, std::unique_ptr<Key>> roots_;
  std::map<platform::RegistryHandle, OpenKey> handles_;
  platform::RegistryHandle nextHandle_ = 1;
};

}  // namespace tovrix::testing

#endif  // TOVRIX_TESTS_SUPPORT_MEMORY_REGISTRY_H_
