// Test helper: sets environment variables for the length of a test and
// puts the old values back afterwards. The cached expansions of the path
// references are dropped on both ends.
#ifndef TOVRIX_TESTS_UNIT_REWRITE_ENV_GUARD_H_
#define TOVRIX_TESTS_UNIT_REWRITE_ENV_GUARD_H_

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rewrite/env_paths.h"

namespace tovrix {

class EnvGuard {
 public:
  EnvGuard() = default;
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;
  ~EnvGuard() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Put(it->first, it->second);
    ResetEnvironmentCache();
  }

  // An empty value removes the variable (Windows cannot hold empty ones).
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    Put(name, value.empty() ? std::nullopt : std::optional<std::string>(value));
    ResetEnvironmentCache();
  }

  // The example system: C:\WINDOWS, C:\Program Files, C:.
  void SetExampleSystem() {
    Set("SystemRoot", "C:\\WINDOWS");
    Set("ProgramFiles", "C:\\Program Files");
    Set("SystemDrive", "C:");
  }

 private:
  static void Put(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
#endif
  }

  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace tovrix

#endif  // TOVRIX_TESTS_UNIT_REWRITE_ENV_GUARD_H_
