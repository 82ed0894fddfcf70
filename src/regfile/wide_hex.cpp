#include "regfile/wide_hex.h"

#include <cstdint>
#include <cstring>

#include "platform/codepage.h"
#include "regfile/line_text.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// Appends `text` with its double quotes doubled, by the rule of ReplaceText
// (the search ends at the first NUL byte, so quotes after one stay single).
void AppendQuotesDoubled(std::string& out, std::string_view text) {
  if (std::memchr(text.data(), '"', text.size()) == nullptr) {
    out.append(text);
    return;
  }
  out.append(ReplaceText(text, "\"", "\"\"", ReplaceAll));
}

// Walks the code units of the byte list: calls `emit(sum)` for each pair
// of items, where sum = second * 256 + first in 32-bit arithmetic. An odd
// last item is ignored.
template <typename Emit>
void ForEachUnit(std::string_view hexText, Emit&& emit) {
  // SplitCommaList ends at the first NUL byte, so nothing after it counts.
  const std::size_t nul = hexText.find('\0');
  if (nul != std::string_view::npos) hexText = hexText.substr(0, nul);
  const auto& lead = regfile::LeadByteTable::System();
  std::string compact;
  compact.reserve(hexText.size());
  regfile::AppendWithout(compact, hexText, ' ', lead);

  bool have_first = false;
  std::uint32_t first = 0;
  auto take = [&](std::string_view item) {
    const std::uint32_t value = regfile::HexItemValue(item);
    if (have_first) emit(value * 256u + first);
    first = value;
    have_first = !have_first;
  };
  if (regfile::IsPlainCommaList(compact)) {
    // Items are what lies between the commas; read one after the other.
    if (compact.empty()) return;
    const std::string_view list(compact);
    std::size_t start = 0;
    for (;;) {
      const std::size_t comma = list.find(',', start);
      if (comma == std::string_view::npos) {
        take(list.substr(start));
        break;
      }
      take(list.substr(start, comma - start));
      start = comma + 1;
    }
  } else {
    regfile::CommaItemReader reader(compact, lead);
    std::string_view item;
    while (reader.Next(item)) take(item);
  }
}

}  // namespace

std::string DecodeWideHex(std::string_view hexText, int type) {
  std::string result;
  if (type == 2) {
    std::u16string units;
    ForEachUnit(hexText, [&](std::uint32_t sum) {
      units.push_back(static_cast<char16_t>(sum & 0xFFFFu));
    });
    std::string text;
    platform::AppendWideAsAnsi(units.data(), units.size(), text);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    AppendQuotesDoubled(result, text);
  } else if (type == 7) {
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
        AppendQuotesDoubled(result, pending);
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
