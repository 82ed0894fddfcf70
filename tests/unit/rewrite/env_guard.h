// Test helper: sets environment variables for the length of a test and
// puts the old values back afterwards. The cached expansions of the path
// references are dropped on both ends.
#ifndef TOVRIX_TESTS_UNIT_REWRITE_ENV_GUARD_H_
#define TOVRIX_TESTS_UNIT_REWRITE_ENV_GUARD_H_

#include <optional>
#include <string>

#include "rewrite/env_paths.h"
#include "support/test_util.h"

namespace tovrix {

class EnvGuard : public testing::ScopedEnv {
 public:
  EnvGuard() : ScopedEnv(&ResetEnvironmentCache) {}

  // An empty value removes the variable (Windows cannot hold empty ones).
  void Set(const std::string& name, const std::string& value) {
    ScopedEnv::Set(name, value.empty() ? std::nullopt : std::optional<std::string>(value));
  }

  // The example system: C:\WINDOWS, C:\Program Files, C:.
  void SetExampleSystem() {
    Set("SystemRoot", "C:\\WINDOWS");
    Set("ProgramFiles", "C:\\Program Files");
    Set("SystemDrive", "C:");
  }
};

}  // namespace tovrix

#endif  // TOVRIX_TESTS_UNIT_REWRITE_ENV_GUARD_H_
