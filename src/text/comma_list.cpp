// Cutting a comma-separated text into list items.
//
// Blanks are the bytes 0x01..0x20. Items are separated by a comma or by a
// run of blanks; a comma that is the last character of the text adds one
// empty item after the one before it. An item that starts with '"' is
// quoted: it runs to the next '"' that is not doubled, and "" inside it
// stands for one '"'. A quoted item without its closing quote takes the rest
// of the text less its last byte. Everything from the first NUL byte on is
// ignored. Stepping is by characters of the code page, so the second byte
// of a double-byte character never ends an item.

#include <string>
#include <string_view>

#include "text/internal.h"
#include "text/string_list.h"

namespace tovrix::text_internal {

namespace {

bool IsBlank(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

// Reads the quoted item whose opening quote is at text[pos]; leaves `pos`
// after the closing quote, or at the end of the text when there is none.
std::string ReadQuoted(std::string_view text, const LeadBytes& lead, std::size_t& pos) {
  std::string item;
  std::size_t i = pos + 1;  // after the opening quote
  const std::size_t n = text.size();
  while (i < n) {
    if (text[i] == '"') {
      if (i + 1 < n && text[i + 1] == '"') {
        item.push_back('"');  // a doubled quote stands for one
        i += 2;
        continue;
      }
      pos = i + 1;  // closing quote
      return item;
    }
    const std::size_t len = lead.CharLength(text, i);
    item.append(text, i, len);
    i += len;
  }
  // No closing quote: the rest of the text, less its last byte.
  if (!item.empty()) item.pop_back();
  pos = n;
  return item;
}

}  // namespace

void AddCommaItems(std::string_view text, const LeadBytes& lead, TStringList& out) {
  // The text ends at its first NUL byte.
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  const std::size_t n = text.size();

  // The reading position; every pass of the loop moves it forward by at
  // least one byte (an item's bytes, a quote, or a comma).
  std::size_t pos = 0;
  while (pos < n && IsBlank(text[pos])) ++pos;
  while (pos < n) {
    if (text[pos] == '"') {
      out.Add(ReadQuoted(text, lead, pos));
    } else {
      const std::size_t start = pos;
      while (pos < n && static_cast<unsigned char>(text[pos]) > 0x20 && text[pos] != ',') {
        pos += lead.CharLength(text, pos);
      }
      out.Add(text.substr(start, pos - start));
    }
    while (pos < n && IsBlank(text[pos])) ++pos;
    if (pos < n && text[pos] == ',') {
      if (pos + 1 == n) out.Add(std::string_view());  // a comma that ends the text
      ++pos;
      while (pos < n && IsBlank(text[pos])) ++pos;
    }
  }
}

}  // namespace tovrix::text_internal
