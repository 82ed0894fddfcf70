// The registry store beneath TRegistry: read-only, in the shapes of the
// advapi32 calls it stands for, without their types.
//
// A RegistryHandle is a root key (RootRegistryHandle) or a key opened with
// OpenRegistryKey. Root handles need no closing; every opened handle must
// be closed with CloseRegistryKey exactly once.
//
//  - OpenRegistryKey (RegOpenKeyExA): opens `path` below `parent` asking for
//    the access rights `access`. Fails when the key is missing, the path is
//    malformed, or the rights are not granted. The empty path opens `parent`
//    itself anew.
//  - QueryRegistryKeyInfo (RegQueryInfoKeyA): counts of values and subkeys
//    and the longest value / subkey name in characters, NUL not counted.
//  - EnumRegistryValueName / EnumRegistrySubkeyName (RegEnumValueA,
//    RegEnumKeyExA): the name at `index` and a NUL into `buffer` of
//    `capacity` bytes; MoreData when they do not fit, Failed past the end.
//  - QueryRegistryValue (RegQueryValueExA): with `data` null, reports the
//    type and the size in bytes. With `data`, `size` is the capacity on the
//    way in; the bytes are copied when they fit (Ok), otherwise MoreData and
//    `size` holds the size needed. A missing value is Failed.
//
// The Windows build calls the registry of the running system. The Linux
// build has no registry: it keeps an in-memory store, empty unless a test
// fills it through MemoryRegistry. Key and value names in the memory store
// match without regard to ASCII letter case; names are enumerated in the
// order in which they were first added.
#ifndef TOVRIX_PLATFORM_REGISTRY_H_
#define TOVRIX_PLATFORM_REGISTRY_H_

#include <cstdint>
#include <string_view>

namespace tovrix::platform {

using RegistryHandle = std::uintptr_t;

enum class RegistryStatus { Ok, MoreData, Failed };

struct RegistryKeyInfo {
  std::uint32_t subkeyCount = 0;
  std::uint32_t maxSubkeyNameLength = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t maxValueNameLength = 0;
};

// The handle of a root key given by its 32-bit value (0x80000002 for
// HKEY_LOCAL_MACHINE, ...).
RegistryHandle RootRegistryHandle(std::uint32_t root);

RegistryStatus OpenRegistryKey(RegistryHandle parent, std::string_view path,
                               std::uint32_t access, RegistryHandle& opened);
void CloseRegistryKey(RegistryHandle key);

bool QueryRegistryKeyInfo(RegistryHandle key, RegistryKeyInfo& info);

RegistryStatus EnumRegistryValueName(RegistryHandle key, std::uint32_t index, char* buffer,
                                     std::uint32_t capacity);
RegistryStatus EnumRegistrySubkeyName(RegistryHandle key, std::uint32_t index, char* buffer,
                                      std::uint32_t capacity);

RegistryStatus QueryRegistryValue(RegistryHandle key, std::string_view name,
                                  std::uint32_t& type, unsigned char* data,
                                  std::uint32_t& size);

// Linux build only: fills the in-memory store. Paths are relative to the
// root, components separated by '\'; missing keys on the way are created.
struct MemoryRegistry {
  // Removes every key and value and forgets every open handle.
  static void Clear();
  static void AddKey(std::uint32_t root, std::string_view path);
  // Adds the value, or replaces the type and data of the value of that name.
  static void SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                       std::uint32_t type, std::string_view bytes);
  // The rights an open of this key may obtain (all rights by default).
  static void SetKeyAccess(std::uint32_t root, std::string_view path, std::uint32_t granted);
};

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_REGISTRY_H_
