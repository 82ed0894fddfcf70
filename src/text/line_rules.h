// Byte rules that both converters apply to the lines they read and write,
// each in one place. They append into caller-owned buffers, so that a line
// costs no allocation once the buffers have grown, and they step through
// text by characters of the ANSI code page (a lead byte followed by a byte
// that is not NUL starts a two-byte character, whose second byte is never
// taken for a character of its own).
#ifndef TOVRIX_TEXT_LINE_RULES_H_
#define TOVRIX_TEXT_LINE_RULES_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tovrix {

// `text` up to its first NUL byte.
std::string_view UpToNul(std::string_view text);

// True when `text` contains `byte` anywhere (a plain byte search).
bool ContainsByte(std::string_view text, char byte);

// 0-based offset of the first '=' that starts a character, or npos: where a
// value line's name ends and its data begins.
std::size_t FindNameSeparator(std::string_view line);

// Appends `text` with every `byte` that starts a character removed. `byte`
// must be ASCII.
void AppendWithout(std::string& out, std::string_view text, char byte);

// Appends `text` with every occurrence of `pattern` that starts a character
// replaced by `replacement`, left to right, without overlap, never searching
// the inserted text again: ReplaceText with ReplaceAll on a text without
// NUL bytes. `pattern` must be non-empty ASCII.
void AppendReplaced(std::string& out, std::string_view text, std::string_view pattern,
                    std::string_view replacement);

// Appends `text` with every double quote before its first NUL byte doubled
// and the rest as it is: ReplaceText(text, "\"", "\"\"", ReplaceAll). (A
// double quote is never the second byte of a double-byte character.) For
// data, names and key paths written between double quotes.
void AppendDoubledQuotes(std::string& out, std::string_view text);
std::string DoubleQuotes(std::string_view text);

// Lower-cases A-Z in place (LowerAscii).
void LowerAsciiInPlace(std::string& text);

// True when the ANSI code page has double-byte characters.
bool DoubleByteCodePage();

}  // namespace tovrix

#endif  // TOVRIX_TEXT_LINE_RULES_H_
