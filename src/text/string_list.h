// TStringList: the program's one container, an ordered list of byte
// strings indexed from 0.
//
// Items keep their order of adding, duplicates stay, and the order changes
// only by Sort. An item may hold any byte, CR and LF included; it still
// counts as one item and becomes several lines only when written out.
//
// Storage is lean on purpose: items live in a few large byte blocks that
// never move once made (a new block is started when one is full, each
// larger than the last), and the list keeps (pointer, length) pairs. So a
// list of millions of short lines costs little more than its bytes, and
// growing it never copies what it holds. View(i) hands out a view that is
// valid until the list is next changed; Item(i) hands out a copy.
//
// Line rules (exact to the byte):
//  - JoinText: every item followed by CR LF, the last one too.
//  - SplitText: CR LF, lone CR and lone LF each end a line; LF CR is two
//    line ends; a final line break starts no item; a NUL byte ends the text.
//  - SplitCommaList: see the .cpp; blanks are bytes 0x01..0x20, items may
//    be quoted with '"' (a doubled quote stands for one).
#ifndef TOVRIX_TEXT_STRING_LIST_H_
#define TOVRIX_TEXT_STRING_LIST_H_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tovrix {

class TStringList {
 public:
  TStringList() = default;

  int Add(std::string_view text);
  int Count() const { return static_cast<int>(items_.size()); }
  std::string Item(int index) const;           // throws EStringListError
  std::string_view View(int index) const;      // throws EStringListError
  void SetItem(int index, std::string_view text);  // throws EStringListError
  void Clear();

  // Quicksort over the platform's locale-aware, case-insensitive order.
  void Sort();

  std::string JoinText() const;
  // Byte length of JoinText() without building it.
  std::size_t JoinedLength() const;
  // Appends JoinText() to `out`.
  void AppendJoinedTo(std::string& out) const;

  void SplitText(std::string_view text);
  // SplitText that keeps `text`'s buffer as the list's storage instead of
  // copying the lines out of it (for whole files).
  void AdoptLines(std::string&& text);
  // Adds the lines of `text` (the SplitText rules) after the present items.
  void AppendLines(std::string_view text);
  // Replaces the contents by the items of a comma-separated text: blanks
  // (0x01..0x20) and commas separate items, a comma that ends the text adds
  // one empty item, '"' quotes an item ("" inside stands for one '"').
  void SplitCommaList(std::string_view text);

  // Item `index` up to its first '=' (searched character by character in
  // the code page); empty when it holds none.
  std::string NameAt(int index) const;
  // Item `index` after its first '='; empty when it holds none.
  std::string ValueAt(int index) const;

  // Reads the whole file (shared for reading only) and splits it.
  // Throws EFOpenError / EReadError.
  void LoadFile(const std::string& path);
  // Writes JoinText() to the file. Throws EFCreateError / EWriteError.
  void SaveFile(const std::string& path) const;

 private:
  struct Span {
    const char* data;
    std::size_t length;
  };
  void CheckIndex(int index) const;
  // Copies `text` into the blocks (it may point into them) and returns
  // where it now lies.
  Span Store(std::string_view text);
  // Room for `size` more bytes in the last block, starting a new one when
  // needed. Existing blocks never move.
  void Reserve(std::size_t size);
  bool PointsIntoBlocks(std::string_view text) const;
  // Adds one item per line of `text`, which lies in the blocks (the
  // SplitText rules).
  void AddSpansOfLines(std::string_view text);
  // Rebuilds the storage from the live items when replaced items have left
  // too many dead bytes behind.
  void CompactIfWasteful();

  // Each block is filled only up to its capacity, so its bytes never move.
  std::vector<std::unique_ptr<std::string>> blocks_;
  std::vector<Span> items_;          // item i is items_[i].data[0, length)
  std::size_t stored_bytes_ = 0;     // bytes in all blocks
  std::size_t dead_bytes_ = 0;       // block bytes no item refers to any more
};

// Where a line of `text` ends, by the SplitText rules: calls `emit` with a
// view of every line. Shared by SplitText and the loaders that walk a
// loaded file without copying its lines.
template <typename Emit>
void ForEachLine(std::string_view text, Emit&& emit) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && text[i] != '\0') {
    std::size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n' && text[i] != '\0') ++i;
    emit(text.substr(start, i - start));
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
  }
}

}  // namespace tovrix

#endif  // TOVRIX_TEXT_STRING_LIST_H_
