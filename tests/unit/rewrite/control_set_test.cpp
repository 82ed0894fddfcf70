#include "rewrite/control_set.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace tovrix {
namespace {

// clang-format off
TEST(NormalizeControlSetPath, RewritesEachNameOnce) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"SYSTEM\\CurrentControlSet\\Services\\Tcpip", "SYSTEM\\ControlSet001\\Services\\Tcpip"},
      {"ControlSet003\\Control", "ControlSet001\\Control"},
      {"currentcontrolset\\Enum", "ControlSet001\\Enum"},
      {"CONTROLSET002\\Enum", "ControlSet001\\Enum"},
      {"SYSTEM\\ControlSet009", "SYSTEM\\ControlSet001"},
      {"controlset006\\ControlSet007\\CONTROLSET008", "ControlSet001\\ControlSet001\\ControlSet001"},
      // First occurrence of each name only.
      {"ControlSet002\\X\\ControlSet002", "ControlSet001\\X\\ControlSet002"},
      {"CurrentControlSet\\X\\CurrentControlSet", "ControlSet001\\X\\CurrentControlSet"},
      {"CurrentControlSet\\X\\ControlSet004", "ControlSet001\\X\\ControlSet001"},
      {"ControlSet005\\ControlSet002", "ControlSet001\\ControlSet001"},
      // Substring match; letter case outside the match is kept.
      {"Software\\MyControlSet005Tool", "Software\\MyControlSet001Tool"},
      {"system\\currentcontrolset\\services", "system\\ControlSet001\\services"},
      {"\x82\xA0\\\xE4" "ControlSet004\xFF", "\x82\xA0\\\xE4" "ControlSet001\xFF"},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(NormalizeControlSetPath(path), expected) << path;
  }
}
// clang-format on

TEST(NormalizeControlSetPath, LeavesOtherPathsAlone) {
  const std::vector<std::string> unchanged = {
      "SYSTEM\\ControlSet001\\Services",
      "SYSTEM\\ControlSet000",
      "SYSTEM\\ControlSet010",
      "SYSTEM\\ControlSet012",
      "SYSTEM\\ControlSet2",
      "Software\\Vendor",
      "",
      "ControlSet",
      "CurrentControl Set",
      "\x82\xA0\\ControlSet\\\xE9",
  };
  for (const std::string& path : unchanged) {
    EXPECT_EQ(NormalizeControlSetPath(path), path) << path;
  }
}

}  // namespace
}  // namespace tovrix
