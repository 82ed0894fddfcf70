// Comma lists: the items of a comma-separated text, one at a time.
//
// Blanks are the bytes 0x01..0x20. Items are separated by a comma or by a
// run of blanks; a comma that is the last character of the text adds one
// empty item after the one before it. An item that starts with '"' is
// quoted: it runs to the next '"' that is not doubled, and "" inside it
// stands for one '"'; a quoted item without its closing quote takes the
// rest of the text less its last byte. Everything from the first NUL byte
// on is ignored. Stepping is by characters of the code page, so the second
// byte of a double-byte character never ends an item.
//
// This is how the byte lists of .reg values are read, without building a
// list: a byte list of millions of items costs no more memory than its text.
#ifndef TOVRIX_TEXT_COMMA_LIST_H_
#define TOVRIX_TEXT_COMMA_LIST_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "text/lead_bytes.h"

namespace tovrix {

// True when every byte of `text` is 0x21..0x7E and none is a double quote:
// then its items are exactly the pieces between its commas (none for the
// empty text), whatever the code page.
bool IsPlainCommaList(std::string_view text);

// True when `text` is items of two bytes, neither a comma, joined by single
// commas: a comma at every third byte from the third on, and nowhere else
// (the form exports write byte lists in).
bool IsTwoByteItemList(std::string_view text);

class CommaItemReader {
 public:
  // `text` must outlive the reader. `lead` is the code page's lead bytes
  // (another table for tests only).
  explicit CommaItemReader(std::string_view text, const text_internal::LeadBytes& lead =
                                                      text_internal::LeadBytes::System());
  // Sets `item` to the next item (valid until the next call) and answers
  // true; false after the last one.
  bool Next(std::string_view& item);

 private:
  void SkipBlanks();
  std::string_view ReadQuoted();  // the item whose opening quote is at pos_
  std::string_view ReadPlain();   // the unquoted item at pos_

  std::string_view text_;
  const text_internal::LeadBytes& lead_;
  std::size_t pos_ = 0;
  bool trailingEmpty_ = false;  // a final comma owes one empty item
  std::string quoted_;          // the current quoted item, unescaped
};

}  // namespace tovrix

#endif  // TOVRIX_TEXT_COMMA_LIST_H_
