// Formatting with a pattern, and the plain number writers the hot paths
// use without a pattern.
//
// A conversion is '%', an optional '-' (left alignment), an optional field
// width, an optional '.' and precision, and a letter in either case:
//   d  signed decimal; the precision is the least number of digits
//   u  decimal of the value read as unsigned (32 or 64 bits)
//   x  upper-case hexadecimal of the value read as unsigned
//   s  the text; the precision is the most bytes taken from it
// "%%" is one '%'. A width pads with blanks. Anything else, a missing
// argument or one of the wrong kind raises EConvertError.

#include <cstdint>
#include <string>
#include <string_view>

#include "text/errors.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// Widths and precisions beyond this are taken for a broken pattern rather
// than a request for megabytes of padding.
constexpr std::size_t kMaxFieldSize = 1 << 20;

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Digits of `value` in `Base`, most significant first, into the end of
// `buffer`; returns the first digit. The base is fixed at compile time so
// that no digit costs a division.
template <unsigned Base>
char* WriteDigits(char* end, std::uint64_t value) {
  char* p = end;
  do {
    *--p = kHexDigits[value % Base];
    value /= Base;
  } while (value != 0);
  return p;
}

struct Conversion {
  bool left_align = false;
  std::size_t width = 0;
  bool has_precision = false;
  std::size_t precision = 0;
  char letter = 0;  // lower case
};

// Reads a run of decimal digits at pattern[i]; false when it is too large.
bool ReadNumber(std::string_view pattern, std::size_t& i, std::size_t& value) {
  value = 0;
  while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
    value = value * 10 + static_cast<std::size_t>(pattern[i] - '0');
    if (value > kMaxFieldSize) return false;
    ++i;
  }
  return true;
}

// Parses the conversion after a '%' at pattern[i - 1]; leaves `i` after its
// letter.
Conversion ReadConversion(std::string_view pattern, std::size_t& i) {
  Conversion conv;
  if (i < pattern.size() && pattern[i] == '-') {
    conv.left_align = true;
    ++i;
  }
  if (!ReadNumber(pattern, i, conv.width)) ThrowFormatError(pattern);
  if (i < pattern.size() && pattern[i] == '.') {
    ++i;
    conv.has_precision = true;
    if (!ReadNumber(pattern, i, conv.precision)) ThrowFormatError(pattern);
  }
  if (i >= pattern.size()) ThrowFormatError(pattern);
  char c = pattern[i++];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  if (c != 'd' && c != 'u' && c != 'x' && c != 's') ThrowFormatError(pattern);
  conv.letter = c;
  return conv;
}

// The converted text of one argument, before the field width is applied.
void ConvertArgument(std::string_view pattern, const Conversion& conv, const FormatArg& arg,
                     std::string& out) {
  if (conv.letter == 's') {
    const auto* text = std::get_if<std::string_view>(&arg);
    if (text == nullptr) ThrowFormatError(pattern);
    out.append(conv.has_precision ? text->substr(0, conv.precision) : *text);
    return;
  }

  bool negative = false;
  std::uint64_t magnitude = 0;
  if (const auto* v32 = std::get_if<std::int32_t>(&arg)) {
    if (conv.letter == 'd' && *v32 < 0) {
      negative = true;
      magnitude = static_cast<std::uint64_t>(-static_cast<std::int64_t>(*v32));
    } else if (conv.letter == 'd') {
      magnitude = static_cast<std::uint64_t>(*v32);
    } else {
      magnitude = static_cast<std::uint32_t>(*v32);  // read as unsigned 32-bit
    }
  } else if (const auto* v64 = std::get_if<std::int64_t>(&arg)) {
    magnitude = static_cast<std::uint64_t>(*v64);
    if (conv.letter == 'd' && *v64 < 0) {
      negative = true;
      magnitude = std::uint64_t(0) - magnitude;
    }
  } else {
    ThrowFormatError(pattern);
  }

  char buffer[24];
  char* end = buffer + sizeof(buffer);
  const char* digits =
      conv.letter == 'x' ? WriteDigits<16>(end, magnitude) : WriteDigits<10>(end, magnitude);
  const auto count = static_cast<std::size_t>(end - digits);
  if (negative) out.push_back('-');
  if (conv.has_precision && conv.precision > count) out.append(conv.precision - count, '0');
  out.append(digits, count);
}

}  // namespace

std::string FormatText(std::string_view pattern, const std::vector<FormatArg>& args) {
  std::string out;
  out.reserve(pattern.size() + 16);
  std::size_t next_arg = 0;
  std::size_t i = 0;
  while (i < pattern.size()) {
    const std::size_t percent = pattern.find('%', i);
    if (percent == std::string_view::npos) {
      out.append(pattern.substr(i));
      break;
    }
    out.append(pattern.substr(i, percent - i));
    i = percent + 1;
    if (i < pattern.size() && pattern[i] == '%') {
      out.push_back('%');
      ++i;
      continue;
    }
    const Conversion conv = ReadConversion(pattern, i);
    if (next_arg >= args.size()) ThrowFormatError(pattern);
    const std::size_t field_start = out.size();
    ConvertArgument(pattern, conv, args[next_arg++], out);
    const std::size_t length = out.size() - field_start;
    if (conv.width > length) {
      const std::size_t pad = conv.width - length;
      if (conv.left_align) {
        out.append(pad, ' ');
      } else {
        out.insert(field_start, pad, ' ');
      }
    }
  }
  return out;
}

void AppendHex32(std::string& out, std::uint32_t value) { AppendHex64(out, value); }

void AppendHex64(std::string& out, std::uint64_t value) {
  char buffer[24];
  char* end = buffer + sizeof(buffer);
  const char* digits = WriteDigits<16>(end, value);
  out.append(digits, static_cast<std::size_t>(end - digits));
}

void AppendDecimal(std::string& out, std::int64_t value) {
  std::uint64_t magnitude = static_cast<std::uint64_t>(value);
  if (value < 0) {
    out.push_back('-');
    magnitude = std::uint64_t(0) - magnitude;
  }
  char buffer[24];
  char* end = buffer + sizeof(buffer);
  const char* digits = WriteDigits<10>(end, magnitude);
  out.append(digits, static_cast<std::size_t>(end - digits));
}

}  // namespace tovrix
