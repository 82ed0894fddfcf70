// The public text operations in a double-byte code page (932, Shift_JIS),
// reaching the lead bytes through the platform as the program does. On
// Linux the test switches the code page itself; on Windows it runs when
// the system code page is 932.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_util.h"
#include "text/arguments.h"
#include "text/comma_list.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix {
namespace {

using Strings = std::vector<std::string>;

// 0x95 0x5C is one character whose second byte is '\'; 0x83 0x43 one
// whose second byte is 'C'.
using CodePage932Test = testing::CodePageTest<932>;

// clang-format off
TEST_F(CodePage932Test, SearchAndReplaceSkipSecondBytes) {
  EXPECT_EQ(FindText("\\", "\x95\\a\\b"), 4u);
  EXPECT_EQ(FindText("\\", "\x95\\"), 0u);
  EXPECT_EQ(FindText("C", "\x83" "CC"), 3u);

  EXPECT_EQ(ReplaceText("\x95\\a\\b\\", "\\", "/", ReplaceAll), "\x95\\a/b/");
  // Case-blind: the 'C' that is a second byte is never a match, the
  // bytes around the matches are copied from the text as they were.
  EXPECT_EQ(ReplaceText("\x83" "Cc\x83" "C", "c", "x", ReplaceAll | IgnoreCase),
            "\x83" "Cx\x83" "C");
  EXPECT_EQ(ReplaceText("\x83" "cd\x83" "cd", "CD", "#", IgnoreCase), "\x83" "cd\x83" "cd");
  // A second byte in the letter range is not upper-cased on its own, so
  // it does not match an upper-case pattern either.
  EXPECT_EQ(ReplaceText("\x83" "a" "a", "A", "#", ReplaceAll | IgnoreCase), "\x83" "a#");
}
// clang-format on

TEST_F(CodePage932Test, LineRulesStepOverDoubleByteCharacters) {
  CommaItemReader reader("\x81,a,b \x95\\ \"\x81\"\",c");
  Strings items;
  for (std::string_view item; reader.Next(item);) items.emplace_back(item);
  EXPECT_EQ(items, (Strings{"\x81,a", "b", "\x95\\", "\x81\"", "c"}));

  EXPECT_EQ(FindNameSeparator("\x81=a=b"), 3u);
  std::string out;
  AppendReplaced(out, "\x95\\a\\", "\\", "\\\\");
  EXPECT_EQ(out, "\x95\\a\\\\");
  out.clear();
  AppendWithout(out, "\x83[a[", '[');
  EXPECT_EQ(out, "\x83[a");
  EXPECT_TRUE(DoubleByteCodePage());
}

TEST_F(CodePage932Test, CommandLineStepsOverDoubleByteCharacters) {
  const Arguments args = Arguments::FromCommandLine("prog \x81\" /f \"\x95\\ x\"", "p");
  ASSERT_EQ(args.ArgumentCount(), 3);
  EXPECT_EQ(args.ArgumentAt(1), "\x81\"");
  EXPECT_EQ(args.ArgumentAt(2), "/f");
  EXPECT_EQ(args.ArgumentAt(3), "\x95\\ x");
}

}  // namespace
}  // namespace tovrix
