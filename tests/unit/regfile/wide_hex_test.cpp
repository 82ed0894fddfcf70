#include "regfile/wide_hex.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"

namespace tovrix {
namespace {

using namespace std::string_literals;

struct WideCase {
  int type;
  const char* bytes;
  std::string expected;
};

TEST(DecodeWideHexTest, DecodesTheDocumentedTable) {
  const WideCase cases[] = {
      {2, "25,00,53,00,00,00", "%S"},
      {2, "22,00,61,00,22,00,00,00", "\"\"a\"\""},
      {2, "", ""},
      {7, "61,00,00,00,62,00,00,00,00,00", "\"a\",\"b\""},
      {7, "61,00,00,00,00,00,62,00,00,00,00,00", "\"a\",\"\",\"b\""},
      {7, "61,00,00,00,62,00,00,00", "\"a\""},
      {7, "00,00", ""},
      {7, "61,00,62,00", ""},
  };
  for (const WideCase& c : cases) {
    EXPECT_EQ(DecodeWideHex(c.bytes, c.type), c.expected) << c.type << " " << c.bytes;
  }
}

TEST(DecodeWideHexTest, ExpandableStringTerminators) {
  // Without a terminator the text is decoded whole; of two final NUL units
  // one NUL byte stays.
  EXPECT_EQ(DecodeWideHex("41,00,42,00", 2), "AB");
  EXPECT_EQ(DecodeWideHex("41,00,00,00,00,00", 2), "A\0"s);
  // A NUL unit inside the text is kept as a NUL byte.
  EXPECT_EQ(DecodeWideHex("41,00,00,00,42,00,00,00", 2), "A\0B"s);
  // Quotes are doubled.
  EXPECT_EQ(DecodeWideHex("61,00,22,00,62,00,00,00", 2), "a\"\"b");
}

TEST(DecodeWideHexTest, BlanksOddItemsAndUnreadableItems) {
  EXPECT_EQ(DecodeWideHex(" 41 , 00 , 42 , 00 , 00 , 00 ", 2), "AB");
  EXPECT_EQ(DecodeWideHex("4 1,0 0", 2), "A");
  // An odd last item is ignored.
  EXPECT_EQ(DecodeWideHex("41,00,42", 2), "A");
  // Items that are not hexadecimal count as 0.
  EXPECT_EQ(DecodeWideHex("zz,00,41,00", 2), "\0A"s);
  EXPECT_EQ(DecodeWideHex("41,xx,00,00", 2), "A");
  // Upper-case digits read as well as lower-case ones.
  EXPECT_EQ(DecodeWideHex("4A,00,4b,00", 2), "JK");
  // A trailing comma gives an empty item, which pairs as 0.
  EXPECT_EQ(DecodeWideHex("61,00,00,", 7), "");
  EXPECT_EQ(DecodeWideHex("61,00,00,00,00,00,62,", 7), "\"a\"");
}

TEST(DecodeWideHexTest, MultiStringQuotesAndOtherTypes) {
  EXPECT_EQ(DecodeWideHex("22,00,00,00,00,00", 7), "\"\"\"\"");
  EXPECT_EQ(DecodeWideHex("00,00,00,00", 7), "\"\"");
  EXPECT_EQ(DecodeWideHex("61,00,00,00,00,00", 1), "");
  EXPECT_EQ(DecodeWideHex("61,00,00,00,00,00", 3), "");
}

TEST(DecodeWideHexTest, UnitsAreUtf16ConvertedToTheAnsiCodePage) {
  // Single-byte characters are still read as UTF-16LE: 25,53 is one unit.
  EXPECT_EQ(DecodeWideHex("25,53,00", 2), platform::WideToAnsi(u"\u5325"));
  EXPECT_EQ(DecodeWideHex("e9,00,00,00", 2), platform::WideToAnsi(u"\u00e9"));
  EXPECT_EQ(DecodeWideHex("ac,20,00,00,00,00", 7),
            "\"" + platform::WideToAnsi(u"\u20ac") + "\"");
}

TEST(DecodeWideHexTest, LongItemsTestTheTerminatorOnTheWholeSum) {
  // 00,100 sums to 0x10000: its unit is 0 but it ends no string.
  EXPECT_EQ(DecodeWideHex("00,100,00,00,00,00", 7), "\"\0\""s);
  EXPECT_EQ(DecodeWideHex("41,100,00,00", 2), "A");
  // More than 32 bits is not a number: 0.
  EXPECT_EQ(DecodeWideHex("41,00,100000000,00", 2), "A");
}

}  // namespace
}  // namespace tovrix
