// Reading integers from text.
//
// Grammar: blanks (0x20 only), an optional '+' or '-', then either a
// hexadecimal prefix ('$', 'x', 'X', "0x", "0X") and one or more hex digits,
// or one or more decimal digits, and nothing after them. Hexadecimal digits
// fill the integer's full width and the bit pattern is read as signed (a
// '-' negates it); a digit that would push a set bit out of the width makes
// the text invalid. Decimal values must fit the signed range. Any other text
// gives the caller's fallback.

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "text/text_ops.h"

namespace tovrix {

namespace {

template <typename Signed>
Signed ParseSigned(std::string_view text, Signed fallback) {
  using Unsigned = std::make_unsigned_t<Signed>;
  constexpr int kBits = static_cast<int>(sizeof(Unsigned) * 8);

  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;

  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }

  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return fallback;  // nothing after the blanks, sign or prefix

  Unsigned value = 0;
  if (hex) {
    for (; i < n; ++i) {
      const int digit = HexDigitValue(text[i]);
      if (digit < 0) return fallback;
      if ((value >> (kBits - 4)) != 0) return fallback;  // a set bit would fall out
      value = static_cast<Unsigned>((value << 4) | static_cast<Unsigned>(digit));
    }
  } else {
    // The magnitude may reach 2^(bits-1) only for a negative value.
    const Unsigned limit = negative ? Unsigned(1) << (kBits - 1) : (Unsigned(1) << (kBits - 1)) - 1;
    for (; i < n; ++i) {
      const char c = text[i];
      if (c < '0' || c > '9') return fallback;
      const auto digit = static_cast<Unsigned>(c - '0');
      if (value > (limit - digit) / 10) return fallback;
      value = static_cast<Unsigned>(value * 10 + digit);
    }
  }
  // Unsigned negation wraps; the conversion to the signed type is modular.
  if (negative) value = static_cast<Unsigned>(Unsigned(0) - value);
  return static_cast<Signed>(value);
}

}  // namespace

std::int32_t ParseInt(std::string_view text, std::int32_t fallback) {
  return ParseSigned<std::int32_t>(text, fallback);
}

std::int64_t ParseInt64(std::string_view text, std::int64_t fallback) {
  return ParseSigned<std::int64_t>(text, fallback);
}

}  // namespace tovrix
