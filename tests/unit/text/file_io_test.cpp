// TStringList::LoadFile and SaveFile: bytes in and out, and the failures.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"
#include "text/errors.h"
#include "text/string_list.h"

namespace tovrix {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tovrix_text_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  static void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
  }
  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
};

TEST_F(FileIoTest, LoadSplitsTheFileByTheLineRules) {
  const std::string path = PathOf("in.txt");
  WriteBytes(path, "a\r\nb\nc\r\rd\xE9\r\n");
  TStringList list;
  list.Add("old");
  list.LoadFile(path);
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.Item(0), "a");
  EXPECT_EQ(list.Item(1), "b");
  EXPECT_EQ(list.Item(2), "c");
  EXPECT_EQ(list.Item(3), "");
  EXPECT_EQ(list.Item(4), "d\xE9");

  // A UTF-16LE file is cut at its first NUL: one item, the bytes before it.
  WriteBytes(path, std::string("\xFF\xFE[\0a\0\r\0\n\0", 10));
  list.LoadFile(path);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Item(0), "\xFF\xFE[");

  WriteBytes(path, "");
  list.LoadFile(path);
  EXPECT_EQ(list.Count(), 0);

  // The loaded list behaves like any other.
  WriteBytes(path, "x\r\ny\r\n");
  list.LoadFile(path);
  list.SetItem(0, "much longer item");
  list.Add("z");
  EXPECT_EQ(list.JoinText(), "much longer item\r\ny\r\nz\r\n");
}

TEST_F(FileIoTest, SaveWritesJoinTextExactly) {
  const std::string path = PathOf("out.inf");
  TStringList section;
  section.Add("x");
  section.Add("y");
  TStringList document;
  document.Add("[Software.AddReg]");
  document.Add(section.JoinText());
  document.Add("a\r\nb");
  document.SaveFile(path);
  EXPECT_EQ(ReadBytes(path), "[Software.AddReg]\r\nx\r\ny\r\n\r\na\r\nb\r\n");

  // An existing file is replaced; an empty list gives an empty file.
  TStringList empty;
  empty.SaveFile(path);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(ReadBytes(path), "");

  // Large documents go out in pieces and come back whole.
  TStringList big;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    std::string line = "line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), '.');
    big.Add(line);
    expected += line + "\r\n";
  }
  big.Add(std::string((2u << 20) + 7, 'h'));  // one item larger than a piece
  expected += std::string((2u << 20) + 7, 'h') + "\r\n";
  big.SaveFile(path);
  EXPECT_EQ(ReadBytes(path), expected);

  TStringList back;
  back.LoadFile(path);
  EXPECT_EQ(back.Count(), big.Count());
  EXPECT_EQ(back.JoinText(), expected);
}

TEST_F(FileIoTest, FailuresRaiseFileErrors) {
  const std::string missing = PathOf("missing.reg");
  TStringList list;
  try {
    list.LoadFile(missing);
    FAIL() << "loading a missing file succeeded";
  } catch (const EFOpenError& e) {
    const std::string message = e.what();
    const std::string head = "ファイル \"" + platform::FullPath(missing) + "\". ";
    EXPECT_EQ(message.substr(0, head.size()), head) << message;
    EXPECT_NE(message.find(" は開けません"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
  }
  // A directory is not a file to load.
  EXPECT_THROW(list.LoadFile(dir_.string()), EFOpenError);

  list.Add("x");
  try {
    list.SaveFile(PathOf("no/such/dir/out.inf"));
    FAIL() << "saving into a missing folder succeeded";
  } catch (const EFCreateError& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("ファイル \""), std::string::npos) << message;
    EXPECT_NE(message.find(" を作成できません"), std::string::npos) << message;
  }
  // A directory cannot be saved over.
  EXPECT_THROW(list.SaveFile(dir_.string()), EFCreateError);
  EXPECT_THROW(list.SaveFile(""), EFCreateError);
}

}  // namespace
}  // namespace tovrix
