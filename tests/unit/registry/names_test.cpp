#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "registry/registry.h"

namespace tovrix {
namespace {

// The ends of the name table and the hexadecimal form past it. (The root
// names are read back by the key-list parser's tests.)
TEST(RegTypeName, NamesAndHexFallback) {
  // clang-format off
  const std::pair<std::uint32_t, std::string> cases[] = {
      {0, "\"REG_NONE\""},       {11, "\"REG_QWORD\""},        {12, "\"hex(c)\""},
      {0x100, "\"hex(100)\""}, {0xFFFFFFFFu, "\"hex(ffffffff)\""},
  };
  // clang-format on
  for (const auto& [type, name] : cases) EXPECT_EQ(RegTypeName(type), name) << type;
}

}  // namespace
}  // namespace tovrix
