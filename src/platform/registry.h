// The registry store beneath TRegistry: read-only, in the shapes of the
// advapi32 calls it stands for, without their types.
//
// A RegistryStore is an object the driver makes and hands down (the live
// registry, hive files, or a store the tests fill); nothing below chooses
// one by itself. Its handles are of two kinds: root keys (Root) and keys
// opened with Open. Root handles need no closing; every opened handle must
// be closed with Close exactly once, before the store goes.
//
//  - Root: the handle of a root key given by its 32-bit value (0x80000002
//    for HKEY_LOCAL_MACHINE, ...). A store made from one hive file has one
//    root, kHiveRoot, the hive's root key.
//  - Open (RegOpenKeyExA): opens `path` below `parent` asking for the access
//    rights `access`. Failed when the key is missing, the path is malformed
//    or the rights are not granted. The empty path opens `parent` itself
//    anew.
//  - QueryKeyInfo (RegQueryInfoKeyA): counts of values and subkeys and the
//    longest value / subkey name, NUL not counted, in bytes as the
//    enumeration delivers them.
//  - EnumValueName / EnumSubkeyName (RegEnumValueA, RegEnumKeyExA): the name
//    at `index` and a NUL into `buffer` of `capacity` bytes; MoreData when
//    they do not fit, Failed past the end.
//  - QueryValue (RegQueryValueExA): with `data` null, reports the type and
//    the size in bytes. With `data`, `size` is the capacity on the way in;
//    the bytes are copied when they fit (Ok), otherwise MoreData and `size`
//    holds the size needed. A missing value is Failed.
//
// Names and string data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are ANSI
// bytes, as the ANSI registry functions deliver them. Every call may answer
// Damaged: the store's file is not a sound hive (Damage() tells which file
// and what was wrong); no later answer of that store can be trusted.
#ifndef TOVRIX_PLATFORM_REGISTRY_H_
#define TOVRIX_PLATFORM_REGISTRY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tovrix::platform {

using RegistryHandle = std::uintptr_t;

enum class RegistryStatus { Ok, MoreData, Failed, Damaged };

struct RegistryKeyInfo {
  std::uint32_t subkeyCount = 0;
  std::uint32_t maxSubkeyNameLength = 0;
  std::uint32_t valueCount = 0;
  std::uint32_t maxValueNameLength = 0;
};

// The one root of a store made from a single hive file.
inline constexpr std::uint32_t kHiveRoot = 0;

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  virtual RegistryHandle Root(std::uint32_t root) = 0;
  virtual RegistryStatus Open(RegistryHandle parent, std::string_view path, std::uint32_t access,
                              RegistryHandle& opened) = 0;
  virtual void Close(RegistryHandle key) = 0;
  virtual RegistryStatus QueryKeyInfo(RegistryHandle key, RegistryKeyInfo& info) = 0;
  virtual RegistryStatus EnumValueName(RegistryHandle key, std::uint32_t index, char* buffer,
                                       std::uint32_t capacity) = 0;
  virtual RegistryStatus EnumSubkeyName(RegistryHandle key, std::uint32_t index, char* buffer,
                                        std::uint32_t capacity) = 0;
  virtual RegistryStatus QueryValue(RegistryHandle key, std::string_view name, std::uint32_t& type,
                                    unsigned char* data, std::uint32_t& size) = 0;

  // After a Damaged answer: "<file>: <what is wrong>" in UTF-8.
  virtual std::string Damage() const { return std::string(); }

  // True when nothing can change the keys while the store is open (hive
  // files read by this process alone): a key opened again by the same path
  // is the same key, with the same values.
  virtual bool Unchanging() const { return false; }
};

// The registry of the running system, or null where there is none (the
// Linux build).
std::unique_ptr<RegistryStore> OpenLiveRegistry();

struct HiveOpenResult {
  std::unique_ptr<RegistryStore> store;  // null when the file cannot be used
  std::string error;                     // why not, UTF-8
  // The header says changes are still waiting in the hive's log files;
  // the store reads the file as it stands.
  bool dirty = false;
};

// Opens one hive file read-only; the file is never changed. The store has
// the single root kHiveRoot. A file that cannot be opened, is no hive, or
// whose root key does not answer, gives no store and an error text.
HiveOpenResult OpenHiveFile(const std::string& path);

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_REGISTRY_H_
