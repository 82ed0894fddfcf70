// The key-list append: items cut at their line breaks, NUL bytes kept.
#include "liveexport/section_append.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_util.h"

namespace tovrix {
namespace {

using testing::Items;
using Lines = std::vector<std::string>;

TEST(AddItemLines, CutsAsTheItemFollowedByCrLfWould) {
  const struct {
    std::string item;
    Lines lines;
  } cases[] = {
      {"", {""}},
      {"plain", {"plain"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\r", {"a", ""}},
      {"a\n", {"a", ""}},
      {"a\r\n", {"a", ""}},
      {"\r\n", {"", ""}},
      {"\nx", {"", "x"}},
      {"01,\\\r\n  02", {"01,\\", "  02"}},
      {std::string("x\0y\rz", 5), {std::string("x\0y", 3), "z"}},
  };
  for (const auto& c : cases) {
    TStringList list;
    AddItemLines(list, c.item);
    EXPECT_EQ(Items(list), c.lines) << "item of " << c.item.size() << " bytes";
  }
}

// The INF's sections keep their line ends (inf/output.h); a section that
// does not must be cut the same way.
TEST(SectionAppender, MatchesSplittingTheJoinedSectionAndKeepsNulBytes) {
  const std::string nul("x\0y", 3);
  for (LineEnds ends : {LineEnds::Kept, LineEnds::Dropped}) {
    TStringList section(ends);
    for (const std::string& item : Lines{"first", "a,\\\r\n  b", "c\rd", nul, ""})
      section.Add(item);
    SectionAppender appender(section);
    TStringList lines = testing::ListOf({"0x0,\"K\"", "0x3,\"K\",\"v\",01,\\\r\n  02"});
    appender.Append(lines);
    EXPECT_EQ(Items(section), (Lines{"first", "a,\\", "  b", "c", "d", nul, "", "0x0,\"K\"",
                                     "0x3,\"K\",\"v\",01,\\", "  02"}));

    // Items added by others between two appends are cut as well; the ones
    // already cut stay as they are.
    section.Add("late\nitem");
    lines.Clear();
    lines.Add("0x0,\"L\"");
    appender.Append(lines);
    EXPECT_EQ(section.Count(), 13);
    EXPECT_EQ(section.Item(10), "late");
    EXPECT_EQ(section.Item(11), "item");
    EXPECT_EQ(section.Item(12), "0x0,\"L\"");
    EXPECT_EQ(section.Item(5), nul);
    std::string written;
    section.ForEachWrittenPiece([&](std::string_view piece) { written.append(piece); });
    std::string joined;
    for (const std::string& item : Items(section)) joined += item + "\r\n";
    EXPECT_EQ(written, joined);
  }
}

}  // namespace
}  // namespace tovrix
