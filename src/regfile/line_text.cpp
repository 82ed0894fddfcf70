#include "regfile/line_text.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>

#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix::regfile {

void UnescapeRegString(std::string_view text, std::string& out, std::string& scratch) {
  out.clear();
  const std::size_t first = text.find('\\');
  if (first == std::string_view::npos) {
    out.append(text);
    return;
  }
  if (!DoubleByteCodePage()) {
    // Every byte stands for itself: both steps in one pass, from backslash
    // to backslash. A pair, or one alone, gives one backslash of the first
    // step's result; when a quote follows it there, the second step drops
    // it.
    const std::size_t n = text.size();
    std::size_t i = 0;  // text[0, i) is done
    for (std::size_t at = first; at != std::string_view::npos; at = text.find('\\', i)) {
      out.append(text.data() + i, at - i);
      i = at + 1 < n && text[at + 1] == '\\' ? at + 2 : at + 1;
      if (i < n && text[i] == '"') {
        out.push_back('"');
        ++i;
      } else {
        out.push_back('\\');
      }
    }
    out.append(text.data() + i, n - i);
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
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time, 'A'..'Z' lowered: the bytes before the first
  // dropped one are kept and that one skipped. The last few bytes are read
  // from a copy filled up with dropped bytes. (Most lines are byte lists:
  // digits and commas, and a backslash at the end.)
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i beforeA = _mm_set1_epi8('A' - 1);
  const __m128i afterZ = _mm_set1_epi8('Z' + 1);
  const __m128i lower = _mm_set1_epi8('a' - 'A');
  const char* const base = dest;
  auto lowerDropped = [&](const char* at, __m128i& lowered) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i dropped =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, backslash), _mm_cmpeq_epi8(bytes, space));
    const __m128i upper =
        _mm_and_si128(_mm_cmpgt_epi8(bytes, beforeA), _mm_cmplt_epi8(bytes, afterZ));
    lowered = _mm_add_epi8(bytes, _mm_and_si128(upper, lower));
    return static_cast<unsigned>(_mm_movemask_epi8(dropped));
  };
  while (i < trimmed.size()) {
    const std::size_t left = trimmed.size() - i;
    if (left < 16 && trimmed.size() >= 16 && dest == base + i) {
      // Nothing was dropped yet (the usual line, whose backslash is its last
      // byte): the last sixteen bytes are read again, and the ones already
      // written are written again as they were.
      const std::size_t again = 16 - left;
      __m128i lowered;
      const unsigned fresh = lowerDropped(trimmed.data() + i - again, lowered) >> again;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dest - again), lowered);
      const std::size_t kept = fresh == 0 ? left : static_cast<std::size_t>(__builtin_ctz(fresh));
      dest += kept;
      i += kept < left ? kept + 1 : left;
      continue;
    }
    alignas(16) char padded[16];
    const char* from = trimmed.data() + i;
    if (left < 16) {
      std::memset(padded, ' ', sizeof padded);
      std::memcpy(padded, from, left);
      from = padded;
    }
    __m128i lowered;
    const unsigned mask = lowerDropped(from, lowered);
    const std::size_t kept = mask == 0 ? 16 : static_cast<std::size_t>(__builtin_ctz(mask));
    if (left >= 16) {
      // At most `i` bytes were kept before, so sixteen fit.
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), lowered);
    } else {
      alignas(16) char made[16];
      _mm_store_si128(reinterpret_cast<__m128i*>(made), lowered);
      std::memcpy(dest, made, kept);
    }
    dest += kept;
    const std::size_t read = left < 16 ? left : 16;
    i += kept < read ? kept + 1 : read;  // past the dropped byte, if one was read
  }
#endif
  for (char c : trimmed.substr(i)) {
    if (c == '\\' || c == ' ') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    *dest++ = c;
  }
  out.resize(static_cast<std::size_t>(dest - out.data()));
}

namespace {

// The first position from `from` on whose byte is none of 0-9, a-f and
// the comma, or text.size().
std::size_t SkipListBytes(std::string_view text, std::size_t from) {
  std::size_t i = from;
#if defined(__SSE2__)
  // Sixteen bytes at a time. A byte b lies in lo..hi when b + (0x80 - lo),
  // wrapping, lies in 0x80..0x80 + (hi - lo): as a signed byte, below
  // -0x80 + (hi - lo + 1).
  auto in = [](__m128i bytes, char lo, char hi) {
    const __m128i moved = _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x80 - lo)));
    return _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-0x80 + (hi - lo + 1))));
  };
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i list = _mm_or_si128(_mm_or_si128(in(bytes, '0', '9'), in(bytes, 'a', 'f')),
                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')));
    const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(list)) & 0xFFFF;
    if (other != 0) return i + static_cast<std::size_t>(__builtin_ctz(other));
  }
#endif
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == ',')) break;
  }
  return i;
}

// A blank inside a line: a byte up to 0x20 that breaks no line.
bool BlankInLine(char c) {
  return static_cast<unsigned char>(c) <= 0x20 && c != '\r' && c != '\n' && c != '\0';
}

}  // namespace

std::size_t PlainContinuationEnd(std::string_view text, std::size_t start, std::string_view& list) {
  constexpr std::size_t kNone = std::string_view::npos;
  const std::size_t n = text.size();
  std::size_t i = start;
  // Exports indent by two blanks and end with a backslash and CR LF; other
  // blanks are taken one by one.
  if (i + 1 < n && text[i] == ' ' && text[i + 1] == ' ') i += 2;
  while (i < n && BlankInLine(text[i])) ++i;
  const std::size_t begin = i;
  i = SkipListBytes(text, i);
  if (i == begin || i == n || text[i] != '\\') return kNone;
  const std::size_t body = i - begin;
  ++i;
  if (i + 1 < n && text[i] == '\r' && text[i + 1] == '\n') {
    list = text.substr(begin, body);
    return i + 2;
  }
  while (i < n && BlankInLine(text[i])) ++i;
  if (i < n) {
    if (text[i] == '\r') {
      i += i + 1 < n && text[i + 1] == '\n' ? 2 : 1;
    } else if (text[i] == '\n') {
      ++i;
    } else {
      return kNone;
    }
  }
  list = text.substr(begin, body);
  return i;
}

std::uint32_t HexItemValue(std::string_view item) {
  if (item.empty()) return 0;
  std::uint64_t value = 0;
  for (char c : item) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return 0;
    value = value * 16 + static_cast<unsigned>(digit);
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

}  // namespace tovrix::regfile
