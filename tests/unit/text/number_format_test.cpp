// ParseInt, ParseInt64, FormatText and the plain number writers.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "text/errors.h"
#include "text/text_ops.h"

namespace tovrix {
namespace {

constexpr std::int32_t kFallback = 777;  // for "not a number"

// clang-format off
TEST(ParseIntTest, GrammarAndRanges) {
  constexpr std::int64_t kMin32 = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();
  constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
  const struct {
    std::string text;
    std::int64_t as32, as64;  // ParseInt, ParseInt64
  } cases[] = {
      {"12", 12, 12},           {"  12", 12, 12},          {"12 ", kFallback, kFallback},
      {"\t12", kFallback, kFallback}, {"+7", 7, 7},           {"-7", -7, -7},
      {"-0x10", -16, -16},      {"-$10", -16, -16},        {"-x10", -16, -16},
      {"-X10", -16, -16},       {"0X1f", 31, 31},          {"$000000000001", 1, 1},
      {"010", 10, 10},          {"0", 0, 0},               {"-0", 0, 0},
      {"$FFFFFFFF", -1, 4294967295LL},                     {"$80000000", kMin32, 2147483648LL},
      {"-$80000000", kMin32, -2147483648LL},               {"$100000000", kFallback, 4294967296LL},
      {"2147483647", 2147483647, 2147483647},              {"2147483648", kFallback, 2147483648LL},
      {"-2147483648", kMin32, kMin32},                     {"-2147483649", kFallback, -2147483649LL},
      {"$FFFFFFFFFFFFFFFF", kFallback, -1},                {"$10000000000000000", kFallback, kFallback},
      {"9223372036854775807", kFallback, kMax64},          {"9223372036854775808", kFallback, kFallback},
      {"-9223372036854775808", kFallback, kMin64},         {"-9223372036854775809", kFallback, kFallback},
      {"99999999999999999999", kFallback, kFallback},
      // Not numbers.
      {"0x", kFallback, kFallback},   {"$", kFallback, kFallback},    {"x", kFallback, kFallback},
      {"-", kFallback, kFallback},    {"+", kFallback, kFallback},    {"", kFallback, kFallback},
      {"   ", kFallback, kFallback},  {"1e3", kFallback, kFallback},  {"1a", kFallback, kFallback},
      {"$1G", kFallback, kFallback},  {"0x1 ", kFallback, kFallback}, {"--1", kFallback, kFallback},
      {"+-1", kFallback, kFallback},  {"- 1", kFallback, kFallback},  {"00x1", kFallback, kFallback},
      {std::string("1\0", 2), kFallback, kFallback},
      {"\xEF\xBC\x91", kFallback, kFallback},  // not an ASCII digit
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInt(c.text, kFallback), c.as32) << "text: " << c.text;
    EXPECT_EQ(ParseInt64(c.text, kFallback), c.as64) << "text: " << c.text;
  }
}
// clang-format on

// clang-format off
TEST(FormatTextTest, Conversions) {
  using Args = std::vector<FormatArg>;
  struct Case {
    std::string pattern;
    Args args;
    std::string expected;
  };
  const std::string long_text(100000, 'd');
  const Case cases[] = {
      {"0x%x", {std::int32_t{-1}}, "0xFFFFFFFF"},
      {"0x%X", {std::int32_t{255}}, "0xFF"},
      {"%x", {std::int64_t{-1}}, "FFFFFFFFFFFFFFFF"},
      {"%x", {std::int32_t{0}}, "0"},
      {"%.2x,", {std::int32_t{10}}, "0A,"},
      {"%.2x", {std::int32_t{0x1234}}, "1234"},
      {"ControlSet%.3d", {std::int32_t{2}}, "ControlSet002"},
      {"ControlSet%.3d", {std::int32_t{1234}}, "ControlSet1234"},
      {"%.3d", {std::int32_t{-5}}, "-005"},
      {"%.3D", {std::int32_t{7}}, "007"},
      {"0x%d", {std::int32_t{16}}, "0x16"},
      {"%d", {std::numeric_limits<std::int32_t>::min()}, "-2147483648"},
      {"%d", {std::numeric_limits<std::int64_t>::min()}, "-9223372036854775808"},
      {"%d", {std::int64_t{4294967296LL}}, "4294967296"},
      {"%u", {std::int32_t{-1}}, "4294967295"},
      {"%s", {std::string_view("x")}, "x"},
      {"%S|%s", {std::string_view("a"), std::string_view("")}, "a|"},
      {"0x%d,\"%s\",\"%s\",%s",
       {std::int32_t{1}, std::string_view("Key\\Sub"), std::string_view("Name"),
        std::string_view("\"data\"")},
       "0x1,\"Key\\Sub\",\"Name\",\"data\""},
      {"100%%", {}, "100%"},
      {"%%%d%%", {std::int32_t{5}}, "%5%"},
      {"no conversions", {std::int32_t{1}}, "no conversions"},  // surplus ignored
      {"%s!", {std::string_view(long_text)}, long_text + "!"},
      {"%5d|%-4s|", {std::int32_t{42}, std::string_view("ab")}, "   42|ab  |"},
      {"%.1s", {std::string_view("abc")}, "a"},
      {std::string("a\0%d", 4), {std::int32_t{3}}, std::string("a\0" "3", 3)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatText(c.pattern, c.args), c.expected) << "pattern: " << c.pattern;
  }
}
// clang-format on

TEST(FormatTextTest, MismatchesRaiseConvertError) {
  using Args = std::vector<FormatArg>;
  EXPECT_THROW(FormatText("%d", {std::string_view("x")}), EConvertError);
  EXPECT_THROW(FormatText("%x", {std::string_view("x")}), EConvertError);
  EXPECT_THROW(FormatText("%s", {std::int32_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%s", {std::int64_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%d %d", {std::int32_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%", Args{}), EConvertError);
  EXPECT_THROW(FormatText("%.", Args{std::int32_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%q", {std::int32_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%f", {std::int32_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%*d", {std::int32_t{1}}), EConvertError);
  EXPECT_THROW(FormatText("%.99999999999d", {std::int32_t{1}}), EConvertError);
  try {
    FormatText("bad %d", {std::string_view("x")});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.ClassName(), "EConvertError");
    EXPECT_NE(std::string(e.what()).find("bad %d"), std::string::npos);
  }
}

// clang-format off
TEST(FormatTextTest, PlainWriters) {
  std::string out;
  AppendHex32(out, 0xFFFFFFFFu);
  AppendHex32(out, 0);
  AppendHex64(out, 0x123456789ABCDEF0ull);
  AppendDecimal(out, std::numeric_limits<std::int64_t>::min());
  AppendDecimal(out, 0);
  AppendDecimal(out, 1234567);
  EXPECT_EQ(out, "FFFFFFFF" "0" "123456789ABCDEF0" "-9223372036854775808" "0" "1234567");
}
// clang-format on

}  // namespace
}  // namespace tovrix
