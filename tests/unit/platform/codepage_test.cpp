// Code-page conversion, upper-casing, lead bytes and collation. The
// expectations are what WideCharToMultiByte, CharUpperBuffA and
// CompareStringA give for the code page; the Windows build checks them
// against the system (under Wine) when it runs in that code page, the
// Linux build against its own tables in every code page.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "support/test_util.h"

#ifdef _WIN32
#include "platform/win32/wide_chunks.h"
#else
#include "platform/posix/ansi_tables.h"
#endif

namespace tovrix::platform {
namespace {

using testing::Bytes;
using Strings = std::vector<std::string>;

// Every later text compares greater than every earlier one.
void ExpectStrictlyIncreasing(const Strings& texts, bool ignoreCase = true) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    for (std::size_t j = i + 1; j < texts.size(); ++j) {
      EXPECT_EQ(CompareLocale(texts[i], texts[j], ignoreCase), -1) << texts[i] << " < " << texts[j];
      EXPECT_EQ(CompareLocale(texts[j], texts[i], ignoreCase), 1) << texts[j] << " > " << texts[i];
    }
  }
}

using CodePage1252 = testing::CodePageTest<1252>;

TEST_F(CodePage1252, WideToAnsi) {
  const struct {
    std::u16string_view units;
    std::string bytes;
    // clang-format off
  } cases[] = {
      {u"Abc\\x", "Abc\\x"},
      {u"", ""},
      {std::u16string_view(u"a\0b\0", 4), std::string("a\0b\0", 4)},  // NUL units are counted
      {u"\u00E9\u20AC\u2019", Bytes({0xE9, 0x80, 0x92})},
      // The five bytes 1252 leaves undefined stand for the C1 controls.
      {u"\u0081\u008D\u008F\u0090\u009D", Bytes({0x81, 0x8D, 0x8F, 0x90, 0x9D})},
      // Best fit: letters lose their marks, full-width forms become ASCII,
      // box drawing becomes ASCII art.
      {u"\u0100\u0142\uFF21\u2500\u250C", "AlA-+"},
      // No best fit: '?' (never ICU's 0x1A, never nothing).
      {u"\u3042\u200B\uFEFF", "???"},
      // Surrogates: one '?' per unit, paired or not.
      {u"\U0001F600", "??"},
      {std::u16string_view(u"\xD800x", 2), "?x"},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(WideToAnsi(c.units), c.bytes) << c.bytes;
  // Appending keeps what is there.
  std::string out = "head:";
  AppendWideAsAnsi(u"t\u00E9il", 4, out);
  AppendWideAsAnsi(u"x", 0, out);
  EXPECT_EQ(out, "head:t\xE9il");
  EXPECT_EQ(AnsiToUtf8(Bytes({'C', ':', 0xE9, 0x80, 0x81})), "C:\xC3\xA9\xE2\x82\xAC\xC2\x81");
  EXPECT_EQ(AnsiToUtf8(""), "");
}

TEST_F(CodePage1252, UpperBufferAndLeadBytes) {
  EXPECT_EQ(UpperBuffer("abc xyz 09{}"), "ABC XYZ 09{}");
  // y with diaeresis has its capital at 0x9F; s/z caron and oe at 0x8A..
  EXPECT_EQ(UpperBuffer(Bytes({0xFF, 0x9A, 0x9C, 0x9E, 0xE9, 0xFE})),
            Bytes({0x9F, 0x8A, 0x8C, 0x8E, 0xC9, 0xDE}));
  // Micro sign (capital not in 1252), sharp s (no simple capital),
  // division sign (not a letter) stay.
  EXPECT_EQ(UpperBuffer(Bytes({0xB5, 0xDF, 0xF7, 0xAA})), Bytes({0xB5, 0xDF, 0xF7, 0xAA}));
  EXPECT_EQ(UpperBuffer(std::string("a\0b", 3)), std::string("A\0B", 3));
  EXPECT_EQ(UpperBuffer(""), "");
  for (unsigned byte = 0; byte < 256; ++byte)
    EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(byte))) << byte;
}

// clang-format off
TEST_F(CodePage1252, WordSortOrder) {
  // Symbols before digits before letters, '[' before '_', blank and
  // underscore before letters, hyphen and apostrophe weighed last, accents
  // after case-blind letters.
  ExpectStrictlyIncreasing(
      {"[x", "_x", "~", "1", "A", "a b", "a_b", "aa", "ab", "a-b", "ac", "a'c", "e", "\xE9", "f", "Z"});
  ExpectStrictlyIncreasing({" ", "!", "#", "&", "(", "*", ",", ".", "/", ":", "?", "@", "[", "\\", "]",
                            "^", "_", "`", "{", "|", "}", "~", "\x80", "+", "<", "=", ">", "0", "9"});
  const struct {
    std::string a, b;
    int ignoreCase, withCase;
  } cases[] = {
      {"A", "a", 0, 1},  // lower case first, decided at the first letter that differs in case
      {"Key1", "kEY1", 0, 1},
      {"\xC9", "\xE9", 0, 1},
      {"aB", "Ab", 0, -1},
      {"a", "B", -1, -1},  // letters outweigh case, accents outweigh case
      {"E", "\xE9", -1, -1},
      {"same", "same", 0, 0},
      {"", "", 0, 0},
      {"", "a", -1, -1},
      // Hyphens and apostrophes break ties only; the first one that differs
      // decides, and the one that stands later makes its text the lesser.
      {"ab", "a-b", -1, -1},
      {"coop", "co-op", -1, -1},
      {"co-op", "cop", -1, -1},
      {"a-b", "ab2", -1, -1},
      {"ab-c", "a-bc", -1, -1},
      {"-abc", "ab-c-", 1, 1},
      {"a-bc", "a-b-c", -1, -1},
      {"a-", "-a", -1, -1},
      // Same place: apostrophe < hyphen < en dash; controls before them.
      {"a'b", "a-b", -1, -1},
      {"a-b", "a\x96" "b", -1, -1},
      {"a\x01" "b", "a'b", -1, -1},
      // Case is weighed before them.
      {"Ab", "a-b", -1, 1},
      {"A-b", "ab", 1, 1},
      {"A-b", "a-b", 0, 1},
      {"\xDF", "st", -1, -1},
      {"x2", "x10", 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareLocale(c.a, c.b, true), c.ignoreCase) << c.a << " / " << c.b;
    EXPECT_EQ(CompareLocale(c.b, c.a, true), -c.ignoreCase) << c.b << " / " << c.a;
    EXPECT_EQ(CompareLocale(c.a, c.b, false), c.withCase) << c.a << " / " << c.b;
    EXPECT_EQ(CompareLocale(c.b, c.a, false), -c.withCase) << c.b << " / " << c.a;
  }
  EXPECT_EQ(CompareLocale(std::string_view(), std::string_view(), false), 0);
}
// clang-format on

#ifdef _WIN32

TEST(Win32CodePage, PiecewiseConversionEqualsOneCall) {
  const std::u16string text = u"ab\U0001F600c\u00E9\U0001F601\u3042\U0001F602";
  const std::string whole = WideToAnsi(text);
  for (std::size_t piece = 2; piece <= text.size() + 1; ++piece) {
    std::string out;
    win32::AppendWideAsAnsiInChunks(text.data(), text.size(), piece, out);
    EXPECT_EQ(out, whole) << "piece size " << piece;
  }
}

#else  // !_WIN32

using posix::ScopedCodePageForTesting;

// The whole UTF-16 -> ANSI table of each code page, as a digest: it is
// the table the Windows results above were checked with, and a change to
// the way it is made from ICU must not move a single entry.
TEST(PosixCodePage, WideTablesStayAsMade) {
  const std::pair<unsigned, std::uint64_t> digests[] = {{1252, 3873592457662648729u},
                                                        {932, 15314886106467052560u},
                                                        {936, 2436618062600919576u},
                                                        {949, 10824296253655017404u},
                                                        {950, 15850458333719856391u}};
  for (const auto& [page, digest] : digests) {
    const auto tables = posix::BuildAnsiTables(page);
    std::uint64_t hash = 0xCBF29CE484222325u;  // FNV-1a
    for (std::uint16_t bytes : tables->wide) {
      for (int shift : {0, 8}) hash = (hash ^ ((bytes >> shift) & 0xFF)) * 0x100000001B3u;
    }
    EXPECT_EQ(hash, digest) << page;
  }
}

// EqualLocale answers printable ASCII texts without the collator: every
// pair of such characters, and texts with the passed-over ones, in every
// code page, must get what CompareLocale gives.
TEST(PosixCodePage, EqualLocaleIsCompareLocaleAtZero) {
  Strings texts = {"", "ab", "AB", "a-b", "A-b", "ab-", "a'b", "a--b", "co-op", "coop", "x", "/f"};
  for (char a = 0x20; a < 0x7F; ++a) {
    for (char b = 0x20; b < 0x7F; ++b) texts.push_back({a, b});
  }
  for (unsigned page : {1252u, 932u, 936u, 949u, 950u}) {
    ScopedCodePageForTesting codePage(page);
    int equal = 0;
    for (const std::string& a : texts) {
      for (const std::string& b : {a, std::string("a-b"), std::string("Ab"), std::string("ab")}) {
        for (bool ignoreCase : {true, false}) {
          const bool expected = CompareLocale(a, b, ignoreCase) == 0;
          equal += expected;
          ASSERT_EQ(EqualLocale(a, b, ignoreCase), expected) << page << " " << a << " / " << b;
        }
      }
    }
    for (char c = 0x20; c < 0x7F; ++c) {  // each character against every other
      for (char d = 0x20; d < 0x7F; ++d) {
        const std::string x(1, c), y(1, d);
        for (bool ignoreCase : {true, false}) {
          ASSERT_EQ(EqualLocale(x, y, ignoreCase), CompareLocale(x, y, ignoreCase) == 0)
              << page << " " << x << " / " << y;
        }
      }
    }
    EXPECT_GT(equal, static_cast<int>(texts.size()));  // case-blind matches among them
  }
}

TEST(PosixCodePage, LocaleNamesChooseTheCodePageAsWineDoes) {
  const struct {
    const char* locale;
    unsigned codePage;
    // clang-format off
  } cases[] = {
      {"", 1252},          {"C", 1252},        {"POSIX", 1252},      {"C.UTF-8", 1252},
      {"en_US.UTF-8", 1252}, {"de_DE@euro", 1252}, {"ja_JP.UTF-8", 932}, {"ja_JP.eucJP", 932},
      {"ja", 932},         {"zh_CN.GB18030", 936}, {"zh_SG", 936},     {"zh_TW.UTF-8", 950},
      {"zh_HK", 950},      {"ko_KR.UTF-8", 949}, {"jaJP", 1252},
  };
  // clang-format on
  for (const auto& c : cases) EXPECT_EQ(posix::CodePageForLocale(c.locale), c.codePage) << c.locale;
}

TEST(PosixCodePage, DoubleByteCodePages) {
  ScopedCodePageForTesting sjis(932);
  EXPECT_EQ(AnsiCodePage(), 932u);
  for (unsigned byte : {0x81u, 0x9Fu, 0xE0u, 0xFCu}) EXPECT_TRUE(IsLeadByte(byte)) << byte;
  for (unsigned byte : {0x80u, 0xA0u, 0xB1u, 0xFDu, unsigned('a')})
    EXPECT_FALSE(IsLeadByte(byte)) << byte;
  EXPECT_EQ(WideToAnsi(u"\u3042\u30A2A\uFF71"), Bytes({0x82, 0xA0, 0x83, 0x41, 'A', 0xB1}));
  // ICU's table swaps these controls; Windows keeps ASCII as it is.
  EXPECT_EQ(WideToAnsi(u"\u001A\u001C\u007F"), Bytes({0x1A, 0x1C, 0x7F}));
  // Windows' best fit for 932, which ICU's fallbacks do not give.
  EXPECT_EQ(WideToAnsi(u"\u00E9\u00C5\u00A5\U0001F600"), "eA\\??");
  // Double-byte characters are upper-cased whole (Greek small alpha ->
  // capital alpha); a trail byte in the ASCII range is not a letter of its
  // own; a lead byte at the end stays.
  EXPECT_EQ(UpperBuffer(Bytes({0x82, 0x81, 'a', 0x83, 0x61, 0x83, 0xBF, 0x82})),
            Bytes({0x82, 0x60, 'A', 0x83, 0x61, 0x83, 0x9F, 0x82}));
  EXPECT_EQ(AnsiToUtf8(Bytes({0x82, 0xA0, 'x'})), "\xE3\x81\x82x");
  // Kana after letters; full-width a and A alike without case.
  ExpectStrictlyIncreasing({"a", "B", "\x82\xA0", "\x82\xA2"});
  EXPECT_EQ(CompareLocale("\x82\x81", "\x82\x60", true), 0);
  {
    ScopedCodePageForTesting gbk(936);
    EXPECT_EQ(WideToAnsi(u"\u4E2D\uFFE9"),
              Bytes({0xD6, 0xD0, '?'}));  // Windows leaves U+FFE9 undefined
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0xFE));
  }
  {
    ScopedCodePageForTesting korean(949);
    EXPECT_EQ(WideToAnsi(u"\uAC00"), Bytes({0xB0, 0xA1}));
  }
  ScopedCodePageForTesting big5(950);
  EXPECT_EQ(WideToAnsi(u"\u4E2D"), Bytes({0xA4, 0xA4}));
}

// Where the Linux build follows Windows rather than Wine.
// clang-format off
TEST(PosixCollation, IgnoredCharactersAndLigatures) {
  ScopedCodePageForTesting codePage(1252);
  // NUL bytes and the soft hyphen count for nothing, over full lengths; the
  // ligatures sort as their letters.
  const std::pair<std::string, std::string> same[] = {
      {std::string("ab\0c", 4), "abc"}, {std::string("a\0", 2), "a"}, {"a\xAD" "b", "ab"},
      {"ss", "\xDF"}, {"ae", "\xE6"}, {"th", "\xFE"}};
  for (const auto& [a, b] : same) {
    EXPECT_EQ(CompareLocale(a, b, false), 0) << a << " / " << b;
    EXPECT_EQ(CompareLocale(b, a, true), 0) << b << " / " << a;
  }
}
// clang-format on

TEST(PosixCollation, EveryCodePageGetsTheWindowsTailoring) {
  for (unsigned page : {932u, 936u, 949u, 950u}) {
    ScopedCodePageForTesting codePage(page);
    ExpectStrictlyIncreasing({"[x", "_x", "~", "1", "ab", "a-b", "ac"});
    EXPECT_EQ(CompareLocale("ABC", "abc", true), 0) << page;
    EXPECT_EQ(CompareLocale("abc", "ABC", false), -1) << page;
  }
}

// CompareLocale takes a shortcut for plain ASCII texts; collation keys are
// weights for lists of plain ASCII, ICU's keys for other long lists, and
// CompareLocale itself for other short ones. All must agree, in every code
// page, on texts that mix the shortcut's characters with those it leaves to
// ICU.
TEST(PosixCollation, AsciiShortcutAndKeysAgreeWithTheCollator) {
  unsigned seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (auto [page, alphabet, count] : {std::tuple{1252u, "aAbBzZ09 _[~!.'-\xE9\xC9", 300},
                                       {932u, "aAbBzZ09 _[~!.'-\xE9\xC9", 300},
                                       {936u, "aAbBzZ09 _[~!.'-\xE9\xC9", 20},
                                       {1252u, "aAbBzZ09 _[~!.'-", 300},
                                       {932u, "aAbB0'-", 20}}) {
    ScopedCodePageForTesting codePage(page);
    const std::string_view letters = alphabet;
    Strings texts;
    for (int i = 0; i < count; ++i) {
      std::string text;
      for (unsigned n = next() % 5; n > 0; --n) text += letters[next() % letters.size()];
      texts.push_back(text);
    }
    const std::vector<std::string_view> views(texts.begin(), texts.end());
    const CollationKeys keys(views, /*ignoreCase=*/true);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      for (std::size_t j = 0; j<texts.size(); j += texts.size()> 50 ? 7 : 1) {
        ASSERT_EQ(CompareLocale(texts[i], texts[j], true), keys.Compare(i, j))
            << page << ": \"" << texts[i] << "\" / \"" << texts[j] << '"';
      }
    }
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace tovrix::platform
