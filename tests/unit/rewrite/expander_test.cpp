// Expander entries. Which values a .reg file's keys note, with quotes,
// "@", replace modes and control sets, are the e2e cases regfile/expander*.
#include "rewrite/expander.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/registry.h"
#include "rewrite/env_guard.h"

namespace tovrix {
namespace {

ConversionSettings Collecting() {
  ConversionSettings settings;
  settings.addExpanderEntries = true;
  return settings;
}

// The default value: the empty name always, "@" only as a registry file
// writes it; a live value really named "@" keeps its name.
TEST(CollectExpanderName, NamesTheDefaultValue) {
  EnvGuard env;
  env.SetExampleSystem();
  std::string names;
  CollectExpanderName(Collecting(), "%SystemRoot%", "@", true, names);
  CollectExpanderName(Collecting(), "%SystemRoot%", "", false, names);
  CollectExpanderName(Collecting(), "%SystemRoot%", "@", false, names);
  EXPECT_EQ(names, "\"(Default)\",\"(Default)\",\"@\",");
}

TEST(AddExpanderEntry, OneLinePerKeyUnderItsRootWord) {
  TStringList list;
  AddExpanderEntry(Collecting(), list, "", kHkeyCurrentUser, "Empty");  // no names: no line
  // clang-format off
  const std::pair<std::uint32_t, const char*> keys[] = {
      {kHkeyCurrentUser, "Environment"},  {kHkeyClassesRoot, ".txt"},
      {kHkeyLocalMachine, "SYSTEM\\ControlSet002\\Services\\x"},
      {kHkeyUsers, "S-1-5-18\\x"},        {kHkeyCurrentConfig, "System"},
      {kHkeyDynData, "d"},                {kHkeyPerformanceData, "p"},
      {0, ""},                            {kHkeyLocalMachine, "Software\\My \"Quoted\" App"},
  };
  // clang-format on
  for (const auto& [root, path] : keys)
    AddExpanderEntry(Collecting(), list, "\"a\",\"b\",", root, path);
  EXPECT_EQ(testing::Items(list),
            (std::vector<std::string>{
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKLM\",\"Software\\Classes\\.txt\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKLM\",\"SYSTEM\\ControlSet001\\Services\\x\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKU\",\"S-1-5-18\\x\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKCC\",\"System\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"d\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"p\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKCU\",\"\",\"a\",\"b\"",
                "0x7,\"Valmora\\Tessaly\\HKLM\",\"Software\\My \"\"Quoted\"\" App\",\"a\",\"b\"",
            }));
}

}  // namespace
}  // namespace tovrix
