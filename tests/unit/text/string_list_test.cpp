// TStringList: items, line rules, comma lists, sorting, name/value pairs.

#include "text/string_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "text/errors.h"
#include "text/internal.h"

namespace tovrix {
namespace {

using text_internal::LeadBytes;

std::vector<std::string> Items(const TStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Item(i));
  return out;
}

using Strings = std::vector<std::string>;

TEST(StringListTest, ItemsKeepOrderDuplicatesAndLineBreaks) {
  TStringList list;
  EXPECT_EQ(list.Add("x"), 0);
  EXPECT_EQ(list.Add("a\r\nb"), 1);  // one item, whatever it holds
  EXPECT_EQ(list.Add("x"), 2);
  EXPECT_EQ(list.Add(""), 3);
  EXPECT_EQ(list.Add(std::string_view("n\0l", 3)), 4);
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(Items(list), (Strings{"x", "a\r\nb", "x", "", std::string("n\0l", 3)}));

  list.SetItem(0, "longer than before");
  list.SetItem(2, "y");
  EXPECT_EQ(list.Item(0), "longer than before");
  EXPECT_EQ(list.Item(2), "y");
  EXPECT_EQ(list.Item(1), "a\r\nb");

  // Texts taken from the list itself stay intact while the list grows.
  for (int i = 0; i < 200; ++i) list.Add(list.View(0));
  EXPECT_EQ(list.Item(list.Count() - 1), "longer than before");
  list.SetItem(1, list.View(1).substr(3));
  EXPECT_EQ(list.Item(1), "b");
  list.SetItem(3, list.View(0));
  EXPECT_EQ(list.Item(3), "longer than before");

  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.JoinText(), "");
}

TEST(StringListTest, ManyReplacementsKeepEveryItem) {
  // Growing replacements leave dead bytes behind; the list reclaims them
  // without disturbing any item.
  TStringList list;
  for (int i = 0; i < 100; ++i) list.Add("item" + std::to_string(i));
  for (int round = 0; round < 50; ++round) {
    for (int i = 0; i < 100; ++i) {
      list.SetItem(i, "item" + std::to_string(i) + std::string(static_cast<std::size_t>(round * 40), 'z'));
    }
  }
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(list.Item(i), "item" + std::to_string(i) + std::string(49 * 40, 'z'));
  }
}

TEST(StringListTest, BadIndexRaisesListError) {
  TStringList list;
  list.Add("a");
  for (int bad : {-1, 1, 100}) {
    try {
      list.Item(bad);
      FAIL() << "no failure for index " << bad;
    } catch (const EStringListError& e) {
      EXPECT_STREQ(e.ClassName(), "EStringListError");
      EXPECT_EQ(std::string(e.what()),
                "リストのインデックスが範囲を超えています (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(list.SetItem(1, "x"), EStringListError);
  EXPECT_THROW(list.View(-1), EStringListError);
  EXPECT_THROW(list.NameAt(5), EStringListError);
}

TEST(StringListTest, JoinTextEndsEveryItemWithCrLf) {
  TStringList list;
  EXPECT_EQ(list.JoinText(), "");
  EXPECT_EQ(list.JoinedLength(), 0u);
  list.Add("a");
  list.Add("");
  EXPECT_EQ(list.JoinText(), "a\r\n\r\n");
  EXPECT_EQ(list.JoinedLength(), 5u);

  // A section added whole to another list is followed by one empty line.
  TStringList section;
  section.Add("x");
  section.Add("y");
  TStringList document;
  document.Add("[Software.AddReg]");
  document.Add(section.JoinText());
  EXPECT_EQ(document.JoinText(), "[Software.AddReg]\r\nx\r\ny\r\n\r\n");

  std::string out = "head:";
  document.AppendJoinedTo(out);
  EXPECT_EQ(out, "head:[Software.AddReg]\r\nx\r\ny\r\n\r\n");
}

TEST(StringListTest, SplitTextLineRules) {
  struct Case {
    std::string text;
    Strings items;
  };
  const Case cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n", {""}},
      {std::string("a\0b\r\nc", 6), {"a"}},
      {std::string("\0abc", 4), {}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"last", {"last"}},
      {"x\r", {"x"}},
      {"\n\n", {"", ""}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.Add("old");
    list.SplitText(c.text);
    EXPECT_EQ(Items(list), c.items) << "text: " << c.text;

    TStringList adopted;
    adopted.AdoptLines(std::string(c.text));
    EXPECT_EQ(Items(adopted), c.items) << "adopted text: " << c.text;
  }
}

TEST(StringListTest, SplitAndJoinRoundTrip) {
  TStringList one;
  one.Add("a\nb");
  one.SplitText(one.JoinText());
  EXPECT_EQ(Items(one), (Strings{"a", "b"}));
  EXPECT_EQ(one.JoinText(), "a\r\nb\r\n");

  // Two joined lists split back into the items of both, in order.
  TStringList first;
  first.Add("1");
  first.Add("");
  TStringList second;
  second.Add("2");
  TStringList both;
  both.SplitText(first.JoinText() + second.JoinText());
  EXPECT_EQ(Items(both), (Strings{"1", "", "2"}));

  both.AppendLines("3\r\n4");
  EXPECT_EQ(Items(both), (Strings{"1", "", "2", "3", "4"}));

  // Splitting a piece of the list itself.
  TStringList self;
  self.Add("p\r\nq");
  self.SplitText(self.View(0));
  EXPECT_EQ(Items(self), (Strings{"p", "q"}));
  self.AppendLines(self.View(1));
  EXPECT_EQ(Items(self), (Strings{"p", "q", "q"}));
}

TEST(StringListTest, SplitCommaList) {
  struct Case {
    std::string text;
    Strings items;
  };
  const Case cases[] = {
      {"41,00,42", {"41", "00", "42"}},
      {"41 00", {"41", "00"}},
      {" 41 , 42 ", {"41", "42"}},
      {"41,,42", {"41", "", "42"}},
      {",41", {"", "41"}},
      {"41,", {"41", ""}},
      {"41, ", {"41"}},
      {",", {"", ""}},
      {"", {}},
      {" \t\r\n", {}},
      {"\"a\"\"b\",c", {"a\"b", "c"}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"\"\",x", {"", "x"}},
      {"\"a b\" c", {"a b", "c"}},
      {"\xE9\xFF,a", {"\xE9\xFF", "a"}},
      {"a\x01" "b", {"a", "b"}},
      {std::string("41,42\0,43", 9), {"41", "42"}},
      {std::string("41,\0", 4), {"41", ""}},
      // A quoted item without its closing quote: the rest less its last byte.
      {"x,\"abc", {"x", "ab"}},
      {"\"a\"\"b", {"a\""}},
      {"\"a\"\"", {"a"}},
      {"\"", {""}},
      {"\"a", {""}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.Add("old");
    list.SplitCommaList(c.text);
    EXPECT_EQ(Items(list), c.items) << "text: " << c.text;
  }
}

TEST(StringListTest, SplitCommaListStepsOverDoubleByteCharacters) {
  const LeadBytes sjis = LeadBytes::FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
  struct Case {
    std::string text;
    Strings items;
  };
  const Case cases[] = {
      // The second byte of a double-byte character is never a comma or a
      // blank.
      {"\x81,a,b", {"\x81,a", "b"}},
      {"\x81 x y", {"\x81 x", "y"}},
      {"\"\x81\"\"", {"\x81\""}},  // a quote as second byte does not end it
      // A lead byte at the very end, or before a NUL, stands alone.
      {"ab\x81", {"ab\x81"}},
      {std::string("a\x81\0b", 4), {"a\x81"}},
      {"\"x\x81", {"x"}},
  };
  for (const Case& c : cases) {
    TStringList list;
    text_internal::AddCommaItems(c.text, sjis, list);
    EXPECT_EQ(Items(list), c.items) << "text: " << c.text;
  }
}

TEST(StringListTest, SortOrdersCaseInsensitivelyByTheGivenQuicksort) {
  TStringList list;
  list.Sort();  // empty: nothing happens
  list.Add("only");
  list.Sort();
  EXPECT_EQ(Items(list), (Strings{"only"}));

  // The quicksort exchanges the first and last items and stops.
  TStringList three;
  for (const char* s : {"b", "A", "a"}) three.Add(s);
  three.Sort();
  EXPECT_EQ(Items(three), (Strings{"a", "A", "b"}));

  // Items that compare equal keep no stable order: they come out in the
  // order the exchanges leave them.
  TStringList equal;
  for (const char* s : {"ab", "AB", "Ab"}) equal.Add(s);
  equal.Sort();
  EXPECT_EQ(Items(equal), (Strings{"Ab", "AB", "ab"}));

  TStringList two;
  two.Add("Zeta");
  two.Add("alpha");
  two.Sort();
  EXPECT_EQ(Items(two), (Strings{"alpha", "Zeta"}));
}

TEST(StringListTest, SortHandlesLargeAndAdverseInputs) {
  // Every item survives and neighbours are in order, for inputs that are
  // sorted, reversed, all equal, and shuffled.
  std::vector<Strings> inputs;
  Strings ascending;
  for (int i = 0; i < 3000; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "k%05d", i);
    ascending.push_back(buf);
  }
  inputs.push_back(ascending);
  inputs.emplace_back(ascending.rbegin(), ascending.rend());
  inputs.push_back(Strings(2000, "Same"));
  Strings shuffled = ascending;
  unsigned seed = 12345;
  for (std::size_t i = shuffled.size() - 1; i > 0; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(shuffled[i], shuffled[(seed >> 8) % (i + 1)]);
  }
  for (std::size_t i = 0; i < shuffled.size(); i += 3) shuffled[i][0] = 'K';  // mixed case
  inputs.push_back(shuffled);

  for (const Strings& input : inputs) {
    TStringList list;
    for (const std::string& s : input) list.Add(s);
    list.Sort();
    ASSERT_EQ(list.Count(), static_cast<int>(input.size()));
    for (int i = 1; i < list.Count(); ++i) {
      ASSERT_LE(platform::CompareLocale(list.View(i - 1), list.View(i), true), 0)
          << list.Item(i - 1) << " before " << list.Item(i);
    }
    Strings got = Items(list);
    Strings want = input;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
  }
}

TEST(StringListTest, NameAndValue) {
  TStringList list;
  list.Add("abc");
  list.Add("=x");
  list.Add("a=b=c");
  list.Add("key=");
  EXPECT_EQ(list.NameAt(0), "");
  EXPECT_EQ(list.ValueAt(0), "");
  EXPECT_EQ(list.NameAt(1), "");
  EXPECT_EQ(list.NameAt(2), "a");
  EXPECT_EQ(list.ValueAt(2), "b=c");
  EXPECT_EQ(list.NameAt(3), "key");
  EXPECT_EQ(list.ValueAt(3), "");

  // The second byte of a double-byte character is not a separator.
  const LeadBytes sjis = LeadBytes::FromRanges({{0x81, 0x9F}});
  EXPECT_EQ(text_internal::FindNameSeparator("\x81=a=b", sjis), 3u);
  EXPECT_EQ(text_internal::FindNameSeparator("\x81=", sjis), std::string_view::npos);
  EXPECT_EQ(text_internal::FindNameSeparator("a\x81", sjis), std::string_view::npos);
  EXPECT_EQ(text_internal::FindNameSeparator("\x81=", LeadBytes()), 1u);
}

}  // namespace
}  // namespace tovrix
