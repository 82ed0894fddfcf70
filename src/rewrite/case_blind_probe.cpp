#include "rewrite/case_blind_probe.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/codepage.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

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

// Whether `upperPattern` stands at `start` of `text` (both ASCII, every
// byte a character of its own): each text byte's upper case, taken from
// the table, is the pattern's byte.
bool MatchesInAscii(std::string_view text, std::size_t start, std::string_view upperPattern) {
  const auto& upper = AsciiUpperTable();
  for (std::size_t j = 0; j < upperPattern.size(); ++j) {
    if (upper[static_cast<unsigned char>(text[start + j])] !=
        static_cast<unsigned char>(upperPattern[j])) {
      return false;
    }
  }
  return true;
}

}  // namespace

CaseBlindPattern::CaseBlindPattern(std::string_view upperPattern)
    : upper_(UpToNul(upperPattern)), ascii_(!HasHighByte(upper_)) {
  const auto& preimages = PreimageTable();
  auto count = [&](std::size_t j) {
    return preimages[static_cast<unsigned char>(upper_[j])].count;
  };
  for (std::size_t j = 1; j < upper_.size(); ++j) {
    if (count(j) < count(anchor_)) anchor_ = j;
  }
}

CaseBlindProbe::CaseBlindProbe(std::string_view text)
    : text_(UpToNul(text)), whole_(text_.size() == text.size()), ascii_(!HasHighByte(text_)) {}

// Every byte of the text and the pattern is a character of its own. The
// places where the pattern's anchor character stands are found with
// memchr, once for each byte that upper-cases to it, over the whole text:
// a character not found there is known to be absent for later patterns.
bool CaseBlindProbe::OccursInAscii(const CaseBlindPattern& pattern) const {
  const std::string_view text = text_;
  const std::string_view upperPattern = pattern.upper_;
  for (char c : upperPattern) {
    if (absent_[static_cast<unsigned char>(c)]) return false;
  }
  const std::size_t anchor = pattern.anchor_;
  const auto anchorChar = static_cast<unsigned char>(upperPattern[anchor]);
  const Preimages& anchors = PreimageTable()[anchorChar];
  // Pattern starts lie in [0, last]; the anchor byte of each in
  // [anchor, last + anchor].
  const std::size_t last = text.size() - upperPattern.size();
  bool seen = false;  // the anchor character stands somewhere in the text
  for (std::size_t k = 0; k < anchors.count; ++k) {
    std::size_t from = 0;
    while (from <= last + anchor) {
      const void* hit = std::memchr(text.data() + from, anchors.bytes[k], text.size() - from);
      if (hit == nullptr) break;
      seen = true;
      const auto at = static_cast<std::size_t>(static_cast<const char*>(hit) - text.data());
      if (at > last + anchor) break;
      if (at >= anchor && MatchesInAscii(text, at - anchor, upperPattern)) return true;
      from = at + 1;
    }
  }
  if (!seen && anchors.count > 0) absent_.set(anchorChar);
  return false;
}

bool CaseBlindProbe::Exact(const CaseBlindPattern& pattern) const {
  return whole_ && ascii_ && pattern.ascii_;
}

bool CaseBlindProbe::MayOccur(const CaseBlindPattern& pattern) const {
  const std::size_t n = text_.size();
  const std::size_t m = pattern.upper_.size();
  if (m == 0 || m > n) return false;
  if (ascii_ && pattern.ascii_) return OccursInAscii(pattern);
  const auto& upper = AsciiUpperTable();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data());
  const auto* wanted = reinterpret_cast<const unsigned char*>(pattern.upper_.data());
  // Byte i is a character of its own when it and the byte before it are
  // ASCII; only such a byte can fail to match.
  auto matches = [&](std::size_t i, unsigned char want) {
    const unsigned char b = bytes[i];
    if (b >= 0x80 || (i > 0 && bytes[i - 1] >= 0x80)) return true;
    return upper[b] == want;
  };
  for (std::size_t start = 0; start + m <= n; ++start) {
    if (!matches(start, wanted[0])) continue;
    std::size_t j = 1;
    while (j < m && matches(start + j, wanted[j])) ++j;
    if (j == m) return true;
  }
  return false;
}

bool MayOccurCaseBlind(std::string_view text, std::string_view upperPattern) {
  return CaseBlindProbe(text).MayOccur(CaseBlindPattern(upperPattern));
}

CaseBlindScreen::CaseBlindScreen() {
  stop_.set(0);
  for (std::size_t b = 0x80; b < 0x100; ++b) stop_.set(b);
}

void CaseBlindScreen::Add(const CaseBlindPattern& pattern) {
  // An empty pattern is never found.
  if (pattern.upper_.empty()) return;
  const Preimages& anchors =
      PreimageTable()[static_cast<unsigned char>(pattern.upper_[pattern.anchor_])];
  for (std::size_t k = 0; k < anchors.count; ++k) Stop(anchors.bytes[k]);
}

void CaseBlindScreen::Stop(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  if (stop_[b]) return;
  stop_.set(b);
  ++fewCount_;  // past kFewBytes, the table alone is used
  if (fewCount_ <= kFewBytes) few_[fewCount_ - 1] = byte;
}

bool CaseBlindScreen::Clear(std::string_view text) const {
  std::size_t i = 0;
#if defined(__SSE2__)
  if (fewCount_ <= kFewBytes) {
    // Unused places repeat NUL, which is looked for anyway.
    const __m128i nul = _mm_setzero_si128();
    __m128i wanted[kFewBytes];  // NOLINT(modernize-avoid-c-arrays): no std::array of vectors
    for (std::size_t k = 0; k < kFewBytes; ++k) wanted[k] = _mm_set1_epi8(few_[k]);
    // The sign bit marks the bytes outside ASCII.
    auto clear = [&](std::size_t at) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
      __m128i hit = _mm_cmpeq_epi8(bytes, nul);
      for (const __m128i& w : wanted) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(bytes, w));
      return _mm_movemask_epi8(_mm_or_si128(hit, bytes)) == 0;
    };
    if (text.size() >= 16) {
      for (; i + 16 <= text.size(); i += 16) {
        if (!clear(i)) return false;
      }
      // The last sixteen bytes, some of them again.
      return i == text.size() || clear(text.size() - 16);
    }
  }
#endif
  for (; i < text.size(); ++i) {
    if (stop_[static_cast<unsigned char>(text[i])]) return false;
  }
  return true;
}

namespace {

// ReplaceText(text, pattern, replacement, flags | IgnoreCase) where text
// and pattern are ASCII bytes alone, each a character of its own: the
// search compares each byte's upper case, taken from the table, with the
// upper-cased pattern, left to right, without overlap. Candidates are
// found by the pattern's character at `anchor`, with memchr where one byte
// upper-cases to it. False, and `out` untouched, when the pattern does not
// occur.
bool ReplaceInAscii(std::string_view text, std::string_view upperPattern, std::size_t anchor,
                    std::string_view replacement, unsigned flags, std::string& out) {
  const std::size_t m = upperPattern.size();
  if (m == 0 || m > text.size()) return false;
  const Preimages& anchors = PreimageTable()[static_cast<unsigned char>(upperPattern[anchor])];
  const std::size_t last = text.size() - m;  // the last start a match can have
  // The first start from `from` on where the pattern matches, or npos.
  auto find = [&](std::size_t from) {
    while (from <= last) {
      if (anchors.count == 1) {
        const char* at = text.data() + from + anchor;
        const void* hit = std::memchr(at, anchors.bytes[0], last - from + 1);
        if (hit == nullptr) break;
        from += static_cast<std::size_t>(static_cast<const char*>(hit) - at);
      }
      if (MatchesInAscii(text, from, upperPattern)) return from;
      ++from;
    }
    return std::string_view::npos;
  };
  std::size_t start = find(0);
  if (start == std::string_view::npos) return false;
  out.clear();
  out.reserve(text.size() + replacement.size());
  std::size_t copied = 0;  // text[0, copied) is done
  while (start != std::string_view::npos) {
    out.append(text.data() + copied, start - copied).append(replacement);
    copied = start + m;
    if ((flags & ReplaceAll) == 0) break;
    start = find(copied);
  }
  out.append(text.data() + copied, text.size() - copied);
  return true;
}

}  // namespace

void ProbedReplacements::Replace(const CaseBlindPattern& probed, std::string_view pattern,
                                 std::string_view replacement, unsigned flags) {
  std::string next;
  // A pattern of ASCII bytes is its upper case's length in every code page.
  if (probe_.Exact(probed) && (flags & IgnoreCase) != 0 && pattern.size() == probed.upper_.size()) {
    // ASCII alone: the search is as quick as the probe, which it skips.
    if (!ReplaceInAscii(Text(), probed.upper_, probed.anchor_, replacement, flags, next)) return;
  } else {
    if (!probe_.MayOccur(probed)) return;
    next = ReplaceText(Text(), pattern, replacement, flags);
  }
  if (next == Text()) return;
  text_ = std::move(next);
  changed_ = true;
  probe_ = CaseBlindProbe(text_);
}

}  // namespace tovrix
