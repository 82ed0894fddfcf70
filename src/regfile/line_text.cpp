#include "regfile/line_text.h"

#include "text/line_rules.h"

namespace tovrix::regfile {

void UnescapeRegString(std::string_view text, std::string& out, std::string& scratch) {
  out.clear();
  if (!ContainsByte(text, '\\')) {
    out.append(text);
    return;
  }
  scratch.clear();
  AppendReplaced(scratch, text, "\\\\", "\\");
  AppendReplaced(out, scratch, "\\\"", "\"");
}

void AppendBinaryContinuation(std::string& out, std::string_view trimmed) {
  if (DoubleByteCodePage()) {
    // In a double-byte code page the removals depend on where characters
    // start, which lower-casing can change: do the steps one by one.
    std::string lowered(trimmed);
    LowerAsciiInPlace(lowered);
    std::string withoutBackslashes;
    AppendWithout(withoutBackslashes, lowered, '\\');
    AppendWithout(out, withoutBackslashes, ' ');
    return;
  }
  // Every byte stands for itself: one pass.
  const std::size_t start = out.size();
  out.resize(start + trimmed.size());
  char* dest = out.data() + start;
  for (char c : trimmed) {
    if (c == '\\' || c == ' ') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    *dest++ = c;
  }
  out.resize(static_cast<std::size_t>(dest - out.data()));
}

std::uint32_t HexItemValue(std::string_view item) {
  if (item.empty()) return 0;
  std::uint64_t value = 0;
  for (char c : item) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return 0;
    }
    value = value * 16 + digit;
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace tovrix::regfile
