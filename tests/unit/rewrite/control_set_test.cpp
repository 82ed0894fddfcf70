#include "rewrite/control_set.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "text/text_ops.h"

namespace tovrix {
namespace {

TEST(NormalizeControlSetPath, RewritesEachNameOnce) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"SYSTEM\\CurrentControlSet\\Services\\Tcpip", "SYSTEM\\ControlSet001\\Services\\Tcpip"},
      {"ControlSet003\\Control", "ControlSet001\\Control"},
      {"currentcontrolset\\Enum", "ControlSet001\\Enum"},
      {"CONTROLSET002\\Enum", "ControlSet001\\Enum"},
      {"SYSTEM\\ControlSet009", "SYSTEM\\ControlSet001"},
      // First occurrence of each name only.
      {"ControlSet002\\X\\ControlSet002", "ControlSet001\\X\\ControlSet002"},
      {"CurrentControlSet\\X\\CurrentControlSet", "ControlSet001\\X\\CurrentControlSet"},
      {"CurrentControlSet\\X\\ControlSet004", "ControlSet001\\X\\ControlSet001"},
      {"ControlSet005\\ControlSet002", "ControlSet001\\ControlSet001"},
      // Substring match; letter case outside the match is kept.
      {"Software\\MyControlSet005Tool", "Software\\MyControlSet001Tool"},
      {"system\\currentcontrolset\\services", "system\\ControlSet001\\services"},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(NormalizeControlSetPath(path), expected) << path;
  }
}

TEST(NormalizeControlSetPath, LeavesOtherPathsAlone) {
  const std::vector<std::string> unchanged = {
      "SYSTEM\\ControlSet001\\Services", "SYSTEM\\ControlSet000", "SYSTEM\\ControlSet010",
      "SYSTEM\\ControlSet012",           "SYSTEM\\ControlSet2",   "Software\\Vendor",
      "",                                "ControlSet",            "CurrentControl Set",
      "\x82\xA0\\ControlSet\\\xE9",
  };
  for (const std::string& path : unchanged) {
    EXPECT_EQ(NormalizeControlSetPath(path), path) << path;
  }
}

// The shortcut for paths without "ControlSet" must give what the nine
// plain passes give. Random paths over the bytes that matter here.
TEST(NormalizeControlSetPath, ShortcutAgreesWithThePlainPasses) {
  const std::string alphabet = std::string("CcOoNnTtRrLlSsEeUu0123\\", 24) + "\x82\xA0\xE4";
  unsigned seed = 777;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 3000; ++round) {
    std::string path;
    const unsigned length = next() % 20;
    for (unsigned k = 0; k < length; ++k) path += alphabet[next() % alphabet.size()];
    if (round % 5 == 0) path.insert(next() % (path.size() + 1), round % 2 ? "controlset00" : "CurrentControlSet");
    std::string expected = path;
    expected = ReplaceText(expected, "CurrentControlSet", "ControlSet001", IgnoreCase);
    for (int n = 2; n <= 9; ++n) {
      expected = ReplaceText(expected, FormatText("ControlSet%.3d", {n}), "ControlSet001", IgnoreCase);
    }
    EXPECT_EQ(NormalizeControlSetPath(path), expected) << path;
  }
}

}  // namespace
}  // namespace tovrix
