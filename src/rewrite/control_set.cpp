// Control-set normalization of key paths.
#include "rewrite/control_set.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

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

// The names upper-cased as the case-blind search sees them, and what the
// probe learns of each once.
struct UpperNames {
  UpperNames() {
    for (std::size_t i = 0; i < kControlSetNames.size(); ++i) {
      upper[i] = UpperLocale(kControlSetNames[i]);
    }
    for (const std::string& name : upper) probed.emplace_back(name);
  }
  std::array<std::string, kControlSetNames.size()> upper;
  std::vector<CaseBlindPattern> probed;  // of `upper`
};

}  // namespace

std::string NormalizeControlSetPath(std::string_view path) {
  // Every name above holds "ControlSet"; most paths do not.
  static const std::string kCommonPart = UpperLocale("ControlSet");
  static const CaseBlindPattern kCommon(kCommonPart);
  ProbedReplacements steps(path);
  if (!steps.MayOccur(kCommon)) return std::string(path);

  static const UpperNames names;
  for (std::size_t i = 0; i < kControlSetNames.size(); ++i) {
    steps.Replace(names.probed[i], kControlSetNames[i], kNormalName, IgnoreCase);
  }
  return std::string(steps.Text());
}

}  // namespace tovrix
