// ConvertRegText. The end-to-end cases (tests/e2e/cases/regfile) compare
// whole conversions byte for byte: value kinds, headers, names, multi-line
// values, stray lines, path replacement and expander entries. What stays
// here are the rules those files do not reach.
#include "regfile/converter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "inf/output.h"
#include "support/test_util.h"
#include "text/console.h"

namespace tovrix {
namespace {

using Lines = std::vector<std::string>;

// Converts `text` with replace mode 0.
OutputLists Convert(const std::string& text) {
  ConversionSettings settings;
  settings.replaceMode = 0;
  OutputLists lists;
  CapturingConsole console;
  ConvertRegText(text, settings, lists, console);
  return lists;
}

const std::string kKey = "0x0,\"Software\\Test\"";

// Converts `body` under [HKEY_CURRENT_USER\Software\Test] and answers the
// lines of Default.AddReg.
Lines UnderTestKey(const std::string& body) {
  return testing::Items(Convert("[HKEY_CURRENT_USER\\Software\\Test]\r\n" + body).defaultAddReg);
}

// clang-format off
TEST(ConverterTest, ValueLines) {
  const struct {
    std::string lines;
    Lines written;
  } cases[] = {
      {"\"n\"=dword:00000000", {kKey, "0x4,\"Software\\Test\",\"n\",0x0"}},
      {"@=dword:10", {kKey, "0x4,\"Software\\Test\",,0x10"}},
      // Up to eight hexadecimal digits; any other byte among them reads 0.
      {"@=DWORD:FFFFFFFF\r\n@=dword:1234567890\r\n@=dword:\r\n@=dword:0000000g\r\n@=dword: 1",
       {kKey, "0x4,\"Software\\Test\",,0xFFFFFFFF", "0x4,\"Software\\Test\",,0x12345678",
        "0x4,\"Software\\Test\",,0x0", "0x4,\"Software\\Test\",,0x0",
        "0x4,\"Software\\Test\",,0x0"}},
      {"\"e\"=hex(2):", {kKey, "0x2,\"Software\\Test\",\"e\",\"\""}},
      // Dropped lines: only the key line remains.
      {"\"z\"=hex():00", {kKey}},
      {"\"u\"=unquoted", {kKey}},
      // A deletion writes the key line, which the next value does not
      // repeat; an unreadable hex(n) type writes one that does not count.
      {"\"d\"=-\r\n\"a\"=\"1\"", {kKey, "0x1,\"Software\\Test\",\"a\",\"1\""}},
      {"\"z\"=hex(100):00\r\n\"a\"=\"1\"", {kKey, kKey, "0x1,\"Software\\Test\",\"a\",\"1\""}},
      // Exactly 25 bytes over two lines: no break after the last one.
      {"\"b\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,\\\r\n  14,15,16,17,18",
       {kKey, "0x3,\"Software\\Test\",\"b\",\\\r\n  00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,"
              "10,11,12,13,14,15,16,17,18"}},
      // Hand-written files indent their value lines; the indentation is not
      // part of the name. Trailing blanks after a quoted string make it a
      // string of no known form; indented lines without a name stay
      // continuation lines.
      {"   \"path\"=\"x\"\r\n\t@=\"d\"\r\n  plain=dword:1\r\n  \"a\"=\"x\"  ",
       {kKey, "0x1,\"Software\\Test\",\"path\",\"x\"", "0x1,\"Software\\Test\",,\"d\"",
        "0x4,\"Software\\Test\",\"plain\",0x1"}},
      {"  \"b\"=hex:01,\\\r\n    02\r\n   =03", {kKey, "0x3,\"Software\\Test\",\"b\",\\\r\n  01,02"}},
      // A quoted item among lines in the exports' form is read as an item.
      {"\"q\"=hex:01,\\\r\n  \"2\",\\\r\n  03,04,05,06,07,08,\\\r\n  09",
       {kKey, "0x3,\"Software\\Test\",\"q\",\\\r\n  01,2,03,04,05,06,07,08,09"}},
  };
  for (const auto& c : cases) EXPECT_EQ(UnderTestKey(c.lines + "\r\n"), c.written) << c.lines;
}
// clang-format on

// A delete section of a key path already written goes on without a key
// line of its own, even in the other list.
TEST(ConverterTest, KeyLinesFollowTheKeyPathAcrossSections) {
  const OutputLists lists = Convert(
      "[HKEY_CLASSES_ROOT\\.txt]\r\n"
      "[HKEY_CLASSES_ROOT\\.txt]\r\n"
      "@=\"txtfile\"\r\n"
      "[-HKEY_CLASSES_ROOT\\.txt]\r\n"
      "\"b\"=\"2\"\r\n");
  EXPECT_EQ(testing::Items(lists.softwareAddReg),
            (Lines{"0x0,\"Classes\\.txt\"", "0x1,\"Classes\\.txt\",,\"txtfile\""}));
  EXPECT_EQ(testing::Items(lists.softwareDelReg), (Lines{"0x1,\"Classes\\.txt\",\"b\",\"2\""}));
}

// A file of many keys of every kind, with headers that repeat the key
// before them, values whose type cannot be read, comments, stray lines and
// values over many lines, as a large file's batches meet them.
std::string MixedFile(unsigned seed) {
  std::mt19937 random(seed);
  auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  const char* const headers[] = {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\K%u]", "[HKEY_CURRENT_USER\\K%u]",
                                 "[-HKEY_CURRENT_USER\\K%u]",           "[HKEY_USERS\\K%u]",
                                 "  [HKEY_LOCAL_MACHINE\\SYSTEM\\K%u]", "[HKEY_CLASSES_ROOT\\.k%u]",
                                 "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\K%u]"};
  const char* const values[] = {"\"v%u\"=\"C:\\\\Program Files\\\\x\"",
                                "@=dword:%u",
                                "\"z%u\"=hex(zz):00",
                                "\"e%u\"=hex(2):41,00,00,00",
                                "; comment %u",
                                "",
                                "stray %u",
                                "\"d%u\"=-",
                                "\"s%u\"=\"%%PATH%%\\\\a\""};
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  char line[128];
  for (int n = 0; n < 400; ++n) {
    std::snprintf(line, sizeof line, headers[pick(7)], pick(6));
    text.append(line).append("\r\n");
    for (unsigned v = pick(6); v > 0; --v) {
      if (pick(5) == 0) {  // a value over several lines
        text.append(pick(2) ? "\"b\"=hex:01,02,\\\r\n" : "\"w\"=hex(7):41,00,\\\r\n");
        // Lines in the exports' form and others, line ends of every kind.
        const char* const more[] = {
            "  41,00,\\\r\n",  "  41,00,\\  \r\n", "\t41,\\\n", "  41,\\\r", "  4A,00,\\\r\n",
            "  41, 00,\\\r\n", "  41,00\\x\r\n",   "\r\n",      "41,\\\n\r"};
        for (unsigned lines = pick(30); lines > 0; --lines) text.append(more[pick(9)]);
        text.append("  00,00\r\n");
        continue;
      }
      std::snprintf(line, sizeof line, values[pick(9)], pick(100));
      text.append(line).append("\r\n");
    }
  }
  return text;
}

// Batches converted side by side and joined give what the lines give one
// after the other: the same sections, expander entries and console lines.
TEST(ConverterTest, BatchesSideBySideGiveWhatLinesInTurnGive) {
  ConversionSettings settings;
  settings.verbose = true;
  settings.addExpanderEntries = true;
  const ReadAhead sizes[] = {{0, 1, 1}, {0, 1, 1 << 20}, {0, 64, 256}, {0, 700, 2000}};
  testing::ScratchDir dir;
  for (unsigned seed = 1; seed <= 3; ++seed) {
    const std::string text = MixedFile(seed);
    OutputLists expected;
    CapturingConsole expectedConsole;
    ConvertRegText(text, settings, expected, expectedConsole);
    const std::string files[] = {dir.Write("ansi.reg", text),
                                 dir.Write("wide.reg", "\xFF\xFE" + testing::Wide(text))};
    for (const std::string& file : files) {
      for (const ReadAhead& size : sizes) {
        OutputLists lists;
        CapturingConsole console;
        ConvertRegFile(file, settings, lists, console, size);
        const std::string where = file + " seed " + std::to_string(seed) + " batch " +
                                  std::to_string(size.batch) + " most " + std::to_string(size.most);
        EXPECT_EQ(AssembleOutputDocument(lists), AssembleOutputDocument(expected)) << where;
        EXPECT_EQ(console.text, expectedConsole.text) << where;
      }
    }
  }
}

}  // namespace
}  // namespace tovrix
