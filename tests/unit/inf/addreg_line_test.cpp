#include "inf/addreg_line.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/comma_list.h"

namespace tovrix {
namespace {

TEST(AddRegLine, HeadsQuoteNamesAndKeys) {
  const std::string key = QuotedKeyPath("A\"B");
  EXPECT_EQ(key, "\"A\"\"B\"");
  EXPECT_EQ(KeyLine(key), "0x0,\"A\"\"B\"");
  std::string out;
  AppendAddRegHead(out, 0x10001, key, false, "n\"");
  AppendAddRegHead(out, 7, key, true, "ignored");
  EXPECT_EQ(out, "0x65537,\"A\"\"B\",\"n\"\"\",0x7,\"A\"\"B\",,");
  EXPECT_EQ(ReplacementComment(0x20), "; Replaced \"hex(20)\" to \"REG_BINARY\".");
}

// A break follows every 25th item that is not the last.
TEST(AddRegLine, ByteListsBreakAfterEveryTwentyFifthItem) {
  for (std::size_t count : {0u, 1u, 25u, 26u, 50u, 51u}) {
    std::string out;
    ByteListWriter list(out);
    for (std::size_t i = 0; i < count; ++i) list.Add("ab");
    EXPECT_EQ(list.Count(), count);
    const std::size_t breaks = count == 0 ? 0 : (count - 1) / 25;
    EXPECT_EQ(out.size(), count * 2 + (count ? count - 1 : 0) + breaks * kByteListBreak.size())
        << count;
    if (count == 26) {
      EXPECT_EQ(out.substr(out.size() - 8), ",\\\r\n  ab");
    }
  }
}

// A plain list added at once equals its items added one by one, after any
// number of items already in the list.
TEST(AddRegLine, PlainListsEqualTheirItems) {
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const std::size_t length = random() % 160;
    for (std::size_t i = 0; i < length; ++i) text += ",,0a1"[random() % 5];
    if (round % 2 == 0) {  // the form exports write: two digits an item
      text = "0a";
      for (std::size_t i = random() % 90; i > 0; --i) text += i % 7 ? ",1f" : ",00";
    }
    ASSERT_TRUE(IsPlainCommaList(text));
    const std::size_t before = random() % 60;
    std::string one, many;
    ByteListWriter whole(one), items(many);
    for (std::size_t i = 0; i < before; ++i) {
      whole.Add("ff");
      items.Add("ff");
    }
    whole.AddPlainList(text);
    CommaItemReader reader(text);
    for (std::string_view item; reader.Next(item);) items.Add(item);
    ASSERT_EQ(one, many) << text << " after " << before;
    ASSERT_EQ(whole.Count(), items.Count());
  }
  EXPECT_FALSE(IsPlainCommaList("0a, 0b"));
  EXPECT_FALSE(IsPlainCommaList("\"0a\""));
  EXPECT_FALSE(IsPlainCommaList("0a,\xE9"));
}

// Lists of two-byte items as exports write them, of every length up to
// three blocks of 48 bytes and more, and each with one byte turned into a
// comma or one comma turned into another byte.
TEST(AddRegLine, TwoByteItemListsAreTheExportForm) {
  EXPECT_FALSE(IsTwoByteItemList(""));
  for (std::size_t items = 1; items <= 60; ++items) {
    std::string list;  // items of any bytes but commas
    for (std::size_t i = 0; i < items; ++i) {
      list += std::string(i > 0 ? "," : "") + (i % 3 == 0 ? "a0" : i % 3 == 1 ? "\xFF\"" : " #");
    }
    ASSERT_TRUE(IsTwoByteItemList(list)) << list;
    EXPECT_FALSE(IsTwoByteItemList(list + ","));
    EXPECT_FALSE(IsTwoByteItemList(list.substr(1)));
    for (std::size_t at = 0; at < list.size(); ++at) {
      std::string changed = list;
      changed[at] = changed[at] == ',' ? 'b' : ',';
      ASSERT_FALSE(IsTwoByteItemList(changed)) << changed;
    }
  }
}

}  // namespace
}  // namespace tovrix
