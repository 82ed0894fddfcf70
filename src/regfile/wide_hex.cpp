#include "regfile/wide_hex.h"

#include <cstdint>

#include "platform/codepage.h"
#include "regfile/line_text.h"
#include "registry/registry.h"
#include "text/comma_list.h"
#include "text/line_rules.h"

namespace tovrix {

namespace {

// Walks the code units of the byte list: calls `emit(sum)` for each pair
// of items, where sum = second * 256 + first in 32-bit arithmetic. An odd
// last item is ignored. Blanks are removed before the list is cut.
template <typename Emit>
void ForEachUnit(std::string_view hexText, Emit&& emit) {
  std::string compact;
  compact.reserve(hexText.size());
  AppendWithout(compact, UpToNul(hexText), ' ');
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

}  // namespace

std::string DecodeWideHex(std::string_view hexText, int type) {
  std::string result;
  if (type == kRegExpandSz) {
    std::u16string units;
    ForEachUnit(hexText,
                [&](std::uint32_t sum) { units.push_back(static_cast<char16_t>(sum & 0xFFFFu)); });
    std::string text;
    platform::AppendWideAsAnsi(units.data(), units.size(), text);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    AppendDoubledQuotes(result, text);
  } else if (type == kRegMultiSz) {
    // Every string but the last is written, so each finished string waits
    // in `pending` until the next one ends; the last never leaves it. (No
    // list of all strings: a long run of empty strings costs nothing.)
    std::u16string current;
    std::string pending;
    bool havePending = false;
    ForEachUnit(hexText, [&](std::uint32_t sum) {
      if (sum != 0) {
        current.push_back(static_cast<char16_t>(sum & 0xFFFFu));
        return;
      }
      if (havePending) {
        if (!result.empty()) result.push_back(',');
        result.push_back('"');
        AppendDoubledQuotes(result, pending);
        result.push_back('"');
      }
      pending.clear();
      platform::AppendWideAsAnsi(current.data(), current.size(), pending);
      havePending = true;
      current.clear();
    });
  }
  return result;
}

}  // namespace tovrix
