// %NAME% expansion through ExpandEnvironmentStringsA.
#include "platform/environment.h"

#include <windows.h>

#include <string>

namespace tovrix::platform {

Expansion ExpandEnvironment(std::string_view text) {
  Expansion result;
  // The call reads its input up to the first NUL byte; std::string's
  // terminator provides it, and an embedded NUL ends the input there too.
  const std::string source(text);
  // First call: no buffer; the answer is the size the result needs.
  const DWORD need = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
  if (need == 0) return result;
  // Second call into twice that size: the answer counts characters, and a
  // double-byte code page may need more bytes than that. Should the
  // environment change between the calls and the result outgrow the
  // buffer, the call is repeated with the size it then asks for.
  DWORD size = need > MAXDWORD / 2 ? MAXDWORD : need * 2;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::string buffer(size, '\0');
    const DWORD got = ExpandEnvironmentStringsA(source.c_str(), buffer.data(), size);
    if (got == 0) return result;
    if (got <= size) {
      const std::size_t end = buffer.find('\0');
      if (end != std::string::npos) buffer.resize(end);
      result.ok = true;
      result.text = std::move(buffer);
      return result;
    }
    size = got > MAXDWORD / 2 ? MAXDWORD : got * 2;
  }
  return result;
}

}  // namespace tovrix::platform
