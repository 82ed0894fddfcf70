// TStringList: items, line rules, sorting.

#include "text/string_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "support/test_util.h"
#include "text/errors.h"
#include "text/line_splitter.h"

namespace tovrix {
namespace {

using Strings = std::vector<std::string>;

using testing::Items;
using testing::ListOf;

TEST(StringListTest, ItemsKeepOrderDuplicatesAndEveryByte) {
  TStringList list;
  EXPECT_EQ(list.Add("x"), 0);
  EXPECT_EQ(list.Add("a\r\nb"), 1);  // one item, whatever it holds
  EXPECT_EQ(list.Add("x"), 2);
  EXPECT_EQ(list.Add(""), 3);
  EXPECT_EQ(list.AddParts({"n", std::string_view("\0", 1), "l"}), 4);
  EXPECT_EQ(Items(list), (Strings{"x", "a\r\nb", "x", "", std::string("n\0l", 3)}));
  {
    // Pieces of every length up to well past the short copies, each piece
    // and item a different text.
    TStringList pieces;
    const std::string bytes = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (std::size_t n = 0; n <= 40; ++n) {
      const std::string_view a(bytes.data() + n % 7, n), b(bytes.data() + 20, 40 - n);
      pieces.AddParts({a, "|", b});
      EXPECT_EQ(pieces.Item(static_cast<int>(n)), std::string(a) + "|" + std::string(b)) << n;
    }
  }
  // Items taken from the list itself stay intact while it grows by blocks.
  for (int i = 0; i < 5000; ++i) list.Add(list.View(1));
  EXPECT_EQ(list.Item(5004), "a\r\nb");
  EXPECT_EQ(list.Item(2), "x");
  list.Clear();
  EXPECT_EQ(list.Count(), 0);

  for (int bad : {-1, 0, 100}) {
    try {
      list.Item(bad);
      FAIL() << "no failure for index " << bad;
    } catch (const EStringListError& e) {
      EXPECT_EQ(std::string(e.what()),
                "リストのインデックスが範囲を超えています (" + std::to_string(bad) + ")");
    }
  }
}

// Random access and reading in order agree however the items fall into
// blocks (empty items at a block's end included).
TEST(StringListTest, ViewsFindEveryItemInLargeLists) {
  TStringList list;
  Strings expected;
  for (int i = 0; i < 20000; ++i) {
    std::string item = i % 7 == 0 ? ""
                                  : std::string(static_cast<std::size_t>(i % 300),
                                                static_cast<char>('a' + i % 26));
    expected.push_back(item);
    list.Add(item);
  }
  for (int i = 19999; i >= 0; i -= 37)
    ASSERT_EQ(list.View(i), expected[static_cast<std::size_t>(i)]);
  ASSERT_EQ(Items(list), expected);
}

// AddAll gives the items Add would: a sink that takes every item gets
// them in order, one that declines ends itself and leaves them held, a
// list that holds items or has no sink copies them in.
TEST(StringListTest, AddAllGivesWhatAddGives) {
  struct Sink : TStringListSink {
    void Take(TStringList& list) override {
      ++offers;
      if (decline) {
        list.SetSink(nullptr, 0);
        return;
      }
      for (const std::string& item : Items(list)) taken.push_back(item);
      list.Clear();
    }
    bool decline = false;
    int offers = 0;
    Strings taken;
  };
  for (int held : {0, 2}) {
    for (int kind : {0, 1, 2}) {  // no sink, one that takes, one that declines
      TStringList list;
      Sink sink;
      sink.decline = kind == 2;
      if (kind > 0) list.SetSink(&sink, sink.decline ? 1 : 1000);
      for (int i = 0; i < held; ++i) list.Add("h" + std::to_string(i));
      TStringList other;
      for (int i = 0; i < 40; ++i)
        other.Add(std::string(static_cast<std::size_t>(i), static_cast<char>('a' + i % 26)));
      Strings expected = Items(list);
      for (const std::string& item : Items(other)) expected.push_back(item);
      list.AddAll(other);
      list.Add("after");
      expected.push_back("after");
      Strings got = sink.taken;
      for (const std::string& item : Items(list)) got.push_back(item);
      EXPECT_EQ(got, expected) << held << " " << kind;
      EXPECT_EQ(other.Count(), 0);
      // A declining sink is ended: it is offered nothing more.
      if (kind == 2) {
        EXPECT_EQ(sink.offers, 1) << held;
      }
    }
  }
}

// A list that keeps its line ends holds the same items as one that does
// not, through every change, and its written pieces are the items each
// followed by CR LF, a block at a time.
TEST(StringListTest, KeptLineEndsShowOnlyWhenWritten) {
  auto written = [](const TStringList& list, int* pieces) {
    std::string text;
    list.ForEachWrittenPiece([&](std::string_view piece) {
      text.append(piece);
      ++*pieces;
    });
    return text;
  };
  const std::function<void(TStringList&)> changes[] = {
      [](TStringList& l) {
        for (int i = 0; i < 20000; ++i)
          l.Add(std::string(static_cast<std::size_t>(i % 300 == 7 ? 0 : i % 90), 'a'));
      },
      [](TStringList& l) {
        l.AddParts({"a\r", "", "\nb"});
        for (int i = 0; i < 3000; ++i) l.Add(l.View(i % 2));  // its own items
      },
      [](TStringList& l) {
        for (const char* item : {"b", "C", "a", "", "B", "c"}) l.Add(item);
        l.Sort();
      },
      [](TStringList& l) { l.SplitText("x\r\ny\n\nz"); },
      [](TStringList& l) {
        l.Add("gone");
        l.Assign(ListOf({"p", "", "q"}));  // from a list that drops them
      },
      [](TStringList& l) {
        for (int i = 0; i < 500; ++i) l.Add(std::to_string(i));
        l.Clear();
        l.Add("refilled");
      },
  };
  for (std::size_t c = 0; c < std::size(changes); ++c) {
    TStringList dropped;
    TStringList kept(LineEnds::Kept);
    changes[c](dropped);
    changes[c](kept);
    ASSERT_EQ(Items(kept), Items(dropped)) << c;
    std::string want;
    for (const std::string& item : Items(dropped)) want += item + "\r\n";
    int droppedPieces = 0;
    int keptPieces = 0;
    EXPECT_EQ(written(dropped, &droppedPieces), want) << c;
    EXPECT_EQ(written(kept, &keptPieces), want) << c;
    EXPECT_LT(keptPieces, 40) << c;  // blocks, not items
  }
}

// clang-format off
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
      {"x\r", {"x"}},
      {"\n\n", {"", ""}},
      // Bytes next to the breaking ones break nothing, in long lines too.
      {"a\x09\x0b\x0c\x0e\x8d\x8a\x80" "b", {"a\x09\x0b\x0c\x0e\x8d\x8a\x80" "b"}},
      {"0123456789abcdefg\r0123456789abcdefgh\n01234567\r\n", {"0123456789abcdefg",
                                                               "0123456789abcdefgh", "01234567"}},
      {std::string("0123456789abcdef\0", 17), {"0123456789abcdef"}},
      {std::string(31, 'x') + "\n" + std::string(16, 'y') + "\r" + std::string(17, 'z'),
       {std::string(31, 'x'), std::string(16, 'y'), std::string(17, 'z')}},
  };
  for (const Case& c : cases) {
    TStringList list = ListOf({"old"});
    list.SplitText(c.text);
    EXPECT_EQ(Items(list), c.items) << "text: " << c.text;
    // Arriving in pieces, cut anywhere, the text gives the same lines.
    for (std::size_t cut = 0; cut <= c.text.size(); ++cut) {
      for (std::size_t cut2 = cut; cut2 <= c.text.size(); ++cut2) {
        Strings lines;
        auto emit = [&](std::string_view line) { lines.emplace_back(line); };
        LineSplitter splitter;
        splitter.Feed(std::string_view(c.text).substr(0, cut), emit);
        splitter.Feed(std::string_view(c.text).substr(cut, cut2 - cut), emit);
        splitter.Feed(std::string_view(c.text).substr(cut2), emit);
        splitter.Finish(emit);
        ASSERT_EQ(lines, c.items) << "text: " << c.text << " cut at " << cut << ", " << cut2;
      }
    }
  }
  // Splitting a piece of the list itself.
  TStringList self = ListOf({"p\r\nq"});
  self.SplitText(self.View(0));
  EXPECT_EQ(Items(self), (Strings{"p", "q"}));
}
// clang-format on

TEST(StringListTest, SortIsTheGivenQuicksortWithoutRegardToCase) {
  struct Case {
    Strings input;
    Strings sorted;
  };
  // Worked by hand: items that compare equal come out where the exchanges
  // leave them. In the first, the first pass exchanges b and A, then the
  // pivot B with itself; the halves then take one exchange of equal items
  // each. In the third, the pivot X at index 1 is exchanged to index 2 and
  // tracked there.
  // clang-format off
  const Case cases[] = {
      {{"b", "a", "B", "A", "c"}, {"a", "A", "B", "b", "c"}},
      {{"ab", "AB", "Ab"}, {"Ab", "AB", "ab"}},
      {{"x", "X", "x", "X"}, {"x", "X", "x", "X"}},
      {{"b", "A", "a"}, {"a", "A", "b"}},
      {{"Zeta", "alpha"}, {"alpha", "Zeta"}},
      {{"only"}, {"only"}},
      {{}, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    TStringList list = ListOf(c.input);
    list.Sort();
    EXPECT_EQ(Items(list), c.sorted);
  }
}

TEST(StringListTest, SortHandlesLargeAndAdverseInputs) {
  // Every item survives and neighbours are in order, for inputs that are
  // sorted, reversed, all equal, and shuffled (long lists sort by keys).
  std::vector<Strings> inputs;
  Strings ascending;
  for (int i = 0; i < 3000; ++i) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "k%05d", i);
    ascending.emplace_back(buf);
  }
  inputs.push_back(ascending);
  inputs.emplace_back(ascending.rbegin(), ascending.rend());
  inputs.emplace_back(2000, "Same");
  Strings shuffled = ascending;
  unsigned seed = 12345;
  for (std::size_t i = shuffled.size() - 1; i > 0; --i) {
    seed = seed * 1103515245u + 12345u;
    std::swap(shuffled[i], shuffled[(seed >> 8) % (i + 1)]);
  }
  for (std::size_t i = 0; i < shuffled.size(); i += 3) shuffled[i][0] = 'K';  // mixed case
  inputs.push_back(shuffled);

  for (const Strings& input : inputs) {
    TStringList list = ListOf(input);
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

}  // namespace
}  // namespace tovrix
