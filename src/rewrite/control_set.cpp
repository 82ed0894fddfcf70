// Control-set normalization of key paths.
#include "rewrite/control_set.h"

#include <array>
#include <cstddef>

#include "rewrite/case_blind_probe.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// Searched in this order, each replaced at its first occurrence only.
constexpr std::array<std::string_view, 9> kControlSetNames = {
    "CurrentControlSet", "ControlSet002", "ControlSet003", "ControlSet004", "ControlSet005",
    "ControlSet006",     "ControlSet007", "ControlSet008", "ControlSet009",
};
constexpr std::string_view kNormalName = "ControlSet001";

// The names upper-cased as the case-blind search sees them, for the probe.
const std::array<std::string, kControlSetNames.size()>& UpperNames() {
  static const std::array<std::string, kControlSetNames.size()> names = [] {
    std::array<std::string, kControlSetNames.size()> upper;
    for (std::size_t i = 0; i < kControlSetNames.size(); ++i) {
      upper[i] = UpperLocale(kControlSetNames[i]);
    }
    return upper;
  }();
  return names;
}

}  // namespace

std::string NormalizeControlSetPath(std::string_view path) {
  // Every name above holds "ControlSet"; most paths do not.
  static const std::string kCommonPart = UpperLocale("ControlSet");
  static const CaseBlindPattern kCommon(kCommonPart);
  if (!CaseBlindProbe(path).MayOccur(kCommon)) return std::string(path);

  std::string s(path);
  const auto& upper = UpperNames();
  for (std::size_t i = 0; i < kControlSetNames.size(); ++i) {
    if (!MayOccurCaseBlind(s, upper[i])) continue;
    s = ReplaceText(s, kControlSetNames[i], kNormalName, IgnoreCase);
  }
  return s;
}

}  // namespace tovrix
