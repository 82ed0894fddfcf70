// ProcessKeyList over the in-memory registry store.

#include "liveexport/key_list.h"

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
using testing::Fill;
using testing::Items;
using testing::ScratchFile;
using testing::Sz;
using Lines = std::vector<std::string>;

constexpr std::uint32_t kHklm = kHkeyLocalMachine;
constexpr std::uint32_t kHkcu = kHkeyCurrentUser;

class KeyListTest : public testing::MemoryRegistryTest {
 protected:
  void SetUp() override {
    MemoryRegistryTest::SetUp();
    env_.SetExampleSystem();
  }

  void Run(std::string_view fileBytes) {
    ScratchFile file("keys.txt", fileBytes);
    ProcessKeyList(file.path(), store_, settings_, lists_, console_);
  }

  EnvGuard env_;
  ConversionSettings settings_;
  OutputLists lists_;
  CapturingConsole console_;
};

TEST_F(KeyListTest, ExportsEachListedKeyIntoItsSection) {
  store_.SetValue(kHklm, "SOFTWARE\\Vendor\\App", "v", kRegSz, Sz("1"));
  store_.SetValue(kHkcu, "Control Panel\\Desktop", "w", kRegDword, Dword(7));
  Run("; comment\r\n"
      "\r\n"
      "  \t\r\n"
      "\tHKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App  \r\n"
      "HKEY_CLASSES_ROOT\\.txt\n"
      "HKEY_CURRENT_USER\\Control Panel\\Desktop\r"
      "hkey_local_machine\\system\\Setup\r\n"
      "HKEY_USERS\\.DEFAULT\r\n"
      "HKEY_LOCAL_MACHINE\\HARDWARE\\X\r\n"
      "HKEY_LOCAL_MACHINE\\SOFTWARE\r\n"
      "Software\\NoRoot\r\n"
      "HKLM\\SOFTWARE\\Short\r\n"
      "HKEY_CLASSES_ROOT\\.txt");
  EXPECT_EQ(Items(lists_.softwareAddReg),
            (Lines{"0x0,\"Vendor\\App\"", "0x1,\"Vendor\\App\",\"v\",\"1\"",
                   "0x0,\"Classes\\.txt\"", "0x0,\"Short\"", "0x0,\"Classes\\.txt\""}));
  EXPECT_EQ(Items(lists_.defaultAddReg),
            (Lines{"0x0,\"Control Panel\\Desktop\"",
                   "0x4,\"Control Panel\\Desktop\",\"w\",0x7"}));
  EXPECT_EQ(Items(lists_.setupRegAddReg), (Lines{"0x0,\"Setup\""}));
  EXPECT_EQ(lists_.softwareDelReg.Count(), 0);
  EXPECT_EQ(lists_.defaultDelReg.Count(), 0);
  EXPECT_EQ(console_.text, "Processing keys.txt\r\n");
}

TEST_F(KeyListTest, OnlyCommentsAndBlanksAddNothing) {
  settings_.verbose = true;
  Run("; nothing here\r\n\r\n   \r\n;HKCU\\Software\r\n");
  EXPECT_EQ(lists_.defaultAddReg.Count(), 0);
  EXPECT_EQ(lists_.softwareAddReg.Count(), 0);
  EXPECT_EQ(console_.text, "Processing keys.txt\r\n");
}

TEST_F(KeyListTest, ReadsTheLiveControlSetFromSystemSelect) {
  store_.SetValue(kHklm, "SYSTEM\\Select", "Current", kRegDword, Dword(2));
  store_.SetValue(kHklm, "SYSTEM\\ControlSet002\\Services\\X", "Start", kRegDword,
                           Dword(3));
  store_.SetValue(kHklm, "SYSTEM\\ControlSet001\\Services\\X", "Start", kRegDword,
                           Dword(1));
  settings_.verbose = true;
  Run("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\X\r\n"
      "HKLM\\system\\currentcontrolset\\Services\\X\r\n");
  const Lines once{"0x0,\"ControlSet001\\Services\\X\"",
                   "0x4,\"ControlSet001\\Services\\X\",\"Start\",0x3"};
  Lines twice = once;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(Items(lists_.setupRegAddReg), twice);
  EXPECT_EQ(console_.text,
            "Processing keys.txt\r\n"
            "Processing - SYSTEM\\ControlSet002\\Services\\X\r\n"
            "Processing - system\\ControlSet002\\Services\\X\r\n");
}

TEST_F(KeyListTest, ControlSetsFromTenOnKeepTheirNumber) {
  store_.SetValue(kHklm, "SYSTEM\\Select", "Current", kRegDword, Dword(10));
  store_.AddKey(kHklm, "SYSTEM\\ControlSet010\\Control");
  Run("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\r\n");
  EXPECT_EQ(Items(lists_.setupRegAddReg), (Lines{"0x0,\"ControlSet010\\Control\""}));
}

TEST_F(KeyListTest, WithoutSystemSelectReadsControlSet001) {
  store_.SetValue(kHklm, "SYSTEM\\ControlSet001\\Services\\X", "Start", kRegDword,
                           Dword(1));
  Run("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\X\r\n");
  EXPECT_EQ(Items(lists_.setupRegAddReg),
            (Lines{"0x0,\"ControlSet001\\Services\\X\"",
                   "0x4,\"ControlSet001\\Services\\X\",\"Start\",0x1"}));
}

TEST_F(KeyListTest, SystemSelectWithoutCurrentEndsTheRunBeforeAnyKey) {
  store_.SetValue(kHklm, "SYSTEM\\Select", "Default", kRegDword, Dword(1));
  EXPECT_THROW(Run("HKCU\\Software\r\n"), ERegistryException);
  EXPECT_EQ(lists_.defaultAddReg.Count(), 0);
}

TEST_F(KeyListTest, DropsAUtf8MarkAndDecodesUtf16) {
  Run("\xEF\xBB\xBFHKCU\\Software\\A\r\n");
  EXPECT_EQ(Items(lists_.defaultAddReg), (Lines{"0x0,\"Software\\A\""}));

  lists_.defaultAddReg.Clear();
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("HKCU\\Software\\B\r\nHKCR\\.b\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  Run(utf16);
  EXPECT_EQ(Items(lists_.defaultAddReg), (Lines{"0x0,\"Software\\B\""}));
  EXPECT_EQ(Items(lists_.softwareAddReg), (Lines{"0x0,\"Classes\\.b\""}));
}

TEST_F(KeyListTest, AppendingCutsTheSectionsEarlierItemsAtLineBreaks) {
  const std::string nul("\"a\0b\"", 5);
  Fill(lists_.softwareAddReg, {"0x3,\"R\",\"b\",01,\\\r\n  02", nul, "s\rt"});
  Fill(lists_.defaultAddReg, {"untouched\r\nitem"});
  store_.SetValue(kHkeyClassesRoot, ".bin", "v", kRegBinary, Bytes(26));
  Run("HKCR\\.bin\r\nHKCR\\.bin\r\n");
  const std::string row =
      "00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\";
  const Lines key{"0x0,\"Classes\\.bin\"", "0x3,\"Classes\\.bin\",\"v\"," + row, "  19"};
  Lines expected{"0x3,\"R\",\"b\",01,\\", "  02", nul, "s", "t"};
  expected.insert(expected.end(), key.begin(), key.end());
  expected.insert(expected.end(), key.begin(), key.end());
  EXPECT_EQ(Items(lists_.softwareAddReg), expected);
  // A section that receives no key keeps its items whole.
  EXPECT_EQ(Items(lists_.defaultAddReg), (Lines{"untouched\r\nitem"}));
}

TEST_F(KeyListTest, MissingFileRaisesOpenError) {
  EXPECT_THROW(ProcessKeyList("/nonexistent-tovrix/keys.txt", store_, settings_, lists_, console_),
               EFOpenError);
}

}  // namespace
}  // namespace tovrix

