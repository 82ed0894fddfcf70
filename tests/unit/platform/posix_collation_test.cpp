// CompareLocale of the Linux build against the order CompareStringA gives
// under Wine for LOCALE_USER_DEFAULT in code page 1252.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/ansi_tables.h"

namespace tovrix::platform {
namespace {

using posix::ScopedCodePageForTesting;

// Every later text compares greater than every earlier one.
void ExpectStrictlyIncreasing(const std::vector<std::string>& texts,
                              bool ignoreCase) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = i + 1; j < texts.size(); ++j) {
      EXPECT_EQ(CompareLocale(texts[i], texts[j], ignoreCase), -1)
          << '"' << texts[i] << "\" < \"" << texts[j] << '"';
      EXPECT_EQ(CompareLocale(texts[j], texts[i], ignoreCase), 1)
          << '"' << texts[j] << "\" > \"" << texts[i] << '"';
    }
  }
}

TEST(PosixCollation, WordSortOrderOfWindows) {
  ScopedCodePageForTesting codePage(1252);
  // Symbols before digits before letters, '[' before '_', blank and
  // underscore before letters, hyphen and apostrophe weighed last, accents
  // after case-blind letters.
  const std::vector<std::string> order = {
      "[x", "_x",  "~",  "1",   "A", "a b",  "a_b", "aa",
      "ab", "a-b", "ac", "a'c", "e", "\xE9", "f",   "Z"};
  ExpectStrictlyIncreasing(order, true);
  const std::vector<std::string> symbols = {
      " ", "!", "#",    "&",  "(", "*", ",", ".", "/", ":",
      "?", "@", "[",    "\\", "]", "^", "_", "`", "{", "|",
      "}", "~", "\x80", "+",  "<", "=", ">", "0", "9"};
  ExpectStrictlyIncreasing(symbols, true);
}

TEST(PosixCollation, CaseCountsOnlyWithoutIgnoreCase) {
  ScopedCodePageForTesting codePage(1252);
  EXPECT_EQ(CompareLocale("A", "a", true), 0);
  EXPECT_EQ(CompareLocale("Key1", "kEY1", true), 0);
  EXPECT_EQ(CompareLocale("\xC9", "\xE9", true), 0);
  // Lower case first, decided at the first letter that differs in case.
  EXPECT_EQ(CompareLocale("a", "A", false), -1);
  EXPECT_EQ(CompareLocale("A", "a", false), 1);
  EXPECT_EQ(CompareLocale("aB", "Ab", false), -1);
  EXPECT_EQ(CompareLocale("Ab", "aB", false), 1);
  // Letters outweigh case, accents outweigh case.
  EXPECT_EQ(CompareLocale("a", "B", false), -1);
  EXPECT_EQ(CompareLocale("E", "\xE9", false), -1);
  EXPECT_EQ(CompareLocale("same", "same", false), 0);
  EXPECT_EQ(CompareLocale("", "", true), 0);
  EXPECT_EQ(CompareLocale("", "a", true), -1);
}

TEST(PosixCollation, HyphensAndApostrophesBreakTiesOnly) {
  ScopedCodePageForTesting codePage(1252);
  const struct {
    const char* a;
    const char* b;
    int ignoreCase;
    int withCase;
  } cases[] = {
      {"ab", "a-b", -1, -1},
      {"coop", "co-op", -1, -1},
      {"co-op", "cop", -1, -1},
      {"a-b", "ab2", -1, -1},
      // The first special character that differs decides: the one that
      // stands later makes its text the lesser.
      {"ab-c", "a-bc", -1, -1},
      {"-abc", "ab-c-", 1, 1},
      {"a-bc", "a-b-c", -1, -1},
      {"a-", "-a", -1, -1},
      // Same place: apostrophe < hyphen < en dash; controls before them.
      {"a'b", "a-b", -1, -1},
      {"a-b",
       "a\x96"
       "b",
       -1, -1},
      {"a\x01"
       "b",
       "a'b", -1, -1},
      // Case is weighed before the special characters.
      {"Ab", "a-b", -1, 1},
      {"A-b", "ab", 1, 1},
      {"A-b", "a-b", 0, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareLocale(c.a, c.b, true), c.ignoreCase) << c.a << " " << c.b;
    EXPECT_EQ(CompareLocale(c.b, c.a, true), -c.ignoreCase)
        << c.b << " " << c.a;
    EXPECT_EQ(CompareLocale(c.a, c.b, false), c.withCase) << c.a << " " << c.b;
  }
}

TEST(PosixCollation, IgnoredCharactersAndLigatures) {
  ScopedCodePageForTesting codePage(1252);
  // NUL bytes and the soft hyphen count for nothing, over full lengths.
  EXPECT_EQ(CompareLocale(std::string("ab\0c", 4), "abc", true), 0);
  EXPECT_EQ(CompareLocale(std::string("a\0", 2), "a", false), 0);
  EXPECT_EQ(CompareLocale("a\xAD"
                          "b",
                          "ab", false),
            0);
  // The ligatures sort as their letters.
  EXPECT_EQ(CompareLocale("ss", "\xDF", false), 0);
  EXPECT_EQ(CompareLocale("ae", "\xE6", false), 0);
  EXPECT_EQ(CompareLocale("th", "\xFE", true), 0);
  EXPECT_EQ(CompareLocale("\xDF", "st", true), -1);
  EXPECT_EQ(CompareLocale("x2", "x10", true), 1);
}

TEST(PosixCollation, DoubleByteLocaleOrdersKana) {
  ScopedCodePageForTesting codePage(932);
  const std::vector<std::string> order = {
      "a", "B", "\x82\xA0",  // hiragana a
      "\x82\xA2",            // hiragana i
  };
  ExpectStrictlyIncreasing(order, true);
  EXPECT_EQ(CompareLocale("\x82\x81", "\x82\x60", true), 0);  // full-width a/A
  EXPECT_EQ(CompareLocale("ab", "a-b", true), -1);
}

TEST(PosixCollation, EveryCodePageGetsTheWindowsTailoring) {
  for (unsigned page : {936u, 949u, 950u}) {
    ScopedCodePageForTesting codePage(page);
    ExpectStrictlyIncreasing({"[x", "_x", "~", "1", "ab", "a-b", "ac"}, true);
    EXPECT_EQ(CompareLocale("ABC", "abc", true), 0) << page;
    EXPECT_EQ(CompareLocale("abc", "ABC", false), -1) << page;
  }
}

// CompareLocale takes a shortcut for plain ASCII texts; collation keys go
// through ICU whole. Both must agree, in every code page, on texts that mix
// the shortcut's characters with those it leaves to ICU.
TEST(PosixCollation, AsciiShortcutAndKeysAgreeWithTheCollator) {
  const std::string alphabet = "aAbBzZ09 _[~!.'-\xE9\xC9";
  unsigned seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (unsigned page : {1252u, 932u, 936u}) {
    ScopedCodePageForTesting codePage(page);
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) {
      std::string text;
      for (unsigned n = next() % 5; n > 0; --n) text += alphabet[next() % alphabet.size()];
      texts.push_back(text);
    }
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const CollationKeys keys(views, /*ignoreCase=*/true);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      for (std::size_t j = 0; j < texts.size(); j += 7) {
        ASSERT_EQ(CompareLocale(texts[i], texts[j], true), keys.Compare(i, j))
            << page << ": \"" << texts[i] << "\" / \"" << texts[j] << '"';
      }
    }
  }
}

}  // namespace
}  // namespace tovrix::platform

#endif  // !_WIN32
