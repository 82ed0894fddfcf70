#include "registry/registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>


namespace tovrix {
namespace {

TEST(RootKeyName, KnownHandlesAndFallback) {
  EXPECT_EQ(RootKeyName(kHkeyClassesRoot), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(RootKeyName(kHkeyCurrentUser), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(kHkeyLocalMachine), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootKeyName(kHkeyUsers), "HKEY_USERS");
  EXPECT_EQ(RootKeyName(kHkeyCurrentConfig), "HKEY_CURRENT_CONFIG");
  EXPECT_EQ(RootKeyName(kHkeyDynData), "HKEY_DYN_DATA");
  EXPECT_EQ(RootKeyName(kHkeyPerformanceData), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(0), "HKEY_CURRENT_USER");
  EXPECT_EQ(RootKeyName(0x80000007u), "HKEY_CURRENT_USER");
}

TEST(RegTypeName, NamesAndHexFallback) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {
      {0, "\"REG_NONE\""},
      {1, "\"REG_SZ\""},
      {2, "\"REG_EXPAND_SZ\""},
      {3, "\"REG_BINARY\""},
      {4, "\"REG_DWORD\""},
      {5, "\"REG_DWORD_BIG_ENDIAN\""},
      {6, "\"REG_LINK\""},
      {7, "\"REG_MULTI_SZ\""},
      {8, "\"REG_RESOURCE_LIST\""},
      {9, "\"REG_FULL_RESOURCE_DESCRIPTOR\""},
      {10, "\"REG_RESOURCE_REQUIREMENTS_LIST\""},
      {11, "\"REG_QWORD\""},
      {12, "\"hex(c)\""},
      {26, "\"hex(1a)\""},
      {0x100, "\"hex(100)\""},
      {0x80000000u, "\"hex(80000000)\""},
      {0xFFFFFFFFu, "\"hex(ffffffff)\""},
  };
  for (const auto& [type, name] : cases) EXPECT_EQ(RegTypeName(type), name) << type;
}

}  // namespace
}  // namespace tovrix
