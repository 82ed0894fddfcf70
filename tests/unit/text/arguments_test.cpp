// The command line: cutting it into arguments and looking up switches.

#include "text/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/internal.h"

namespace tovrix {
namespace {

using text_internal::LeadBytes;
using Strings = std::vector<std::string>;

TEST(CommandLineTest, CuttingByTheByteRules) {
  const LeadBytes single;
  struct Case {
    std::string raw;
    Strings args;
  };
  // clang-format off
  const Case cases[] = {
      {"", {}},
      {"prog", {}},
      {"prog   ", {}},
      {"prog /f x.reg", {"/f", "x.reg"}},
      {"prog \"C:\\My Files\\a.reg\" /f", {"C:\\My Files\\a.reg", "/f"}},
      {"prog \"\" /f x", {"/f", "x"}},  // the empty quoted argument vanishes
      {"prog \"\"\"\" x", {"x"}},
      {"prog a\"b c\"d", {"ab cd"}},   // touching stretches form one argument
      {"prog \"a b", {"a b"}},         // a quote open to the end
      {"prog a\\\"b c\"", {"a\\b c"}},  // a backslash is an ordinary byte
      {"prog\t/v\x01/x\r\n", {"/v", "/x"}},
      {"prog \xE9t\xE9 \xFF", {"\xE9t\xE9", "\xFF"}},
      {"\"C:\\Program Files\\t.exe\" /l k.txt", {"/l", "k.txt"}},
      {"prog a\"\"b", {"ab"}},
      {"prog \"\"\"", {}},  // the pair vanishes, the open quote gives nothing
      {std::string("prog a\0b", 8), {"a"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(text_internal::CutCommandLine(c.raw, single), c.args) << "raw: " << c.raw;
  }

  // A double-byte character is stepped over whole: its second byte is
  // neither a quote nor a blank.
  const LeadBytes sjis = LeadBytes::FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
  EXPECT_EQ(text_internal::CutCommandLine("prog \x81\" x", sjis), (Strings{"\x81\"", "x"}));
  EXPECT_EQ(text_internal::CutCommandLine("prog \x81\" x", single), (Strings{"\x81 x"}));
  EXPECT_EQ(text_internal::CutCommandLine("prog \"\x95\\ \x81 \"", sjis),
            (Strings{"\x95\\ \x81 "}));
  EXPECT_EQ(text_internal::CutCommandLine("prog a\x81", sjis), (Strings{"a\x81"}));
}

TEST(CommandLineTest, ArgumentsFromLinesAndLists) {
  const Arguments line =
      Arguments::FromCommandLine("prog \"\" /f \"a b.reg\"", "/opt/tovrix/tovrix");
  EXPECT_EQ(line.ArgumentCount(), 2);
  EXPECT_EQ(line.ArgumentAt(0), "/opt/tovrix/tovrix");
  EXPECT_EQ(line.ArgumentAt(1), "/f");
  EXPECT_EQ(line.ArgumentAt(2), "a b.reg");
  EXPECT_EQ(line.ArgumentAt(3), "");
  EXPECT_EQ(line.ArgumentAt(-1), "");

  // Empty argv entries vanish as empty quoted arguments do.
  const Arguments list = Arguments::FromList({"", "/f", "", "x.reg"}, "/bin/prog");
  EXPECT_EQ(list.ArgumentCount(), 2);
  EXPECT_EQ(list.ArgumentAt(1), "/f");
  EXPECT_EQ(list.ArgumentAt(2), "x.reg");
  EXPECT_EQ(list.ArgumentAt(0), "/bin/prog");

  const Arguments none = Arguments::FromList({}, "p");
  EXPECT_EQ(none.ArgumentCount(), 0);
  EXPECT_EQ(none.ArgumentAt(1), "");
}

TEST(CommandLineTest, SwitchLookups) {
  const std::string_view kChars = "-/";
  const Arguments args = Arguments::FromList(
      {"/file", "a.reg", "-X", "/verbose", "/xy", "x", "-M", "1", "/f", "b.reg", "/?"}, "p");

  // Prefix lookup: /file finds f, the first match wins.
  EXPECT_EQ(args.FindSwitchIndex("f", kChars, true), 1);
  EXPECT_EQ(args.FindSwitchIndex("fi", kChars, true), 1);
  EXPECT_EQ(args.FindSwitchIndex("m", kChars, true), 7);
  EXPECT_EQ(args.FindSwitchIndex("M", kChars, false), 7);
  EXPECT_EQ(args.FindSwitchIndex("m", kChars, false), -1);
  EXPECT_EQ(args.FindSwitchIndex("l", kChars, true), -1);
  EXPECT_EQ(args.FindSwitchIndex("v", kChars, true), 4);  // /verbose begins with v
  // An argument without a switch character is no switch ("x", "a.reg").
  EXPECT_EQ(args.FindSwitchIndex("a", kChars, true), -1);
  // With no switch characters every argument is looked at, from its second byte.
  EXPECT_EQ(args.FindSwitchIndex(".reg", "", true), 2);

  // Whole-argument lookup: -X is x; /xy, /verbose and a bare x are not.
  EXPECT_TRUE(args.HasSwitch("x", kChars, true));
  EXPECT_FALSE(args.HasSwitch("x", kChars, false));
  EXPECT_FALSE(args.HasSwitch("v", kChars, true));
  EXPECT_TRUE(args.HasSwitch("verbose", kChars, true));
  EXPECT_TRUE(args.HasSwitch("?", kChars, true));
  EXPECT_FALSE(args.HasSwitch("h", kChars, true));
  EXPECT_FALSE(args.HasSwitch("help", kChars, true));

  const Arguments only_x = Arguments::FromList({"x", "/xy"}, "p");
  EXPECT_FALSE(only_x.HasSwitch("x", kChars, true));
  EXPECT_TRUE(Arguments::FromList({"-H"}, "p").HasSwitch("h", kChars, true));
  EXPECT_EQ(Arguments::FromList({"-"}, "p").FindSwitchIndex("f", kChars, true), -1);
}

// Where '/' separates folders, an argument holding one after its first
// byte is a path: /tmp/a.reg must not select /t, nor /opt/x.inf /o.
TEST(CommandLineTest, SlashPathsAreNoSwitchesOnLinux) {
  const std::string_view kChars = "-/";
  const Arguments args =
      Arguments::FromList({"/f", "/tmp/a.reg", "/opt/x.inf", "-t/x", "/m", "1", "/tools"}, "p");
#ifdef _WIN32
  const int t = 2, o = 3;  // the Windows build keeps the byte rules
#else
  const int t = 7, o = -1;
#endif
  EXPECT_EQ(args.FindSwitchIndex("t", kChars, true), t);
  EXPECT_EQ(args.FindSwitchIndex("o", kChars, true), o);
  EXPECT_EQ(args.FindSwitchIndex("f", kChars, true), 1);  // switch spellings are kept
  EXPECT_EQ(args.FindSwitchIndex("m", kChars, true), 5);
  EXPECT_EQ(args.HasSwitch("tmp/a.reg", kChars, true), t == 2);
}

}  // namespace
}  // namespace tovrix
