#include "text/string_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/codepage.h"
#include "platform/memory.h"
#include "text/errors.h"
#include "text/line_splitter.h"

namespace tovrix {

namespace {

// The smallest block of item bytes: most lists are a key's few names.
constexpr std::size_t kMinBlock = 256;

// Blocks from this size on are filled through large pages where the system
// has them.
constexpr std::size_t kLargeBlock = std::size_t{4} << 20;

// A length that does not fit the 32-bit slot is kept beside it.
constexpr std::uint32_t kLong = 0xFFFFFFFFu;

// std::memcpy for the short pieces most items are made of (a quote, a
// comma, a name), without a library call: two loads that may overlap and
// two stores cover every length from w to 2w.
template <typename Word>
void CopyEnds(char* dest, const char* src, std::size_t n) {
  Word first, last;
  std::memcpy(&first, src, sizeof(Word));
  std::memcpy(&last, src + n - sizeof(Word), sizeof(Word));
  std::memcpy(dest, &first, sizeof(Word));
  std::memcpy(dest + n - sizeof(Word), &last, sizeof(Word));
}

void CopyPiece(char* dest, const char* src, std::size_t n) {
  if (n > 16) {
    std::memcpy(dest, src, n);
  } else if (n >= 8) {
    CopyEnds<std::uint64_t>(dest, src, n);
  } else if (n >= 4) {
    CopyEnds<std::uint32_t>(dest, src, n);
  } else if (n >= 2) {
    CopyEnds<std::uint16_t>(dest, src, n);
  } else if (n == 1) {
    *dest = *src;
  }
}

}  // namespace

std::size_t TStringList::LengthAt(std::size_t index) const {
  const std::uint32_t length = lengths_[index];
  if (length != kLong) return length;
  const auto it = std::lower_bound(long_lengths_.begin(), long_lengths_.end(),
                                   std::make_pair(index, std::size_t{0}));
  return it->second;
}

TStringList::Position TStringList::Locate(std::size_t index) const {
  std::size_t from = index / kCheckpointEvery * kCheckpointEvery;
  Position at = checkpoints_[index / kCheckpointEvery];
  if (cursor_index_ <= index && cursor_index_ > from && cursor_index_ < lengths_.size()) {
    from = cursor_index_;
    at = cursor_;
  }
  for (; from < index; ++from) {
    at.offset += LengthAt(from) + tail_;
    // An item that ends its block is the block's last: the next one starts
    // the next block.
    if (at.offset >= blocks_[at.block].used && at.block + 1 < blocks_.size()) {
      ++at.block;
      at.offset = 0;
    }
  }
  cursor_index_ = index;
  cursor_ = at;
  return at;
}

TStringList::Block::Block(std::size_t size) : bytes(new char[size]), capacity(size) {
  if (capacity >= kLargeBlock) platform::AdviseLargeBuffer(bytes.get(), capacity);
}

void TStringList::AddBlock(std::size_t bytes) { blocks_.emplace_back(std::max(kMinBlock, bytes)); }

void TStringList::Append(std::span<const std::string_view> parts) {
  std::size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  const std::size_t stored = size + tail_;
  // Room in the last block, or a new one at least half as large as all
  // before it, so there are few blocks.
  if (blocks_.empty() || blocks_.back().Room() < stored) {
    AddBlock(std::max(stored, stored_bytes_ / 2));
  }
  Block& block = blocks_.back();
  const std::size_t index = lengths_.size();
  if (index % kCheckpointEvery == 0) {
    checkpoints_.push_back(Position{blocks_.size() - 1, block.used});
  }
  char* dest = block.bytes.get() + block.used;
  for (std::string_view part : parts) {
    CopyPiece(dest, part.data(), part.size());
    dest += part.size();
  }
  if (tail_ != 0) CopyPiece(dest, "\r\n", 2);
  block.used += stored;
  stored_bytes_ += stored;
  if (size >= kLong) {
    lengths_.push_back(kLong);
    long_lengths_.emplace_back(index, size);
  } else {
    lengths_.push_back(static_cast<std::uint32_t>(size));
  }
}

void TStringList::Rebuild(const std::vector<std::string_view>& items) {
  // The items are the list's own, reordered: their bytes are gathered in a
  // new block, which then becomes the only one, and the lengths are
  // rewritten in place.
  Block gathered(std::max(kMinBlock, stored_bytes_));
  long_lengths_.clear();
  checkpoints_.clear();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i % kCheckpointEvery == 0) checkpoints_.push_back(Position{0, gathered.used});
    if (!items[i].empty()) {
      std::memcpy(gathered.bytes.get() + gathered.used, items[i].data(), items[i].size());
    }
    gathered.used += items[i].size();
    if (tail_ != 0) {
      std::memcpy(gathered.bytes.get() + gathered.used, "\r\n", 2);
      gathered.used += 2;
    }
    if (items[i].size() >= kLong) {
      lengths_[i] = kLong;
      long_lengths_.emplace_back(i, items[i].size());
    } else {
      lengths_[i] = static_cast<std::uint32_t>(items[i].size());
    }
  }
  blocks_.clear();
  blocks_.push_back(std::move(gathered));
  cursor_index_ = 0;
  cursor_ = Position{};
}

void TStringList::Assign(TStringList&& other) {
  TStringListSink* sink = sink_;
  const std::size_t limit = sink_limit_;
  if (other.tail_ == tail_) {
    *this = std::move(other);
  } else {
    Clear();
    for (int i = 0; i < other.Count(); ++i) {
      const std::string_view item = other.View(i);
      Append({&item, 1});
    }
  }
  SetSink(sink, limit);
}

void TStringList::AddAll(TStringList& other) {
  if (sink_ != nullptr && Count() == 0 && other.Count() > 0) {
    // `other` stands in for this list before the sink, which may end
    // itself there.
    other.SetSink(sink_, sink_limit_);
    sink_->Take(other);
    if (other.sink_ == nullptr) SetSink(nullptr, 0);
    other.SetSink(nullptr, 0);
  }
  for (int i = 0; i < other.Count(); ++i) Add(other.View(i));
  other.Clear();
}

void TStringList::Reserve(std::size_t bytes) {
  if (blocks_.empty() || blocks_.back().Room() < bytes) AddBlock(bytes);
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ThrowListIndexError(index);
}

// A text may be an item of this very list: blocks never move and a new
// item goes to room no item uses, so copying it in is safe.
int TStringList::Add(std::string_view text) {
  const int index = Count();
  Append({&text, 1});
  if (sink_ != nullptr && stored_bytes_ >= sink_limit_) sink_->Take(*this);
  return index;
}

int TStringList::AddParts(std::span<const std::string_view> parts) {
  const int index = Count();
  Append(parts);
  if (sink_ != nullptr && stored_bytes_ >= sink_limit_) sink_->Take(*this);
  return index;
}

std::string TStringList::Item(int index) const { return std::string(View(index)); }

std::string_view TStringList::View(int index) const {
  CheckIndex(index);
  const auto i = static_cast<std::size_t>(index);
  const Position at = Locate(i);
  return std::string_view(blocks_[at.block].bytes.get() + at.offset, LengthAt(i));
}

void TStringList::Clear() {
  std::size_t largest = 0;
  for (std::size_t i = 1; i < blocks_.size(); ++i) {
    if (blocks_[i].capacity > blocks_[largest].capacity) largest = i;
  }
  if (!blocks_.empty()) {
    std::swap(blocks_[0], blocks_[largest]);
    blocks_.erase(blocks_.begin() + 1, blocks_.end());
    blocks_[0].used = 0;
  }
  lengths_.clear();
  checkpoints_.clear();
  long_lengths_.clear();
  stored_bytes_ = 0;
  cursor_index_ = 0;
  cursor_ = Position{};
}

void TStringList::Sort() {
  const int count = Count();
  if (count < 2) return;
  // Items already in order, each before the next, have one sorted order
  // whatever the sort would do with equal ones: as they stand (hives keep
  // names sorted, so most lists are).
  bool ordered = true;
  for (int i = 1; i < count && ordered; ++i) {
    ordered = platform::CompareLocale(View(i - 1), View(i), true) < 0;
  }
  if (ordered) return;

  // The items are sorted as views, then written out again in their order.
  // The sort moves the items' places; their keys stay with them through
  // `order` (place -> item). The working memory stays with the thread for
  // the next sort.
  struct Range {
    int left;
    int right;
  };
  thread_local struct {
    std::vector<std::string_view> items, sorted;
    std::vector<std::size_t> order;
    std::vector<Range> pending;
  } work;
  std::vector<std::string_view>& items = work.items;
  items.clear();
  for (int i = 0; i < count; ++i) items.push_back(View(i));
  const platform::CollationKeys keys(items, /*ignoreCase=*/true);
  std::vector<std::size_t>& order = work.order;
  order.resize(items.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  auto compare = [&](int a, int b) {
    if (a == b) return 0;  // the pivot against itself; also stops the scans
    const std::size_t x = order[static_cast<std::size_t>(a)];
    const std::size_t y = order[static_cast<std::size_t>(b)];
    return keys.Compare(x, y);
  };

  // The quicksort keeps the pivot by position and moves it along with the
  // exchanges. Pending ranges are kept on an explicit stack instead of the
  // call stack: the ranges are disjoint, so the order in which they are
  // sorted does not change the result, and no input can exhaust the stack.
  std::vector<Range>& pending = work.pending;
  pending.clear();
  pending.push_back(Range{0, count - 1});
  while (!pending.empty()) {
    int left = pending.back().left;
    const int right = pending.back().right;
    pending.pop_back();
    for (;;) {
      int i = left;
      int j = right;
      int pivot = (left + right) / 2;
      do {
        // The scans stop at the pivot at the latest; the bounds checks only
        // guard against a collation that contradicts itself.
        while (i < right && compare(i, pivot) < 0) ++i;
        while (j > left && compare(j, pivot) > 0) --j;
        if (i <= j) {
          std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
          if (pivot == i) {
            pivot = j;
          } else if (pivot == j) {
            pivot = i;
          }
          ++i;
          --j;
        }
      } while (i <= j);
      if (left < j) pending.push_back(Range{left, j});
      left = i;
      if (i >= right) break;
    }
  }
  std::vector<std::string_view>& sorted = work.sorted;
  sorted.clear();
  for (std::size_t i : order) sorted.push_back(items[i]);
  Rebuild(sorted);
  if (items.capacity() > (1u << 16)) {
    // A long list's views are not kept.
    std::vector<std::string_view>().swap(items);
    std::vector<std::string_view>().swap(sorted);
    std::vector<std::size_t>().swap(order);
  }
}

void TStringList::SplitText(std::string_view text) {
  // `text` may be a piece of this list: the new list is made first.
  TStringList fresh(tail_ != 0 ? LineEnds::Kept : LineEnds::Dropped);
  ForEachLine(text, [&](std::string_view line) { fresh.Append({&line, 1}); });
  Assign(std::move(fresh));
}

}  // namespace tovrix
