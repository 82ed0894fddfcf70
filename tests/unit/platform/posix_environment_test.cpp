// ExpandEnvironment of the Linux build: the rules of
// ExpandEnvironmentStringsA over the process environment.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/environment.h"
#include "platform/posix/ansi_tables.h"

namespace tovrix::platform {
namespace {

// Sets or removes variables for one test and restores them afterwards.
class ScopedVariables {
 public:
  ScopedVariables() = default;
  ScopedVariables(const ScopedVariables&) = delete;
  ScopedVariables& operator=(const ScopedVariables&) = delete;
  ~ScopedVariables() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) {
        setenv(it->first.c_str(), it->second->c_str(), 1);
      } else {
        unsetenv(it->first.c_str());
      }
    }
  }

  void Set(const std::string& name, const std::string& value) {
    Save(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Save(name);
    unsetenv(name.c_str());
  }

 private:
  void Save(const std::string& name) {
    const char* old = getenv(name.c_str());
    saved_.emplace_back(name,
                        old ? std::optional<std::string>(old) : std::nullopt);
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string Expand(std::string_view text) {
  const Expansion expansion = ExpandEnvironment(text);
  EXPECT_TRUE(expansion.ok);
  return expansion.text;
}

TEST(PosixEnvironment, ReferencesAreReplacedByValues) {
  ScopedVariables variables;
  variables.Set("TOVRIX_TEST_DIR", "D:\\Data");
  variables.Set("TOVRIX_TEST_EMPTY", "");
  EXPECT_EQ(Expand("%TOVRIX_TEST_DIR%\\x.dll"), "D:\\Data\\x.dll");
  EXPECT_EQ(Expand("a%TOVRIX_TEST_DIR%b%TOVRIX_TEST_DIR%"),
            "aD:\\DatabD:\\Data");
  EXPECT_EQ(Expand("[%TOVRIX_TEST_EMPTY%]"), "[]");
  EXPECT_EQ(Expand("no references"), "no references");
  EXPECT_EQ(Expand(""), "");
  // Names match without regard to letter case.
  EXPECT_EQ(Expand("%tovrix_test_dir%"), "D:\\Data");
  EXPECT_EQ(Expand("%Tovrix_Test_Dir%"), "D:\\Data");
  // Expansion is not repeated on the value.
  variables.Set("TOVRIX_TEST_NESTED", "%TOVRIX_TEST_DIR%");
  EXPECT_EQ(Expand("%TOVRIX_TEST_NESTED%"), "%TOVRIX_TEST_DIR%");
}

TEST(PosixEnvironment, ExactSpellingWinsOverOtherCase) {
  ScopedVariables variables;
  variables.Set("TOVRIX_TEST_MIX", "upper");
  variables.Set("tovrix_test_mix", "lower");
  EXPECT_EQ(Expand("%TOVRIX_TEST_MIX%"), "upper");
  EXPECT_EQ(Expand("%tovrix_test_mix%"), "lower");
  const std::string either = Expand("%Tovrix_Test_Mix%");
  EXPECT_TRUE(either == "upper" || either == "lower") << either;
}

TEST(PosixEnvironment, UndefinedAndUnclosedReferencesStayAsWritten) {
  ScopedVariables variables;
  variables.Unset("TOVRIX_TEST_NOPE");
  variables.Set("SystemDrive", "C:");
  // Scanning goes on after the closing '%' of an undefined reference.
  EXPECT_EQ(Expand("%TOVRIX_TEST_NOPE%SystemDrive%"),
            "%TOVRIX_TEST_NOPE%SystemDrive%");
  EXPECT_EQ(Expand("%%%SystemDrive%"), "%%C:");
  EXPECT_EQ(Expand("%%"), "%%");
  EXPECT_EQ(Expand("100%"), "100%");
  EXPECT_EQ(Expand("50% of %SystemDrive%"), "50% of %SystemDrive%");
  EXPECT_EQ(Expand("%SystemDrive%%"), "C:%");
  // A name holding '=' names no variable.
  variables.Set("TOVRIX_TEST_EQ", "x=y");
  EXPECT_EQ(Expand("%TOVRIX_TEST_EQ=x%"), "%TOVRIX_TEST_EQ=x%");
  // Text after the first NUL byte is not read.
  EXPECT_EQ(Expand(std::string_view("a%SystemDrive%\0%SystemDrive%", 28)),
            "aC:");
}

TEST(PosixEnvironment, WindowsFoldersHaveDefaults) {
  ScopedVariables variables;
  variables.Unset("SystemRoot");
  variables.Unset("ProgramFiles");
  variables.Unset("SystemDrive");
  EXPECT_EQ(Expand("%SystemRoot%|%ProgramFiles%|%SystemDrive%"),
            "C:\\windows|C:\\Program Files|C:");
  EXPECT_EQ(Expand("%SYSTEMROOT%"), "C:\\windows");
  variables.Set("SystemRoot", "E:\\WINNT");
  variables.Set("systemdrive", "E:");
  EXPECT_EQ(Expand("%SystemRoot%|%SystemDrive%"), "E:\\WINNT|E:");
}

TEST(PosixEnvironment, Utf8ValuesAreConvertedToTheCodePage) {
  posix::ScopedCodePageForTesting codePage(1252);
  ScopedVariables variables;
  variables.Set("TOVRIX_TEST_CAFE", "caf\xC3\xA9 \xE2\x82\xAC");
  variables.Set("TOVRIX_TEST_KANA", "\xE3\x81\x82");
  variables.Set("TOVRIX_TEST_BROKEN",
                "a\xFF"
                "b");
  EXPECT_EQ(Expand("%TOVRIX_TEST_CAFE%"), "caf\xE9 \x80");
  EXPECT_EQ(Expand("%TOVRIX_TEST_KANA%"), "?");
  EXPECT_EQ(Expand("%TOVRIX_TEST_BROKEN%"), "a?b");
  // A name with a non-ASCII letter, matched in Unicode, case-blind.
  variables.Set("TOVRIX_\xC3\xA9T\xC3\xA9", "summer");
  EXPECT_EQ(Expand("%TOVRIX_\xE9T\xE9%"), "summer");
  EXPECT_EQ(Expand("%tovrix_\xC9t\xC9%"), "summer");
  // An ASCII reference does not match a name that merely best-fits to it.
  variables.Set("TOVRIX_\xC4\x80", "macron");  // TOVRIX_ + A with macron
  EXPECT_EQ(Expand("%TOVRIX_A%"), "%TOVRIX_A%");
}

}  // namespace
}  // namespace tovrix::platform

#endif  // !_WIN32
