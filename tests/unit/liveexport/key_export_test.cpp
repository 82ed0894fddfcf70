// ExportKey over the in-memory registry store.

#include "liveexport/key_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "liveexport/live_test_util.h"
#include "liveexport/registry.h"
#include "registry/registry.h"
#include "rewrite/env_guard.h"
#include "text/errors.h"

namespace tovrix {
namespace {

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

TEST_F(KeyExportTest, KeyPathsByRootAndOrder) {
  settings_.verbose = true;
  store_.AddKey(kHklm, "software\\x");
  store_.AddKey(kHklm, "SYSTEM\\CurrentControlSet\\Services\\X");
  store_.AddKey(kHklm, "SYSTEM\\ControlSet003\\Control");
  store_.AddKey(kHklm, "HARDWARE\\X");
  store_.AddKey(kHkeyClassesRoot, ".txt");
  store_.AddKey(kHkcu, "Q\"K");
  const struct {
    std::uint32_t root;
    const char* keyPath;
    const char* written;
    // clang-format off
  } cases[] = {
      {kHklm, "software\\x", "x"},
      {kHklm, "SYSTEM\\CurrentControlSet\\Services\\X", "ControlSet001\\Services\\X"},
      {kHklm, "SYSTEM\\ControlSet003\\Control", "ControlSet001\\Control"},
      {kHklm, "HARDWARE\\X", "HARDWARE\\X"},
      {kHkeyClassesRoot, ".txt", "Classes\\.txt"},
      {kHkcu, "Q\"K", "Q\"\"K"},
      {kHkcu, "Missing\\Key", "Missing\\Key"},  // a missing key still gives its key line
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(Export(c.root, c.keyPath), Lines{"0x0,\"" + std::string(c.written) + "\""})
        << c.keyPath;
  }
  // A whole root: its subkeys are named without a leading backslash.
  EXPECT_EQ(Export(kHkeyClassesRoot, ""), (Lines{"0x0,\"Classes\\\"", "0x0,\"Classes\\.txt\""}));
  EXPECT_EQ(Export(kHkcu, ""), (Lines{"0x0,\"\"", "0x0,\"Q\"\"K\""}));

  // Values sorted by name without regard to case, then the subkeys, depth
  // first; "Processing" after each key's values.
  console_.text.clear();
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

// One entry per key, "(Default)" for the default value, before the
// entries of its subkeys.
TEST_F(KeyExportTest, CollectsExpanderEntriesPerKey) {
  settings_.addExpanderEntries = true;
  settings_.replaceMode = 0;
  env_.Set("TOVRIX_LIVE_HOME", "D:\\home");
  store_.SetValue(kHkcu, "Environment", "Path", kRegExpandSz, Sz("%TOVRIX_LIVE_HOME%\\bin"));
  store_.SetValue(kHkcu, "Environment", "", kRegSz, Sz("%TOVRIX_LIVE_HOME%"));
  store_.SetValue(kHkcu, "Environment\\Sub", "M", kRegMultiSz, MultiSz({"%TOVRIX_LIVE_HOME%"}));
  store_.SetValue(kHklm, "SYSTEM\\ControlSet002\\S", "I", kRegExpandSz, Sz("%SystemRoot%\\i.dll"));
  Export(kHkcu, "Environment");
  Export(kHklm, "SYSTEM\\ControlSet002\\S");
  EXPECT_EQ(Items(expanders_),
            (Lines{
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\",\"(Default)\",\"Path\"",
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\\Sub\",\"M\"",
                "0x7,\"Valmora\\Tessaly\\HKLM\",\"SYSTEM\\ControlSet001\\S\",\"I\"",
            }));
}

TEST_F(KeyExportTest, RewritesTextDataByReplaceMode) {
  store_.SetValue(kHkcu, "P", "e", kRegExpandSz, Sz("%SystemRoot%\\system32\\x.dll"));
  store_.SetValue(kHkcu, "P", "m", kRegMultiSz, MultiSz({"C:\\Program Files\\a", "c:\\boot.ini"}));
  store_.SetValue(kHkcu, "P", "s", kRegSz, Sz("D:\\data"));
  EXPECT_EQ(Export(kHkcu, "P"), (Lines{"0x0,\"P\"", "0x2,\"P\",\"e\",\"X:\\I386\\system32\\x.dll\"",
                                       "0x7,\"P\",\"m\",\"X:\\PROGRAMS\\a\",\"X:\\boot.ini\"",
                                       "0x1,\"P\",\"s\",\"D:\\data\""}));
}

}  // namespace
}  // namespace tovrix
