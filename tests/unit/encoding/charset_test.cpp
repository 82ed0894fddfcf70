#include "encoding/charset.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_util.h"

namespace tovrix {
namespace {

struct CharsetCase {
  const char* label;
  std::string bytes;
  Charset expected;
};

using testing::Bytes;

void ExpectAll(const std::vector<CharsetCase>& cases, int probeSize = 2048) {
  for (const CharsetCase& c : cases) {
    EXPECT_EQ(DetectCharset(c.bytes, probeSize), c.expected) << c.label;
  }
}

TEST(DetectCharset, MarksAndLengthRules) {
  ExpectAll({
      {"empty", "", CharsetShiftJis},
      {"single FF: byte 2 reads as 0, last byte never scanned", Bytes({0xFF}), CharsetAscii},
      {"single 01 is the last byte", Bytes({0x01}), CharsetAscii},
      {"FF FE", Bytes({0xFF, 0xFE}), CharsetUtf16LE},
      {"FF FE then binary", Bytes({0xFF, 0xFE, 0x00, 0x01, 0xFF}), CharsetUtf16LE},
      {"FE FF", Bytes({0xFE, 0xFF, 0x00, 0x41}), CharsetUtf16BE},
      {"FE alone", Bytes({0xFE}), CharsetAscii},
      {"only high byte is last", "REGEDIT4\r\n" + Bytes({0xB0}), CharsetAscii},
      {"plain text", "Windows Registry Editor Version 5.00\r\n", CharsetAscii},
  });
}

TEST(DetectCharset, BinaryBytes) {
  ExpectAll({
      {"41 42 43 01 44", Bytes({0x41, 0x42, 0x43, 0x01, 0x44}), CharsetBinary},
      {"41 42 43 44 01", Bytes({0x41, 0x42, 0x43, 0x44, 0x01}), CharsetAscii},
      {"FF inside", Bytes({0x41, 0xFF, 0x41}), CharsetBinary},
      {"07 inside", Bytes({0x41, 0x07, 0x41}), CharsetBinary},
      {"08 is text", Bytes({0x41, 0x08, 0x41}), CharsetAscii},
  });
  // The binary scan is bounded by the probe size; past it only the main
  // scan sees a binary byte, and a Shift-JIS byte before it decides first.
  const std::string late = Bytes({0x82, 0x41, 0x01, 0x41});
  EXPECT_EQ(DetectCharset(late, 4), CharsetBinary);
  EXPECT_EQ(DetectCharset(late, 2), CharsetShiftJis);
  EXPECT_EQ(DetectCharset(late, 0), CharsetShiftJis);
  // Past the probe, the main scan still reports a binary byte.
  EXPECT_EQ(DetectCharset(Bytes({0x41, 0x41, 0x41, 0x01, 0x41}), 2), CharsetBinary);
}

TEST(DetectCharset, JisEscapes) {
  ExpectAll({
      {"ESC $ B", Bytes({0x1B, 0x24, 0x42, 0x41}), CharsetJisNew},
      {"ESC $ @", Bytes({0x1B, 0x24, 0x40, 0x41}), CharsetJisOld},
      {"ESC $ B at the very end", Bytes({0x41, 0x1B, 0x24, 0x42}), CharsetJisNew},
      {"ambiguous, then ESC $ B", Bytes({0xB0, 0xA1, 0x1B, 0x24, 0x42}), CharsetJisNew},
      {"ESC ( B", Bytes({0x1B, 0x28, 0x42}), CharsetAscii},
      {"ESC $ x", Bytes({0x1B, 0x24, 0x78, 0x41}), CharsetAscii},
      // ESC followed by anything but '$' skips two bytes: the 82 is not seen.
      {"ESC skips its second byte", Bytes({0x1B, 0x82, 0x41}), CharsetAscii},
      // ESC $ skips three: the B0 after "ESC $ z" starts the next pair.
      {"ESC $ z then B0 F0", Bytes({0x1B, 0x24, 0x7A, 0xB0, 0xF0}), CharsetEuc},
  });
}

TEST(DetectCharset, DoubleByteJapanese) {
  ExpectAll({
      {"82 A0", Bytes({0x82, 0xA0}), CharsetShiftJis},
      {"B0 A1", Bytes({0xB0, 0xA1}), CharsetEucOrShiftJis},
      {"B0 A1 F0 41", Bytes({0xB0, 0xA1, 0xF0, 0x41}), CharsetEuc},
      {"B0 A1 82 41", Bytes({0xB0, 0xA1, 0x82, 0x41}), CharsetShiftJis},
      {"B0 F0", Bytes({0xB0, 0xF0}), CharsetEuc},
      {"B0 41", Bytes({0xB0, 0x41}), CharsetShiftJis},
      {"B0 A0 is undecided", Bytes({0xB0, 0xA0}), CharsetAscii},
      {"B0 FF is undecided (last byte not binary-scanned)", Bytes({0xB0, 0xFF}), CharsetAscii},
      {"8E B1", Bytes({0x8E, 0xB1}), CharsetEucOrShiftJis},
      {"8E 41", Bytes({0x8E, 0x41}), CharsetShiftJis},
      {"8E E0", Bytes({0x8E, 0xE0}), CharsetShiftJis},
      {"8E FD undecided", Bytes({0x8E, 0xFD}), CharsetAscii},
      {"E0 41", Bytes({0xE0, 0x41}), CharsetShiftJis},
      {"E0 FD", Bytes({0xE0, 0xFD}), CharsetEuc},
      {"E0 A1", Bytes({0xE0, 0xA1}), CharsetEucOrShiftJis},
      {"E0 7F undecided", Bytes({0xE0, 0x7F}), CharsetAscii},
      {"F0 alone before text", Bytes({0xF0, 0x41}), CharsetEuc},
      {"80 and A0 decide nothing", Bytes({0x80, 0xA0, 0x41}), CharsetAscii},
      {"9F", Bytes({0x9F, 0x41}), CharsetShiftJis},
  });
}

TEST(DetectCharset, AmbiguousRunRule) {
  ExpectAll({
      {"C4 E3 81", Bytes({0xC4, 0xE3, 0x81}), CharsetShiftJis},
      {"C4 E3 FD", Bytes({0xC4, 0xE3, 0xFD}), CharsetEuc},
      {"C4 E3 20", Bytes({0xC4, 0xE3, 0x20}), CharsetEucOrShiftJis},
      {"C4 E3 9D leaves it ambiguous", Bytes({0xC4, 0xE3, 0x9D}), CharsetEucOrShiftJis},
      {"walk goes to the end", Bytes({0xC4, 0xE3, 0x41, 0x42, 0x8F}), CharsetShiftJis},
      // The byte that stops the walk is not examined: after the 20 the
      // scan resumes at the 82.
      {"resumes after the stopping byte", Bytes({0xC4, 0xE3, 0x20, 0x82, 0x41}), CharsetShiftJis},
      {"resumes at F0", Bytes({0xC4, 0xE3, 0x1F, 0xF0, 0x41}), CharsetEuc},
      // An ESC that stops the walk starts no escape sequence.
      {"ESC stopping the walk", Bytes({0xC4, 0xE3, 0x1B, 0x24, 0x42}), CharsetEucOrShiftJis},
  });
  // A binary byte that stops the walk is skipped as well (binary scan off).
  EXPECT_EQ(DetectCharset(Bytes({0xC4, 0xE3, 0x01, 0x41}), 0), CharsetEucOrShiftJis);
}

}  // namespace
}  // namespace tovrix
