// Character stepping in the ANSI code page.
//
// A LeadBytes table says which byte values begin a double-byte character.
// Stepping follows CharNextA: a lead byte followed by a byte that is not NUL
// (and not the end of the text) starts a two-byte character; every other
// byte, a lead byte at the very end included, is a character of its own.
// In a single-byte code page the table is empty and `Any()` is false, which
// lets callers take plain byte paths.
//
// System() is the table of the code page in force; it is built once per
// code page (the platform's code-page generation is checked on each call,
// so a change of code page is noticed). Tests build their own tables.
#ifndef TOVRIX_TEXT_LEAD_BYTES_H_
#define TOVRIX_TEXT_LEAD_BYTES_H_

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace tovrix::text_internal {

class LeadBytes {
 public:
  // Constant-initialized, so that a thread's own table costs no
  // initialization check on each use.
  constexpr LeadBytes() = default;

  // The table of the system's ANSI code page.
  static const LeadBytes& System();
  // A table holding the given inclusive byte ranges.
  static LeadBytes FromRanges(
      std::initializer_list<std::pair<unsigned char, unsigned char>> ranges);

  bool Any() const { return any_; }
  bool IsLead(unsigned char byte) const { return lead_[byte]; }

  // Length (1 or 2) of the character that starts at text[i]; i < size.
  std::size_t CharLength(std::string_view text, std::size_t i) const {
    if (lead_[static_cast<unsigned char>(text[i])] && i + 1 < text.size() && text[i + 1] != '\0') {
      return 2;
    }
    return 1;
  }

 private:
  std::array<bool, 256> lead_{};
  bool any_ = false;
};

}  // namespace tovrix::text_internal

#endif  // TOVRIX_TEXT_LEAD_BYTES_H_
