// Expansion of %NAME% references through the process environment.
//
// ExpandEnvironment behaves as ExpandEnvironmentStringsA followed by taking
// the result up to its first NUL byte: the input is read up to its own first
// NUL byte; names are matched without regard to letter case; a reference to
// a variable the environment does not define (the empty name of "%%"
// included) is copied as written, both percent signs, and scanning goes on
// after its closing '%'; a '%' without a closing one is copied as is.
// SystemRoot, ProgramFiles and SystemDrive stand for C:\windows,
// C:\Program Files and C: where the environment does not define them.
// Values are in the ANSI code page. `ok` is false only when the platform
// call failed (the caller then takes the empty text).
#ifndef TOVRIX_PLATFORM_ENVIRONMENT_H_
#define TOVRIX_PLATFORM_ENVIRONMENT_H_

#include <string>
#include <string_view>

namespace tovrix::platform {

struct Expansion {
  bool ok = false;
  std::string text;
};

Expansion ExpandEnvironment(std::string_view text);

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_ENVIRONMENT_H_
