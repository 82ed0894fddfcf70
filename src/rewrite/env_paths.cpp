// Expansion of %NAME% references and the rewriting of the running
// system's paths in value data.
#include "rewrite/env_paths.h"

#include <array>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/environment.h"
#include "rewrite/case_blind_probe.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// One row of the rewriting table, in the order the steps run.
struct RewriteStep {
  std::uint8_t bit;
  std::string_view reference;   // expanded to find the running system's path
  std::string_view targetPath;  // mode 2 replacement
};

constexpr std::array<RewriteStep, 3> kSteps = {{
    {1, "%SystemRoot%", "X:\\I386"},
    {2, "%ProgramFiles%", "X:\\PROGRAMS"},
    {4, "%SystemDrive%", "X:"},
}};

// The running system's paths: each step's reference expanded, and its
// upper-cased form for the quick probe. One cache per thread, as lines are
// converted on several.
struct StepPatterns {
  bool ready = false;
  std::array<std::string, kSteps.size()> expanded;
  std::array<std::string, kSteps.size()> upper;
  std::vector<CaseBlindPattern> probed;  // of `upper`
  // Passes data that no step changes and that holds nothing to expand.
  CaseBlindScreen untouched;
};

StepPatterns& CacheStorage() {
  thread_local StepPatterns cache;
  return cache;
}

const StepPatterns& PatternCache() {
  StepPatterns& cache = CacheStorage();
  if (!cache.ready) {
    for (std::size_t s = 0; s < kSteps.size(); ++s) {
      cache.expanded[s] = ExpandEnvString(kSteps[s].reference);
      cache.upper[s] = UpperLocale(cache.expanded[s]);
    }
    cache.probed.clear();
    cache.untouched = CaseBlindScreen();
    cache.untouched.Stop('%');
    for (const std::string& upper : cache.upper) {
      cache.untouched.Add(cache.probed.emplace_back(upper));
    }
    cache.ready = true;
  }
  return cache;
}

}  // namespace

std::string ExpandEnvString(std::string_view text) {
  // The expansion reads its input up to the first NUL, and text without a
  // '%' has nothing to expand: it comes back as it is (the common case,
  // and the one that matters for large inputs).
  std::string_view head = UpToNul(text);
  if (head.find('%') == std::string_view::npos) return std::string(head);
  platform::Expansion expansion = platform::ExpandEnvironment(head);
  return expansion.ok ? std::move(expansion.text) : std::string();
}

bool EnvPathsUntouched(std::string_view data, std::uint8_t mode) {
  return (mode != 1 && mode != 2) || PatternCache().untouched.Clear(data);
}

void ReplaceEnvPathsInPlace(std::string& data, std::uint8_t mode, std::uint8_t target) {
  if (EnvPathsUntouched(data, mode)) return;
  const StepPatterns& patterns = PatternCache();

  // The steps work on the expansion; without a '%' that is the data itself
  // (up to a NUL), and no copy is made until a step changes something.
  const std::string_view head = UpToNul(data);
  const bool plain = head.find('%') == std::string_view::npos;
  const std::string expansion = plain ? std::string() : ExpandEnvString(data);
  const std::string_view base = plain ? head : std::string_view(expansion);
  ProbedReplacements steps(base);
  for (std::size_t s = 0; s < kSteps.size(); ++s) {
    if ((target & kSteps[s].bit) == 0) continue;
    const std::string_view replacement = mode == 2 ? kSteps[s].targetPath : kSteps[s].reference;
    steps.Replace(patterns.probed[s], patterns.expanded[s], replacement, ReplaceAll | IgnoreCase);
  }
  // Unchanged: the data as given, references unexpanded. Copied rather
  // than moved in, so that the caller's buffer keeps its room for the
  // values after this one.
  if (steps.Changed() && steps.Text() != base) data.assign(steps.Text());
}

std::string ReplaceEnvPaths(std::string_view data, std::uint8_t mode, std::uint8_t target) {
  std::string result(data);
  ReplaceEnvPathsInPlace(result, mode, target);
  return result;
}

void ResetEnvironmentCache() { CacheStorage().ready = false; }

}  // namespace tovrix
