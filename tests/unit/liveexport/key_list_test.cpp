// ProcessKeyList over the in-memory registry store. (The end-to-end cases
// run key lists over hive files: roots, sections, comments, encodings.)
#include "liveexport/key_list.h"

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
using Lines = std::vector<std::string>;

constexpr std::uint32_t kHklm = kHkeyLocalMachine;

class KeyListTest : public testing::MemoryRegistryTest {
 protected:
  void SetUp() override { env_.SetExampleSystem(); }
  void Run(std::string_view fileBytes) {
    ProcessKeyList(dir_.Write("keys.txt", fileBytes), store_, settings_, lists_, console_);
  }

  testing::ScratchDir dir_;
  EnvGuard env_;
  ConversionSettings settings_;
  OutputLists lists_;
  CapturingConsole console_;
};

// The set SYSTEM\Select names is read; from ten on it keeps its number.
TEST_F(KeyListTest, ReadsTheLiveControlSetFromSystemSelect) {
  store_.SetValue(kHklm, "SYSTEM\\Select", "Current", kRegDword, Dword(10));
  store_.SetValue(kHklm, "SYSTEM\\ControlSet010\\Control", "v", kRegDword, Dword(3));
  store_.SetValue(kHklm, "SYSTEM\\ControlSet001\\Control", "v", kRegDword, Dword(1));
  Run("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\r\n");
  EXPECT_EQ(Items(lists_.setupRegAddReg),
            (Lines{"0x0,\"ControlSet010\\Control\"", "0x4,\"ControlSet010\\Control\",\"v\",0x3"}));
}

TEST_F(KeyListTest, SystemSelectWithoutCurrentEndsTheRunBeforeAnyKey) {
  store_.SetValue(kHklm, "SYSTEM\\Select", "Default", kRegDword, Dword(1));
  EXPECT_THROW(Run("HKCU\\Software\r\n"), ERegistryException);
  EXPECT_EQ(lists_.defaultAddReg.Count(), 0);
}

// Earlier items of a section that receives keys are cut at their line
// breaks (NUL bytes kept); other sections keep theirs whole.
TEST_F(KeyListTest, AppendingCutsTheSectionsEarlierItemsAtLineBreaks) {
  const std::string nul("\"a\0b\"", 5);
  lists_.softwareAddReg = testing::ListOf({"0x3,\"R\",\"b\",01,\\\r\n  02", nul, "s\rt"});
  lists_.defaultAddReg = testing::ListOf({"untouched\r\nitem"});
  store_.SetValue(kHkeyClassesRoot, ".bin", "v", kRegSz, testing::Sz("x"));
  Run("HKCR\\.bin\r\n");
  EXPECT_EQ(Items(lists_.softwareAddReg),
            (Lines{"0x3,\"R\",\"b\",01,\\", "  02", nul, "s", "t", "0x0,\"Classes\\.bin\"",
                   "0x1,\"Classes\\.bin\",\"v\",\"x\""}));
  EXPECT_EQ(Items(lists_.defaultAddReg), (Lines{"untouched\r\nitem"}));
}

TEST_F(KeyListTest, MissingFileRaisesOpenError) {
  EXPECT_THROW(ProcessKeyList(dir_.Path("keys.txt"), store_, settings_, lists_, console_),
               EFOpenError);
}

}  // namespace
}  // namespace tovrix
