#include "platform/win32/system_error.h"

#include <windows.h>

namespace tovrix::platform::win32 {

std::string SystemErrorText(unsigned long code) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) LocalFree(buffer);
  // The system's texts end with a line break (and sometimes a blank before
  // it); the message keeps everything up to there.
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "System error " + std::to_string(code) + ".";
  return text;
}

std::string LastErrorText() { return SystemErrorText(GetLastError()); }

std::optional<std::string> ZeroTerminated(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  return std::string(text);
}

}  // namespace tovrix::platform::win32
