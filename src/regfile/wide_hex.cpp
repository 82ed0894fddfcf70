#include "regfile/wide_hex.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "regfile/line_text.h"
#include "registry/registry.h"
#include "text/comma_list.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// Reads a list in the form exports write (two hexadecimal digits an item,
// one comma between items, nothing else) into `units`, a unit for each
// pair of items, low byte first; an odd last item is checked but not read.
// False, with `units` unspecified, for any other list.
bool ReadPlainPairs(std::string_view text, std::u16string& units) {
  if (!IsTwoByteItemList(text)) return false;
  const std::size_t items = (text.size() + 1) / 3;
  units.resize(items / 2);
  char16_t* unit = units.data();
  int digits = 0;  // negative once a byte is no digit
  std::size_t i = 0;
  for (; i + 5 <= text.size(); i += 6) {
    const int a = HexDigitValue(text[i]), b = HexDigitValue(text[i + 1]);
    const int c = HexDigitValue(text[i + 3]), d = HexDigitValue(text[i + 4]);
    digits |= a | b | c | d;
    *unit++ = static_cast<char16_t>((c * 16 + d) * 256 + a * 16 + b);
  }
  if (i < text.size()) digits |= HexDigitValue(text[i]) | HexDigitValue(text[i + 1]);
  return digits >= 0;
}

// Reads any other list: calls `emit(sum)` for each pair of items, where
// sum = second * 256 + first in 32-bit arithmetic. An odd last item is
// ignored. Blanks are removed before the list is cut.
template <typename Emit>
void ForEachUnit(std::string_view text, Emit&& emit) {
  std::string compact;
  compact.reserve(text.size());
  AppendWithout(compact, text, ' ');
  bool haveFirst = false;
  std::uint32_t first = 0;
  CommaItemReader reader(compact);
  std::string_view item;
  while (reader.Next(item)) {
    const std::uint32_t value = regfile::HexItemValue(item);
    if (haveFirst) emit(value * 256u + first);
    first = value;
    haveFirst = !haveFirst;
  }
}

// The strings of a hex(7) value, as they end: every string but the last is
// written, so each finished one waits in `text` until the next one ends;
// the last never leaves it. (No list of all strings: a long run of empty
// strings costs nothing.)
class MultiStrings {
 public:
  MultiStrings(std::string& out, std::string& text) : out_(out), text_(text), start_(out.size()) {}

  // A string of `count` units, ended by a terminator.
  void Ended(const char16_t* units, std::size_t count) {
    if (havePending_) {
      if (out_.size() > start_) out_.push_back(',');
      out_.push_back('"');
      AppendDoubledQuotes(out_, text_);
      out_.push_back('"');
    }
    text_.clear();
    platform::AppendWideAsAnsi(units, count, text_);
    havePending_ = true;
  }

 private:
  std::string& out_;
  std::string& text_;
  const std::size_t start_;
  bool havePending_ = false;
};

}  // namespace

std::string DecodeWideHex(std::string_view hexText, int type) {
  std::string result;
  AppendDecodedWideHex(hexText, type, result);
  return result;
}

void AppendDecodedWideHex(std::string_view hexText, int type, std::string& out) {
  if (type != kRegExpandSz && type != kRegMultiSz) return;
  // Working memory stays with the thread, from value to value.
  thread_local std::u16string units;
  thread_local std::string text;
  units.clear();
  text.clear();
  const std::string_view list = UpToNul(hexText);
  const bool plain = ReadPlainPairs(list, units);
  if (type == kRegExpandSz) {
    if (!plain) {
      units.clear();
      ForEachUnit(
          list, [&](std::uint32_t sum) { units.push_back(static_cast<char16_t>(sum & 0xFFFFu)); });
    }
    platform::AppendWideAsAnsi(units.data(), units.size(), text);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    AppendDoubledQuotes(out, text);
  } else if (plain) {
    // A NUL unit ends a string; units after the last one are not written.
    MultiStrings strings(out, text);
    const char16_t* const end = units.data() + units.size();
    for (const char16_t* from = units.data();;) {
      const char16_t* nul = std::find(from, end, u'\0');
      if (nul == end) break;
      strings.Ended(from, static_cast<std::size_t>(nul - from));
      from = nul + 1;
    }
  } else {
    // Only a sum of 0 ends a string: a larger one whose low 16 bits are 0
    // is a NUL unit within it.
    MultiStrings strings(out, text);
    units.clear();
    ForEachUnit(list, [&](std::uint32_t sum) {
      if (sum != 0) {
        units.push_back(static_cast<char16_t>(sum & 0xFFFFu));
        return;
      }
      strings.Ended(units.data(), units.size());
      units.clear();
    });
  }
  if (units.capacity() > (std::size_t{1} << 20)) std::u16string().swap(units);
  if (text.capacity() > (std::size_t{1} << 20)) std::string().swap(text);
}

}  // namespace tovrix
