// Reading key-list lines: root names, key paths, sections, live control set.
#include "liveexport/key_list_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "liveexport/registry.h"
#include "registry/registry.h"
#include "rewrite/settings.h"

namespace tovrix {
namespace {

constexpr std::uint32_t kHklm = kHkeyLocalMachine;
constexpr std::uint32_t kHkcu = kHkeyCurrentUser;

// clang-format off
TEST(ParseKeyListLine, RecognisesRootsAndCutsTheKeyPath) {
  const struct {
    std::string line;
    std::uint32_t root;  // 0: nothing
    std::string keyPath;
  } cases[] = {
      {"HKEY_CLASSES_ROOT\\.txt", kHkeyClassesRoot, ".txt"},
      {"hkey_local_machine\\software\\Vendor", kHklm, "software\\Vendor"},
      {"HKEY_USERS\\.DEFAULT", kHkeyUsers, ".DEFAULT"},
      {"HKEY_CURRENT_CONFIG\\System", kHkeyCurrentConfig, "System"},
      {"HKEY_DYN_DATA\\X", kHkeyDynData, "X"},
      {"HKEY_CURRENT_USER\\Control Panel\\Desktop", kHkcu, "Control Panel\\Desktop"},
      {" \tHKEY_CURRENT_USER\\Trimmed \r", kHkcu, "Trimmed"},
      {"HKEY_LOCAL_MACHINE/Any separator", kHklm, "Any separator"},
      {"HKEY_LOCAL_MACHINE", kHklm, ""},
      {"HKEY_LOCAL_MACHINE\\", kHklm, ""},
      {"HKCR\\.txt", kHkeyClassesRoot, ".txt"},
      {"hkcu\\Software\\A", kHkcu, "Software\\A"},
      {"HkLm\\SOFTWARE\\X", kHklm, "SOFTWARE\\X"},
      {"HKU\\.DEFAULT", kHkeyUsers, ".DEFAULT"},
      {"HKCC\\Software", kHkeyCurrentConfig, "Software"},
      {"HKCU", kHkcu, ""},
      {"HKLMX\\SOFTWARE", 0, ""},
      {"HKCU/Software", 0, ""},
      {"Software\\NoRoot", 0, ""},
      {"\xEF\xBB\xBFHKCU\\Software", 0, ""},
      {"; HKCU\\Comment", 0, ""},
      {"   ", 0, ""},
      {"", 0, ""},
  };
  for (const auto& c : cases) {
    const auto entry = ParseKeyListLine(c.line);
    if (c.root == 0) {
      EXPECT_FALSE(entry.has_value()) << c.line;
      continue;
    }
    ASSERT_TRUE(entry.has_value()) << c.line;
    EXPECT_EQ(entry->root, c.root) << c.line;
    EXPECT_EQ(entry->keyPath, c.keyPath) << c.line;
  }
}
// clang-format on

// (Roots and paths that select no section are the end-to-end case
// keylist/skipped-roots.)
TEST(ParseKeyListLine, RoutesToSectionsAndAppliesTheLiveControlSet) {
  OutputLists lists;
  auto section = [&](std::string_view line) {
    auto entry = ParseKeyListLine(line);
    ApplyLiveControlSet(*entry, "ControlSet002");
    return std::make_pair(SectionFor(lists, *entry), entry->keyPath);
  };
  EXPECT_EQ(section("HKCR\\.txt").first, &lists.softwareAddReg);
  EXPECT_EQ(section("HKCU\\x").first, &lists.defaultAddReg);
  EXPECT_EQ(section("HKLM\\Software\\x").first, &lists.softwareAddReg);
  EXPECT_EQ(section("HKLM\\SYSTEM\\x").first, &lists.setupRegAddReg);
  EXPECT_EQ(section("HKLM\\SOFTWARE").first, nullptr);

  EXPECT_EQ(section("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\X").second,
            "SYSTEM\\ControlSet002\\Services\\X");
  EXPECT_EQ(section("hklm\\system\\currentcontrolset\\Enum").second, "system\\ControlSet002\\Enum");
  for (const char* unchanged : {"HKLM\\SYSTEM\\ControlSet003\\X", "HKCU\\SYSTEM\\CurrentControlSet",
                                "HKLM\\SOFTWARE\\CurrentControlSet"}) {
    EXPECT_EQ(section(unchanged).second, std::string(unchanged).substr(5)) << unchanged;
  }
}

}  // namespace
}  // namespace tovrix
