// ExportKey over the in-memory registry store.

#include "liveexport/key_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "liveexport/live_test_util.h"
#include "liveexport/registry.h"
#include "rewrite/env_guard.h"
#include "text/errors.h"
#include "registry/registry.h"

namespace tovrix {
namespace {

using testing::Bytes;
using testing::Dword;
using testing::Items;
using testing::MultiSz;
using testing::Sz;
using Lines = std::vector<std::string>;

constexpr std::uint32_t kHklm = kHkeyLocalMachine;
constexpr std::uint32_t kHkcu = kHkeyCurrentUser;

class KeyExportTest : public testing::MemoryRegistryTest {
 protected:
  void SetUp() override {
    MemoryRegistryTest::SetUp();
    env_.SetExampleSystem();
  }

  Lines Export(std::uint32_t root, std::string_view keyPath) {
    TStringList target;
    ExportKey(store_, target, root, keyPath, settings_, expanders_, console_);
    return Items(target);
  }

  EnvGuard env_;
  ConversionSettings settings_;
  TStringList expanders_;
  CapturingConsole console_;
};

TEST_F(KeyExportTest, WritesTheExampleKey) {
  const std::string app = "SOFTWARE\\Vendor\\App";
  // Added out of order: the export sorts by name.
  store_.SetValue(kHklm, app, "Path", kRegSz, Sz("C:\\WINDOWS\\a"));
  store_.SetValue(kHklm, app, "List", kRegMultiSz, MultiSz({"a", "b"}));
  store_.SetValue(kHklm, app, "Flags", kRegDword, Dword(1));
  store_.SetValue(kHklm, app, "Data", kRegBinary, "\x01\x02");
  store_.SetValue(kHklm, app, "Big", kRegQword, std::string("\x01\0\0\0\0\0\0\0", 8));
  store_.SetValue(kHklm, app, "", kRegSz, Sz("x"));
  store_.SetValue(kHklm, app + "\\Sub", "V", kRegSz, Sz("y"));

  EXPECT_EQ(Export(kHklm, app), (Lines{
                                    "0x0,\"Vendor\\App\"",
                                    "0x1,\"Vendor\\App\",,\"x\"",
                                    "; Replaced \"REG_QWORD\" to \"REG_BINARY\".",
                                    "0x3,\"Vendor\\App\",\"Big\",01,00,00,00,00,00,00,00",
                                    "0x3,\"Vendor\\App\",\"Data\",01,02",
                                    "0x4,\"Vendor\\App\",\"Flags\",0x1",
                                    "0x7,\"Vendor\\App\",\"List\",\"a\",\"b\"",
                                    "0x1,\"Vendor\\App\",\"Path\",\"X:\\I386\\a\"",
                                    "0x0,\"Vendor\\App\\Sub\"",
                                    "0x1,\"Vendor\\App\\Sub\",\"V\",\"y\"",
                                }));
  EXPECT_EQ(console_.text, "");
  EXPECT_EQ(expanders_.Count(), 0);
}

TEST_F(KeyExportTest, WritesEveryValueType) {
  settings_.replaceMode = 0;
  const std::string k = "T";
  store_.SetValue(kHkcu, k, "a01", kRegNone, "\x05");
  store_.SetValue(kHkcu, k, "a02", kRegNone, "");
  store_.SetValue(kHkcu, k, "a03", kRegSz, "");
  store_.SetValue(kHkcu, k, "a04", kRegSz, Sz(""));
  store_.SetValue(kHkcu, k, "a05", kRegSz, Sz("say \"hi\""));
  store_.SetValue(kHkcu, k, "a06", kRegExpandSz, Sz("%SystemRoot%\\x"));
  store_.SetValue(kHkcu, k, "a07", kRegDword, Dword(0xFFFFFFFF));
  store_.SetValue(kHkcu, k, "a08", kRegDword, "\xFF");
  store_.SetValue(kHkcu, k, "a09", kRegDword, "");
  store_.SetValue(kHkcu, k, "a10", 5, Dword(1));
  store_.SetValue(kHkcu, k, "a11", kRegMultiSz, std::string(2, '\0'));
  store_.SetValue(kHkcu, k, "a12", kRegMultiSz, MultiSz({"q\"t", "", "lost"}));
  store_.SetValue(kHkcu, k, "a13", kRegMultiSz, std::string("one\0two", 7));
  store_.SetValue(kHkcu, k, "a14", kRegBinary, "");
  store_.SetValue(kHkcu, k, "a15", 26, "\xAB");
  store_.SetValue(kHkcu, k, "a16", 0x80000000u, "\xCD");
  store_.SetValue(kHkcu, k, "n\"q", kRegSz, Sz("v"));
  store_.SetValue(kHkcu, k, "", kRegBinary, "");

  EXPECT_EQ(Export(kHkcu, k), (Lines{
                                  "0x0,\"T\"",
                                  "0x3,\"T\",",
                                  "; Replaced \"REG_NONE\" to \"REG_BINARY\".",
                                  "0x3,\"T\",\"a01\",05",
                                  "; Replaced \"REG_NONE\" to \"REG_BINARY\".",
                                  "0x3,\"T\",\"a02\"",
                                  "0x1,\"T\",\"a03\",\"\"",
                                  "0x1,\"T\",\"a04\",\"\"",
                                  "0x1,\"T\",\"a05\",\"say \"\"hi\"\"\"",
                                  "0x2,\"T\",\"a06\",\"%SystemRoot%\\x\"",
                                  "0x4,\"T\",\"a07\",0xFFFFFFFF",
                                  "0x4,\"T\",\"a08\",0xFF",
                                  "0x4,\"T\",\"a09\",0x0",
                                  "; Replaced \"REG_DWORD_BIG_ENDIAN\" to \"REG_BINARY\".",
                                  "0x3,\"T\",\"a10\",01,00,00,00",
                                  "0x7,\"T\",\"a11\",\"\"",
                                  "0x7,\"T\",\"a12\",\"q\"\"t\"",
                                  "0x7,\"T\",\"a13\",\"one\",\"two\"",
                                  "0x3,\"T\",\"a14\"",
                                  "; Replaced \"hex(1a)\" to \"REG_BINARY\".",
                                  "0x3,\"T\",\"a15\",ab",
                                  "; Replaced \"hex(80000000)\" to \"REG_BINARY\".",
                                  "0x3,\"T\",\"a16\",cd",
                                  "0x1,\"T\",\"n\"\"q\",\"v\"",
                              }));
}

TEST_F(KeyExportTest, WrapsBinaryDataAfterEvery25Bytes) {
  store_.SetValue(kHkcu, "B", "b25", kRegBinary, Bytes(25));
  store_.SetValue(kHkcu, "B", "b26", kRegBinary, Bytes(26));
  store_.SetValue(kHkcu, "B", "b51", kRegBinary, Bytes(51));
  const std::string row1 =
      "00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18";
  const std::string row2 =
      "19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30,31";
  EXPECT_EQ(Export(kHkcu, "B"), (Lines{
                                    "0x0,\"B\"",
                                    "0x3,\"B\",\"b25\"," + row1,
                                    "0x3,\"B\",\"b26\"," + row1 + ",\\\r\n  19",
                                    "0x3,\"B\",\"b51\"," + row1 + ",\\\r\n  " + row2 +
                                        ",\\\r\n  32",
                                }));
}

TEST_F(KeyExportTest, RewritesOutputPathsByRoot) {
  store_.AddKey(kHklm, "software\\x");
  store_.AddKey(kHklm, "SYSTEM\\CurrentControlSet\\Services\\X");
  store_.AddKey(kHklm, "SYSTEM\\ControlSet003\\Control");
  store_.AddKey(kHklm, "HARDWARE\\X");
  store_.AddKey(kHkeyClassesRoot, ".txt");
  store_.AddKey(kHkcu, "Q\"K");
  EXPECT_EQ(Export(kHklm, "software\\x"), (Lines{"0x0,\"x\""}));
  EXPECT_EQ(Export(kHklm, "SYSTEM\\CurrentControlSet\\Services\\X"),
            (Lines{"0x0,\"ControlSet001\\Services\\X\""}));
  EXPECT_EQ(Export(kHklm, "SYSTEM\\ControlSet003\\Control"),
            (Lines{"0x0,\"ControlSet001\\Control\""}));
  EXPECT_EQ(Export(kHklm, "HARDWARE\\X"), (Lines{"0x0,\"HARDWARE\\X\""}));
  EXPECT_EQ(Export(kHkeyClassesRoot, ".txt"), (Lines{"0x0,\"Classes\\.txt\""}));
  EXPECT_EQ(Export(kHkcu, "Q\"K"), (Lines{"0x0,\"Q\"\"K\""}));
  // A missing key still gives its key line.
  EXPECT_EQ(Export(kHkcu, "Missing\\Key"), (Lines{"0x0,\"Missing\\Key\""}));
  // The whole root: its subkeys are named without a leading backslash.
  EXPECT_EQ(Export(kHkeyClassesRoot, ""), (Lines{"0x0,\"Classes\\\"", "0x0,\"Classes\\.txt\""}));
}

TEST_F(KeyExportTest, WholeRootNamesItsSubkeysWithoutALeadingBackslash) {
  settings_.verbose = true;
  settings_.addExpanderEntries = true;
  settings_.replaceMode = 0;
  env_.Set("TOVRIX_LIVE_ROOT", "D:\\r");
  store_.SetValue(kHkcu, "Control Panel\\Desktop", "W", kRegSz,
                           Sz("%TOVRIX_LIVE_ROOT%"));
  store_.SetValue(kHkeyClassesRoot, ".txt", "", kRegSz, Sz("%TOVRIX_LIVE_ROOT%"));
  EXPECT_EQ(Export(kHkcu, ""), (Lines{
                                   "0x0,\"\"",
                                   "0x0,\"Control Panel\"",
                                   "0x0,\"Control Panel\\Desktop\"",
                                   "0x1,\"Control Panel\\Desktop\",\"W\",\"%TOVRIX_LIVE_ROOT%\"",
                               }));
  EXPECT_EQ(Export(kHkeyClassesRoot, ""),
            (Lines{"0x0,\"Classes\\\"", "0x0,\"Classes\\.txt\"",
                   "0x1,\"Classes\\.txt\",,\"%TOVRIX_LIVE_ROOT%\""}));
  EXPECT_EQ(console_.text,
            "Processing - \r\nProcessing - Control Panel\r\nProcessing - Control Panel\\Desktop\r\n"
            "Processing - \r\nProcessing - .txt\r\n");
  EXPECT_EQ(Items(expanders_),
            (Lines{"0x7,\"Valmora\\Tessaly\\HKCU\",\"Control Panel\\Desktop\",\"W\"",
                   "0x7,\"Valmora\\Tessaly\\HKLM\",\"Software\\Classes\\.txt\",\"(Default)\""}));
}

TEST_F(KeyExportTest, SortsNamesAndWalksSubkeysDepthFirst) {
  settings_.verbose = true;
  store_.SetValue(kHkcu, "R", "b", kRegSz, Sz("1"));
  store_.SetValue(kHkcu, "R", "C", kRegSz, Sz("2"));
  store_.SetValue(kHkcu, "R", "a", kRegSz, Sz("3"));
  store_.SetValue(kHkcu, "R\\zz", "v", kRegDword, Dword(2));
  store_.AddKey(kHkcu, "R\\Mid\\Deep");
  store_.AddKey(kHkcu, "R\\alpha");
  EXPECT_EQ(Export(kHkcu, "R"), (Lines{
                                    "0x0,\"R\"",
                                    "0x1,\"R\",\"a\",\"3\"",
                                    "0x1,\"R\",\"b\",\"1\"",
                                    "0x1,\"R\",\"C\",\"2\"",
                                    "0x0,\"R\\alpha\"",
                                    "0x0,\"R\\Mid\"",
                                    "0x0,\"R\\Mid\\Deep\"",
                                    "0x0,\"R\\zz\"",
                                    "0x4,\"R\\zz\",\"v\",0x2",
                                }));
  EXPECT_EQ(console_.text,
            "Processing - R\r\nProcessing - R\\alpha\r\nProcessing - R\\Mid\r\n"
            "Processing - R\\Mid\\Deep\r\nProcessing - R\\zz\r\n");
}

TEST_F(KeyExportTest, StopsDescending512LevelsBelowTheListedKey) {
  std::string deepest = "Top";
  for (int i = 1; i <= kMaxExportDepth + 3; ++i) deepest += "\\L";
  store_.AddKey(kHkcu, deepest);
  const Lines lines = Export(kHkcu, "Top");
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kMaxExportDepth) + 1);
  std::string last = "Top";
  for (int i = 1; i <= kMaxExportDepth; ++i) last += "\\L";
  EXPECT_EQ(lines.back(), "0x0,\"" + last + "\"");
}

TEST_F(KeyExportTest, ValueReadFailuresEndTheExport) {
  store_.SetValue(kHkcu, "E", "a", kRegSz, Sz("kept"));
  store_.SetValue(kHkcu, "E", "Big", kRegDword, std::string(8, '\0'));
  TStringList target;
  EXPECT_THROW(ExportKey(store_, target, kHkcu, "E", settings_, expanders_, console_),
               ERegistryException);
}

TEST_F(KeyExportTest, KeyOpenableOnlyForQueriesGivesValuesButNoSubkeys) {
  store_.SetValue(kHkcu, "Q", "v", kRegSz, Sz("1"));
  store_.AddKey(kHkcu, "Q\\Sub");
  store_.SetKeyAccess(kHkcu, "Q", kKeyQueryValue);
  EXPECT_EQ(Export(kHkcu, "Q"), (Lines{"0x0,\"Q\"", "0x1,\"Q\",\"v\",\"1\""}));
}

TEST_F(KeyExportTest, CollectsExpanderEntriesPerKey) {
  settings_.addExpanderEntries = true;
  settings_.replaceMode = 0;
  env_.Set("TOVRIX_LIVE_HOME", "D:\\home");
  env_.Set("TOVRIX_LIVE_UNSET", "");
  store_.SetValue(kHkcu, "Environment", "Path", kRegExpandSz,
                           Sz("%TOVRIX_LIVE_HOME%\\bin"));
  store_.SetValue(kHkcu, "Environment", "", kRegSz, Sz("%TOVRIX_LIVE_HOME%"));
  store_.SetValue(kHkcu, "Environment", "Nope", kRegSz, Sz("%TOVRIX_LIVE_UNSET%"));
  store_.SetValue(kHkcu, "Environment", "Pct", kRegSz, Sz("100%"));
  store_.SetValue(kHkcu, "Environment", "Num", kRegDword, Dword(0x25));
  store_.SetValue(kHkcu, "Environment\\Sub", "M", kRegMultiSz,
                           MultiSz({"%TOVRIX_LIVE_HOME%"}));
  store_.SetValue(kHklm, "SYSTEM\\ControlSet002\\S", "I", kRegExpandSz,
                           Sz("%SystemRoot%\\i.dll"));
  Export(kHkcu, "Environment");
  Export(kHklm, "SYSTEM\\ControlSet002\\S");
  EXPECT_EQ(Items(expanders_),
            (Lines{
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\",\"(Default)\",\"Path\"",
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\\Sub\",\"M\"",
                "0x7,\"Valmora\\Tessaly\\HKLM\",\"SYSTEM\\ControlSet001\\S\",\"I\"",
            }));

  // Without /x nothing is collected.
  settings_.addExpanderEntries = false;
  expanders_.Clear();
  Export(kHkcu, "Environment");
  EXPECT_EQ(expanders_.Count(), 0);
}

TEST_F(KeyExportTest, RewritesTextDataByReplaceMode) {
  store_.SetValue(kHkcu, "P", "e", kRegExpandSz, Sz("%SystemRoot%\\system32\\x.dll"));
  store_.SetValue(kHkcu, "P", "m", kRegMultiSz,
                           MultiSz({"C:\\Program Files\\a", "c:\\boot.ini"}));
  store_.SetValue(kHkcu, "P", "s", kRegSz, Sz("D:\\data"));
  EXPECT_EQ(Export(kHkcu, "P"),
            (Lines{"0x0,\"P\"", "0x2,\"P\",\"e\",\"X:\\I386\\system32\\x.dll\"",
                   "0x7,\"P\",\"m\",\"X:\\PROGRAMS\\a\",\"X:\\boot.ini\"",
                   "0x1,\"P\",\"s\",\"D:\\data\""}));
}

}  // namespace
}  // namespace tovrix

