#include "inf/output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "text/errors.h"

namespace tovrix {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

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

class OutputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tovrix-inf-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  size_t EntriesInDir() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }
  fs::path dir_;
};

TEST_F(OutputFileTest, WritesTheSameBytesAndReplacesAnOldFile) {
  fs::path target = dir_ / "out.inf";
  { std::ofstream(target, std::ios::binary) << "old contents that are longer than the new ones"; }
  OutputLists lists;
  lists.defaultAddReg.Add("0x0,\"Software\\Test\"");
  lists.defaultAddReg.Add(std::string(3 << 20, 'x'));  // larger than one write chunk
  WriteOutputDocument(lists, target.string());
  EXPECT_EQ(ReadAll(target), AssembleOutputDocument(lists));
  EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file may stay behind";

  OutputLists none;
  WriteOutputDocument(none, target.string());
  EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(OutputFileTest, FailureToCreateLeavesNothingBehind) {
  OutputLists lists;
  lists.defaultAddReg.Add("line");
  // A directory stands where the file should go.
  fs::create_directories(dir_ / "sub");
  EXPECT_THROW(WriteOutputDocument(lists, (dir_ / "sub").string()), EFCreateError);
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
  // No folder to put the file in, and no name at all.
  EXPECT_THROW(WriteOutputDocument(lists, (dir_ / "missing" / "out.inf").string()), EFCreateError);
  EXPECT_THROW(WriteOutputDocument(lists, ""), EFCreateError);
  EXPECT_EQ(EntriesInDir(), 1u);

  // A read-only file is refused and keeps its bytes.
  fs::path locked = dir_ / "locked.inf";
  { std::ofstream(locked, std::ios::binary) << "old\r\n"; }
  fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_THROW(WriteOutputDocument(lists, locked.string()), EFCreateError);
  fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(ReadAll(locked), "old\r\n");
  EXPECT_EQ(EntriesInDir(), 2u);
}

}  // namespace
}  // namespace tovrix
