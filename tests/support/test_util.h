// Small helpers the unit tests share: list contents, byte strings, a
// scratch folder, environment variables and the ANSI code page for the
// length of a test.
#ifndef TOVRIX_TESTS_SUPPORT_TEST_UTIL_H_
#define TOVRIX_TESTS_SUPPORT_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "text/string_list.h"

#ifndef _WIN32
#include "platform/posix/ansi_tables.h"
#endif

namespace tovrix::testing {

using Strings = std::vector<std::string>;

inline Strings Items(const TStringList& list) {
  Strings items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

inline TStringList ListOf(const Strings& items) {
  TStringList list;
  for (const std::string& item : items) list.Add(item);
  return list;
}

// The message of the exception of type E that `call` throws; "" for none.
template <typename E, typename Call>
std::string FailureOf(Call&& call) {
  try {
    call();
  } catch (const E& e) {
    return e.what();
  }
  return "";
}

// Bytes by their values: Bytes({0x82, 0xA0}).
inline std::string Bytes(std::initializer_list<unsigned> values) {
  std::string bytes;
  for (unsigned value : values) bytes += static_cast<char>(value);
  return bytes;
}

// UTF-16LE units of an ASCII text.
inline std::string Wide(std::string_view ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// A fresh folder below the temporary folder, removed with the object
// (read-only entries included).
class ScratchDir {
 public:
  ScratchDir() {
    static int counter = 0;
    dir_ =
        std::filesystem::temp_directory_path() /
        ("tovrix-test-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir_);
  }
  ~ScratchDir() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (auto it = fs::recursive_directory_iterator(dir_, ignored); it != fs::end(it);
         it.increment(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(dir_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& dir() const { return dir_; }
  // `name` is relative, '/'-separated.
  std::string Path(std::string_view name) const {
    return (dir_ / std::filesystem::path(std::string(name)).make_preferred()).string();
  }
  // Writes the file, making the folders on its way; answers its path.
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::filesystem::path path = Path(name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }
  std::string Read(std::string_view name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The names in the folder itself, sorted.
  Strings Entries() const {
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path dir_;
};

// Sets environment variables and puts the old values back at the end;
// `onChange` runs after every change.
class ScopedEnv {
 public:
  explicit ScopedEnv(void (*onChange)() = nullptr) : onChange_(onChange) {}
  ~ScopedEnv() {
    for (std::size_t i = saved_.size(); i-- > 0;) Put(saved_[i].first, saved_[i].second);
    if (onChange_) onChange_();
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

  // No value removes the variable (as an empty one does on Windows).
  void Set(const std::string& name, const std::optional<std::string>& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    Put(name, value);
    if (onChange_) onChange_();
  }

 private:
  static void Put(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
#endif
  }

  void (*onChange_)();
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Runs each test in ANSI code page `Page`: the Linux build switches to it,
// the Windows build skips the test unless the system runs in it.
template <unsigned Page>
class CodePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    codePage_.emplace(Page);
#endif
    if (platform::AnsiCodePage() != Page) GTEST_SKIP() << "the system code page is not " << Page;
  }

 private:
#ifndef _WIN32
  std::optional<platform::posix::ScopedCodePageForTesting> codePage_;
#endif
};

}  // namespace tovrix::testing

#endif  // TOVRIX_TESTS_SUPPORT_TEST_UTIL_H_
