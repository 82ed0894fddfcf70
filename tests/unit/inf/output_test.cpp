#include "inf/output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/files.h"
#include "support/test_util.h"
#include "text/errors.h"

namespace tovrix {
namespace {

TEST(OutputDocument, BlocksInOrderEachFollowedByAnEmptyLine) {
  OutputLists lists;
  lists.setupRegAddReg.Add("S1");
  lists.defaultDelReg.Add("DD1");
  lists.defaultAddReg.Add("D1");
  lists.softwareDelReg.Add("SD1");
  lists.softwareAddReg.Add("A1");
  lists.softwareAddReg.Add("A2");
  lists.expanderList.Add("E1");
  EXPECT_EQ(AssembleOutputDocument(lists),
            "[Software.AddReg]\r\nA1\r\nA2\r\n\r\n"
            "; for Tessalon\r\nE1\r\n\r\n"
            "[Software.DelReg]\r\nSD1\r\n\r\n"
            "[Default.AddReg]\r\nD1\r\n\r\n"
            "[Default.DelReg]\r\nDD1\r\n\r\n"
            "[SetupReg.AddReg]\r\nS1\r\n\r\n");
}

TEST(OutputDocument, EmptyAndPartialDocuments) {
  OutputLists empty;
  EXPECT_EQ(AssembleOutputDocument(empty), "");

  // Expander entries have no home without [Software.AddReg].
  OutputLists orphan;
  orphan.expanderList.Add("E1");
  orphan.setupRegAddReg.Add("S1");
  EXPECT_EQ(AssembleOutputDocument(orphan), "[SetupReg.AddReg]\r\nS1\r\n\r\n");

  // One empty item still makes a section.
  OutputLists blank;
  blank.defaultAddReg.Add("");
  EXPECT_EQ(AssembleOutputDocument(blank), "[Default.AddReg]\r\n\r\n\r\n");

  // An item with a line break inside is written as it is: several lines.
  OutputLists wrapped;
  wrapped.softwareAddReg.Add("0x3,\"K\",\"b\",\\\r\n  01,02");
  EXPECT_EQ(AssembleOutputDocument(wrapped),
            "[Software.AddReg]\r\n0x3,\"K\",\"b\",\\\r\n  01,02\r\n\r\n");
}

TEST(OutputFile, WritesTheSameBytesAndReplacesAnOldFile) {
  testing::ScratchDir dir;
  const std::string target = dir.Write("out.inf", "old contents that are longer than the new ones");
  OutputLists lists;
  lists.defaultAddReg.Add("0x0,\"Software\\Test\"");
  lists.defaultAddReg.Add(std::string(3 << 20, 'x'));  // larger than one write chunk
  lists.defaultAddReg.Add("0x0,\"Software\\Last\"");
  WriteOutputDocument(lists, target);
  EXPECT_TRUE(dir.Read("out.inf") == AssembleOutputDocument(lists));
  EXPECT_EQ(dir.Entries(), testing::Strings{"out.inf"}) << "no temporary file may stay behind";
}

TEST(OutputFile, FailureToCreateLeavesNothingBehind) {
  testing::ScratchDir dir;
  OutputLists lists;
  lists.defaultAddReg.Add("line");
  std::filesystem::create_directories(dir.Path("sub"));
  const std::string locked = dir.Write("locked.inf", "old\r\n");
  std::filesystem::permissions(locked,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  // A folder where the file should go, no folder to put it in, no name,
  // a read-only file.
  for (const std::string& path :
       {dir.Path("sub"), dir.Path("missing/out.inf"), std::string(), locked}) {
    EXPECT_THROW(WriteOutputDocument(lists, path), EFCreateError) << path;
  }
  EXPECT_EQ(dir.Read("locked.inf"), "old\r\n");
  EXPECT_EQ(dir.Entries(), (testing::Strings{"locked.inf", "sub"}));
}

// The streamed file holds the bytes the whole document would have, however
// the items fall around the points where a section goes out: to the file
// (the first to fill, when nothing comes before it), or aside where the
// system keeps bytes aside; and when a section before the one in the file
// gets items after all, small or going aside themselves.
TEST(OutputStream, WritesTheSameBytesAsTheWholeDocument) {
  const std::string big(OutputStream::kStreamedBytes / 3 + 7, 'b');
  using Section = TStringList OutputLists::*;
  const Section software = &OutputLists::softwareAddReg;
  const Section defaults = &OutputLists::defaultAddReg;
  struct Case {
    const char* what;
    Section section;  // gets `items` big items, then "last"
    int items;
    bool expander;
    bool itemsMayBeCut;
    const char* broken;      // an item with a line break, after the first big one
    bool held;               // the section is still held whole before Finish
    Section late = nullptr;  // then gets four big items
    bool batches = false;    // the items come two at a time in lists of their own (AddAll)
  } cases[] = {
      {"nothing", software, 0, false, false, nullptr, true},
      {"a small section, held whole", software, 1, true, false, nullptr, true},
      {"several batches and every other block", software, 10, true, false, nullptr, false},
      {"a line break is written as it stands", software, 10, false, false, "a\rb\nc", false},
      {"held from a line break the key list may cut", software, 10, true, true, "a\rb", true},
      {"streamed while no line break comes", software, 10, true, true, nullptr, false},
      {"a later section first", defaults, 10, true, false, "a\nb", false},
      {"another, held from a line break", &OutputLists::setupRegAddReg, 10, false, true, "a\nb",
       true},
      {"a delete section first", &OutputLists::softwareDelReg, 4, false, true, nullptr, false},
      {"the last one first, moved behind a small one", &OutputLists::defaultDelReg, 4, true, false,
       nullptr, false},
      {"a later one first, moved behind one aside", defaults, 4, true, false, nullptr, false,
       software},
      {"the first one aside behind a later one", software, 4, false, false, nullptr, false,
       defaults},
      {"batches handed on whole, the first section", software, 10, true, false, nullptr, false,
       nullptr, true},
      {"batches handed on whole, a later section", defaults, 10, true, false, nullptr, false,
       nullptr, true},
  };
  for (const Case& c : cases) {
    testing::ScratchDir dir;
    const std::string target = dir.Write("out.inf", "old");
    platform::SpillFile probe;
    const bool setAside = c.section == software || probe.Open(target);
    OutputLists lists;
    OutputLists copy;  // the same lists, held whole
    OutputStream stream(lists, target, c.itemsMayBeCut);
    for (OutputLists* l : {&lists, &copy}) {
      TStringList batch(LineEnds::Kept);
      TStringList& to = c.batches && l == &lists ? batch : l->*c.section;
      for (int i = 0; i < c.items; ++i) {
        to.Add(big + std::to_string(i));
        if (i == 0 && c.broken != nullptr) to.Add(c.broken);
        if (&to == &batch && i % 2 == 1) (l->*c.section).AddAll(batch);
      }
      if (c.items > 0) to.Add("last");
      if (&to == &batch) {
        (l->*c.section).AddAll(batch);
        EXPECT_TRUE(!setAside || (l->*c.section).Count() == 0) << c.what << ": copied in";
      }
      for (int i = 0; c.late != nullptr && i < 4; ++i) (l->*c.late).Add(big + "late");
      if (c.expander) l->expanderList.Add("E");
      l->defaultAddReg.Add("D");
      l->setupRegAddReg.Add("S");
    }
    EXPECT_EQ((lists.*c.section).Count() == (copy.*c.section).Count(), c.held || !setAside)
        << c.what;
    EXPECT_EQ(dir.Read("out.inf"), "old") << c.what << ": replaced before the end";
    stream.Finish();
    EXPECT_TRUE(dir.Read("out.inf") == AssembleOutputDocument(copy)) << c.what;
    EXPECT_EQ(dir.Entries(), testing::Strings{"out.inf"}) << c.what;
  }
}

TEST(OutputStream, LeavesNothingWhenUnfinishedOrFailing) {
  testing::ScratchDir dir;
  const std::string target = dir.Write("out.inf", "old");
  {
    OutputLists lists;
    OutputStream stream(lists, target, false);
    for (int i = 0; i < 4; ++i)
      lists.softwareAddReg.Add(std::string(OutputStream::kStreamedBytes, 'x'));
    EXPECT_EQ(lists.softwareAddReg.Count(), 0) << "the section went out";
  }  // a conversion error: never finished
  EXPECT_EQ(dir.Read("out.inf"), "old");
  EXPECT_EQ(dir.Entries(), testing::Strings{"out.inf"});

  // No temporary file can be made where the target should go: the lists
  // are held, and Finish fails as writing the whole document does.
  std::filesystem::create_directories(dir.Path("sub"));
  OutputLists lists;
  OutputStream stream(lists, dir.Path("sub"), false);
  for (int i = 0; i < 4; ++i)
    lists.softwareAddReg.Add(std::string(OutputStream::kStreamedBytes, 'x'));
  EXPECT_EQ(lists.softwareAddReg.Count(), 4);
  EXPECT_THROW(stream.Finish(), EFCreateError);
}

}  // namespace
}  // namespace tovrix
