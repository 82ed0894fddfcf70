#include "encoding/loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "text/errors.h"

namespace tovrix {
namespace {

using Lines = std::vector<std::string>;

// A file in the temporary folder, removed when the test ends.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    static int counter = 0;
    path_ = (std::filesystem::temp_directory_path() /
             ("tovrix_loader_" + std::to_string(counter++) + ".reg"))
                .string();
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// UTF-16LE bytes of an 8-bit text, after the mark FF FE.
std::string Utf16File(const std::string& ascii, const std::string& tail = "") {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += {c, '\0'};
  return bytes + tail;
}

Lines LinesOf(const std::string& path) {
  Lines lines;
  ForEachRegFileLine(path, 2048, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

// The whole-file decoding and the line walk agree on every short form.
// clang-format off
TEST(Loader, Utf16FilesWholeAndLineByLine) {
  const std::string nul(1, '\0');
  struct Case {
    std::string file, text;
    Lines lines;
  } cases[] = {
      {Utf16File("a\r\nb\r\n"), "a\r\nb\r\n", {"a", "b"}},
      {Utf16File("a\r\nb", "\x1A" + nul), "a\r\nb", {"a", "b"}},  // end-of-file unit
      {Utf16File("a\x1A" "b"), "a\x1A" "b", {"a\x1A" "b"}},       // not at the end: kept
      {Utf16File("a\x1A\x1A"), "a\x1A", {"a\x1A"}},               // only the last goes
      {Utf16File("\x1A"), "", {}},
      {"\xFF\xFE", "", {}},
      {"\xFF\xFE" "A", "", {}},
      {Utf16File("AB", "C"), "AB", {"AB"}},  // odd size: the last byte is no unit
      // Odd size ending in 1A 00: the high byte of the last unit and the
      // stray byte, no end-of-file unit.
      {Utf16File("A", "\x1A" + nul + "\x1A"), "A\x1A", {"A\x1A"}},
      {Utf16File("a\r\nb" + nul + "c\r\nd"), "a\r\nb" + nul + "c\r\nd", {"a", "b"}},
      {Utf16File("a\r\n" + nul + "b"), "a\r\n" + nul + "b", {"a"}},
  };
  for (const Case& c : cases) {
    TempFile file(c.file);
    EXPECT_EQ(LoadUnicodeText(file.path()), c.text) << testing::PrintToString(c.file);
    EXPECT_EQ(LinesOf(file.path()), c.lines) << testing::PrintToString(c.file);
  }
  // The mark is skipped unseen: any two first bytes go.
  TempFile noMark(std::string("XYA\0", 4));
  EXPECT_EQ(LoadUnicodeText(noMark.path()), "A");
  TempFile empty("");
  EXPECT_EQ(LoadUnicodeText(empty.path()), "");
}
// clang-format on

// Files are read a MiB at a time and decoded 2048 units at a time: lines,
// line breaks and surrogates across those boundaries lose nothing.
// clang-format off
TEST(Loader, PieceBoundariesLoseNothing) {
  auto units = [](std::initializer_list<unsigned> list) {
    std::string bytes;
    for (unsigned u : list) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return bytes;
  };
  const std::size_t kRead = std::size_t{1} << 20;
  const std::size_t kReadUnits = (kRead - 2) / 2;  // units in the first read
  struct Case {
    std::size_t ascii;
    std::string tail, expected;
  } cases[] = {
      {kReadUnits - 1, units({0xD83D, 0xDE00, 'x'}), "??x"},  // a pair across the read
      {kReadUnits - 1, units({0xD83D, 'x'}), "?x"},           // a lone high surrogate
      {kReadUnits, units({0xDE00}), "?"},
      {kReadUnits - 1, units({0xD83D}), "?"},                 // the file's last unit
      {kReadUnits - 1, units({0x1A, 'x'}), "\x1A" "x"},       // 0x001A not at the end
      {kReadUnits - 1, units({'\r', '\n', 'x'}), "\r\nx"},    // CR | LF
      {kReadUnits, units({'\n', 'x'}), "\nx"},
  };
  for (const Case& c : cases) {
    std::string ascii;
    for (std::size_t i = 0; i < c.ascii; ++i) ascii += static_cast<char>('a' + i % 26);
    TempFile file(Utf16File(ascii, c.tail));
    const std::string text = LoadUnicodeText(file.path());
    ASSERT_EQ(text, ascii + c.expected) << c.ascii << " " << c.expected;
    Lines expected;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
      if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
        if (i > start || i < text.size()) expected.push_back(text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        start = i + 1;
      }
    }
    EXPECT_EQ(LinesOf(file.path()), expected) << c.ascii << " " << c.expected;
  }
  // A run of other units longer than one conversion call, a pair at its end.
  std::string accents, tail = units({0xD83D, 0xDE00});
  for (int i = 0; i < 2047; ++i) accents += units({0xE9});
  TempFile wide(Utf16File("", accents + tail));
  EXPECT_EQ(LoadUnicodeText(wide.path()), std::string(2047, '\xE9') + "??");
  // 8-bit files: a CR LF split by the read, a NUL after the first MiB.
  std::string plain(kRead - 1, 'p');
  TempFile split(plain + "\r\nq\r\n");
  EXPECT_EQ(LinesOf(split.path()), (Lines{plain, "q"}));
  TempFile late(plain + "ab" + std::string(1, '\0') + "c\r\n");
  EXPECT_EQ(LinesOf(late.path()), (Lines{plain + "ab"}));
  // From 4 MiB on, the lines are cut on a thread of their own: empty and
  // long lines, and the ends of its batches, lose nothing either.
  Lines many;
  std::string joined;
  for (int i = 0; i < 200000; ++i) {
    many.push_back(std::string(i % 50, static_cast<char>('a' + i % 26)));
  }
  many.push_back(std::string(std::size_t{3} << 20, 'L'));
  many.push_back("end");
  for (const std::string& line : many) joined += line + "\r\n";
  TempFile largePlain(joined);
  EXPECT_TRUE(LinesOf(largePlain.path()) == many);
  TempFile largeWide(Utf16File(joined));
  EXPECT_TRUE(LinesOf(largeWide.path()) == many);
}
// clang-format on

// Lines read ahead in batches, each batch cut into lines on its own: the
// batches begin at a line and end after its break, so a CR LF, a lone CR,
// a NUL or the end of the file at a cut gives the lines a walk gives.
TEST(Loader, BatchesReadAheadKeepTheLineBreaks) {
  struct Collect : LineBatchWork {
    bool Independent(std::string_view line) const override {
      return !line.empty() && line[0] == '[';
    }
    void Work(LineBatch&) override {}
    void Join(LineBatch& batch) override {
      batch.ForEachLine([&](std::string_view line) { lines.emplace_back(line); });
    }
    Lines lines;
  };
  const std::string nul(1, '\0');
  std::string bulky;
  for (int i = 0; i < 900; ++i)
    bulky += (i % 3 ? "[k]\r" : "v\n\r[k]\r\n") + std::string(i % 7, 'x');
  const std::string texts[] = {
      "[a]\r\n[b]\r\n\r\nv\r\n[c]",
      "[a]\r[b]\r\r[c]\r",
      "[a]\n\r[b]\n\n[c]\r\n",
      "[a]\r\nv\r" + nul + "[b]\r\n",
      "v\r\nw" + nul + "\r\n[b]",
      "\r\n\r\n[a]",
      bulky,
  };
  const ReadAhead sizes[] = {{0, 1, 1}, {0, 1, 1 << 20}, {0, 3, 7}, {0, 5000, 5000}};
  for (const std::string& text : texts) {
    for (const std::string& bytes : {text, Utf16File(text)}) {
      TempFile file(bytes);
      const Lines expected = LinesOf(file.path());
      for (const ReadAhead& size : sizes) {
        Collect collect;
        ForEachRegFileLine(
            file.path(), 2048, [](std::string_view) {}, collect, size);
        EXPECT_EQ(collect.lines, expected) << testing::PrintToString(text) << " " << size.batch;
      }
    }
  }
}

TEST(Loader, ChoosesTheDecoderByTheHead) {
  TempFile utf16(Utf16File("REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n"));
  EXPECT_EQ(LinesOf(utf16.path()), (Lines{"REGEDIT4", "[HKEY_CURRENT_USER\\x]"}));
  // Big-endian UTF-16, and UTF-16LE without its mark, are 8-bit text: each
  // ends at its first NUL.
  TempFile be(std::string("\xFE\xFF\0A\0B", 6));
  EXPECT_EQ(LinesOf(be.path()), (Lines{"\xFE\xFF"}));
  TempFile bare(std::string("R\0E\0\r\0\n\0", 8));
  EXPECT_EQ(LinesOf(bare.path()), (Lines{"R"}));
  // Other bytes of an 8-bit file are kept as they are.
  const std::string ansi = "REGEDIT4\r\n\x01\x02x\r\n\xE9t\xE9\r\n";
  TempFile binary(ansi);
  EXPECT_EQ(LinesOf(binary.path()), (Lines{"REGEDIT4", "\x01\x02x", "\xE9t\xE9"}));
  EXPECT_EQ(LoadPlainText(binary.path()), ansi);
}

// clang-format off
TEST(Loader, HeadAndFailures) {
  TempFile file(std::string("\xFF\xFE" "a\0b\0", 6));
  EXPECT_EQ(ReadFileHead(file.path(), 2048), "\xFF\xFE" "a b ");
  EXPECT_EQ(ReadFileHead(file.path(), 3), "\xFF\xFE" "a");
  EXPECT_EQ(ReadFileHead(file.path(), 0), "");
  EXPECT_EQ(ReadFileHead(file.path() + ".missing", 2048), "");

  const std::string folder = std::filesystem::temp_directory_path().string();
  for (const std::string& path : {file.path() + ".missing", folder}) {
    EXPECT_THROW(LoadUnicodeText(path), EFOpenError) << path;
    EXPECT_THROW(LoadPlainText(path), EFOpenError) << path;
    EXPECT_THROW(LinesOf(path), EFOpenError) << path;
  }
}
// clang-format on

}  // namespace
}  // namespace tovrix
