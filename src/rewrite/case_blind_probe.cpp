#include "rewrite/case_blind_probe.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "text/line_rules.h"

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

bool HasHighByte(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

// Text of ASCII bytes alone: every byte is a character of its own. The
// places where the pattern's first character stands are found with memchr,
// once for each byte that upper-cases to it.
struct Preimages {
  std::array<char, 4> bytes{};
  std::size_t count = 0;
};

// For each byte, the ASCII bytes that upper-case to it.
const std::array<Preimages, 256>& PreimageTable() {
  static const std::array<Preimages, 256> table = [] {
    std::array<Preimages, 256> t{};
    const auto& upper = AsciiUpperTable();
    for (std::size_t b = 1; b < 128; ++b) {
      Preimages& p = t[upper[b]];
      if (p.count < p.bytes.size()) p.bytes[p.count++] = static_cast<char>(b);
    }
    return t;
  }();
  return table;
}

bool OccursInAscii(std::string_view text, std::string_view upperPattern) {
  const auto& upper = AsciiUpperTable();
  const Preimages& firsts = PreimageTable()[static_cast<unsigned char>(upperPattern[0])];
  auto rest_matches = [&](std::size_t start) {
    for (std::size_t j = 1; j < upperPattern.size(); ++j) {
      if (upper[static_cast<unsigned char>(text[start + j])] !=
          static_cast<unsigned char>(upperPattern[j])) {
        return false;
      }
    }
    return true;
  };
  const std::size_t last = text.size() - upperPattern.size();
  for (std::size_t k = 0; k < firsts.count; ++k) {
    std::size_t from = 0;
    while (from <= last) {
      const void* hit = std::memchr(text.data() + from, firsts.bytes[k], last - from + 1);
      if (hit == nullptr) break;
      const auto start = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
      if (rest_matches(start)) return true;
      from = start + 1;
    }
  }
  return false;
}

}  // namespace

bool MayOccurCaseBlind(std::string_view text, std::string_view upperPattern) {
  text = UpToNul(text);
  upperPattern = UpToNul(upperPattern);
  const std::size_t n = text.size();
  const std::size_t m = upperPattern.size();
  if (m == 0 || m > n) return false;
  if (!HasHighByte(text) && !HasHighByte(upperPattern)) return OccursInAscii(text, upperPattern);
  const auto& upper = AsciiUpperTable();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const auto* pattern = reinterpret_cast<const unsigned char*>(upperPattern.data());
  // Byte i is a character of its own when it and the byte before it are
  // ASCII; only such a byte can fail to match.
  auto matches = [&](std::size_t i, unsigned char want) {
    const unsigned char b = bytes[i];
    if (b >= 0x80 || (i > 0 && bytes[i - 1] >= 0x80)) return true;
    return upper[b] == want;
  };
  for (std::size_t start = 0; start + m <= n; ++start) {
    if (!matches(start, pattern[0])) continue;
    std::size_t j = 1;
    while (j < m && matches(start + j, pattern[j])) ++j;
    if (j == m) return true;
  }
  return false;
}

}  // namespace tovrix
