// Helpers shared by the live-export tests: registry data in its stored
// byte forms, and a fixture that gives each test an empty in-memory
// registry store.
#ifndef TOVRIX_TESTS_UNIT_LIVEEXPORT_LIVE_TEST_UTIL_H_
#define TOVRIX_TESTS_UNIT_LIVEEXPORT_LIVE_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/memory_registry.h"
#include "support/test_util.h"

namespace tovrix::testing {

// REG_SZ data as the registry keeps it: the text and its NUL.
inline std::string Sz(std::string_view text) { return std::string(text) + '\0'; }

// REG_MULTI_SZ data: each item and its NUL, then the closing NUL.
inline std::string MultiSz(const std::vector<std::string>& items) {
  std::string data;
  for (const std::string& item : items) data += Sz(item);
  return data + '\0';
}

inline std::string Dword(std::uint32_t v) {
  return Bytes({v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF, v >> 24});
}

// The bytes 00, 01, 02, ... `count` of them.
inline std::string Ramp(std::size_t count) {
  std::string data;
  for (std::size_t i = 0; i < count; ++i) data += static_cast<char>(i);
  return data;
}

class MemoryRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(store_.OpenHandles(), 0u) << "a key was left open"; }
  MemoryRegistry store_;
};

}  // namespace tovrix::testing

#endif  // TOVRIX_TESTS_UNIT_LIVEEXPORT_LIVE_TEST_UTIL_H_
