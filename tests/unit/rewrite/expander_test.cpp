#include "rewrite/expander.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rewrite/env_guard.h"
#include "rewrite/env_paths.h"
#include "registry/registry.h"

namespace tovrix {
namespace {

ConversionSettings Collecting() {
  ConversionSettings settings;
  settings.addExpanderEntries = true;
  return settings;
}

using testing::Items;

TEST(CollectExpanderName, NotesValuesWithDefinedReferences) {
  EnvGuard env;
  env.SetExampleSystem();
  env.Set("USERPROFILE", "D:\\Users\\me");
  env.Set("NOT_DEFINED_TOVRIX", "");
  const ConversionSettings settings = Collecting();

  std::string names;
  CollectExpanderName(settings, "%USERPROFILE%\\bin", "Path", true, names);
  CollectExpanderName(settings, "%USERPROFILE%\\Temp", "TEMP", true, names);
  EXPECT_EQ(names, "\"Path\",\"TEMP\",");

  names.clear();
  CollectExpanderName(settings, "100%", "a", true, names);
  CollectExpanderName(settings, "%NOT_DEFINED_TOVRIX%", "b", true, names);
  CollectExpanderName(settings, "plain", "c", true, names);
  CollectExpanderName(settings, "", "d", true, names);
  EXPECT_EQ(names, "");

  // The default value: empty name always, "@" only as a registry file
  // writes it; a live value really named "@" keeps its name.
  CollectExpanderName(settings, "%SystemRoot%", "@", true, names);
  CollectExpanderName(settings, "%SystemRoot%", "", false, names);
  CollectExpanderName(settings, "%SystemRoot%", "@", false, names);
  EXPECT_EQ(names, "\"(Default)\",\"(Default)\",\"@\",");

  // Quotes inside a name are doubled.
  names.clear();
  CollectExpanderName(settings, "%SystemDrive%", "say \"hi\"", false, names);
  EXPECT_EQ(names, "\"say \"\"hi\"\"\",");

  // Path replacement runs first: with mode 2 the data holds no '%' any more
  // and is not noted; with mode 1 it comes back as a reference and is.
  names.clear();
  env.Set("USERPROFILE", "C:\\Users\\me");
  const std::string data = "%USERPROFILE%\\bin";
  CollectExpanderName(settings, ReplaceEnvPaths(data, 2, 4), "m2", true, names);
  CollectExpanderName(settings, ReplaceEnvPaths(data, 1, 4), "m1", true, names);
  EXPECT_EQ(names, "\"m1\",");

  ConversionSettings off;
  names.clear();
  CollectExpanderName(off, "%SystemRoot%", "x", true, names);
  EXPECT_EQ(names, "");
}

TEST(AddExpanderEntry, OneLinePerKey) {
  const ConversionSettings settings = Collecting();
  TStringList list;
  AddExpanderEntry(settings, list, "\"Path\",\"TEMP\",", kHkeyCurrentUser, "Environment");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyClassesRoot, ".txt");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyLocalMachine,
                   "SYSTEM\\ControlSet002\\Services\\x");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyUsers, "S-1-5-18\\x");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyCurrentConfig, "System");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyDynData, "d");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyPerformanceData, "p");
  AddExpanderEntry(settings, list, "\"a\",", 0, "");
  AddExpanderEntry(settings, list, "\"a\",", kHkeyLocalMachine, "Software\\My \"Quoted\" App");
  EXPECT_EQ(Items(list), (std::vector<std::string>{
                             "0x7,\"Valmora\\Tessaly\\HKCU\",\"Environment\",\"Path\",\"TEMP\"",
                             "0x7,\"Valmora\\Tessaly\\HKLM\",\"Software\\Classes\\.txt\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKLM\",\"SYSTEM\\ControlSet001\\Services\\x\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKU\",\"S-1-5-18\\x\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKCC\",\"System\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKCU\",\"d\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKCU\",\"p\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKCU\",\"\",\"a\"",
                             "0x7,\"Valmora\\Tessaly\\HKLM\",\"Software\\My \"\"Quoted\"\" App\",\"a\"",
                         }));
}

TEST(AddExpanderEntry, NothingWithoutNamesOrCollection) {
  TStringList list;
  AddExpanderEntry(Collecting(), list, "", kHkeyCurrentUser, "Environment");
  ConversionSettings off;
  AddExpanderEntry(off, list, "\"Path\",", kHkeyCurrentUser, "Environment");
  EXPECT_EQ(list.Count(), 0);

  ConversionSettings raw = Collecting();
  raw.normalizeControlSet = false;
  AddExpanderEntry(raw, list, "\"a\",", kHkeyLocalMachine, "SYSTEM\\CurrentControlSet");
  EXPECT_EQ(Items(list), (std::vector<std::string>{
                             "0x7,\"Valmora\\Tessaly\\HKLM\",\"SYSTEM\\CurrentControlSet\",\"a\""}));
}

}  // namespace
}  // namespace tovrix
