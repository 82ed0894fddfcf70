#include "rewrite/case_blind_probe.h"

#include <array>
#include <cstddef>
#include <string>

#include "platform/codepage.h"

namespace tovrix {

namespace {

// The locale's upper case of each ASCII byte standing alone (a Turkish
// locale, for one, maps 'i' outside ASCII).
const std::array<unsigned char, 128>& AsciiUpperTable() {
  static const std::array<unsigned char, 128> table = [] {
    std::array<unsigned char, 128> t{};
    // Upper-casing byte by byte keeps each result independent of its
    // neighbours; NUL is kept out of the platform call.
    for (std::size_t b = 1; b < 128; ++b) {
      const char c = static_cast<char>(b);
      std::string up = platform::UpperBuffer(std::string_view(&c, 1));
      t[b] = up.size() == 1 ? static_cast<unsigned char>(up[0]) : static_cast<unsigned char>(b);
    }
    return t;
  }();
  return table;
}

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

}  // namespace

bool MayOccurCaseBlind(std::string_view text, std::string_view upperPattern) {
  text = UpToNul(text);
  upperPattern = UpToNul(upperPattern);
  const std::size_t n = text.size();
  const std::size_t m = upperPattern.size();
  if (m == 0 || m > n) return false;
  const auto& upper = AsciiUpperTable();
  auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  for (std::size_t start = 0; start + m <= n; ++start) {
    std::size_t j = 0;
    for (; j < m; ++j) {
      std::size_t pos = start + j;
      unsigned char b = byteAt(pos);
      bool single = b < 0x80 && (pos == 0 || byteAt(pos - 1) < 0x80);
      if (single && upper[b] != static_cast<unsigned char>(upperPattern[j])) break;
    }
    if (j == m) return true;
  }
  return false;
}

}  // namespace tovrix
