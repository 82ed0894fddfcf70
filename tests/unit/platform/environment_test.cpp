// ExpandEnvironment of both builds: the rules of ExpandEnvironmentStringsA
// over the process environment.
#include "platform/environment.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_util.h"

namespace tovrix::platform {
namespace {

std::string Expand(std::string_view text) {
  const Expansion expansion = ExpandEnvironment(text);
  EXPECT_TRUE(expansion.ok) << text;
  return expansion.text;
}

TEST(Environment, ExpandsAsExpandEnvironmentStrings) {
  testing::ScopedEnv env;
  env.Set("TVXDIR", "D:\\Data");
  env.Set("TVXNESTED", "%TVXDIR%");
  env.Set("TVXEQ", "x=y");
  env.Set("TVXNOPE", std::nullopt);
  const std::string longValue(5000, 'v');  // longer than a first guess of the size
  env.Set("TVXLONG", longValue);
  const struct {
    std::string_view text;
    std::string expanded;
    // clang-format off
  } cases[] = {
      {"%TVXDIR%\\x.dll", "D:\\Data\\x.dll"},
      {"a%TVXDIR%b%TVXDIR%", "aD:\\DatabD:\\Data"},
      {"%tvxdir%|%TvxDir%", "D:\\Data|D:\\Data"},  // names ignore letter case
      {"%TVXNESTED%", "%TVXDIR%"},                  // values are not expanded again
      {"no references", "no references"},
      {"", ""},
      // An undefined name stays with both percent signs; scanning goes on
      // after its closing one.
      {"%TVXNOPE%TVXDIR%", "%TVXNOPE%TVXDIR%"},
      {"%%%TVXDIR%", "%%D:\\Data"},
      {"%%", "%%"},
      {"%TVXDIR%%", "D:\\Data%"},
      {"%TVXDIR", "%TVXDIR"},
      {"50% of %TVXDIR%", "50% of %TVXDIR%"},
      {"%TVXEQ=x%", "%TVXEQ=x%"},  // a name holding '=' names no variable
      // The input ends at its first NUL byte.
      {std::string_view("a%TVXDIR%\0%TVXDIR%", 18), "aD:\\Data"},
      {"<%TVXLONG%%TVXLONG%>", "<" + longValue + longValue + ">"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(Expand(c.text), c.expanded) << c.text;
}

#ifndef _WIN32

TEST(PosixEnvironment, WhatOnlyLinuxEnvironmentsHold) {
  testing::ScopedEnv env;
  env.Set("TOVRIX_TEST_EMPTY", "");
  EXPECT_EQ(Expand("[%TOVRIX_TEST_EMPTY%]"), "[]");
  // Names in two letter cases: the exact spelling wins.
  env.Set("TOVRIX_TEST_MIX", "upper");
  env.Set("tovrix_test_mix", "lower");
  EXPECT_EQ(Expand("%TOVRIX_TEST_MIX%|%tovrix_test_mix%"), "upper|lower");
  const std::string either = Expand("%Tovrix_Test_Mix%");
  EXPECT_TRUE(either == "upper" || either == "lower") << either;
  // The Windows folders have defaults.
  for (const char* name : {"SystemRoot", "ProgramFiles", "SystemDrive"})
    env.Set(name, std::nullopt);
  EXPECT_EQ(Expand("%SystemRoot%|%ProgramFiles%|%SYSTEMDRIVE%"),
            "C:\\windows|C:\\Program Files|C:");
  env.Set("SystemRoot", "E:\\WINNT");
  env.Set("systemdrive", "E:");
  EXPECT_EQ(Expand("%SystemRoot%|%SystemDrive%"), "E:\\WINNT|E:");
}

// clang-format off
TEST(PosixEnvironment, Utf8ValuesAreConvertedToTheCodePage) {
  platform::posix::ScopedCodePageForTesting codePage(1252);
  testing::ScopedEnv env;
  env.Set("TOVRIX_TEST_CAFE", "caf\xC3\xA9 \xE2\x82\xAC");
  env.Set("TOVRIX_TEST_KANA", "\xE3\x81\x82");
  env.Set("TOVRIX_TEST_BROKEN", "a\xFF" "b");
  EXPECT_EQ(Expand("%TOVRIX_TEST_CAFE%|%TOVRIX_TEST_KANA%|%TOVRIX_TEST_BROKEN%"), "caf\xE9 \x80|?|a?b");
  // A name with a non-ASCII letter, matched in Unicode, case-blind.
  env.Set("TOVRIX_\xC3\xA9T\xC3\xA9", "summer");
  EXPECT_EQ(Expand("%TOVRIX_\xE9T\xE9%|%tovrix_\xC9t\xC9%"), "summer|summer");
  // An ASCII reference does not match a name that merely best-fits to it.
  env.Set("TOVRIX_\xC4\x80", "macron");  // TOVRIX_ + A with macron
  EXPECT_EQ(Expand("%TOVRIX_A%"), "%TOVRIX_A%");
}
// clang-format on

#else  // _WIN32

TEST(Win32Environment, ValuesAreInTheAnsiCodePage) {
  testing::ScopedEnv env;
  env.Set("TVXACC", "\xE9t\xE9");
  EXPECT_EQ(Expand("%TVXACC%|%SystemDrive%"),
            "\xE9t\xE9|" + std::string(std::getenv("SystemDrive")));
}

#endif  // _WIN32

}  // namespace
}  // namespace tovrix::platform
