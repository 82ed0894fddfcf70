// Byte rules of .reg value lines that only the registry-file converter
// applies. They append into caller-owned buffers and step through text by
// characters of the code page, as the text layer's line rules do
// (text/line_rules.h). The texts passed in are lines (or pieces of lines)
// of loaded text and hold no NUL byte.
#ifndef TOVRIX_REGFILE_LINE_TEXT_H_
#define TOVRIX_REGFILE_LINE_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tovrix::regfile {

// Resolves the escapes of a quoted registry string (its quotes already
// removed): two backslashes become one, then a backslash before a double
// quote is dropped. `scratch` is working space. The result replaces `out`.
void UnescapeRegString(std::string_view text, std::string& out, std::string& scratch);

// Appends the bytes that a continuation line of a binary value adds to
// the byte list: `trimmed` (the line without its leading and trailing
// blanks) with A-Z lower-cased, then every backslash and then every blank
// removed, each removal by the character-boundary rule.
void AppendBinaryContinuation(std::string& out, std::string_view trimmed);

// Where the line at `start` of `text` ends, past its line break (CR LF, a
// lone CR or a lone LF) or at the end of the text, when it is a
// continuation line in the form exports write: blanks, a list of the
// digits 0-9 and a-f and commas, a backslash, blanks. Else npos. What the
// rules above make of such a line in an open binary or wide value is
// plain: it continues the value, and its byte list is `list` as it stands
// (set when found), so the line goes straight on without them.
std::size_t PlainContinuationEnd(std::string_view text, std::size_t start, std::string_view& list);

// The value of a byte-list item read as ParseInt("0x" + item, 0) does, as a
// 32-bit pattern: one or more hexadecimal digits whose value fits in 32
// bits; anything else (the empty item included) is 0.
std::uint32_t HexItemValue(std::string_view item);

}  // namespace tovrix::regfile

#endif  // TOVRIX_REGFILE_LINE_TEXT_H_
