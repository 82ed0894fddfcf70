// The Windows registry store: the advapi32 calls, read-only, ANSI forms.

#include <windows.h>

#include <string>

#include "platform/registry.h"

namespace tovrix::platform {
namespace {

// Root handles are the 32-bit values sign-extended, as the system headers
// define HKEY_LOCAL_MACHINE and its sisters.
HKEY ToHkey(RegistryHandle handle) { return reinterpret_cast<HKEY>(handle); }

RegistryStatus FromError(LONG error) {
  if (error == ERROR_SUCCESS) return RegistryStatus::Ok;
  if (error == ERROR_MORE_DATA) return RegistryStatus::MoreData;
  return RegistryStatus::Failed;
}

}  // namespace

RegistryHandle RootRegistryHandle(std::uint32_t root) {
  return static_cast<RegistryHandle>(
      static_cast<std::intptr_t>(static_cast<std::int32_t>(root)));
}

RegistryStatus OpenRegistryKey(RegistryHandle parent, std::string_view path,
                               std::uint32_t access, RegistryHandle& opened) {
  const std::string subKey(path);
  HKEY result = nullptr;
  const LONG error = RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &result);
  if (error != ERROR_SUCCESS) return RegistryStatus::Failed;
  opened = reinterpret_cast<RegistryHandle>(result);
  return RegistryStatus::Ok;
}

void CloseRegistryKey(RegistryHandle key) { RegCloseKey(ToHkey(key)); }

bool QueryRegistryKeyInfo(RegistryHandle key, RegistryKeyInfo& info) {
  DWORD subkeys = 0, maxSubkeyLength = 0, values = 0, maxValueNameLength = 0;
  const LONG error = RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subkeys,
                                      &maxSubkeyLength, nullptr, &values, &maxValueNameLength,
                                      nullptr, nullptr, nullptr);
  if (error != ERROR_SUCCESS) return false;
  info.subkeyCount = subkeys;
  info.maxSubkeyNameLength = maxSubkeyLength;
  info.valueCount = values;
  info.maxValueNameLength = maxValueNameLength;
  return true;
}

RegistryStatus EnumRegistryValueName(RegistryHandle key, std::uint32_t index, char* buffer,
                                     std::uint32_t capacity) {
  DWORD length = capacity;
  return FromError(RegEnumValueA(ToHkey(key), index, buffer, &length, nullptr, nullptr,
                                 nullptr, nullptr));
}

RegistryStatus EnumRegistrySubkeyName(RegistryHandle key, std::uint32_t index, char* buffer,
                                      std::uint32_t capacity) {
  DWORD length = capacity;
  return FromError(RegEnumKeyExA(ToHkey(key), index, buffer, &length, nullptr, nullptr,
                                 nullptr, nullptr));
}

RegistryStatus QueryRegistryValue(RegistryHandle key, std::string_view name,
                                  std::uint32_t& type, unsigned char* data,
                                  std::uint32_t& size) {
  const std::string valueName(name);
  DWORD valueType = 0;
  DWORD byteCount = data == nullptr ? 0 : size;
  const LONG error = RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType,
                                      data, &byteCount);
  type = valueType;
  size = byteCount;
  return FromError(error);
}

}  // namespace tovrix::platform
