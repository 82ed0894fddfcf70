// Helpers shared by the live-export tests: registry data in its stored
// byte forms, list contents, scratch files, and a fixture that gives each
// test an empty in-memory registry store.
#ifndef TOVRIX_TESTS_UNIT_LIVEEXPORT_LIVE_TEST_UTIL_H_
#define TOVRIX_TESTS_UNIT_LIVEEXPORT_LIVE_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/memory_registry.h"
#include "text/string_list.h"

namespace tovrix::testing {

inline std::vector<std::string> Items(const TStringList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

inline void Fill(TStringList& list, const std::vector<std::string>& items) {
  for (const std::string& item : items) list.Add(item);
}

// REG_SZ data as the registry keeps it: the text and its NUL.
inline std::string Sz(std::string_view text) { return std::string(text) + '\0'; }

// REG_MULTI_SZ data: each item and its NUL, then the closing NUL.
inline std::string MultiSz(const std::vector<std::string>& items) {
  std::string data;
  for (const std::string& item : items) data += Sz(item);
  return data + '\0';
}

inline std::string Dword(std::uint32_t v) {
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>((v >> (8 * i)) & 0xFF);
  return data;
}

inline std::string Bytes(std::size_t count) {
  std::string data;
  for (std::size_t i = 0; i < count; ++i) data += static_cast<char>(i);
  return data;
}

// A file in a fresh scratch folder, removed with the object.
class ScratchFile {
 public:
  ScratchFile(const std::string& name, std::string_view bytes) {
    dir_ = std::filesystem::temp_directory_path() /
           ("tovrix-live-" + std::to_string(std::random_device{}()) + "-" +
            std::to_string(counter_++));
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / name).string();
    std::ofstream out(path_, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::string path_;
};

class MemoryRegistryTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(store_.OpenHandles(), 0u) << "a key was left open"; }
  MemoryRegistry store_;
};

}  // namespace tovrix::testing

#endif  // TOVRIX_TESTS_UNIT_LIVEEXPORT_LIVE_TEST_UTIL_H_
