// TStringList: the program's one container, an ordered list of byte
// strings indexed from 0.
//
// Items keep their order of adding, duplicates stay, and the order changes
// only by Sort. An item may hold any byte, CR and LF included; it still
// counts as one item and becomes several lines only when written out.
//
// Storage is lean on purpose: items lie one after the other, in the order of
// their positions, in a few large byte blocks that never move once made (a
// new block is started when one is full, each larger than the last); the
// list keeps 4 bytes of length per item and, every 32 items, where that
// item starts. So a list of millions of short lines costs little more than
// its bytes, and growing it never copies what it holds. View(i) hands out a
// view that is valid until the list is next changed; Item(i) a copy.
// Reading the items in order is as fast as reading an array; Sort rewrites
// the storage.
//
// A list may be given a sink (SetSink): once its items hold `limit` bytes,
// the Add that reached the limit hands the list to the sink, which takes the
// items away (Clear); Count() then counts only the items the list still
// holds. That is how a large section goes to the disk as it grows instead
// of being held whole (inf/output.h). Clear keeps the largest block for
// the items to come, so a list drained again and again refills the same
// memory.
//
// SplitText cuts by the line rules of text/line_splitter.h. A list written
// out has every item followed by CR LF, the last one too (the INF document,
// inf/output.h): ForEachWrittenPiece hands it out so. A list made with
// LineEnds::Kept stores that CR LF after each item (View and Item never show
// it), so that its blocks are the written list itself and go out as they
// are, uncopied; it costs two bytes an item.
#ifndef TOVRIX_TEXT_STRING_LIST_H_
#define TOVRIX_TEXT_STRING_LIST_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tovrix {

class TStringList;

// Takes the items of a list that has reached its limit (SetSink): all of
// them, leaving the list empty, or none, ending the sink there
// (SetSink(nullptr, 0)) so that the list holds them and what comes after.
class TStringListSink {
 public:
  virtual ~TStringListSink() = default;
  virtual void Take(TStringList& list) = 0;
};

enum class LineEnds { Dropped, Kept };

class TStringList {
 public:
  TStringList() = default;
  explicit TStringList(LineEnds ends) : tail_(ends == LineEnds::Kept ? 2 : 0) {}

  int Add(std::string_view text);
  // Adds one item made of `parts` one after the other, copied once.
  int AddParts(std::initializer_list<std::string_view> parts) {
    return AddParts(std::span(parts.begin(), parts.size()));
  }
  int AddParts(std::span<const std::string_view> parts);
  int Count() const { return static_cast<int>(lengths_.size()); }
  std::string Item(int index) const;       // throws EStringListError
  std::string_view View(int index) const;  // throws EStringListError
  void Clear();
  // Replaces the items by those of `other`; the sink and the way line ends
  // are stored stay.
  void Assign(TStringList&& other);
  // Adds the items of `other` after these, as Add would, and empties
  // `other`. A list with a sink and no items hands `other` to its sink
  // as it stands, rather than copying the items in first.
  void AddAll(TStringList& other);
  // Makes room for items of `bytes` bytes in all without a new block.
  void Reserve(std::size_t bytes);
  // `sink` (not owned; null for none) takes the list whenever its items
  // hold `limit` bytes or more after an Add.
  void SetSink(TStringListSink* sink, std::size_t limit) {
    sink_ = sink;
    sink_limit_ = limit;
  }

  // Quicksort over the platform's locale-aware, case-insensitive order.
  void Sort();

  void SplitText(std::string_view text);

  // Hands `piece` the list as written out, each item followed by CR LF, in
  // order: a view of each block where the list keeps its line ends, else
  // each item and each CR LF. The views are valid until the list changes.
  template <typename Piece>
  void ForEachWrittenPiece(Piece&& piece) const {
    if (tail_ != 0) {
      for (const Block& block : blocks_) {
        if (block.used > 0) piece(std::string_view(block.bytes.get(), block.used));
      }
      return;
    }
    for (int i = 0; i < Count(); ++i) {
      piece(View(i));
      piece(std::string_view("\r\n"));
    }
  }

 private:
  // Where an item starts.
  struct Position {
    std::size_t block = 0;
    std::size_t offset = 0;
  };
  static constexpr std::size_t kCheckpointEvery = 32;

  void CheckIndex(int index) const;
  // The start of item `index` (0 <= index < Count()).
  Position Locate(std::size_t index) const;
  std::size_t LengthAt(std::size_t index) const;
  // Appends an item made of `parts` (which may be items of this list).
  void Append(std::span<const std::string_view> parts);
  // Puts the items in the order of `items`: views of all of them, reordered.
  void Rebuild(const std::vector<std::string_view>& items);

  // Item bytes, filled from the front; its bytes never move.
  struct Block {
    explicit Block(std::size_t size);
    std::size_t Room() const { return capacity - used; }
    std::unique_ptr<char[]> bytes;
    std::size_t capacity;
    std::size_t used = 0;
  };
  // A new last block with room for `bytes` at least.
  void AddBlock(std::size_t bytes);

  std::vector<Block> blocks_;
  std::deque<std::uint32_t> lengths_;                              // kLong: see long_lengths_
  std::vector<Position> checkpoints_;                              // start of items 0, 32, 64, ...
  std::vector<std::pair<std::size_t, std::size_t>> long_lengths_;  // index, length
  std::size_t stored_bytes_ = 0;                                   // line ends kept included
  std::size_t tail_ = 0;  // bytes kept after each item: 2 (CR LF) or 0
  TStringListSink* sink_ = nullptr;
  std::size_t sink_limit_ = 0;
  // The last item located, so that reading in order walks no further.
  mutable std::size_t cursor_index_ = 0;
  mutable Position cursor_;
};

}  // namespace tovrix

#endif  // TOVRIX_TEXT_STRING_LIST_H_
