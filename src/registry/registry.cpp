#include "registry/registry.h"

#include <array>
#include <charconv>
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
    char digits[8];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, type, 16);
    name += "hex(";
    name.append(digits, end.ptr);
    name += ")";
  }
  name += '"';
  return name;
}

}  // namespace tovrix
