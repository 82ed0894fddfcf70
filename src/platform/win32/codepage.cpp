// Code-page services on the Win32 API: the conversions, upper-casing and
// collation of the system's ANSI code page are the system's own.
#include "platform/codepage.h"

#include <windows.h>

#include <climits>

#include "platform/win32/wide_chunks.h"

namespace tovrix::platform {

namespace win32 {

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One call of WideCharToMultiByte over `count` (<= INT_MAX / 2) units.
void ConvertPiece(UINT codePage, const char16_t* units, int count, std::string& out) {
  const auto* wide = reinterpret_cast<const wchar_t*>(units);
  const int need = WideCharToMultiByte(codePage, 0, wide, count, nullptr, 0, nullptr, nullptr);
  if (need <= 0) return;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(need));
  const int made =
      WideCharToMultiByte(codePage, 0, wide, count, out.data() + start, need, nullptr, nullptr);
  out.resize(start + static_cast<std::size_t>(made > 0 ? made : 0));
}

}  // namespace

void AppendWideAsAnsiInChunks(const char16_t* units, std::size_t count, std::size_t maxUnits,
                              std::string& out) {
  if (maxUnits < 2) maxUnits = 2;
  while (count > 0) {
    std::size_t piece = count < maxUnits ? count : maxUnits;
    if (piece < count && IsHighSurrogate(units[piece - 1]) && IsLowSurrogate(units[piece])) {
      --piece;  // keep the pair together
    }
    ConvertPiece(CP_THREAD_ACP, units, static_cast<int>(piece), out);
    units += piece;
    count -= piece;
  }
}

}  // namespace win32

unsigned AnsiCodePage() { return GetACP(); }

// The system's code page does not change while a process runs.
unsigned CodePageGeneration() { return 1; }

void AppendWideAsAnsi(const char16_t* units, std::size_t count, std::string& out) {
  win32::AppendWideAsAnsiInChunks(units, count, win32::CodePageChunkUnits, out);
}

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

std::string UpperBuffer(std::string_view text) {
  std::string upper(text);
  // CharUpperBuffA counts in a DWORD; longer texts go in pieces. The code
  // page maps each byte or double-byte character on its own, so a piece
  // boundary changes nothing as long as it does not split a double-byte
  // character.
  constexpr std::size_t kMaxPiece = std::size_t{1} << 30;
  std::size_t done = 0;
  while (done < upper.size()) {
    std::size_t piece = upper.size() - done;
    if (piece > kMaxPiece) {
      piece = kMaxPiece;
      // Step back to a character boundary: count lead bytes from the start
      // of this piece.
      std::size_t i = 0;
      while (i < piece) {
        i += IsLeadByte(static_cast<unsigned char>(upper[done + i])) ? 2 : 1;
      }
      if (i > piece) piece -= 1;
    }
    CharUpperBuffA(upper.data() + done, static_cast<DWORD>(piece));
    done += piece;
  }
  return upper;
}

int CompareLocale(std::string_view a, std::string_view b, bool ignoreCase) {
  // CompareStringA takes int lengths and refuses null pointers, which an
  // empty view may carry.
  static const char kEmpty[] = "";
  const std::size_t limit = INT_MAX;
  const std::string_view ca = a.substr(0, limit);
  const std::string_view cb = b.substr(0, limit);
  const int result = CompareStringA(LOCALE_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0,
                                    ca.empty() ? kEmpty : ca.data(), static_cast<int>(ca.size()),
                                    cb.empty() ? kEmpty : cb.data(), static_cast<int>(cb.size()));
  switch (result) {
    case CSTR_LESS_THAN:
      return -1;
    case CSTR_GREATER_THAN:
      return 1;
    case CSTR_EQUAL:
      // Texts beyond what one call can take are told apart by length.
      if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
      return 0;
    default:
      return 0;
  }
}

bool EqualLocale(std::string_view a, std::string_view b, bool ignoreCase) {
  return CompareLocale(a, b, ignoreCase) == 0;
}

std::string AnsiToUtf8(std::string_view text) {
  std::string out;
  constexpr std::size_t kMaxPiece = std::size_t{1} << 28;
  std::size_t done = 0;
  while (done < text.size()) {
    std::size_t piece = text.size() - done;
    if (piece > kMaxPiece) {
      piece = kMaxPiece;
      std::size_t i = 0;
      while (i < piece) i += IsLeadByte(static_cast<unsigned char>(text[done + i])) ? 2 : 1;
      if (i > piece) piece -= 1;
    }
    const char* src = text.data() + done;
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, src, static_cast<int>(piece), nullptr, 0);
    if (wideLength > 0) {
      std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
      MultiByteToWideChar(CP_ACP, 0, src, static_cast<int>(piece), wide.data(), wideLength);
      const int need =
          WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
      if (need > 0) {
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(need));
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, out.data() + start, need, nullptr,
                            nullptr);
      }
    }
    done += piece;
  }
  return out;
}

char DecimalSeparator() {
  char text[8] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) == 0 ||
      text[0] == '\0') {
    return '.';
  }
  return text[0];
}

}  // namespace tovrix::platform

namespace tovrix::platform {

// CompareStringA has no key that is guaranteed to order as it does, so
// each comparison asks it.
struct CollationKeys::Impl {
  std::vector<std::string_view> texts;
  bool ignoreCase;
};

CollationKeys::CollationKeys(const std::vector<std::string_view>& texts, bool ignoreCase)
    : impl_(new Impl{texts, ignoreCase}) {}

CollationKeys::~CollationKeys() { delete impl_; }

int CollationKeys::Compare(std::size_t a, std::size_t b) const {
  return CompareLocale(impl_->texts[a], impl_->texts[b], impl_->ignoreCase);
}

}  // namespace tovrix::platform
