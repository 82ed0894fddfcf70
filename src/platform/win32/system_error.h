// Helpers shared by the Win32 implementations of the platform headers.
//
// SystemErrorText gives the system's own text for an operating-system error
// code (FormatMessageA, in the ANSI code page), without its trailing line
// break; "System error N." when the system has no text for the code.
//
// ZeroTerminated copies a text for a Win32 call that reads a NUL-terminated
// string. A text that itself holds a NUL byte cannot be passed without
// being cut short and naming something else, so it yields no value.
#ifndef TOVRIX_PLATFORM_WIN32_SYSTEM_ERROR_H_
#define TOVRIX_PLATFORM_WIN32_SYSTEM_ERROR_H_

#include <optional>
#include <string>
#include <string_view>

namespace tovrix::platform::win32 {

std::string SystemErrorText(unsigned long code);

// SystemErrorText(GetLastError()).
std::string LastErrorText();

std::optional<std::string> ZeroTerminated(std::string_view text);

}  // namespace tovrix::platform::win32

#endif  // TOVRIX_PLATFORM_WIN32_SYSTEM_ERROR_H_
