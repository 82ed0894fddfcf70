// The line rules agree with the general text operations they stand in for,
// and keep the few byte rules of their own.

#include "text/line_rules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/text_ops.h"

namespace tovrix {
namespace {

// clang-format off
TEST(LineRulesTest, ByteRules) {
  EXPECT_EQ(UpToNul(std::string_view("ab\0c", 4)), "ab");
  EXPECT_EQ(UpToNul(""), "");
  EXPECT_TRUE(ContainsByte(std::string_view("a\0", 2), '\0'));
  EXPECT_FALSE(ContainsByte("", 'a'));
  EXPECT_EQ(FindNameSeparator("\"a=b\"=x"), 2u);  // quotes are not looked at
  EXPECT_EQ(FindNameSeparator("abc"), std::string_view::npos);

  struct Case { const char* text; char byte; const char* expected; };
  for (const Case& c : {Case{"a\\b\\\\", '\\', "ab"}, Case{"", ' ', ""}, Case{"   ", ' ', ""},
                        Case{"x y", ' ', "xy"}}) {
    std::string out = "<";
    AppendWithout(out, c.text, c.byte);
    EXPECT_EQ(out, std::string("<") + c.expected) << c.text;
  }

  // Every byte, at every place of a text longer than two words, among
  // capitals (which the words are changed in) and bytes just beside them.
  for (int byte = 0; byte < 256; ++byte) {
    for (std::size_t at = 0; at < 17; ++at) {
      std::string text = "AZ@[`{\xC1\xDA\x80\xFF" "az0Q\x7F\x01Z";
      text[at] = static_cast<char>(byte);
      std::string expected = text;
      for (char& c : expected) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
      }
      LowerAsciiInPlace(text);
      ASSERT_EQ(text, expected) << byte << " at " << at;
    }
  }
}
// clang-format on

// Random texts over the bytes that matter: AppendReplaced is ReplaceText
// with ReplaceAll on texts without NUL; AppendDoubledQuotes is the same on
// any text, NUL included (only quotes before the first NUL are doubled).
TEST(LineRulesTest, AgreeWithReplaceText) {
  std::mt19937 random(7);
  const char alphabet[] = {'a', '"', '\\', '=', '\0'};
  const char* patterns[] = {"\\\\", "\"", "\\\"", "a"};
  for (int round = 0; round < 4000; ++round) {
    std::string text(random() % 9, 'a');
    for (char& c : text) c = alphabet[random() % sizeof(alphabet)];
    std::string out = "<";
    AppendDoubledQuotes(out, text);
    ASSERT_EQ(out, "<" + ReplaceText(text, "\"", "\"\"", ReplaceAll)) << round;
    ASSERT_EQ(DoubleQuotes(text), ReplaceText(text, "\"", "\"\"", ReplaceAll));

    const std::string plain(UpToNul(text));
    const char* pattern = patterns[round % 4];
    out.clear();
    AppendReplaced(out, plain, pattern, "\\");
    ASSERT_EQ(out, ReplaceText(plain, pattern, "\\", ReplaceAll)) << plain << " / " << pattern;
  }
}

}  // namespace
}  // namespace tovrix
