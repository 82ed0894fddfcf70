#include "rewrite/env_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rewrite/case_blind_probe.h"
#include "rewrite/env_guard.h"
#include "support/test_util.h"
#include "text/text_ops.h"

namespace tovrix {
namespace {

// (The expansion rules themselves are the platform's.)
TEST(ExpandEnvString, EndsAtTheFirstNul) {
  EnvGuard env;
  env.Set("TOVRIX_TEST_DIR", "D:\\Data");
  EXPECT_EQ(ExpandEnvString("%tovrix_test_dir%\\x"), "D:\\Data\\x");
  EXPECT_EQ(ExpandEnvString("plain text"), "plain text");
  EXPECT_EQ(ExpandEnvString(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(ExpandEnvString(std::string("%TOVRIX_TEST_DIR%\0%x%", 21)), "D:\\Data");
}

// (Each kind of path in each mode, and the targets 7 and 1, are the e2e
// cases regfile/mode1, mode2 and mode2-target1.)
TEST(ReplaceEnvPaths, StepsByModeAndTarget) {
  EnvGuard env;
  env.SetExampleSystem();
  env.Set("TEMP", "C:\\Temp");
  env.Set("USERPROFILE", "D:\\Users\\me");
  env.Set("TOVRIX_ON_C", "C:\\Stuff");
  const struct {
    std::uint8_t mode, target;
    std::string data, expected;
    // clang-format off
  } cases[] = {
      // System root before system drive; every occurrence, letter case ignored.
      {2, 7, "C:\\WINDOWS\\x;c:\\windows\\y;C:\\z", "X:\\I386\\x;X:\\I386\\y;X:\\z"},
      {2, 4, "C:\\WINDOWS\\x", "X:\\WINDOWS\\x"},
      {2, 2, "C:\\WINDOWS\\x", "C:\\WINDOWS\\x"},
      {2, 0, "C:\\WINDOWS", "C:\\WINDOWS"},
      {0, 7, "%TOVRIX_ON_C%", "%TOVRIX_ON_C%"},
      {2, 7, "", ""},
      // References are expanded only when a step rewrites; one no step
      // touches is then lost.
      {2, 7, "%USERPROFILE%\\x", "%USERPROFILE%\\x"},
      {2, 7, "%USERPROFILE%;%TOVRIX_ON_C%", "D:\\Users\\me;X:\\Stuff"},
      {1, 4, "%TEMP%\\a", "%SystemDrive%\\Temp\\a"},
      {1, 4, "%TEMP%\\a;C:\\b", "%SystemDrive%\\Temp\\a;%SystemDrive%\\b"},
      // NUL bytes: nothing changed keeps the whole data; a rewrite works on
      // the expansion, which ends at the first NUL.
      {2, 7, std::string("D:\\a\0C:\\b", 9), std::string("D:\\a\0C:\\b", 9)},
      {2, 7, std::string("C:\\a\0C:\\b", 9), "X:\\a"},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(ReplaceEnvPaths(c.data, c.mode, c.target), c.expected)
        << "mode " << int(c.mode) << " target " << int(c.target) << " data [" << c.data << "]";
  }
}

TEST(ReplaceEnvPaths, FollowsTheEnvironment) {
  EnvGuard env;
  env.SetExampleSystem();
  EXPECT_EQ(ReplaceEnvPaths("E:\\OS\\x", 2, 7), "E:\\OS\\x");
  env.Set("SystemRoot", "E:\\OS");
  env.Set("SystemDrive", "E:");
  EXPECT_EQ(ReplaceEnvPaths("E:\\OS\\x;C:\\WINDOWS", 2, 7), "X:\\I386\\x;C:\\WINDOWS");
  // A path holding a non-ASCII letter matches case-blind like any other.
  // (UTF-8 in the Linux environment; the expansion is in the ANSI code
  // page, where a code page without the letter has a best-fit one.)
  env.Set("ProgramFiles", "e:\\Progr\xC3\xA4mme");
  const std::string programFiles = ExpandEnvString("%ProgramFiles%");
  EXPECT_EQ(ReplaceEnvPaths(UpperLocale(programFiles + "\\a"), 2, 2), "X:\\PROGRAMS\\A");
}

// The quick probe must never miss a match the case-blind search finds:
// compare it with ReplaceText over mixed texts. A probe kept for all the
// patterns of a text (which notes the characters the text lacks) answers
// as a fresh one does. Nor may a screen of all the patterns pass a text
// that holds one.
// clang-format off
TEST(MayOccurCaseBlind, NeverMissesAMatch) {
  const std::vector<std::string> patterns = {"C:\\WINDOWS", "D:\\", "c:", "Program Files",
                                             "\xC4pfel", "ControlSet", "Files", "x:"};
  const std::vector<std::string> texts = {
      "c:\\windows\\x",  "C:\\WINDOWS",       "x c: y",          "PROGRAM files",
      "\xE4pfel",        "\x82\xA0" "c:",     "\x8A" "Controlset", "no match here",  // NOLINT(bugprone-suspicious-missing-comma)
      "c",               std::string("c\0:", 3), "",              "CONTROLSET002",
      "a:b:C:\\Windows", "zzc:",              "Set controlset",
  };
  std::vector<std::string> uppers;
  for (const std::string& pattern : patterns) uppers.push_back(UpperLocale(pattern));
  CaseBlindScreen screen;
  for (const std::string& upper : uppers) screen.Add(CaseBlindPattern(upper));
  for (const std::string& text : texts) {
    const CaseBlindProbe probe(text);
    for (const std::string& pattern : patterns) {
      const std::string upper = UpperLocale(pattern);
      const bool found = ReplaceText(text, pattern, "#", IgnoreCase) != text;
      if (found) {
        EXPECT_TRUE(MayOccurCaseBlind(text, upper)) << pattern << " in " << text;
        EXPECT_FALSE(screen.Clear(text)) << pattern << " in " << text;
      }
      EXPECT_EQ(probe.MayOccur(CaseBlindPattern(upper)), MayOccurCaseBlind(text, upper))
          << pattern << " in " << text;
    }
  }
  EXPECT_FALSE(MayOccurCaseBlind("anything", ""));
  EXPECT_FALSE(MayOccurCaseBlind("D:\\data", "C:"));
  EXPECT_FALSE(MayOccurCaseBlind(std::string("ab\0C:", 5), "C:"));
  EXPECT_TRUE(MayOccurCaseBlind("xc:\\", "C:"));
  // Found through its rarest character, ':' here, which must sit in place.
  EXPECT_FALSE(MayOccurCaseBlind(":\\WINDOWS c", "C:\\WINDOWS"));
  EXPECT_FALSE(MayOccurCaseBlind("c:\\WINDOW", "C:\\WINDOWS"));
}
// clang-format on

// A screen passes only texts without the bytes that could begin a match,
// whether it knows few such bytes (looked for sixteen at a time) or many.
TEST(CaseBlindScreen, PassesTextsWithoutTheirAnchors) {
  const std::string windows = UpperLocale("C:\\Windows"), files = UpperLocale("Files");
  CaseBlindScreen few;  // ':' and '%'
  few.Add(CaseBlindPattern(windows));
  few.Stop('%');
  CaseBlindScreen many = few;  // and 'f', 'F', 'c', 'C'
  many.Add(CaseBlindPattern(files));
  many.Add(CaseBlindPattern(UpperLocale("ControlSet")));
  const std::string chunk = "0123456789abdeg.";
  const struct {
    std::string text;
    bool fewClear, manyClear;
  } cases[] = {
      {"", true, true},
      {chunk + chunk + "xyz", true, true},
      {"Plain text value of Vendor", true, false},
      {chunk.substr(0, 15) + ":", false, false},
      {chunk + chunk + "ab%", false, false},
      {chunk + "x\xE4" + chunk, false, false},
      {chunk + std::string("\0", 1) + chunk, false, false},
      {std::string("\0", 1), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(few.Clear(c.text), c.fewClear) << c.text;
    EXPECT_EQ(many.Clear(c.text), c.manyClear) << c.text;
  }
}

// Replacements step by step give what ReplaceText gives, first match or
// all, on random texts: overlapping candidates, letter case, a match at
// either end, bytes outside ASCII and NUL (which take the general way).
void ExpectStepsAsReplaceText() {
  const std::string patterns[] = {"C:", "c:\\w", "Ww", "cc", "C:\\WINDOWS"};
  const std::string alphabet = "cC:\\wW";
  unsigned seed = 3;
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (int n = round % 14; n > 0; --n) {
      seed = seed * 1103515245u + 12345u;
      const unsigned pick = (seed >> 16) % 100;
      text += pick == 0 ? '\x83' : pick == 1 ? '\0' : alphabet[pick % alphabet.size()];
    }
    for (const std::string& pattern : patterns) {
      for (unsigned flags : {unsigned{IgnoreCase}, unsigned{IgnoreCase | ReplaceAll}}) {
        const std::string upper = UpperLocale(pattern);
        const CaseBlindPattern probed(upper);
        ProbedReplacements steps(text);
        steps.Replace(probed, pattern, "<>", flags);
        ASSERT_EQ(steps.Text(), ReplaceText(text, pattern, "<>", flags))
            << pattern << " in " << text;
      }
    }
  }
}

TEST(ProbedReplacements, StepAsReplaceText) { ExpectStepsAsReplaceText(); }

using ProbedReplacements932 = testing::CodePageTest<932>;
TEST_F(ProbedReplacements932, StepAsReplaceText) { ExpectStepsAsReplaceText(); }

}  // namespace
}  // namespace tovrix
