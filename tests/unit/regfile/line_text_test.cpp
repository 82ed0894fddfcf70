#include "regfile/line_text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "support/test_util.h"
#include "text/comma_list.h"
#include "text/line_rules.h"
#include "text/line_splitter.h"
#include "text/text_ops.h"

namespace tovrix::regfile {
namespace {

TEST(LineTextTest, HexItemValueReadsAsParseIntWithHexPrefix) {
  const char* items[] = {"",   "0",  "7f", "FF", "100", "ffffffff", "00000000ff", "100000000", "g1",
                         "-1", "+1", "x1", " 1", "1 ",  "0x1",      "$1",         "aBcD"};
  for (const char* item : items) {
    const std::uint32_t expected =
        static_cast<std::uint32_t>(ParseInt(std::string("0x") + item, 0));
    EXPECT_EQ(HexItemValue(item), expected) << '"' << item << '"';
  }
}

TEST(LineTextTest, BinaryContinuationAndUnescape) {
  std::string out = "01,";
  AppendBinaryContinuation(out, "0A, \\ FF,\\");
  EXPECT_EQ(out, "01,0a,ff,");

  struct Case {
    const char* text;
    const char* expected;
  };
  std::string scratch;
  for (const Case& c :
       {Case{"C:\\\\Tools\\\\bin", "C:\\Tools\\bin"}, Case{"say \\\"hi\\\"", "say \"hi\""},
        // the pair first, then the escaped quote
        Case{"a\\\\\\\"", "a\\\""}, Case{"plain", "plain"}, Case{"", ""}}) {
    UnescapeRegString(c.text, out, scratch);
    EXPECT_EQ(out, c.expected) << c.text;
  }
}

// Long lines go sixteen bytes at a time: every byte at every place must come
// out as one at a time would make it, and a list is plain only when every
// byte is.
TEST(LineTextTest, WideStepsAgreeWithByteSteps) {
  const std::string alphabet = std::string("0aF,\\ @AZ[`z{~\"\x7F\x80\xC1\xDA") + '\0';
  unsigned seed = 1;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int n = round % 70; n > 0; --n) {
      seed = seed * 1103515245u + 12345u;
      text += alphabet[(seed >> 16) % (round % 5 == 0 ? alphabet.size() : 4)];
    }
    std::string expected = "x";
    bool plain = true;
    for (char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      plain = plain && byte > 0x20 && byte < 0x7F && c != '"';
      if (c != '\\' && c != ' ') expected += c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
    }
    std::string out = "x";
    AppendBinaryContinuation(out, text);
    ASSERT_EQ(out, expected) << text;
    ASSERT_EQ(IsPlainCommaList(text), plain) << text;
  }
}

// The one-pass unescaping agrees with its two steps done one after the
// other on every mix of backslashes, quotes and other bytes.
TEST(LineTextTest, UnescapeAgreesWithItsTwoSteps) {
  auto replaceAll = [](std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  unsigned seed = 5;
  std::string out, scratch;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    for (int n = round % 13; n > 0; --n) {
      seed = seed * 1103515245u + 12345u;
      text += "\\\"a"[(seed >> 16) % 3];
    }
    UnescapeRegString(text, out, scratch);
    ASSERT_EQ(out, replaceAll(replaceAll(text, "\\\\", "\\"), "\\\"", "\"")) << text;
  }
}

// A line taken as a plain continuation is one the general rules would take
// the same way: cut where the line rules cut it, no header, comment,
// signature or value line, a backslash that keeps the value open, and the
// same byte list for binary and wide values. The exports' own lines are
// taken.
void ExpectPlainContinuationsAsTheRulesTakeThem() {
  std::string_view list;
  EXPECT_EQ(PlainContinuationEnd("  00,ff,\\\r\nx", 0, list), 11u);
  EXPECT_EQ(list, "00,ff,");
  EXPECT_EQ(PlainContinuationEnd("a\n\t0a,1b,2c,3d,4e,5f,60,78,89,90,a0,\\ \r", 2, list), 39u);
  EXPECT_EQ(PlainContinuationEnd("0,\\\n\r", 0, list), 4u);
  // Blanks, a list, a backslash, blanks and a line break; one byte in two
  // lines is replaced by any byte of `odd`.
  const std::string odd = std::string("\\ \t\r\n=[;wWAF\x81\xE0\"\x7F") + '\0' + "0af,";
  const char* const breaks[] = {"\r\n", "\r", "\n", "\n\r", ""};
  unsigned seed = 7;
  auto next = [&seed](std::size_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  int taken = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text(next(3), round % 2 ? ' ' : '\t');
    for (int n = round % 40; n > 0; --n) text += "0af,"[next(4)];
    text += '\\';
    text.append(next(3), ' ');
    if (round % 2) text[next(text.size())] = odd[next(odd.size())];
    text.append(breaks[next(5)]).append(next(2) ? "x" : "");
    if (PlainContinuationEnd(text, 0, list) == std::string_view::npos) continue;
    ++taken;
    const std::size_t cut = FindLineBreak(text, 0);
    const std::string_view raw = std::string_view(text).substr(0, cut);
    ASSERT_EQ(PlainContinuationEnd(text, 0, list),
              cut == text.size() ? cut : LineAfterBreak(text, cut, true))
        << text;
    const std::string_view trimmed = TrimBlanks(raw);
    ASSERT_NE(std::toupper(static_cast<unsigned char>(raw[0])), 'W') << text;
    ASSERT_TRUE(trimmed.front() != '[' && trimmed.front() != ';') << text;
    ASSERT_EQ(FindNameSeparator(trimmed), std::string_view::npos) << text;
    ASSERT_EQ(trimmed.back(), '\\') << text;
    std::string binary, wide;
    AppendBinaryContinuation(binary, trimmed);
    AppendWithout(wide, trimmed, '\\');
    ASSERT_EQ(binary, list) << text;
    ASSERT_EQ(wide, list) << text;
  }
  EXPECT_GT(taken, 500);
}

TEST(LineTextTest, PlainContinuationsAreTakenAsTheRulesTakeThem) {
  ExpectPlainContinuationsAsTheRulesTakeThem();
}

// After a lead byte the next byte belongs to its character and stays.
using LineText932 = testing::CodePageTest<932>;
TEST_F(LineText932, DoubleByteCharactersKeepTheirSecondBytes) {
  std::string out;
  AppendBinaryContinuation(out, "\x81\\ 0A \x81 B");
  EXPECT_EQ(out, "\x81\\0a\x81 b");
  std::string scratch;
  UnescapeRegString("\x95\\\\\\", out, scratch);  // 0x95 0x5C, then one pair
  EXPECT_EQ(out, "\x95\\\\");
  ExpectPlainContinuationsAsTheRulesTakeThem();
}

}  // namespace
}  // namespace tovrix::regfile
