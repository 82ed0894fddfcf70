#include "inf/addreg_line.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace tovrix
