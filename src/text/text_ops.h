// Text operations, exact to the byte.
//
// Texts are byte strings in the ANSI code page. Positions are 1-based byte
// positions; 0 means "not found". Operations marked "double-byte aware"
// never take the second byte of a double-byte character (lead bytes from
// the platform) for a character of its own.
#ifndef TOVRIX_TEXT_TEXT_OPS_H_
#define TOVRIX_TEXT_TEXT_OPS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tovrix {

inline bool BeginsWith(std::string_view text, std::string_view prefix) {
  return !prefix.empty() && text.substr(0, prefix.size()) == prefix;
}
// True when `text` begins with `upperPrefix` once its bytes a-z are
// upper-cased (UpperAscii); `upperPrefix` is upper-case ASCII.
bool BeginsWithUpperAscii(std::string_view text, std::string_view upperPrefix);

// Double-byte aware search: the first occurrence that does not begin on the
// second byte of a double-byte character; both texts are read up to their
// first NUL; 0 when either is empty or there is none.
std::size_t FindText(std::string_view pattern, std::string_view text);

// Bytes from `start` (1-based, below 1 counts as 1), at most `count`; the
// empty text for a start beyond the end or a negative count.
std::string_view SubText(std::string_view text, long long start, long long count);

enum ReplaceFlags : unsigned { ReplaceAll = 1, IgnoreCase = 2 };

// Replaces occurrences found in a search copy (UpperLocale of both texts
// with IgnoreCase) while copying the surrounding bytes from `text`; the
// first occurrence only unless ReplaceAll; left to right, without overlap,
// never searching the inserted replacement. An empty pattern never matches.
std::string ReplaceText(std::string_view text, std::string_view pattern,
                        std::string_view replacement, unsigned flags);

std::string UpperAscii(std::string_view text);
std::string UpperLocale(std::string_view text);
// Drops bytes 0x00..0x20 from both ends.
std::string_view TrimBlanks(std::string_view text);

// The value of a hexadecimal digit (0-9, a-f, A-F); -1 for any other byte.
inline int HexDigitValue(char c) {
  static constexpr auto kValues = [] {
    std::array<signed char, 256> values{};
    for (int b = 0; b < 256; ++b) {
      values[b] = static_cast<signed char>(b >= '0' && b <= '9'   ? b - '0'
                                           : b >= 'a' && b <= 'f' ? b - 'a' + 10
                                           : b >= 'A' && b <= 'F' ? b - 'A' + 10
                                                                  : -1);
    }
    return values;
  }();
  return kValues[static_cast<unsigned char>(c)];
}

// Decimal or hexadecimal ('$', 'x', 'X', "0x", "0X") with an optional sign;
// anything else gives `fallback`.
std::int32_t ParseInt(std::string_view text, std::int32_t fallback);
std::int64_t ParseInt64(std::string_view text, std::int64_t fallback);

// Formatting with %s, %d, %x (upper-case digits), %u and %.Nd / %.Nx, "%%";
// the letter may be upper case; an optional '-' and field width pad with
// blanks. %x and %u read a 32-bit argument as unsigned 32-bit, a 64-bit one
// as unsigned 64-bit. No length limit. A conversion that does not match its
// argument, a missing argument or an unknown conversion throws
// EConvertError; surplus arguments are ignored.
using FormatArg = std::variant<std::int32_t, std::int64_t, std::string_view>;
std::string FormatText(std::string_view pattern, const std::vector<FormatArg>& args);

// Appends the plain forms of FormatText's %x / %d without parsing a
// pattern (hot paths).
void AppendHex32(std::string& out, std::uint32_t value);
void AppendHex64(std::string& out, std::uint64_t value);
void AppendDecimal(std::string& out, std::int64_t value);

// Double-byte aware path parts; the directory separators are the
// platform's (platform::PathSeparators()).
// The bytes after the last separator; the whole path when it has none.
std::string FileNamePart(std::string_view path);
// The path up to its last '.' when that comes after the last separator,
// else the whole path, followed by `extension` (given with its dot).
std::string ChangeExtension(std::string_view path, std::string_view extension);

// True for an existing entry that is not a directory; nothing is opened.
bool IsExistingFile(std::string_view path);

}  // namespace tovrix

#endif  // TOVRIX_TEXT_TEXT_OPS_H_
