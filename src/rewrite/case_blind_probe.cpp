#include "rewrite/case_blind_probe.h"

#include <array>
#include <cstddef>
#include <cstdint>
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
  const char* p = text.data();
  std::size_t n = text.size();
  // Eight bytes at a time: most texts are long runs of ASCII.
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if ((word & 0x8080808080808080u) != 0) return true;
  }
  for (; n > 0; ++p, --n) {
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  }
  return false;
}

// Text of ASCII bytes alone: every byte is a character of its own. The
// places where one character of the pattern stands are found with memchr,
// once for each byte that upper-cases to it; the character with the fewest
// such bytes is chosen (':' and '\\' have one, letters two).
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
  const auto& preimages = PreimageTable();
  std::size_t anchor = 0;
  for (std::size_t j = 1; j < upperPattern.size(); ++j) {
    if (preimages[static_cast<unsigned char>(upperPattern[j])].count <
        preimages[static_cast<unsigned char>(upperPattern[anchor])].count) {
      anchor = j;
    }
  }
  const Preimages& anchors = preimages[static_cast<unsigned char>(upperPattern[anchor])];
  auto matches_at = [&](std::size_t start) {
    for (std::size_t j = 0; j < upperPattern.size(); ++j) {
      if (upper[static_cast<unsigned char>(text[start + j])] !=
          static_cast<unsigned char>(upperPattern[j])) {
        return false;
      }
    }
    return true;
  };
  // Pattern starts lie in [0, last]; the anchor byte of each in
  // [anchor, last + anchor].
  const std::size_t last = text.size() - upperPattern.size();
  for (std::size_t k = 0; k < anchors.count; ++k) {
    std::size_t from = anchor;
    while (from <= last + anchor) {
      const void* hit = std::memchr(text.data() + from, anchors.bytes[k], last + anchor - from + 1);
      if (hit == nullptr) break;
      const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
      if (matches_at(at - anchor)) return true;
      from = at + 1;
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
