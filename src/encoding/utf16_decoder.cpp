#include "encoding/utf16_decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "encoding/loader.h"
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

// Where AppendUnits puts its bytes. A std::string takes the ASCII runs
// through a buffer on the stack, as growing a string zero-fills it first.
// Room(n) is where up to n bytes of ASCII go, Add(k) counts k of them in,
// and AppendWide converts other units through the platform.
struct StringText {
  std::string& out;
  char ascii[2048];

  char* Room(std::size_t) { return ascii; }
  void Add(std::size_t count) { out.append(ascii, count); }
  void AppendWide(const char16_t* units, std::size_t count) {
    platform::AppendWideAsAnsi(units, count, out);
  }
};

// A batch takes the bytes where they go.
struct BatchText {
  BatchBytes& out;

  char* Room(std::size_t count) { return out.Room(count); }
  void Add(std::size_t count) { out.Add(count); }
  void AppendWide(const char16_t* units, std::size_t count) {
    thread_local std::string converted;  // no allocation each time
    converted.clear();
    platform::AppendWideAsAnsi(units, count, converted);
    out.Append(converted);
  }
};

// Appends the ANSI form of `count` units to `text`.
template <typename Text>
void AppendUnits(const char* units, std::size_t count, Text& text) {
  constexpr std::size_t kRun = 2048;
  char16_t wide[kRun];
  std::size_t i = 0;
  while (i < count) {
    // A run of ASCII units.
    const std::size_t limit = count - i < kRun ? count : i + kRun;
    const std::size_t end = CopyAsciiRun(units, i, limit, text.Room(limit - i));
    text.Add(end - i);
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
    text.AppendWide(wide, n);
  }
}

// The units of `bytes` to use, by the rules of DecodeUtf16Le.
std::size_t UnitsToUse(std::string_view bytes, bool atEnd) {
  std::size_t units = bytes.size() / 2;
  if (atEnd) {
    if (bytes.size() % 2 == 0 && units > 0 && UnitAt(bytes.data(), units - 1) == 0x001A) --units;
  } else if (units > 0) {
    const char16_t last = UnitAt(bytes.data(), units - 1);
    if (last == 0x001A || IsHighSurrogate(last)) --units;
  }
  return units;
}

}  // namespace

std::size_t DecodeUtf16Le(std::string_view bytes, bool atEnd, std::string& out) {
  const std::size_t units = UnitsToUse(bytes, atEnd);
  StringText text{out, {}};
  AppendUnits(bytes.data(), units, text);
  return atEnd ? bytes.size() : 2 * units;
}

std::size_t DecodeUtf16Le(std::string_view bytes, bool atEnd, BatchBytes& out) {
  const std::size_t units = UnitsToUse(bytes, atEnd);
  BatchText text{out};
  AppendUnits(bytes.data(), units, text);
  return atEnd ? bytes.size() : 2 * units;
}

}  // namespace tovrix
