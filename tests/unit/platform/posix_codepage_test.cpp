// Code-page conversion, upper-casing and lead bytes of the Linux build,
// checked against what WideCharToMultiByte and CharUpperBuffA give under
// Wine for the same code pages.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/posix/ansi_tables.h"

namespace tovrix::platform {
namespace {

using posix::ScopedCodePageForTesting;

std::string Ansi(std::u16string_view units) { return WideToAnsi(units); }

std::string Bytes(std::initializer_list<unsigned> values) {
  std::string bytes;
  for (unsigned value : values) bytes += static_cast<char>(value);
  return bytes;
}

TEST(PosixCodePage, LocaleNamesChooseTheCodePageAsWineDoes) {
  const struct {
    const char* locale;
    unsigned codePage;
  } cases[] = {
      {"", 1252},
      {"C", 1252},
      {"POSIX", 1252},
      {"C.UTF-8", 1252},
      {"en_US.UTF-8", 1252},
      {"de_DE@euro", 1252},
      {"ja_JP.UTF-8", 932},
      {"ja_JP.eucJP", 932},
      {"ja", 932},
      {"zh_CN.GB18030", 936},
      {"zh_SG", 936},
      {"zh_TW.UTF-8", 950},
      {"zh_HK", 950},
      {"ko_KR.UTF-8", 949},
      {"jaJP", 1252},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(posix::CodePageForLocale(c.locale), c.codePage) << c.locale;
  }
}

TEST(PosixCodePage, WideToAnsi1252MatchesWindows) {
  ScopedCodePageForTesting codePage(1252);
  EXPECT_EQ(AnsiCodePage(), 1252u);
  EXPECT_EQ(Ansi(u"Abc\\x"), "Abc\\x");
  // A NUL unit is a NUL byte; the length comes from the count.
  EXPECT_EQ(Ansi(std::u16string_view(u"a\0b", 3)), std::string("a\0b", 3));
  EXPECT_EQ(Ansi(u"\u00E9\u20AC\u2019"), Bytes({0xE9, 0x80, 0x92}));
  // The five bytes 1252 leaves undefined stand for the C1 controls.
  EXPECT_EQ(Ansi(u"\u0081\u008D\u008F\u0090\u009D"),
            Bytes({0x81, 0x8D, 0x8F, 0x90, 0x9D}));
  // Best fit: letters lose their marks, full-width forms become ASCII, box
  // drawing becomes ASCII art.
  EXPECT_EQ(Ansi(u"\u0100\u0142\uFF21\u2500\u250C"), "AlA-+");
  // No best fit: '?' (never ICU's 0x1A, never nothing).
  EXPECT_EQ(Ansi(u"\u3042"), "?");
  EXPECT_EQ(Ansi(u"\u200B\uFEFF"), "??");
  // Surrogates: one '?' per unit, paired or not.
  EXPECT_EQ(Ansi(u"\U0001F600"), "??");
  EXPECT_EQ(Ansi(std::u16string_view(u"\xD800x", 2)), "?x");
}

TEST(PosixCodePage, AppendKeepsWhatIsAlreadyThere) {
  ScopedCodePageForTesting codePage(1252);
  std::string out = "head:";
  const std::u16string units = u"t\u00E9il";
  AppendWideAsAnsi(units.data(), units.size(), out);
  EXPECT_EQ(out, "head:t\xE9il");
  AppendWideAsAnsi(units.data(), 0, out);
  EXPECT_EQ(out, "head:t\xE9il");
}

TEST(PosixCodePage, UpperBuffer1252MatchesCharUpperBuffA) {
  ScopedCodePageForTesting codePage(1252);
  EXPECT_EQ(UpperBuffer("abc xyz 09{}"), "ABC XYZ 09{}");
  // y with diaeresis has its capital at 0x9F; s/z caron and oe at 0x8A..
  EXPECT_EQ(UpperBuffer(Bytes({0xFF, 0x9A, 0x9C, 0x9E, 0xE9, 0xFE})),
            Bytes({0x9F, 0x8A, 0x8C, 0x8E, 0xC9, 0xDE}));
  // Micro sign (capital not in 1252), sharp s (no simple capital),
  // division sign (not a letter) stay.
  EXPECT_EQ(UpperBuffer(Bytes({0xB5, 0xDF, 0xF7, 0xAA})),
            Bytes({0xB5, 0xDF, 0xF7, 0xAA}));
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(UpperBuffer(withNul), std::string("A\0B", 3));
  EXPECT_EQ(UpperBuffer(""), "");
  for (unsigned byte = 0; byte < 256; ++byte) {
    EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(byte))) << byte;
  }
}

TEST(PosixCodePage, AnsiToUtf8UsesTheCodePage) {
  ScopedCodePageForTesting codePage(1252);
  EXPECT_EQ(AnsiToUtf8("C:\\dir\\a.reg"), "C:\\dir\\a.reg");
  EXPECT_EQ(AnsiToUtf8(Bytes({0xE9, 0x80, 0x81})),
            "\xC3\xA9\xE2\x82\xAC\xC2\x81");
}

TEST(PosixCodePage, DoubleByteCodePage932) {
  ScopedCodePageForTesting codePage(932);
  EXPECT_EQ(AnsiCodePage(), 932u);
  EXPECT_TRUE(IsLeadByte(0x81));
  EXPECT_TRUE(IsLeadByte(0x9F));
  EXPECT_TRUE(IsLeadByte(0xE0));
  EXPECT_TRUE(IsLeadByte(0xFC));
  EXPECT_FALSE(IsLeadByte(0x80));
  EXPECT_FALSE(IsLeadByte(0xA0));
  EXPECT_FALSE(IsLeadByte(0xB1));  // half-width katakana
  EXPECT_FALSE(IsLeadByte(0xFD));
  EXPECT_FALSE(IsLeadByte('a'));

  EXPECT_EQ(Ansi(u"\u3042\u30A2A"), Bytes({0x82, 0xA0, 0x83, 0x41, 'A'}));
  EXPECT_EQ(Ansi(u"\uFF71"), Bytes({0xB1}));
  // ICU's table swaps these controls; Windows keeps ASCII as it is.
  EXPECT_EQ(Ansi(u"\u001A\u001C\u007F"), Bytes({0x1A, 0x1C, 0x7F}));
  // Windows' best fit for 932, which ICU's fallbacks do not give.
  EXPECT_EQ(Ansi(u"\u00E9\u00C5\u00A5"), "eA\\");
  EXPECT_EQ(Ansi(u"\U0001F600"), "??");

  // Double-byte characters are upper-cased whole; a trail byte in the
  // ASCII range is not a letter of its own.
  EXPECT_EQ(UpperBuffer(Bytes({0x82, 0x81, 'a', 0x83, 0x61})),
            Bytes({0x82, 0x60, 'A', 0x83, 0x61}));
  // Greek small alpha -> capital alpha; a lead byte at the end stays.
  EXPECT_EQ(UpperBuffer(Bytes({0x83, 0xBF, 0x82})), Bytes({0x83, 0x9F, 0x82}));
  EXPECT_EQ(AnsiToUtf8(Bytes({0x82, 0xA0, 'x'})), "\xE3\x81\x82x");
}

TEST(PosixCodePage, OtherDoubleByteCodePages) {
  {
    ScopedCodePageForTesting codePage(936);
    EXPECT_EQ(Ansi(u"\u4E2D"), Bytes({0xD6, 0xD0}));
    EXPECT_EQ(Ansi(u"\uFFE9"), "?");  // Windows leaves it undefined
    EXPECT_TRUE(IsLeadByte(0x81));
    EXPECT_TRUE(IsLeadByte(0xFE));
  }
  {
    ScopedCodePageForTesting codePage(949);
    EXPECT_EQ(Ansi(u"\uAC00"), Bytes({0xB0, 0xA1}));
  }
  {
    ScopedCodePageForTesting codePage(950);
    EXPECT_EQ(Ansi(u"\u4E2D"), Bytes({0xA4, 0xA4}));
  }
}

}  // namespace
}  // namespace tovrix::platform

#endif  // !_WIN32
