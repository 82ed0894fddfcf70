// Searching, cutting, replacing, case-mapping, trimming and path parts.

#include "text/text_ops.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.h"
#include "text/internal.h"

namespace tovrix {
namespace {

using text_internal::LeadBytes;

// Shift_JIS lead bytes: 0x95 0x5C is a character whose second byte is '\'.
const LeadBytes& Sjis() {
  static const LeadBytes table = LeadBytes::FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
  return table;
}

TEST(TextOpsTest, FindTextStopsAtNulAndSkipsSecondBytes) {
  const LeadBytes single;
  EXPECT_EQ(FindText("lo", "hello"), 4u);
  EXPECT_EQ(FindText("", "hello"), 0u);
  EXPECT_EQ(FindText("x", ""), 0u);
  EXPECT_EQ(FindText("b", std::string_view("a\0b", 3)), 0u);
  EXPECT_EQ(FindText(std::string_view("a\0z", 3), "xa"), 2u);  // pattern ends at NUL
  EXPECT_EQ(FindText(std::string_view("\0", 1), "abc"), 0u);
  EXPECT_EQ(text_internal::FindTextWith("\\", "\x95\\a\\b", single), 2u);

  const LeadBytes& sjis = Sjis();
  // The '\' inside the double-byte character is passed over.
  EXPECT_EQ(text_internal::FindTextWith("\\", "\x95\\a\\b", sjis), 4u);
  EXPECT_EQ(text_internal::FindTextWith("\\", "\x95\\", sjis), 0u);
  EXPECT_EQ(text_internal::FindTextWith("\x95\\", "a\x95\\", sjis), 2u);
  // A pattern found only on a second byte, then properly later.
  EXPECT_EQ(text_internal::FindTextWith("\\a", "\x95\\a\\a", sjis), 4u);
  // A lead byte before a NUL is a character of its own.
  EXPECT_EQ(text_internal::FindTextWith("\x81", std::string_view("x\x81\0\x81", 4), sjis), 2u);
  EXPECT_EQ(text_internal::FindTextWith("b", "aa\x81", sjis), 0u);
}

TEST(TextOpsTest, PrefixesAndSubTexts) {
  EXPECT_TRUE(BeginsWith("[HKEY_X", "[HKEY_"));
  EXPECT_FALSE(BeginsWith("x[HKEY_", "[HKEY_"));
  EXPECT_FALSE(BeginsWith("abc", ""));
  EXPECT_EQ(SubText("abcdef", 0, 3), "abc");
  EXPECT_EQ(SubText("abcdef", -5, 2), "ab");
  EXPECT_EQ(SubText("abcdef", 5, 10), "ef");
  EXPECT_EQ(SubText("abcdef", 6, 1), "f");
  EXPECT_EQ(SubText("abcdef", 7, 1), "");
  EXPECT_EQ(SubText("abcdef", 2, -1), "");
  EXPECT_EQ(SubText("abcdef", 2, 0), "");
  EXPECT_EQ(SubText("", 1, 1), "");
  EXPECT_EQ(SubText("abc", 2, 1LL << 40), "bc");
  EXPECT_EQ(SubText("abc", 1LL << 40, 1), "");
}

TEST(TextOpsTest, ReplaceText) {
  struct Case {
    const char* text;
    const char* pattern;
    const char* replacement;
    unsigned flags;
    const char* expected;
  };
  // clang-format off
  const Case cases[] = {
      {"C:\\WINDOWS\\System32", "c:\\windows", "%SystemRoot%", ReplaceAll | IgnoreCase,
       "%SystemRoot%\\System32"},
      {"ab AB ab", "ab", "x", IgnoreCase, "x AB ab"},
      {"ab AB ab", "ab", "x", ReplaceAll, "x AB x"},
      {"ab AB ab", "ab", "x", ReplaceAll | IgnoreCase, "x x x"},
      {"ab AB ab", "AB", "x", IgnoreCase, "x AB ab"},
      {"aa", "a", "aa", ReplaceAll, "aaaa"},  // the output is never searched again
      {"aaa", "aa", "b", ReplaceAll, "ba"},   // no overlap
      {"", "a", "b", ReplaceAll, ""},
      {"abc", "", "x", ReplaceAll, "abc"},
      {"abc", "abc", "", ReplaceAll, ""},
      {"abc", "d", "x", ReplaceAll | IgnoreCase, "abc"},
      // Letter case outside the matches stays as it was.
      {"Path=c:\\Windows\\Temp", "C:\\WINDOWS", "X:\\I386", IgnoreCase, "Path=X:\\I386\\Temp"},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(ReplaceText(c.text, c.pattern, c.replacement, c.flags), c.expected)
        << c.text << " / " << c.pattern << " / flags " << c.flags;
  }
  // The search ends at a NUL byte, but every byte is still copied.
  const std::string with_nul("a\0a", 3);
  EXPECT_EQ(ReplaceText(with_nul, "a", "b", ReplaceAll), std::string("b\0a", 3));
}

TEST(TextOpsTest, CaseMapping) {
  EXPECT_EQ(UpperAscii("abc\xE9xyz"), "ABC\xE9XYZ");
  EXPECT_EQ(UpperAscii("@[`{"), "@[`{");
  EXPECT_EQ(UpperAscii(std::string_view("a\0b", 3)), std::string("A\0B", 3));
  EXPECT_EQ(UpperAscii(""), "");

  EXPECT_EQ(UpperLocale("c:\\windows\\System32"), "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(UpperLocale(""), "");
  const std::string high = "\xE9\xFF\xB5\xDF\x81\x40";
  EXPECT_EQ(UpperLocale(high).size(), high.size());
}

// clang-format off
TEST(TextOpsTest, TrimBlanks) {
  EXPECT_EQ(TrimBlanks("\t x\r\n"), "x");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks(std::string_view("\0a b\0", 5)), "a b");
  EXPECT_EQ(TrimBlanks("\x01\x1F" "a\xA0"), "a\xA0");  // 0xA0 is no blank
}
// clang-format on

TEST(TextOpsTest, PathPartsWithBackslashSeparators) {
  const LeadBytes single;
  const std::string_view seps = "\\:";
  auto name = [&](std::string_view p, const LeadBytes& lead) {
    return text_internal::FileNamePartWith(p, seps, lead);
  };
  auto change = [&](std::string_view p, std::string_view ext, const LeadBytes& lead) {
    return text_internal::ChangeExtensionWith(p, ext, seps, lead);
  };
  EXPECT_EQ(name("C:\\dir\\file.reg", single), "file.reg");
  EXPECT_EQ(name("C:file.reg", single), "file.reg");
  EXPECT_EQ(name("C:\\dir\\", single), "");
  EXPECT_EQ(name("file.reg", single), "file.reg");
  EXPECT_EQ(name("", single), "");

  EXPECT_EQ(change("C:\\tools\\conv.exe", ".inf", single), "C:\\tools\\conv.inf");
  EXPECT_EQ(change("C:\\app.d\\conv", ".inf", single), "C:\\app.d\\conv.inf");
  EXPECT_EQ(change("a.b.c", ".inf", single), "a.b.inf");
  EXPECT_EQ(change("", ".inf", single), ".inf");
  EXPECT_EQ(change("C:.x", ".inf", single), "C:.inf");
  EXPECT_EQ(change("C:x.", ".inf", single), "C:x.inf");

  // The second byte 0x5C of 0x95 0x5C is not a separator.
  EXPECT_EQ(name("C:\\dir\\\x95\\", Sjis()), "\x95\\");
  EXPECT_EQ(name("C:\\dir\\\x95\\", single), "");
  EXPECT_EQ(change("a.\x95\\b", ".inf", Sjis()), "a.inf");
  EXPECT_EQ(change("a.\x95\\b", ".inf", single), "a.\x95\\b.inf");
}

// The public forms take the platform's separators.
TEST(TextOpsTest, PathPartsWithPlatformSeparators) {
  const char sep = platform::PathSeparators()[0];
  const std::string dir = std::string("top") + sep + "app.d" + sep;
  EXPECT_EQ(FileNamePart(dir + "conv.exe"), "conv.exe");
  EXPECT_EQ(FileNamePart(dir), "");
  EXPECT_EQ(ChangeExtension(dir + "conv", ".inf"), dir + "conv.inf");
}

}  // namespace
}  // namespace tovrix
