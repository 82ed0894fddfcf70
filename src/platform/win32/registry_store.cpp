// The Windows registry stores: the advapi32 calls, read-only, ANSI forms,
// over the running system's registry or over a hive file loaded as an
// application hive (RegLoadAppKeyA), which stays private to this process
// and is unloaded when its key is closed.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/win32/system_error.h"

namespace tovrix::platform {
namespace {

HKEY ToHkey(RegistryHandle handle) { return reinterpret_cast<HKEY>(handle); }

RegistryStatus FromError(LONG error) {
  if (error == ERROR_SUCCESS) return RegistryStatus::Ok;
  if (error == ERROR_MORE_DATA) return RegistryStatus::MoreData;
  return RegistryStatus::Failed;
}

// The calls are the same for both stores; only the roots differ. A store
// over a loaded hive owns its root key: `hive` is closed (and so unloaded)
// with the store.
class Win32Registry : public RegistryStore {
 public:
  explicit Win32Registry(HKEY hive = nullptr) : hive_(hive) {}
  ~Win32Registry() override {
    if (hive_ != nullptr) RegCloseKey(hive_);
  }
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  // Root handles are the 32-bit values sign-extended, as the system headers
  // define HKEY_LOCAL_MACHINE and its sisters.
  RegistryHandle Root(std::uint32_t root) override {
    if (hive_ != nullptr) return reinterpret_cast<RegistryHandle>(hive_);
    return static_cast<RegistryHandle>(static_cast<std::intptr_t>(static_cast<std::int32_t>(root)));
  }

  RegistryStatus Open(RegistryHandle parent, std::string_view path, std::uint32_t access,
                      RegistryHandle& opened) override {
    const std::string subKey(path);
    HKEY result = nullptr;
    if (RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &result) != ERROR_SUCCESS) {
      return RegistryStatus::Failed;
    }
    opened = reinterpret_cast<RegistryHandle>(result);
    return RegistryStatus::Ok;
  }

  void Close(RegistryHandle key) override { RegCloseKey(ToHkey(key)); }

  RegistryStatus QueryKeyInfo(RegistryHandle key, RegistryKeyInfo& info) override {
    DWORD subkeys = 0, maxSubkeyLength = 0, values = 0, maxValueNameLength = 0;
    const LONG error =
        RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subkeys, &maxSubkeyLength,
                         nullptr, &values, &maxValueNameLength, nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS) return RegistryStatus::Failed;
    info.subkeyCount = subkeys;
    info.maxSubkeyNameLength = maxSubkeyLength;
    info.valueCount = values;
    info.maxValueNameLength = maxValueNameLength;
    return RegistryStatus::Ok;
  }

  RegistryStatus EnumValueName(RegistryHandle key, std::uint32_t index, char* buffer,
                               std::uint32_t capacity) override {
    DWORD length = capacity;
    return FromError(
        RegEnumValueA(ToHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr));
  }

  RegistryStatus EnumSubkeyName(RegistryHandle key, std::uint32_t index, char* buffer,
                                std::uint32_t capacity) override {
    DWORD length = capacity;
    return FromError(
        RegEnumKeyExA(ToHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr));
  }

  RegistryStatus QueryValue(RegistryHandle key, std::string_view name, std::uint32_t& type,
                            unsigned char* data, std::uint32_t& size) override {
    const std::string valueName(name);
    DWORD valueType = 0;
    DWORD byteCount = data == nullptr ? 0 : size;
    const LONG error =
        RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &valueType, data, &byteCount);
    type = valueType;
    size = byteCount;
    return FromError(error);
  }

 private:
  HKEY hive_;
};

std::string ErrorText(LONG code) { return AnsiToUtf8(win32::SystemErrorText(code)); }

}  // namespace

std::unique_ptr<RegistryStore> OpenLiveRegistry() { return std::make_unique<Win32Registry>(); }

HiveOpenResult OpenHiveFile(const std::string& path) {
  HiveOpenResult result;
  const std::optional<std::string> name = win32::ZeroTerminated(FullPath(path));
  if (!name) {
    result.error = ErrorText(ERROR_INVALID_NAME);
    return result;
  }
  HKEY hive = nullptr;
  const LONG loaded = RegLoadAppKeyA(name->c_str(), &hive, KEY_READ, 0, 0);
  if (loaded != ERROR_SUCCESS) {
    result.error = ErrorText(loaded);
    return result;
  }
  // A key that does not answer now would give an empty export later.
  auto store = std::make_unique<Win32Registry>(hive);
  const LONG answered = RegQueryInfoKeyA(hive, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
  if (answered != ERROR_SUCCESS) {
    result.error = "the loaded hive does not answer (" + ErrorText(answered) + ")";
    return result;
  }
  result.store = std::move(store);
  return result;
}

}  // namespace tovrix::platform
