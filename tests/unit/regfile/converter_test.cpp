// ConvertRegText. The end-to-end cases (tests/e2e/cases/regfile) compare
// whole conversions byte for byte: value kinds, headers, names, multi-line
// values, stray lines, path replacement and expander entries. What stays
// here are the rules those files do not reach.
#include "regfile/converter.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tovrix
