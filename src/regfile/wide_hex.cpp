#include "regfile/wide_hex.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "regfile/line_text.h"
#include "registry/registry.h"
#include "text/comma_list.h"
#include "text/line_rules.h"

namespace tovrix {

namespace {

// The value of a hexadecimal digit; -1 for any other byte.
constexpr std::array<signed char, 256> kDigitValues = [] {
  std::array<signed char, 256> values{};
  for (int b = 0; b < 256; ++b) {
    values[b] = static_cast<signed char>(b >= '0' && b <= '9'   ? b - '0'
                                         : b >= 'a' && b <= 'f' ? b - 'a' + 10
                                         : b >= 'A' && b <= 'F' ? b - 'A' + 10
                                                                : -1);
  }
  return values;
}();

int DigitValue(char c) { return kDigitValues[static_cast<unsigned char>(c)]; }

// Whether the list is in the form exports write: two hexadecimal digits an
// item, one comma between items, nothing else. Its items are then read
// three bytes at a time, to the values the general reading gives.
bool IsPlainPairList(std::string_view text) {
  if (!IsTwoByteItemList(text)) return false;
  for (std::size_t i = 0; i < text.size(); i += 3) {
    if ((DigitValue(text[i]) | DigitValue(text[i + 1])) < 0) return false;
  }
  return true;
}

// Walks the code units of the byte list: calls `emit(sum)` for each pair
// of items, where sum = second * 256 + first in 32-bit arithmetic. An odd
// last item is ignored. Blanks are removed before the list is cut.
template <typename Emit>
void ForEachUnit(std::string_view hexText, Emit&& emit) {
  const std::string_view text = UpToNul(hexText);
  if (IsPlainPairList(text)) {
    for (std::size_t i = 0; i + 5 <= text.size(); i += 6) {
      const auto first =
          static_cast<std::uint32_t>(DigitValue(text[i]) * 16 + DigitValue(text[i + 1]));
      const auto second =
          static_cast<std::uint32_t>(DigitValue(text[i + 3]) * 16 + DigitValue(text[i + 4]));
      emit(second * 256u + first);
    }
    return;
  }
  std::string compact;
  compact.reserve(hexText.size());
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

}  // namespace

std::string DecodeWideHex(std::string_view hexText, int type) {
  std::string result;
  AppendDecodedWideHex(hexText, type, result);
  return result;
}

void AppendDecodedWideHex(std::string_view hexText, int type, std::string& out) {
  // Working memory stays with the thread, from value to value.
  thread_local std::u16string units;
  thread_local std::string text;
  units.clear();
  text.clear();
  if (type == kRegExpandSz) {
    ForEachUnit(hexText,
                [&](std::uint32_t sum) { units.push_back(static_cast<char16_t>(sum & 0xFFFFu)); });
    platform::AppendWideAsAnsi(units.data(), units.size(), text);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    AppendDoubledQuotes(out, text);
  } else if (type == kRegMultiSz) {
    // Every string but the last is written, so each finished string waits
    // in `text` until the next one ends; the last never leaves it. (No
    // list of all strings: a long run of empty strings costs nothing.)
    const std::size_t start = out.size();
    bool havePending = false;
    ForEachUnit(hexText, [&](std::uint32_t sum) {
      if (sum != 0) {
        units.push_back(static_cast<char16_t>(sum & 0xFFFFu));
        return;
      }
      if (havePending) {
        if (out.size() > start) out.push_back(',');
        out.push_back('"');
        AppendDoubledQuotes(out, text);
        out.push_back('"');
      }
      text.clear();
      platform::AppendWideAsAnsi(units.data(), units.size(), text);
      havePending = true;
      units.clear();
    });
  }
  if (units.capacity() > (std::size_t{1} << 20)) std::u16string().swap(units);
  if (text.capacity() > (std::size_t{1} << 20)) std::string().swap(text);
}

}  // namespace tovrix
