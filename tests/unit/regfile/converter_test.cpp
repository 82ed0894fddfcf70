#include "regfile/converter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "inf/output.h"
#include "text/console.h"
#include "text/string_list.h"

namespace tovrix {
namespace {

using Items = std::vector<std::string>;

Items ItemsOf(const TStringList& list) {
  Items items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

struct Conversion {
  OutputLists lists;
  CapturingConsole console;
};

ConversionSettings Mode0() {
  ConversionSettings settings;
  settings.replaceMode = 0;
  return settings;
}

void Convert(Conversion& run, const std::string& text, const ConversionSettings& settings) {
  ConvertRegText(text, settings, run.lists, run.console);
}

// Converts `body` under [HKEY_CURRENT_USER\Software\Test] and answers the
// lines of Default.AddReg.
Items UnderTestKey(const std::string& body, ConversionSettings settings = Mode0()) {
  Conversion run;
  Convert(run, "[HKEY_CURRENT_USER\\Software\\Test]\r\n" + body, settings);
  return ItemsOf(run.lists.defaultAddReg);
}

const std::string kKeyLine = "0x0,\"Software\\Test\"";

// Sets a variable of the process environment, where expansions see it.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  ASSERT_EQ(_putenv_s(name, value), 0);
#else
  ASSERT_EQ(setenv(name, value, 1), 0);
#endif
}

TEST(ConverterTest, WorkedExample) {
  ConversionSettings settings = Mode0();
  settings.verbose = true;
  Conversion run;
  Convert(run,
          "Windows Registry Editor Version 5.00\r\n"
          "\r\n"
          "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
          "; settings\r\n"
          "\"Name\"=\"abc\"\r\n"
          "@=dword:00000010\r\n"
          "[HKEY_USERS\\S-1-5-18\\Software]\r\n"
          "\"x\"=\"y\"\r\n"
          "[-HKEY_CURRENT_USER\\Software\\Old]\r\n",
          settings);
  EXPECT_EQ(ItemsOf(run.lists.defaultAddReg),
            (Items{"; settings", kKeyLine, "0x1,\"Software\\Test\",\"Name\",\"abc\"",
                   "0x4,\"Software\\Test\",,0x10"}));
  EXPECT_TRUE(ItemsOf(run.lists.defaultDelReg).empty());
  EXPECT_TRUE(ItemsOf(run.lists.softwareAddReg).empty());
  EXPECT_TRUE(ItemsOf(run.lists.expanderList).empty());
  EXPECT_EQ(run.console.text, "Processing - Software\\Test\r\nProcessing - Software\\Old\r\n");
}

struct ValueCase {
  const char* line;
  Items written;  // after the key line
};

TEST(ConverterTest, ValueKinds) {
  const std::string k = "\"Software\\Test\"";
  const ValueCase cases[] = {
      {"\"Path\"=\"C:\\\\Tools\\\\bin\"", {"0x1," + k + ",\"Path\",\"C:\\Tools\\bin\""}},
      {"@=\"x\"", {"0x1," + k + ",,\"x\""}},
      {"\"@\"=\"x\"", {"0x1," + k + ",,\"x\""}},
      {"\"a\"=\"\"", {"0x1," + k + ",\"a\",\"\""}},
      {"\"a\"=", {"0x1," + k + ",\"a\",\"\""}},
      {"\"a\"=\"", {"0x1," + k + ",\"a\",\"\""}},
      {"\"q\"=\"say \\\"hi\\\"\"", {"0x1," + k + ",\"q\",\"say \"\"hi\"\"\""}},
      {"\"n\"=dword:0000001a", {"0x4," + k + ",\"n\",0x1A"}},
      {"\"n\"=dword:00000000", {"0x4," + k + ",\"n\",0x0"}},
      {"\"n\"=dword:ffffffff", {"0x4," + k + ",\"n\",0xFFFFFFFF"}},
      {"\"n\"=DWord:1", {"0x4," + k + ",\"n\",0x1"}},
      {"\"n\"=dword:000000100", {"0x4," + k + ",\"n\",0x10"}},
      {"\"n\"=dword:zz", {"0x4," + k + ",\"n\",0x0"}},
      {"\"n\"=dword:", {"0x4," + k + ",\"n\",0x0"}},
      {"\"b\"=hex:01,02,03", {"0x3," + k + ",\"b\",\\\r\n  01,02,03"}},
      {"\"b\"=HEX:0A, 0B ,0c", {"0x3," + k + ",\"b\",\\\r\n  0a,0b,0c"}},
      {"\"b\"=hex:", {"0x3," + k + ",\"b\""}},
      {"@=hex:", {"0x3," + k + ","}},
      {"\"x\"=hex(0):",
       {"; Replaced \"REG_NONE\" to \"REG_BINARY\".", "0x3," + k + ",\"x\""}},
      {"\"q\"=hex(b):01,00,00,00,00,00,00,00",
       {"; Replaced \"REG_QWORD\" to \"REG_BINARY\".",
        "0x3," + k + ",\"q\",\\\r\n  01,00,00,00,00,00,00,00"}},
      {"\"r\"=hex(1a):AB, CD",
       {"; Replaced \"hex(1a)\" to \"REG_BINARY\".", "0x3," + k + ",\"r\",\\\r\n  AB,CD"}},
      {"\"r\"=HEX(A):00",
       {"; Replaced \"REG_RESOURCE_REQUIREMENTS_LIST\" to \"REG_BINARY\".",
        "0x3," + k + ",\"r\",\\\r\n  00"}},
      {"\"e\"=hex(2):25,00,53,00,00,00", {"0x2," + k + ",\"e\",\"%S\""}},
      {"\"e\"=hex(02):41,00,00,00", {"0x2," + k + ",\"e\",\"A\""}},
      {"\"e\"=hex(2):", {"0x2," + k + ",\"e\",\"\""}},
      {"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00", {"0x7," + k + ",\"m\",\"a\",\"b\""}},
      {"\"m\"=hex(7):00,00", {"0x7," + k + ",\"m\","}},
      // Dropped lines: only the key line remains.
      {"\"z\"=hex(100):00", {}},
      {"\"z\"=hex():00", {}},
      {"\"z\"=hex(zz):00", {}},
      {"\"z\"=hex(2:00", {}},
      {"\"d\"=-", {}},
      {"\"u\"=unquoted", {}},
      {"\"s\"=\"trailing blank\" ", {}},
      {"\"a=b\"=\"x\"", {}},
  };
  for (const ValueCase& c : cases) {
    Items expected{kKeyLine};
    expected.insert(expected.end(), c.written.begin(), c.written.end());
    EXPECT_EQ(UnderTestKey(std::string(c.line) + "\r\n"), expected) << c.line;
  }
}

TEST(ConverterTest, KeyLines) {
  // Two values under one key: one key line.
  EXPECT_EQ(UnderTestKey("\"a\"=\"1\"\r\n\"b\"=\"2\"\r\n"),
            (Items{kKeyLine, "0x1,\"Software\\Test\",\"a\",\"1\"",
                   "0x1,\"Software\\Test\",\"b\",\"2\""}));
  // A header directly followed by another writes none; a second header with
  // the same key path writes none either, even in another list; letter case
  // counts.
  Conversion run;
  Convert(run,
          "[HKEY_CLASSES_ROOT\\.txt]\r\n"
          "[HKEY_CLASSES_ROOT\\.txt]\r\n"
          "@=\"txtfile\"\r\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.txt]\r\n"
          "\"a\"=\"1\"\r\n"
          "[-HKEY_CLASSES_ROOT\\.txt]\r\n"
          "\"b\"=\"2\"\r\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE\\classes\\.txt]\r\n"
          "\"c\"=\"3\"\r\n",
          Mode0());
  EXPECT_EQ(ItemsOf(run.lists.softwareAddReg),
            (Items{"0x0,\"Classes\\.txt\"", "0x1,\"Classes\\.txt\",,\"txtfile\"",
                   "0x1,\"Classes\\.txt\",\"a\",\"1\"", "0x0,\"classes\\.txt\"",
                   "0x1,\"classes\\.txt\",\"c\",\"3\""}));
  EXPECT_EQ(ItemsOf(run.lists.softwareDelReg), (Items{"0x1,\"Classes\\.txt\",\"b\",\"2\""}));
  // A dropped value still writes the key line, and an unreadable hex(n)
  // type does not count as the key's value: the next value writes it again.
  EXPECT_EQ(UnderTestKey("\"z\"=hex(100):00\r\n\"a\"=\"1\"\r\n"),
            (Items{kKeyLine, kKeyLine, "0x1,\"Software\\Test\",\"a\",\"1\""}));
  EXPECT_EQ(UnderTestKey("\"d\"=-\r\n\"a\"=\"1\"\r\n"),
            (Items{kKeyLine, "0x1,\"Software\\Test\",\"a\",\"1\""}));
}

TEST(ConverterTest, Headers) {
  ConversionSettings settings = Mode0();
  settings.verbose = true;
  Conversion run;
  Convert(run,
          "REGEDIT4\r\n"
          "; before any key\r\n"
          "\"early\"=\"x\"\r\n"
          "[hkey_current_user\\Software\\Lower]\r\n"
          "\"a\"=\"1\"\r\n"
          "  [HKEY_CURRENT_USER\\Software\\Trailing]   \r\n"
          "\"b\"=\"2\"\r\n"
          "[HKEY_CURRENT_USER\\Software\r\n"
          "\"c\"=\"3\"\r\n"
          "[HKEY_CURRENT_USER\\]\r\n"
          "; kept\r\n"
          "\"d\"=\"4\"\r\n"
          "[HKEY_USERS\\.DEFAULT\\Software]\r\n"
          "; dropped\r\n"
          "[HKEY_LOCAL_MACHINE\\HARDWARE\\X]\r\n"
          "\"e\"=\"5\"\r\n"
          "[HKEY_CURRENT_USER]\r\n"
          "; dropped\r\n"
          "[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
          "\"f\"=\"6\"\r\n"
          "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
          "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\X]\r\n"
          "  ; two blanks\r\n"
          "   \r\n"
          "\t\r\n"
          "\"g\"=dword:00000001\r\n",
          settings);
  EXPECT_EQ(ItemsOf(run.lists.defaultAddReg),
            (Items{"0x0,\"Software\\Lower\"", "0x1,\"Software\\Lower\",\"a\",\"1\"",
                   "0x0,\"Software\\Trailing\"", "0x1,\"Software\\Trailing\",\"b\",\"2\"",
                   "0x0,\"Softwar\"", "0x1,\"Softwar\",\"c\",\"3\"", "; kept"}));
  EXPECT_TRUE(ItemsOf(run.lists.defaultDelReg).empty());
  EXPECT_TRUE(ItemsOf(run.lists.softwareAddReg).empty());
  EXPECT_EQ(ItemsOf(run.lists.setupRegAddReg),
            (Items{"  ; two blanks", "0x0,\"ControlSet001\\Services\\X\"",
                   "0x4,\"ControlSet001\\Services\\X\",\"g\",0x1"}));
  EXPECT_EQ(run.console.text,
            "Processing - Software\\Lower\r\n"
            "Processing - Software\\Trailing\r\n"
            "Processing - Softwar\r\n"
            "Processing - Software\\Gone\r\n"
            "Processing - CurrentControlSet\\Services\\X\r\n");
}

TEST(ConverterTest, MultiLineBinaryWrapsAt25Bytes) {
  std::string bytes[30];
  for (int i = 0; i < 30; ++i) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02x", i);
    bytes[i] = buf;
  }
  auto join = [&](int from, int to) {
    std::string s;
    for (int i = from; i < to; ++i) s += (i > from ? "," : "") + bytes[i];
    return s;
  };
  const std::string file = "\"b\"=hex:" + join(0, 12) + ",\\\r\n  " + join(12, 24) +
                           ",\\\r\n  " + join(24, 30) + "\r\n";
  EXPECT_EQ(UnderTestKey(file),
            (Items{kKeyLine, "0x3,\"Software\\Test\",\"b\",\\\r\n  " + join(0, 25) +
                                 ",\\\r\n  " + join(25, 30)}));
  // A single line keeps its bytes on one line, however many.
  EXPECT_EQ(UnderTestKey("\"b\"=hex:" + join(0, 30) + "\r\n"),
            (Items{kKeyLine, "0x3,\"Software\\Test\",\"b\",\\\r\n  " + join(0, 30)}));
  // Exactly 25 bytes: no break after the last one. Continuation lines are
  // lower-cased; a hex(n) value gets its comment when it is written.
  EXPECT_EQ(UnderTestKey("\"q\"=hex(4):" + join(0, 20) + ",\\\r\n  " + "15,16,17,18,\\\r\n"
                         "  19\r\n"),
            (Items{kKeyLine, "; Replaced \"REG_DWORD\" to \"REG_BINARY\".",
                   "0x3,\"Software\\Test\",\"q\",\\\r\n  " + join(0, 20) + ",15,16,17,18,19"}));
  EXPECT_EQ(UnderTestKey("@=hex:01,\\\r\n  0A,FF\r\n"),
            (Items{kKeyLine, "0x3,\"Software\\Test\",,\\\r\n  01,0a,ff"}));
  // Comment lines between the lines of a value are copied before it.
  EXPECT_EQ(UnderTestKey("\"b\"=hex:01,\\\r\n; note\r\n  02\r\n"),
            (Items{kKeyLine, "; note", "0x3,\"Software\\Test\",\"b\",\\\r\n  01,02"}));
}

TEST(ConverterTest, MultiLineWideValues) {
  EXPECT_EQ(UnderTestKey("\"e\"=hex(2):25,00,53,00,\\\r\n  79,00,00,00\r\n"),
            (Items{kKeyLine, "0x2,\"Software\\Test\",\"e\",\"%Sy\""}));
  EXPECT_EQ(UnderTestKey("\"m\"=hex(7):61,00,00,00,\\\r\n  62,00,00,00,\\\r\n  00,00\r\n"),
            (Items{kKeyLine, "0x7,\"Software\\Test\",\"m\",\"a\",\"b\""}));
}

TEST(ConverterTest, StrayAndAbandonedLinesAreDropped) {
  // Lines without "=" that continue no open value.
  EXPECT_EQ(UnderTestKey("00,01\r\n\"s\"=\"x\"\r\n  00,01\r\n=02\r\n"),
            (Items{kKeyLine, "0x1,\"Software\\Test\",\"s\",\"x\""}));
  // After an unreadable hex(n) type, its continuation lines are stray.
  EXPECT_EQ(UnderTestKey("\"z\"=hex(zz):01,\\\r\n  02\r\n\"a\"=dword:2\r\n"),
            (Items{kKeyLine, kKeyLine, "0x4,\"Software\\Test\",\"a\",0x2"}));
  // Another value line drops an open value unwritten.
  EXPECT_EQ(UnderTestKey("\"b\"=hex:01,\\\r\n\"c\"=dword:1\r\n  02\r\n"),
            (Items{kKeyLine, "0x4,\"Software\\Test\",\"c\",0x1"}));
  // So does a header; the line after it is stray under the new key.
  Conversion run;
  Convert(run,
          "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
          "\"b\"=hex(2):41,00,\\\r\n"
          "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
          "  00,00\r\n"
          "\"c\"=\"1\"\r\n",
          Mode0());
  EXPECT_EQ(ItemsOf(run.lists.defaultAddReg),
            (Items{kKeyLine, "0x0,\"Software\\Other\"", "0x1,\"Software\\Other\",\"c\",\"1\""}));
  // A value whose last line never comes is not written.
  EXPECT_EQ(UnderTestKey("\"b\"=hex:01,\\\r\n"), (Items{kKeyLine}));
}

TEST(ConverterTest, NamesAreUnescapedAndQuotesDoubled) {
  EXPECT_EQ(UnderTestKey("\"C:\\\\Tools\\\\a.dll\"=dword:1\r\n"),
            (Items{kKeyLine, "0x4,\"Software\\Test\",\"C:\\Tools\\a.dll\",0x1"}));
  EXPECT_EQ(UnderTestKey("\"say \\\"x\\\"\"=\"1\"\r\n"),
            (Items{kKeyLine, "0x1,\"Software\\Test\",\"say \"\"x\"\"\",\"1\""}));
  // The name of an open value is the one its multi-line value is written
  // under.
  EXPECT_EQ(UnderTestKey("\"a\\\\b\"=hex:01,\\\r\n 02\r\n"),
            (Items{kKeyLine, "0x3,\"Software\\Test\",\"a\\b\",\\\r\n  01,02"}));
  Conversion run;
  Convert(run, "[HKEY_CURRENT_USER\\Software\\a\"b]\r\n@=\"x\"\r\n", Mode0());
  EXPECT_EQ(ItemsOf(run.lists.defaultAddReg),
            (Items{"0x0,\"Software\\a\"\"b\"", "0x1,\"Software\\a\"\"b\",,\"x\""}));
}

TEST(ConverterTest, EightBitBytesPassThrough) {
  // UTF-8 and code page 1252 bytes in names, data and keys are not touched.
  Conversion run;
  Convert(run,
          "[HKEY_CURRENT_USER\\Software\\Caf\xc3\xa9]\r\n"
          "\"Na\xefve\"=\"caf\xc3\xa9 \xe9\xe8\"\r\n"
          "; \xff\xfe comment\r\n",
          Mode0());
  EXPECT_EQ(ItemsOf(run.lists.defaultAddReg),
            (Items{"0x0,\"Software\\Caf\xc3\xa9\"",
                   "0x1,\"Software\\Caf\xc3\xa9\",\"Na\xefve\",\"caf\xc3\xa9 \xe9\xe8\"",
                   "; \xff\xfe comment"}));
}

TEST(ConverterTest, ExpanderEntries) {
  SetVariable("TVXUNIT", "D:\\unit");
  ConversionSettings settings = Mode0();
  settings.addExpanderEntries = true;
  Conversion run;
  Convert(run,
          "[HKEY_CURRENT_USER\\Environment]\r\n"
          "\"Path\"=\"%TVXUNIT%\\bin\"\r\n"
          "\"Plain\"=\"100%\"\r\n"
          "\"Undefined\"=\"%TVX_NOT_DEFINED%\"\r\n"
          "\"N\"=dword:00000001\r\n"
          "@=\"%TVXUNIT%\"\r\n"
          "\"q\\\"x\"=hex(2):25,00,54,00,56,00,58,00,55,00,4e,00,49,00,54,00,25,00,00,00\r\n"
          "[-HKEY_CURRENT_USER\\Software\\Old]\r\n"
          "\"Del\"=\"%TVXUNIT%\"\r\n"
          "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet002\\Services\\S]\r\n"
          "\"Image\"=\"%TVXUNIT%\\s.exe\"\r\n"
          "[HKEY_CLASSES_ROOT\\.tvx]\r\n"
          "\"m\"=hex(7):25,00,54,00,56,00,58,00,55,00,4e,00,49,00,54,00,25,00,00,00,00,00\r\n",
          settings);
  EXPECT_EQ(ItemsOf(run.lists.expanderList),
            (Items{"0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\",\"Path\",\"(Default)\","
                   "\"q\"\"x\"",
                   "0x7,\"Valmora\\Tessaly\\HKLM\",\"\\SYSTEM\\ControlSet001\\Services\\S\","
                   "\"Image\"",
                   "0x7,\"Valmora\\Tessaly\\HKLM\",\"SOFTWARE\\Classes\\.tvx\",\"m\""}));
  // The delete section's value is still converted.
  EXPECT_EQ(ItemsOf(run.lists.defaultDelReg),
            (Items{"0x0,\"Software\\Old\"", "0x1,\"Software\\Old\",\"Del\",\"%TVXUNIT%\""}));

  // Without /x nothing is collected.
  Conversion off;
  Convert(off, "[HKEY_CURRENT_USER\\Environment]\r\n\"Path\"=\"%TVXUNIT%\"\r\n", Mode0());
  EXPECT_TRUE(ItemsOf(off.lists.expanderList).empty());
}

TEST(ConverterTest, PathReplacementOfTextData) {
  ConversionSettings settings;  // mode 2, target 7
  EXPECT_EQ(UnderTestKey("\"p\"=\"C:\\\\Program Files\\\\App\\\\a.exe\"\r\n", settings),
            (Items{kKeyLine, "0x1,\"Software\\Test\",\"p\",\"X:\\PROGRAMS\\App\\a.exe\""}));
  // hex(2) data of %SystemRoot%\x: expanded, then rewritten.
  EXPECT_EQ(UnderTestKey("\"e\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6d,00,52,00,6f,00,"
                         "6f,00,74,00,25,00,5c,00,78,00,00,00\r\n",
                         settings),
            (Items{kKeyLine, "0x2,\"Software\\Test\",\"e\",\"X:\\I386\\x\""}));
  // DWORD and binary data are never rewritten.
  EXPECT_EQ(UnderTestKey("\"b\"=hex:43,3a\r\n", settings),
            (Items{kKeyLine, "0x3,\"Software\\Test\",\"b\",\\\r\n  43,3a"}));
}

// Hand-written files indent their value lines; the indentation is not part
// of the value's name.
TEST(ConverterTest, IndentedValueLines) {
  EXPECT_EQ(UnderTestKey("   \"path\"=\"x\"\r\n\t@=\"d\"\r\n  plain=dword:1\r\n"),
            (Items{kKeyLine, "0x1,\"Software\\Test\",\"path\",\"x\"",
                   "0x1,\"Software\\Test\",,\"d\"", "0x4,\"Software\\Test\",\"plain\",0x1"}));
  // Trailing blanks after a quoted string make it a string of no known form.
  EXPECT_EQ(UnderTestKey("  \"a\"=\"x\"  \r\n"), (Items{kKeyLine}));
  // Indented lines without a name stay continuation lines.
  EXPECT_EQ(UnderTestKey("  \"b\"=hex:01,\\\r\n    02\r\n   =03\r\n"),
            (Items{kKeyLine, "0x3,\"Software\\Test\",\"b\",\\\r\n  01,02"}));
}

}  // namespace
}  // namespace tovrix
