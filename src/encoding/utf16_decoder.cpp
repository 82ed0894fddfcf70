#include "encoding/utf16_decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/codepage.h"

namespace tovrix {

namespace {

char16_t UnitAt(const char* bytes, std::size_t index) {
  const auto low = static_cast<unsigned char>(bytes[2 * index]);
  const auto high = static_cast<unsigned char>(bytes[2 * index + 1]);
  return static_cast<char16_t>(low | (high << 8));
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Copies the ASCII units from units[first] on to `dest` (one byte each)
// and answers the index of the first unit that is not ASCII (or `count`).
std::size_t CopyAsciiRun(const char* units, std::size_t first, std::size_t count, char* dest) {
  std::size_t i = first;
#if defined(__SSE2__)
  const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  while (count - i >= 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 2 * i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 2 * i + 16));
    const __m128i any = _mm_and_si128(_mm_or_si128(a, b), high);
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(any, zero)) != 0xFFFF) break;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + (i - first)), _mm_packus_epi16(a, b));
    i += 16;
  }
#endif
  for (; i < count; ++i) {
    const char16_t unit = UnitAt(units, i);
    if (unit >= 0x80) break;
    dest[i - first] = static_cast<char>(unit);
  }
  return i;
}

// Appends the ANSI form of `count` units.
void AppendUnits(const char* units, std::size_t count, std::string& out) {
  constexpr std::size_t kRun = 2048;
  char ascii[kRun];
  char16_t wide[kRun];
  std::size_t i = 0;
  while (i < count) {
    // A run of ASCII units, through a buffer on the stack.
    const std::size_t limit = count - i < kRun ? count : i + kRun;
    const std::size_t end = CopyAsciiRun(units, i, limit, ascii);
    out.append(ascii, end - i);
    i = end;
    if (i == limit) continue;
    // Then the units up to the next ASCII one, through the platform; a
    // pair is never cut between two calls.
    std::size_t n = 0;
    while (i < count && n < kRun) {
      const char16_t unit = UnitAt(units, i);
      if (unit < 0x80) break;
      wide[n++] = unit;
      ++i;
    }
    if (n == kRun && i < count && IsHighSurrogate(wide[n - 1])) {
      --n;
      --i;
    }
    platform::AppendWideAsAnsi(wide, n, out);
  }
}

}  // namespace

std::size_t DecodeUtf16Le(std::string_view bytes, bool atEnd, std::string& out) {
  std::size_t units = bytes.size() / 2;
  if (atEnd) {
    if (bytes.size() % 2 == 0 && units > 0 && UnitAt(bytes.data(), units - 1) == 0x001A) --units;
  } else if (units > 0) {
    const char16_t last = UnitAt(bytes.data(), units - 1);
    if (last == 0x001A || IsHighSurrogate(last)) --units;
  }
  AppendUnits(bytes.data(), units, out);
  return atEnd ? bytes.size() : 2 * units;
}

}  // namespace tovrix
