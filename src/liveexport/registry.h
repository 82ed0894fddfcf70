// TRegistry: read-only access to one key at a time of a registry store.
//
// An object reads through the store it is given (which must outlive it) and
// holds a root key (HKEY_CURRENT_USER when made), at most one open key, and
// the access rights that key was opened with. The destructor closes the
// open key.
//
//  - SetRoot closes the open key when the root changes.
//  - OpenKeyRead: a path starting with '\' is taken from the root, without
//    that character; any other path is relative to the open key, or to the
//    root when none is open. It asks for KEY_READ, then for
//    STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, then
//    for KEY_QUERY_VALUE alone; the first success replaces the open key.
//    When all three fail the open key stays as it was.
//  - ListValueNames / ListSubkeyNames fill the list with the open key's
//    names in the store's order (the default value as the empty name); the
//    list is left empty when the key cannot be queried.
//  - GetValueInfo reports type and size; GetValueType and GetValueDataSize
//    give 0 when it fails.
//  - ReadStringValue: the empty text for a missing or empty value, else the
//    REG_SZ / REG_EXPAND_SZ text, unexpanded, up to its first NUL.
//  - ReadDwordValue: a REG_DWORD of at most 4 bytes; missing high bytes
//    read as 0.
//  - ReadBinaryValue: the bytes of any value that is not REG_SZ,
//    REG_EXPAND_SZ or REG_DWORD into `buffer` of `capacity` bytes; the
//    result is the value's size, 0 when it cannot be queried.
//  - ReadRawValue: whatever the store delivers, unchecked.
//  - ReadWholeValue: the type and all the bytes of a value, and the store's
//    answer (Ok, or why not).
// ReadStringValue, ReadDwordValue and ReadBinaryValue throw
// ERegistryException: "'<name>' の取得に失敗しました" when the store does not
// deliver the data, "'<name>' のデータ型が不正です" when the type does not
// suit the read or the buffer is too small. Every operation throws
// ERegistryException naming the file when the store finds its hive file
// damaged.
#ifndef TOVRIX_LIVEEXPORT_REGISTRY_H_
#define TOVRIX_LIVEEXPORT_REGISTRY_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "registry/registry.h"
#include "text/string_list.h"

namespace tovrix {

// Access rights asked for by OpenKeyRead, in the order tried.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyReadNoNotify = 0x20009;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;

struct RegistryValueInfo {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
};

class TRegistry {
 public:
  explicit TRegistry(platform::RegistryStore& store);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  void SetRoot(std::uint32_t root);
  std::uint32_t Root() const { return root_; }

  bool OpenKeyRead(std::string_view path);
  void CloseCurrentKey();
  bool HasOpenKey() const { return open_; }
  // The rights the open key was obtained with (0 when none is open).
  std::uint32_t Access() const { return open_ ? access_ : 0; }

  void ListValueNames(TStringList& list) const;
  void ListSubkeyNames(TStringList& list) const;

  bool GetValueInfo(std::string_view name, RegistryValueInfo& info) const;
  std::uint32_t GetValueType(std::string_view name) const;
  std::uint32_t GetValueDataSize(std::string_view name) const;

  std::string ReadStringValue(std::string_view name) const;
  std::int32_t ReadDwordValue(std::string_view name) const;
  std::uint32_t ReadBinaryValue(std::string_view name, unsigned char* buffer,
                                std::uint32_t capacity) const;
  void ReadRawValue(std::string_view name, unsigned char* buffer, std::uint32_t& size,
                    std::uint32_t& type) const;
  platform::RegistryStatus ReadWholeValue(std::string_view name, std::uint32_t& type,
                                          std::string& data) const;

 private:
  // The store's answer, after turning Damaged into the failure it is.
  platform::RegistryStatus Checked(platform::RegistryStatus status) const;
  void ListNames(bool values, TStringList& list) const;

  platform::RegistryStore& store_;
  std::uint32_t root_;
  bool open_ = false;
  platform::RegistryHandle key_ = 0;
  std::uint32_t access_ = 0;
};

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_REGISTRY_H_
