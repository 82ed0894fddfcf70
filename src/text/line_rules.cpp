#include "text/line_rules.h"

#include <cstdint>
#include <cstring>

#include "text/lead_bytes.h"

namespace tovrix {

using text_internal::LeadBytes;

std::string_view UpToNul(std::string_view text) {
  const void* nul = text.empty() ? nullptr : std::memchr(text.data(), '\0', text.size());
  if (nul == nullptr) return text;
  return text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
}

bool ContainsByte(std::string_view text, char byte) {
  return !text.empty() && std::memchr(text.data(), byte, text.size()) != nullptr;
}

std::size_t FindNameSeparator(std::string_view line) {
  const LeadBytes& lead = LeadBytes::System();
  if (!lead.Any()) return line.find('=');
  for (std::size_t i = 0; i < line.size(); i += lead.CharLength(line, i)) {
    if (line[i] == '=') return i;
  }
  return std::string_view::npos;
}

void AppendWithout(std::string& out, std::string_view text, char byte) {
  const LeadBytes& lead = LeadBytes::System();
  if (!lead.Any()) {
    // Copy the runs between the bytes to drop.
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t hit = text.find(byte, start);
      if (hit == std::string_view::npos) hit = text.size();
      out.append(text.data() + start, hit - start);
      start = hit + 1;
    }
    return;
  }
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = lead.CharLength(text, i);
    if (length == 1 && text[i] == byte) {
      ++i;
      continue;
    }
    out.append(text.data() + i, length);
    i += length;
  }
}

void AppendReplaced(std::string& out, std::string_view text, std::string_view pattern,
                    std::string_view replacement) {
  const LeadBytes& lead = LeadBytes::System();
  std::size_t copied = 0;  // text[0, copied) is already in `out`
  std::size_t i = 0;
  if (!lead.Any()) {
    while ((i = text.find(pattern, i)) != std::string_view::npos) {
      out.append(text.data() + copied, i - copied);
      out.append(replacement);
      i += pattern.size();
      copied = i;
    }
  } else {
    while (i < text.size()) {
      if (text.compare(i, pattern.size(), pattern) == 0) {
        out.append(text.data() + copied, i - copied);
        out.append(replacement);
        i += pattern.size();
        copied = i;
      } else {
        i += lead.CharLength(text, i);
      }
    }
  }
  out.append(text.data() + copied, text.size() - copied);
}

void AppendDoubledQuotes(std::string& out, std::string_view text) {
  const std::string_view searched = UpToNul(text);
  std::size_t start = 0;
  std::size_t hit;
  while ((hit = searched.find('"', start)) != std::string_view::npos) {
    out.append(text.data() + start, hit + 1 - start);
    out.push_back('"');
    start = hit + 1;
  }
  out.append(text.data() + start, text.size() - start);
}

std::string DoubleQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendDoubledQuotes(out, text);
  return out;
}

void LowerAsciiInPlace(std::string& text) {
  char* p = text.data();
  std::size_t n = text.size();
  // Eight bytes at a time. With each byte's top bit cleared, adding 0x3F
  // sets it for 'A' (0x41) and above, adding 0x25 for above 'Z' (0x5A); no
  // sum carries into the next byte. A capital (its top bit clear to begin
  // with) gains 0x20.
  constexpr std::uint64_t kOnes = 0x0101010101010101u;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    const std::uint64_t low = word & (0x7F * kOnes);
    const std::uint64_t capital =
        (low + 0x3F * kOnes) & ~(low + 0x25 * kOnes) & ~word & (0x80 * kOnes);
    word |= capital >> 2;
    std::memcpy(p, &word, 8);
  }
  for (; n > 0; ++p, --n) {
    if (*p >= 'A' && *p <= 'Z') *p = static_cast<char>(*p + ('a' - 'A'));
  }
}

bool DoubleByteCodePage() { return LeadBytes::System().Any(); }

}  // namespace tovrix
