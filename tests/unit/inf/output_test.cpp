#include "inf/output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
}  // namespace tovrix
