// Environment expansion and the rewriting of the running system's paths.
//
// ExpandEnvString: %NAME% references through the process environment; the
// result is cut at its first NUL; a failed expansion gives the empty text.
//
// ReplaceEnvPaths: the data is expanded; then, in this order and for the
// bits set in `target`, every occurrence (letter case ignored) of the
// expansion of %SystemRoot%, %ProgramFiles% and %SystemDrive% is replaced by
// "X:\I386", "X:\PROGRAMS", "X:" (mode 2) or by the reference itself
// (mode 1). When that changed the expanded text, the result is the changed
// text; otherwise the data exactly as passed in. Mode 0 returns the data.
//
// The environment does not change during a run, so the expansions of the
// three references are taken once per thread and kept. ResetEnvironmentCache
// drops the calling thread's (for tests that change the environment).
#ifndef TOVRIX_REWRITE_ENV_PATHS_H_
#define TOVRIX_REWRITE_ENV_PATHS_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tovrix {

std::string ExpandEnvString(std::string_view text);

std::string ReplaceEnvPaths(std::string_view data, std::uint8_t mode, std::uint8_t target);
// The same, on `data` in place: data no rewrite changes is left as it is,
// without a copy.
void ReplaceEnvPathsInPlace(std::string& data, std::uint8_t mode, std::uint8_t target);
// Whether ReplaceEnvPaths is seen at a glance to give `data` back as it is
// (most plain text: no '%' and nothing that could begin one of the paths).
// False when it cannot tell.
bool EnvPathsUntouched(std::string_view data, std::uint8_t mode);

void ResetEnvironmentCache();

}  // namespace tovrix

#endif  // TOVRIX_REWRITE_ENV_PATHS_H_
