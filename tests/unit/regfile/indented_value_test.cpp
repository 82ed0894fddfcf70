// Hand-written .reg files indent their value lines; the indentation is not
// part of the value's name.
#include <gtest/gtest.h>

#include <string>

#include "inf/output.h"
#include "regfile/converter.h"
#include "text/console.h"

namespace tovrix {
namespace {

std::string Convert(const std::string& body) {
  ConversionSettings settings;
  settings.replaceMode = 0;
  OutputLists lists;
  CapturingConsole console;
  ConvertRegText("[HKEY_CURRENT_USER\\Software\\Test]\r\n" + body, settings, lists, console);
  return lists.defaultAddReg.JoinText();
}

TEST(IndentedValueLines, LeadingBlanksAreNotPartOfTheName) {
  EXPECT_EQ(Convert("   \"path\"=\"x\"\r\n\t@=\"d\"\r\n  plain=dword:1\r\n"),
            "0x0,\"Software\\Test\"\r\n"
            "0x1,\"Software\\Test\",\"path\",\"x\"\r\n"
            "0x1,\"Software\\Test\",,\"d\"\r\n"
            "0x4,\"Software\\Test\",\"plain\",0x1\r\n");
  // The data keeps its bytes: trailing blanks after a quoted string still
  // make it a string of no known form.
  EXPECT_EQ(Convert("  \"a\"=\"x\"  \r\n"), "0x0,\"Software\\Test\"\r\n");
  // Indented lines without a name stay continuation lines.
  EXPECT_EQ(Convert("  \"b\"=hex:01,\\\r\n    02\r\n   =03\r\n"),
            "0x0,\"Software\\Test\"\r\n"
            "0x3,\"Software\\Test\",\"b\",\\\r\n  01,02\r\n");
}

}  // namespace
}  // namespace tovrix
