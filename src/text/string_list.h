// TStringList: the program's one container, an ordered list of byte
// strings indexed from 0.
//
// Items keep their order of adding, duplicates stay, and the order changes
// only by Sort. An item may hold any byte, CR and LF included; it still
// counts as one item and becomes several lines only when written out.
//
// Storage is lean on purpose: all items live in one growing byte arena and
// the list keeps (offset, length) pairs, so a list of millions of short
// lines costs little more than its bytes. View(i) hands out a view that is
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
    std::size_t offset;
    std::size_t length;
  };
  void CheckIndex(int index) const;
  // Appends `text` to the arena (it may point into the arena) and returns
  // where it now lies.
  Span Store(std::string_view text);
  bool PointsIntoArena(std::string_view text) const;
  // Adds one item per line of arena_[start, end) (the SplitText rules).
  void AddSpansOfLines(std::size_t start);
  // Rebuilds the arena from the live items when replaced items have left
  // too many dead bytes behind.
  void CompactIfWasteful();

  std::string arena_;        // the bytes of all items, in no set order
  std::vector<Span> items_;  // item i is arena_[offset, offset + length)
  std::size_t dead_bytes_ = 0;  // arena bytes no item refers to any more
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
