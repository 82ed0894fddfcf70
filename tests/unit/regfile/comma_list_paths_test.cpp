// The converter splits byte lists on a fast path when they are plain comma
// lists and through TStringList::SplitCommaList otherwise. These tests hold
// both paths against a reference built step by step from the text
// operations (SplitCommaList, ReplaceText, ParseInt, ...) on random lists
// mixing the bytes that matter: digits, commas, blanks, tabs, quotes and
// 8-bit bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "inf/output.h"
#include "platform/codepage.h"
#include "regfile/converter.h"
#include "regfile/line_text.h"
#include "regfile/wide_hex.h"
#include "text/console.h"
#include "text/internal.h"
#include "text/lead_bytes.h"
#include "text/string_list.h"
#include "text/text_ops.h"

namespace tovrix {
namespace {

std::vector<std::string> SplitItems(std::string_view text) {
  TStringList list;
  list.SplitCommaList(text);
  std::vector<std::string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Item(i));
  return items;
}

// A random text of up to `maxLength` bytes drawn from `alphabet`.
std::string RandomText(std::mt19937& rng, std::string_view alphabet, int maxLength) {
  std::uniform_int_distribution<int> length(0, maxLength);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::string text;
  for (int n = length(rng); n > 0; --n) text.push_back(alphabet[pick(rng)]);
  return text;
}

std::vector<std::string> ReadItems(std::string_view text, const regfile::LeadByteTable& lead) {
  regfile::CommaItemReader reader(text, lead);
  std::vector<std::string> items;
  std::string_view item;
  while (reader.Next(item)) items.emplace_back(item);
  return items;
}

TEST(CommaListPathsTest, ReaderCutsAsSplitCommaListDoes) {
  // The documented table first.
  EXPECT_EQ(ReadItems("41,,42", regfile::LeadByteTable()),
            (std::vector<std::string>{"41", "", "42"}));
  EXPECT_EQ(ReadItems("41, ", regfile::LeadByteTable()), (std::vector<std::string>{"41"}));
  EXPECT_EQ(ReadItems("\"a\"\"b\",c", regfile::LeadByteTable()),
            (std::vector<std::string>{"a\"b", "c"}));
  EXPECT_EQ(ReadItems("\"ab\"cd", regfile::LeadByteTable()),
            (std::vector<std::string>{"ab", "cd"}));

  // Random texts against the string list, in the code page in force, and
  // against the text layer's splitter with a double-byte table, where a
  // lead byte takes the comma, blank or quote after it into its character.
  const regfile::LeadByteTable dbcs = regfile::LeadByteTable::FromRanges({{0x81, 0x9F}});
  const auto dbcsText = text_internal::LeadBytes::FromRanges({{0x81, 0x9F}});
  std::mt19937 rng(31337);
  for (int round = 0; round < 20000; ++round) {
    std::string text = RandomText(rng, std::string_view("0a,,, \t\"\"\x81\xe9\0", 12), 40);
    EXPECT_EQ(ReadItems(text, regfile::LeadByteTable::System()), SplitItems(text))
        << "[" << text << "]";
    TStringList list;
    text_internal::AddCommaItems(text, dbcsText, list);
    std::vector<std::string> expected;
    for (int i = 0; i < list.Count(); ++i) expected.push_back(list.Item(i));
    EXPECT_EQ(ReadItems(text, dbcs), expected) << "[" << text << "]";
  }
}

// The 25-to-a-line byte list of a finished multi-line binary value, by the
// item loop: each item and a comma, a break after every 25th item that is
// not the last, the final comma removed.
std::string WrappedReference(const std::vector<std::string>& items) {
  std::string data = "\\\r\n  ";
  for (std::size_t i = 0; i < items.size(); ++i) {
    data += items[i] + ",";
    if (i % 25 == 24 && i + 1 < items.size()) data += "\\\r\n  ";
  }
  if (!items.empty()) data.pop_back();
  return data;
}

TEST(CommaListPathsTest, PlainListsWrapAsTheItemLoopDoes) {
  std::mt19937 rng(20240611);
  int plain = 0;
  for (int round = 0; round < 20000; ++round) {
    // Mostly commas and digits, so that many lists are plain and long
    // enough to wrap; now and then a byte that needs SplitCommaList.
    const std::string text =
        RandomText(rng, round % 3 == 0 ? "0a,,,,,, \t\"\xe9" : "0a,,,,,,,,,,", 120);
    std::string out = "<";
    std::size_t count = 12345;
    const bool taken = regfile::AppendWrappedPlainList(out, text, 25, "\\\r\n  ", count);
    EXPECT_EQ(taken, regfile::IsPlainCommaList(text)) << text;
    if (!taken) {
      EXPECT_EQ(out, "<") << text;
      continue;
    }
    ++plain;
    const std::vector<std::string> items = SplitItems(text);
    ASSERT_EQ(count, items.size()) << text;
    // AppendWrappedPlainList writes the list without the leading break.
    EXPECT_EQ("<\\\r\n  " + out.substr(1), "<" + WrappedReference(items)) << text;
  }
  EXPECT_GT(plain, 10000);
}

// DecodeWideHex step by step: blanks out (ReplaceText), SplitCommaList,
// pairs read with ParseInt("0x" + item, 0), sums tested whole for the
// terminator, the conversion, one final NUL dropped, quotes doubled.
std::string DecodeReference(std::string_view hexText, int type) {
  const std::vector<std::string> items = SplitItems(ReplaceText(hexText, " ", "", ReplaceAll));
  std::string result;
  std::u16string units;
  std::vector<std::string> strings;
  for (std::size_t k = 0; k + 1 < items.size(); k += 2) {
    const auto first = static_cast<std::uint32_t>(ParseInt("0x" + items[k], 0));
    const auto second = static_cast<std::uint32_t>(ParseInt("0x" + items[k + 1], 0));
    const std::uint32_t sum = second * 256u + first;
    if (type == 7 && sum == 0) {
      strings.push_back(platform::WideToAnsi(units));
      units.clear();
    } else {
      units.push_back(static_cast<char16_t>(sum & 0xFFFF));
    }
  }
  if (type == 2) {
    std::string text = platform::WideToAnsi(units);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return ReplaceText(text, "\"", "\"\"", ReplaceAll);
  }
  for (std::size_t i = 0; i + 1 < strings.size(); ++i) {
    if (i > 0) result += ",";
    result += "\"" + ReplaceText(strings[i], "\"", "\"\"", ReplaceAll) + "\"";
  }
  return result;
}

TEST(CommaListPathsTest, WideDecodingMatchesTheStepByStepReference) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20000; ++round) {
    const std::string text = RandomText(
        rng, round % 2 == 0 ? "00000122a,,,,,  \t\"\xe9g" : "0000000000000122a,,,,,,,,", 80);
    for (int type : {2, 7}) {
      EXPECT_EQ(DecodeWideHex(text, type), DecodeReference(text, type))
          << type << " [" << text << "]";
    }
  }
}

TEST(CommaListPathsTest, MultiLineBinaryValuesMatchTheReference) {
  std::mt19937 rng(99);
  ConversionSettings settings;
  settings.replaceMode = 0;
  for (int round = 0; round < 5000; ++round) {
    // The first line's byte list ends in a backslash; the last line holds
    // none (nor "=", "[" or ";", which would make it another kind of line).
    const std::string first = RandomText(rng, "0aB,,,, \t\"\xe9\\", 60) + "\\";
    std::string last;
    while (TrimBlanks(last).empty()) last = RandomText(rng, "0aB,,,, \t\"\xe9", 60);
    OutputLists lists;
    CapturingConsole console;
    ConvertRegText("[HKEY_CURRENT_USER\\Software\\Test]\r\n\"b\"=hex:" + first + "\r\n" + last +
                       "\r\n",
                   settings, lists, console);

    // The value line: LowerAscii, blanks removed, trimmed, backslashes
    // removed; the continuation line: LowerAscii, trimmed, backslashes and
    // then blanks removed.
    std::string hexText(TrimBlanks(ReplaceText(LowerAscii(first), " ", "", ReplaceAll)));
    hexText = ReplaceText(hexText, "\\", "", ReplaceAll);
    hexText += ReplaceText(
        ReplaceText(std::string(TrimBlanks(LowerAscii(last))), "\\", "", ReplaceAll), " ", "",
        ReplaceAll);
    const std::vector<std::string> items = SplitItems(hexText);
    std::string line = "0x3,\"Software\\Test\",\"b\",";
    if (items.empty()) {
      line.pop_back();
    } else {
      line += WrappedReference(items);
    }
    ASSERT_EQ(lists.defaultAddReg.Count(), 2) << first << " / " << last;
    EXPECT_EQ(lists.defaultAddReg.Item(1), line) << first << " / " << last;
  }
}

}  // namespace
}  // namespace tovrix
