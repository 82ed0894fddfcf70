// Byte-level helpers for the registry-file converter's per-line work.
//
// They do what the text operations would do to a line of a loaded .reg
// file, but append into caller-owned buffers, so that a line costs no heap
// allocation once the buffers have grown. Every helper that searches keeps
// to character boundaries as FindText does: a lead byte of the ANSI code
// page followed by a byte that is not NUL starts a two-byte character whose
// second byte is never taken for a character of its own. The texts passed
// in are lines (or pieces of lines) of loaded text and hold no NUL byte.
#ifndef TOVRIX_REGFILE_LINE_TEXT_H_
#define TOVRIX_REGFILE_LINE_TEXT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/lead_bytes.h"

namespace tovrix::regfile {

// Which byte values begin a double-byte character in the code page: the
// text layer's table, shared so both step through text alike.
using LeadByteTable = text_internal::LeadBytes;

// Replaces the contents of `out` by `text`, keeping its storage. (Also
// steers clear of a false -Wrestrict alarm that GCC 12 raises for
// std::string::assign of a literal at -O3.)
inline void SetText(std::string& out, std::string_view text) {
  out.clear();
  out.append(text);
}

// 0-based offset of the first '=' that starts a character, or npos (the
// split of a line into value name and data, NameAt / ValueAt).
std::size_t FindNameSeparator(std::string_view line, const LeadByteTable& lead);

// True when `text` contains `byte` anywhere (a plain byte search).
bool ContainsByte(std::string_view text, char byte);

// Appends `text` with every `byte` that starts a character removed.
// `byte` must be ASCII.
void AppendWithout(std::string& out, std::string_view text, char byte,
                   const LeadByteTable& lead);

// Appends `text` with every occurrence of `pattern` that starts a character
// replaced by `replacement`, left to right, without overlap; the inserted
// text is never searched again (ReplaceText with ReplaceAll). `pattern`
// must be non-empty ASCII.
void AppendReplaced(std::string& out, std::string_view text, std::string_view pattern,
                    std::string_view replacement, const LeadByteTable& lead);

// Resolves the escapes of a quoted registry string (its quotes already
// removed): two backslashes become one, then a backslash before a double
// quote is dropped. `scratch` is working space. The result replaces `out`.
void UnescapeRegString(std::string_view text, std::string& out, std::string& scratch,
                       const LeadByteTable& lead);

// Appends `text` with every double quote doubled (byte by byte), for names
// and key paths written between double quotes.
void AppendDoubledQuotes(std::string& out, std::string_view text);

// Appends the bytes that a continuation line of a binary value adds to
// the byte list: `trimmed` (the line without its leading and trailing
// blanks) with A-Z lower-cased, then every backslash and then every blank
// removed, each removal by the character-boundary rule.
void AppendBinaryContinuation(std::string& out, std::string_view trimmed,
                              const LeadByteTable& lead);

// When `list` is a plain comma list (IsPlainCommaList), appends it with
// `lineBreak` after every `perLine`-th comma, so that each output line
// holds `perLine` items, sets `items` to the number of items (a non-empty
// list has one more than it has commas; the empty list has none) and
// answers true. Otherwise leaves `out` as it was and answers false.
bool AppendWrappedPlainList(std::string& out, std::string_view list, std::size_t perLine,
                            std::string_view lineBreak, std::size_t& items);

// The items of a comma-separated text, one at a time, exactly as
// TStringList::SplitCommaList cuts them (blanks 0x01..0x20 and commas
// separate items, a comma that ends the text adds one empty item, '"'
// quotes an item in which "" stands for one '"', a quoted item without its
// closing quote is the rest less its last byte, the text ends at its first
// NUL), without building a list: a byte list of millions of items costs no
// more memory than its text.
class CommaItemReader {
 public:
  // `text` must outlive the reader.
  CommaItemReader(std::string_view text, const LeadByteTable& lead);
  // Sets `item` to the next item (valid until the next call) and answers
  // true; false after the last one.
  bool Next(std::string_view& item);

 private:
  void SkipBlanks();

  std::string_view text_;
  const LeadByteTable& lead_;
  std::size_t pos_ = 0;
  bool trailingEmpty_ = false;  // a final comma owes one empty item
  std::string quoted_;          // the current quoted item, unescaped
};

// Lower-cases A-Z in place (LowerAscii).
void LowerAsciiInPlace(std::string& text);

// The value of a byte-list item read as ParseInt("0x" + item, 0) does, as a
// 32-bit pattern: one or more hexadecimal digits whose value fits in 32
// bits; anything else (the empty item included) is 0.
std::uint32_t HexItemValue(std::string_view item);

// True when SplitCommaList of `text` is a plain split at every comma: no
// byte at or below 0x20, no double quote and no byte at or above 0x80.
bool IsPlainCommaList(std::string_view text);

}  // namespace tovrix::regfile

#endif  // TOVRIX_REGFILE_LINE_TEXT_H_
