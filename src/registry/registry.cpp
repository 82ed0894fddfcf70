#include "registry/registry.h"

#include <array>
#include <string_view>

namespace tovrix {

std::string RootKeyName(std::uint32_t root) {
  switch (root) {
    case kHkeyClassesRoot:
      return "HKEY_CLASSES_ROOT";
    case kHkeyLocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case kHkeyUsers:
      return "HKEY_USERS";
    case kHkeyCurrentConfig:
      return "HKEY_CURRENT_CONFIG";
    case kHkeyDynData:
      return "HKEY_DYN_DATA";
    default:
      return "HKEY_CURRENT_USER";
  }
}

std::string RegTypeName(std::uint32_t type) {
  static constexpr std::array<std::string_view, 12> kNames = {
      "REG_NONE",
      "REG_SZ",
      "REG_EXPAND_SZ",
      "REG_BINARY",
      "REG_DWORD",
      "REG_DWORD_BIG_ENDIAN",
      "REG_LINK",
      "REG_MULTI_SZ",
      "REG_RESOURCE_LIST",
      "REG_FULL_RESOURCE_DESCRIPTOR",
      "REG_RESOURCE_REQUIREMENTS_LIST",
      "REG_QWORD",
  };
  std::string name = "\"";
  if (type < kNames.size()) {
    name += kNames[type];
  } else {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string digits;
    do {
      digits.insert(digits.begin(), kDigits[type & 0xF]);
      type >>= 4;
    } while (type != 0);
    name += "hex(";
    name += digits;
    name += ")";
  }
  name += '"';
  return name;
}

}  // namespace tovrix
