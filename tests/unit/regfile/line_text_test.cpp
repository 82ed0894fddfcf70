#include "regfile/line_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/string_list.h"
#include "text/text_ops.h"

namespace tovrix::regfile {
namespace {

// Lead bytes of a Shift-JIS-like code page, whatever the test machine runs.
LeadByteTable DoubleByteTable() { return LeadByteTable::FromRanges({{0x81, 0x9F}}); }

TEST(LineTextTest, HexItemValueReadsAsParseIntWithHexPrefix) {
  const char* items[] = {"",         "0",        "7f",         "FF",        "100",
                         "ffffffff", "00000000ff", "100000000", "g1",        "-1",
                         "+1",       "x1",       " 1",         "1 ",        "0x1",
                         "$1",       "aBcD"};
  for (const char* item : items) {
    const std::uint32_t expected =
        static_cast<std::uint32_t>(ParseInt(std::string("0x") + item, 0));
    EXPECT_EQ(HexItemValue(item), expected) << '"' << item << '"';
  }
}

TEST(LineTextTest, PlainCommaListsSplitAsSplitCommaListDoes) {
  const char* texts[] = {"", "41", "41,", ",41", "41,,42", ",", ",,", "0a,ff,00"};
  for (const char* text : texts) {
    ASSERT_TRUE(IsPlainCommaList(text)) << text;
    TStringList list;
    list.SplitCommaList(text);
    std::vector<std::string> expected;
    for (int i = 0; i < list.Count(); ++i) expected.push_back(list.Item(i));
    std::vector<std::string> split;
    std::string_view rest(text);
    if (!rest.empty()) {
      for (;;) {
        const std::size_t comma = rest.find(',');
        split.emplace_back(rest.substr(0, comma));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }
    EXPECT_EQ(split, expected) << text;
  }
  EXPECT_FALSE(IsPlainCommaList("41, 42"));
  EXPECT_FALSE(IsPlainCommaList("41,\t42"));
  EXPECT_FALSE(IsPlainCommaList("\"41\""));
  EXPECT_FALSE(IsPlainCommaList("41,\x81"));
}

TEST(LineTextTest, SearchesKeepToCharacterBoundaries) {
  const LeadByteTable single;
  const LeadByteTable dbcs = DoubleByteTable();
  // A lead byte takes the "=" after it as its second byte.
  EXPECT_EQ(FindNameSeparator("\x81=a=b", single), 1u);
  EXPECT_EQ(FindNameSeparator("\x81=a=b", dbcs), 3u);
  EXPECT_EQ(FindNameSeparator("abc", dbcs), std::string_view::npos);
  EXPECT_EQ(FindNameSeparator("=x", single), 0u);

  // 0x95 0x5C is one character; only the lone backslash after it goes.
  std::string out;
  AppendWithout(out, "a\\\x95\\\\b", '\\', dbcs);
  EXPECT_EQ(out, "a\x95\\b");
  out.clear();
  AppendWithout(out, "a\\\x95\\\\b", '\\', single);
  EXPECT_EQ(out, "a\x95" "b");

  out.clear();
  AppendReplaced(out, "\x95\\\\", "\\\\", "\\", dbcs);
  EXPECT_EQ(out, "\x95\\\\");
  out.clear();
  AppendReplaced(out, "\x95\\\\", "\\\\", "\\", single);
  EXPECT_EQ(out, "\x95\\");
  // The replacement is never searched again.
  out.clear();
  AppendReplaced(out, "a\"b\"", "\"", "\"\"", single);
  EXPECT_EQ(out, "a\"\"b\"\"");
}

TEST(LineTextTest, BinaryContinuationBytes) {
  const LeadByteTable single;
  const LeadByteTable dbcs = DoubleByteTable();
  std::string out = "01,";
  AppendBinaryContinuation(out, "0A, \\ FF,\\", single);
  EXPECT_EQ(out, "01,0a,ff,");
  // After a lead byte the next byte belongs to its character and stays,
  // in the one-pass form and the step-by-step form alike.
  out.clear();
  AppendBinaryContinuation(out, "\x81\\ 0A \x81 B", dbcs);
  EXPECT_EQ(out, "\x81\\0a\x81 b");
  out.clear();
  AppendBinaryContinuation(out, "\x81\\ 0A \x81 B", single);
  EXPECT_EQ(out, "\x81" "0a\x81" "b");
}

TEST(LineTextTest, WrappedPlainListsBreakAfterEveryNthComma) {
  std::size_t items = 99;
  std::string out = "<";
  ASSERT_TRUE(AppendWrappedPlainList(out, "a,b,c,d,e", 2, "|", items));
  EXPECT_EQ(out, "<a,b,|c,d,|e");
  EXPECT_EQ(items, 5u);
  out.clear();
  ASSERT_TRUE(AppendWrappedPlainList(out, "a,b,c,d", 2, "|", items));
  EXPECT_EQ(out, "a,b,|c,d");
  EXPECT_EQ(items, 4u);
  // A trailing comma ends in an empty item, which still gets its line.
  out.clear();
  ASSERT_TRUE(AppendWrappedPlainList(out, "a,b,", 2, "|", items));
  EXPECT_EQ(out, "a,b,|");
  EXPECT_EQ(items, 3u);
  out.clear();
  ASSERT_TRUE(AppendWrappedPlainList(out, "", 2, "|", items));
  EXPECT_EQ(out, "");
  EXPECT_EQ(items, 0u);
  // Lists that need SplitCommaList's rules are refused untouched.
  out = "kept";
  EXPECT_FALSE(AppendWrappedPlainList(out, "a,b,c, d", 2, "|", items));
  EXPECT_FALSE(AppendWrappedPlainList(out, "a,\"b\"", 2, "|", items));
  EXPECT_FALSE(AppendWrappedPlainList(out, "a,\xe9", 2, "|", items));
  EXPECT_EQ(out, "kept");
}

TEST(LineTextTest, UnescapeResolvesDoubledBackslashesThenEscapedQuotes) {
  const LeadByteTable single;
  std::string out, scratch;
  UnescapeRegString("C:\\\\Tools\\\\bin", out, scratch, single);
  EXPECT_EQ(out, "C:\\Tools\\bin");
  UnescapeRegString("say \\\"hi\\\"", out, scratch, single);
  EXPECT_EQ(out, "say \"hi\"");
  // Three backslashes and a quote: the pair first, then the escaped quote.
  UnescapeRegString("a\\\\\\\"", out, scratch, single);
  EXPECT_EQ(out, "a\\\"");
  UnescapeRegString("plain", out, scratch, single);
  EXPECT_EQ(out, "plain");

  std::string doubled = "x";
  AppendDoubledQuotes(doubled, "a\"b\"\"");
  EXPECT_EQ(doubled, "xa\"\"b\"\"\"\"");
}

}  // namespace
}  // namespace tovrix::regfile
