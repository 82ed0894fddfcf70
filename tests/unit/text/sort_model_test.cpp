// TStringList::Sort against the quicksort it must reproduce, written out
// plainly (recursive, pivot kept by position). Items that compare equal
// but differ in their bytes show whether the order of the exchanges is
// the same, not only whether the result is sorted.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "text/string_list.h"

namespace tovrix {
namespace {

using Strings = std::vector<std::string>;

int Compare(const std::string& a, const std::string& b) {
  return platform::CompareLocale(a, b, /*ignoreCase=*/true);
}

void ReferenceQuickSort(Strings& items, int left, int right) {
  int i;
  do {
    i = left;
    int j = right;
    int pivot = (left + right) / 2;
    do {
      while (Compare(items[i], items[pivot]) < 0) ++i;
      while (Compare(items[j], items[pivot]) > 0) --j;
      if (i <= j) {
        std::swap(items[i], items[j]);
        if (pivot == i) {
          pivot = j;
        } else if (pivot == j) {
          pivot = i;
        }
        ++i;
        --j;
      }
    } while (i <= j);
    if (left < j) ReferenceQuickSort(items, left, j);
    left = i;
  } while (i < right);
}

Strings Sorted(const Strings& input) {
  TStringList list;
  for (const std::string& s : input) list.Add(s);
  list.Sort();
  Strings out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Item(i));
  return out;
}

TEST(SortModelTest, EqualItemsEndWhereTheExchangesLeaveThem) {
  // Worked by hand. The first pass exchanges b and A, then the pivot B
  // with itself; the two halves are then sorted on their own, each by one
  // more exchange of equal items.
  EXPECT_EQ(Sorted({"b", "a", "B", "A", "c"}), (Strings{"a", "A", "B", "b", "c"}));
  // The pivot X at index 1 is exchanged to index 2 and tracked there.
  EXPECT_EQ(Sorted({"x", "X", "x", "X"}), (Strings{"x", "X", "x", "X"}));

  // Random lists over a few letters in both cases: many items compare
  // equal, so any departure from the given exchanges shows.
  const std::vector<std::string> words = {"a", "A", "b", "B", "ab", "aB", "Ab", "AB", "ba", "c"};
  unsigned seed = 4242;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) & 0x7FFF;
  };
  for (int round = 0; round < 400; ++round) {
    Strings input;
    const unsigned length = next() % 40;
    for (unsigned k = 0; k < length; ++k) input.push_back(words[next() % words.size()]);
    Strings expected = input;
    if (expected.size() >= 2) ReferenceQuickSort(expected, 0, static_cast<int>(expected.size()) - 1);
    ASSERT_EQ(Sorted(input), expected) << "round " << round;
  }
}

}  // namespace
}  // namespace tovrix
