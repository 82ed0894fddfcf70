#include "encoding/loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "text/errors.h"
#include "text/string_list.h"

namespace tovrix {
namespace {

// A file in the temporary folder, removed when the test ends.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    static int counter = 0;
    path_ = (std::filesystem::temp_directory_path() /
             ("tovrix_loader_" + std::to_string(counter++) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".reg"))
                .string();
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// UTF-16LE bytes of an ASCII text, after the mark FF FE.
std::string Utf16File(const std::string& ascii, const std::string& tail = "") {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes + tail;
}

std::vector<std::string> Items(const TStringList& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

using Lines = std::vector<std::string>;

TEST(LoadUnicodeFile, LinesAndEndOfFileUnit) {
  TStringList list;
  TempFile plain(Utf16File("a\r\nb\r\n"));
  EXPECT_EQ(LoadUnicodeText(plain.path()), "a\r\nb\r\n");
  LoadUnicodeFile(plain.path(), list);
  EXPECT_EQ(Items(list), (Lines{"a", "b"}));

  TempFile withEof(Utf16File("a\r\nb\r\n", std::string("\x1A\0", 2)));
  EXPECT_EQ(LoadUnicodeText(withEof.path()), "a\r\nb\r\n");
  LoadUnicodeFile(withEof.path(), list);
  EXPECT_EQ(Items(list), (Lines{"a", "b"}));

  // 0x001A anywhere but at the end stays.
  TempFile inner(Utf16File("a\x1A" "b"));
  EXPECT_EQ(LoadUnicodeText(inner.path()), "a\x1A" "b");

  // Only the last unit is dropped, not every trailing one.
  TempFile twoEof(Utf16File("a\x1A\x1A"));
  EXPECT_EQ(LoadUnicodeText(twoEof.path()), "a\x1A");
}

TEST(LoadUnicodeFile, ShortAndOddFiles) {
  TStringList list;
  list.Add("old");
  TempFile markOnly("\xFF\xFE");
  LoadUnicodeFile(markOnly.path(), list);
  EXPECT_EQ(list.Count(), 0);

  list.Add("old");
  TempFile threeBytes("\xFF\xFE" "A");
  LoadUnicodeFile(threeBytes.path(), list);
  EXPECT_EQ(list.Count(), 0);

  TempFile empty("");
  EXPECT_EQ(LoadUnicodeText(empty.path()), "");

  // Four bytes: one unit; an end-of-file unit leaves nothing.
  TempFile oneUnit(Utf16File("A"));
  EXPECT_EQ(LoadUnicodeText(oneUnit.path()), "A");
  TempFile eofUnit(Utf16File("\x1A"));
  EXPECT_EQ(LoadUnicodeText(eofUnit.path()), "");

  // Odd size: the last byte belongs to no unit.
  TempFile odd(Utf16File("AB", "C"));
  EXPECT_EQ(LoadUnicodeText(odd.path()), "AB");
  // Odd size ending in 1A 00: those bytes are the high byte of the last
  // unit and the stray byte, not an end-of-file unit; nothing is dropped.
  TempFile oddEof(Utf16File("A", std::string("\0\x1A\0", 3)));
  std::string text = LoadUnicodeText(oddEof.path());
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text[0], 'A');
  // The mark is skipped unseen: any two first bytes are dropped.
  TempFile noMark(std::string("XYA\0", 4));
  EXPECT_EQ(LoadUnicodeText(noMark.path()), "A");
}

TEST(LoadUnicodeFile, NulUnitEndsTheList) {
  TempFile file(Utf16File(std::string("a\r\nb\0c\r\nd\r\n", 11)));
  EXPECT_EQ(LoadUnicodeText(file.path()), std::string("a\r\nb\0c\r\nd\r\n", 11));
  TStringList list;
  LoadUnicodeFile(file.path(), list);
  EXPECT_EQ(Items(list), (Lines{"a", "b"}));

  TempFile atLineStart(Utf16File(std::string("a\r\n\0b\r\n", 7)));
  LoadUnicodeFile(atLineStart.path(), list);
  EXPECT_EQ(Items(list), (Lines{"a"}));
}

// Long files are converted in pieces; a surrogate pair or a lone surrogate
// at any piece boundary comes out as it does from one conversion (no code
// page the program runs with has these characters: one '?' per unit).
TEST(LoadUnicodeFile, PieceBoundariesLoseNothing) {
  auto units = [](std::initializer_list<unsigned> list) {
    std::string bytes;
    for (unsigned u : list) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return bytes;
  };
  struct Case { std::size_t ascii; std::string tail; std::string expected; };
  const Case cases[] = {
      {65535, units({0xD83D, 0xDE00, 'x'}), "??x"},  // the pair straddles 64 Ki units
      {65535, units({0xD83D, 'x'}), "?x"},           // a lone high surrogate there
      {65534, units({0xD83D, 0xDE00, 0xDE00}), "???"},
      {65536, units({0xDE00}), "?"},
      {65535, units({0xD83D}), "?"},                 // and as the file's last unit
      {200000, units({'e', 'n', 'd'}), "end"},
  };
  for (const Case& c : cases) {
    std::string ascii;
    for (std::size_t i = 0; i < c.ascii; ++i) ascii += static_cast<char>('a' + i % 26);
    TempFile file(Utf16File(ascii, c.tail));
    const std::string text = LoadUnicodeText(file.path());
    ASSERT_EQ(text.size(), ascii.size() + c.expected.size()) << c.ascii;
    EXPECT_EQ(text.substr(ascii.size()), c.expected) << c.ascii;
    EXPECT_EQ(text.compare(0, ascii.size(), ascii), 0) << c.ascii;
  }
}

TEST(LoadUnicodeFile, Failures) {
  const std::string missing =
      (std::filesystem::temp_directory_path() / "tovrix_loader_missing_file.reg").string();
  std::remove(missing.c_str());
  EXPECT_THROW(LoadUnicodeText(missing), EFOpenError);
  EXPECT_THROW(LoadPlainText(missing), EFOpenError);
  EXPECT_THROW(LoadRegFileText(missing, 2048), EFOpenError);

  TStringList list;
  list.Add("kept");
  EXPECT_THROW(LoadUnicodeFile(missing, list), EFOpenError);
  EXPECT_EQ(Items(list), (Lines{"kept"}));

  // A directory is no file to read.
  EXPECT_THROW(LoadUnicodeText(std::filesystem::temp_directory_path().string()),
               EFOpenError);
}

TEST(ReadFileHead, BlanksAndBounds) {
  TempFile file(std::string("\xFF\xFE" "a\0b\0", 6));
  EXPECT_EQ(ReadFileHead(file.path(), 2048), "\xFF\xFE" "a b ");
  EXPECT_EQ(ReadFileHead(file.path(), 3), "\xFF\xFE" "a");
  EXPECT_EQ(ReadFileHead(file.path(), 0), "");

  TempFile empty("");
  EXPECT_EQ(ReadFileHead(empty.path(), 2048), "");
  EXPECT_EQ(ReadFileHead(file.path() + ".missing", 2048), "");
}

TEST(LoadRegFileText, ChoosesTheDecoderByTheHead) {
  TempFile utf16(Utf16File("REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n"));
  EXPECT_EQ(LoadRegFileText(utf16.path(), 2048), "REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n");

  // Big-endian UTF-16 is read as 8-bit text, bytes as they are.
  const std::string bigEndian("\xFE\xFF\0A\0B", 6);
  TempFile be(bigEndian);
  EXPECT_EQ(LoadRegFileText(be.path(), 2048), bigEndian);

  // UTF-16LE without the mark: read as 8-bit text, so it ends at its
  // first NUL once split.
  const std::string noMark("R\0E\0\r\0\n\0", 8);
  TempFile bare(noMark);
  EXPECT_EQ(LoadRegFileText(bare.path(), 2048), noMark);

  // Binary bytes in an ANSI file change nothing.
  const std::string ansi = "REGEDIT4\r\n\x01\x02x\r\n\xE9t\xE9\r\n";
  TempFile binary(ansi);
  EXPECT_EQ(LoadRegFileText(binary.path(), 2048), ansi);
  EXPECT_EQ(LoadPlainText(binary.path()), ansi);
}

}  // namespace
}  // namespace tovrix
