#include "regfile/wide_hex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/codepage.h"

namespace tovrix {
namespace {

using namespace std::string_literals;

// clang-format off
TEST(DecodeWideHexTest, DecodesItemsToQuotedAnsiText) {
  const struct {
    int type;
    const char* bytes;
    std::string expected;
  } cases[] = {
      {2, "25,00,53,00,00,00", "%S"},
      {2, "22,00,61,00,22,00,00,00", "\"\"a\"\""},  // quotes are doubled
      {2, "", ""},
      // Without a terminator the text is decoded whole; of two final NUL
      // units one NUL byte stays; a NUL unit inside is a NUL byte.
      {2, "41,00,42,00", "AB"},
      {2, "41,00,00,00,00,00", "A\0"s},
      {2, "41,00,00,00,42,00,00,00", "A\0B"s},
      {7, "61,00,00,00,62,00,00,00,00,00", "\"a\",\"b\""},
      {7, "61,00,00,00,00,00,62,00,00,00,00,00", "\"a\",\"\",\"b\""},
      {7, "61,00,00,00,62,00,00,00", "\"a\""},
      {7, "00,00", ""},
      {7, "61,00,62,00", ""},
      {7, "22,00,00,00,00,00", "\"\"\"\""},
      {7, "00,00,00,00", "\"\""},
      {1, "61,00,00,00,00,00", ""},  // other types give nothing
      {3, "61,00,00,00,00,00", ""},
      // Blanks inside items, an odd last item ignored, items that are not
      // hexadecimal counting as 0, digits in either case.
      {2, " 41 , 00 , 42 , 00 , 00 , 00 ", "AB"},
      {2, "4 1,0 0", "A"},
      {2, "41,00,42", "A"},
      {2, "zz,00,41,00", "\0A"s},
      {2, "41,xx,00,00", "A"},
      {2, "4A,00,4b,00", "JK"},
      // A trailing comma gives an empty item, which pairs as 0.
      {7, "61,00,00,", ""},
      {7, "61,00,00,00,00,00,62,", "\"a\""},
      // Long items: 00,100 sums to 0x10000, whose unit is 0 but which ends
      // no string; more than 32 bits is not a number: 0.
      {7, "00,100,00,00,00,00", "\"\0\""s},
      {2, "41,100,00,00", "A"},
      {2, "41,00,100000000,00", "A"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeWideHex(c.bytes, c.type), c.expected) << c.type << " " << c.bytes;
}
// clang-format on

// Lists in the form exports write are read by a quicker path; a tab after
// each comma takes the general one. Both agree on random units of every
// kind, both types, odd and even item counts, and now and then a byte that
// is no digit (which the quicker path must hand to the general one).
TEST(DecodeWideHexTest, PlainPairListsReadAsAnyList) {
  std::mt19937 random(7);
  const char* const digits = "0123456789abcdefABCDEF";
  auto digit = [&] { return random() % 150 == 0 ? 'g' : digits[random() % 22]; };
  for (int round = 0; round < 4000; ++round) {
    std::string plain, tabbed;
    for (int n = static_cast<int>(random() % 40) + 1; n > 0; --n) {
      std::string item{digit(), digit()};
      if (random() % 3 == 0) item = random() % 2 ? "00" : "20";
      plain += (plain.empty() ? "" : ",") + item;
      tabbed += (tabbed.empty() ? "" : ",\t") + item;
    }
    for (int type : {2, 7})
      EXPECT_EQ(DecodeWideHex(plain, type), DecodeWideHex(tabbed, type)) << plain;
  }
}

TEST(DecodeWideHexTest, UnitsAreUtf16ConvertedToTheAnsiCodePage) {
  // Single-byte characters are still read as UTF-16LE: 25,53 is one unit.
  EXPECT_EQ(DecodeWideHex("25,53,00", 2), platform::WideToAnsi(u"\u5325"));
  EXPECT_EQ(DecodeWideHex("e9,00,00,00", 2), platform::WideToAnsi(u"\u00e9"));
  EXPECT_EQ(DecodeWideHex("ac,20,00,00,00,00", 7), "\"" + platform::WideToAnsi(u"\u20ac") + "\"");
}

}  // namespace
}  // namespace tovrix
