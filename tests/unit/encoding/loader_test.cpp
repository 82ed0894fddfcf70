#include "encoding/loader.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_util.h"
#include "text/errors.h"

namespace tovrix {
namespace {

using testing::Wide;
const std::string kMark = "\xFF\xFE";

class LoaderTest : public ::testing::Test {
 protected:
  // A new file holding `bytes`.
  std::string File(const std::string& bytes) { return dir_.Write(std::to_string(count_++) + ".reg", bytes); }

  testing::ScratchDir dir_;
  int count_ = 0;
};

TEST_F(LoaderTest, UnicodeTextDropsTheMarkAndOneEndOfFileUnit) {
  std::string large;  // more units than one conversion chunk holds
  for (int i = 0; i < 200000; ++i) large += static_cast<char>('a' + i % 26);
  const struct {
    std::string bytes;
    std::string text;
  } cases[] = {
      {kMark + Wide("a\r\nb\r\n"), "a\r\nb\r\n"},
      {kMark + Wide("a\r\nb\r\n\x1A"), "a\r\nb\r\n"},
      {kMark + Wide("a\x1A" "b"), "a\x1A" "b"},  // 0x001A anywhere but at the end stays
      {kMark + Wide("a\x1A\x1A"), "a\x1A"},      // only the last unit is dropped
      {kMark + Wide(std::string("a\r\nb\0c", 6)), std::string("a\r\nb\0c", 6)},  // NUL units kept
      {kMark + Wide(large + "\r\nend\x1A"), large + "\r\nend"},
      {"", ""},
      {kMark, ""},
      {kMark + "A", ""},
      {kMark + Wide("A"), "A"},
      {kMark + Wide("\x1A"), ""},
      {kMark + Wide("AB") + "C", "AB"},  // odd size: the last byte belongs to no unit
      {std::string("XYA\0", 4), "A"},     // the mark is skipped unseen
  };
  for (const auto& c : cases) EXPECT_EQ(LoadUnicodeText(File(c.bytes)), c.text) << c.bytes.size() << " bytes";
  // Odd size ending in 1A 00: those bytes are the high byte of the last
  // unit and the stray byte, not an end-of-file unit; nothing is dropped.
  const std::string text = LoadUnicodeText(File(kMark + Wide("A") + std::string("\0\x1A\0", 3)));
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text[0], 'A');
}

TEST_F(LoaderTest, FileHeadsMakeNulBytesBlanks) {
  const std::string file = File(kMark + Wide("ab"));
  EXPECT_EQ(ReadFileHead(file, 2048), "\xFF\xFE" "a b ");
  EXPECT_EQ(ReadFileHead(file, 3), "\xFF\xFE" "a");
  EXPECT_EQ(ReadFileHead(file, 0), "");
  EXPECT_EQ(ReadFileHead(File(""), 2048), "");
  EXPECT_EQ(ReadFileHead(dir_.Path("missing.reg"), 2048), "");
}

TEST_F(LoaderTest, RegFilesChooseTheDecoderByTheHead) {
  EXPECT_EQ(LoadRegFileText(File(kMark + Wide("REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n")), 2048),
            "REGEDIT4\r\n[HKEY_CURRENT_USER\\x]\r\n");
  // Big-endian UTF-16, UTF-16LE without the mark and binary bytes in an
  // ANSI file: all read as 8-bit text, bytes as they are.
  for (const std::string& bytes : {std::string("\xFE\xFF\0A\0B", 6), Wide("RE\r\n"),
                                   std::string("REGEDIT4\r\n\x01\x02x\r\n\xE9t\xE9\r\n")}) {
    EXPECT_EQ(LoadRegFileText(File(bytes), 2048), bytes);
    EXPECT_EQ(LoadPlainText(File(bytes)), bytes);
  }
}

TEST_F(LoaderTest, MissingFilesAndFoldersRaiseOpenErrors) {
  const std::string missing = dir_.Path("missing.reg");
  EXPECT_THROW(LoadUnicodeText(missing), EFOpenError);
  EXPECT_THROW(LoadPlainText(missing), EFOpenError);
  EXPECT_THROW(LoadRegFileText(missing, 2048), EFOpenError);
  EXPECT_THROW(LoadUnicodeText(dir_.dir().string()), EFOpenError);
}

}  // namespace
}  // namespace tovrix
