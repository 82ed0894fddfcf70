#include "text/string_list.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/errors.h"
#include "text/internal.h"
#include "text/lead_bytes.h"

namespace tovrix {

namespace {

// SaveFile hands the document to the writer in pieces of about this size,
// so a large document is never held twice in memory.
constexpr std::size_t kSaveChunk = 1 << 20;

// Replaced items leave their old bytes in the blocks; once the dead bytes
// pass this size and outweigh the live ones, the storage is rebuilt.
constexpr std::size_t kCompactThreshold = 1 << 16;

// The smallest block of item bytes.
constexpr std::size_t kMinBlock = 1 << 12;

}  // namespace

bool TStringList::PointsIntoBlocks(std::string_view text) const {
  if (text.empty()) return false;
  // Compare addresses as integers: relational operators on pointers into
  // different objects are unspecified.
  const auto p = reinterpret_cast<std::uintptr_t>(text.data());
  for (const auto& block : blocks_) {
    const auto begin = reinterpret_cast<std::uintptr_t>(block->data());
    if (p >= begin && p < begin + block->size()) return true;
  }
  return false;
}

void TStringList::Reserve(std::size_t size) {
  if (!blocks_.empty()) {
    const std::string& last = *blocks_.back();
    if (last.capacity() - last.size() >= size) return;
  }
  // Each new block is at least half as large as all before it, so there
  // are few blocks, and at least the size asked for.
  const std::size_t capacity = std::max({kMinBlock, size, stored_bytes_ / 2});
  auto block = std::make_unique<std::string>();
  block->reserve(capacity);
  blocks_.push_back(std::move(block));
}

TStringList::Span TStringList::Store(std::string_view text) {
  if (text.empty()) return Span{nullptr, 0};
  if (PointsIntoBlocks(text)) {
    // Blocks never move, but make sure of the copy before reserving.
    return Store(std::string(text));
  }
  Reserve(text.size());
  std::string& block = *blocks_.back();
  const std::size_t offset = block.size();
  block.append(text);
  stored_bytes_ += text.size();
  return Span{block.data() + offset, text.size()};
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ThrowListIndexError(index);
}

int TStringList::Add(std::string_view text) {
  const int index = Count();
  items_.push_back(Store(text));
  return index;
}

std::string TStringList::Item(int index) const { return std::string(View(index)); }

std::string_view TStringList::View(int index) const {
  CheckIndex(index);
  const Span& s = items_[static_cast<std::size_t>(index)];
  return std::string_view(s.data, s.length);
}

void TStringList::SetItem(int index, std::string_view text) {
  CheckIndex(index);
  Span& s = items_[static_cast<std::size_t>(index)];
  if (text.size() <= s.length) {
    // Each item owns its bytes, so a text that is not longer is written over
    // the old one (memmove: the text may be a piece of this very item).
    if (!text.empty()) std::memmove(const_cast<char*>(s.data), text.data(), text.size());
    dead_bytes_ += s.length - text.size();
    s.length = text.size();
  } else {
    const std::size_t old_length = s.length;
    const Span stored = Store(text);
    items_[static_cast<std::size_t>(index)] = stored;
    dead_bytes_ += old_length;
  }
  CompactIfWasteful();
}

void TStringList::CompactIfWasteful() {
  if (dead_bytes_ < kCompactThreshold || dead_bytes_ < stored_bytes_ / 2) return;
  auto fresh = std::make_unique<std::string>();
  fresh->reserve(std::max(kMinBlock, stored_bytes_ - dead_bytes_));
  for (Span& s : items_) {
    if (s.length == 0) continue;
    const std::size_t offset = fresh->size();
    fresh->append(s.data, s.length);
    s.data = fresh->data() + offset;
  }
  stored_bytes_ = fresh->size();
  blocks_.clear();
  blocks_.push_back(std::move(fresh));
  dead_bytes_ = 0;
}

void TStringList::Clear() {
  std::vector<std::unique_ptr<std::string>>().swap(blocks_);
  std::vector<Span>().swap(items_);
  stored_bytes_ = 0;
  dead_bytes_ = 0;
}

void TStringList::Sort() {
  const int count = Count();
  if (count < 2) return;

  auto compare = [this](int a, int b) {
    if (a == b) return 0;  // the pivot against itself; also stops the scans
    const Span& sa = items_[static_cast<std::size_t>(a)];
    const Span& sb = items_[static_cast<std::size_t>(b)];
    return platform::CompareLocale(std::string_view(sa.data, sa.length),
                                   std::string_view(sb.data, sb.length),
                                   /*ignoreCase=*/true);
  };

  // The quicksort keeps the pivot by position and moves it along with the
  // exchanges. Pending ranges are kept on an explicit stack instead of the
  // call stack: the ranges are disjoint, so the order in which they are
  // sorted does not change the result, and no input can exhaust the stack.
  struct Range {
    int left;
    int right;
  };
  std::vector<Range> pending;
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
          std::swap(items_[static_cast<std::size_t>(i)], items_[static_cast<std::size_t>(j)]);
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
}

std::size_t TStringList::JoinedLength() const {
  std::size_t total = 0;
  for (const Span& s : items_) total += s.length + 2;
  return total;
}

void TStringList::AppendJoinedTo(std::string& out) const {
  // The length is known first; the bytes are then copied in one pass.
  const std::size_t start = out.size();
  out.resize(start + JoinedLength());
  char* p = out.data() + start;
  for (const Span& s : items_) {
    if (s.length != 0) std::memcpy(p, s.data, s.length);
    p += s.length;
    *p++ = '\r';
    *p++ = '\n';
  }
}

std::string TStringList::JoinText() const {
  std::string out;
  AppendJoinedTo(out);
  return out;
}

void TStringList::SplitText(std::string_view text) {
  if (PointsIntoBlocks(text)) {
    // The text is a piece of this list, which Clear is about to free.
    SplitText(std::string(text));
    return;
  }
  Clear();
  AppendLines(text);
}

void TStringList::AdoptLines(std::string&& text) {
  Clear();
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);  // a NUL byte ends the text
  if (text.size() < text.capacity() / 2) text.shrink_to_fit();
  if (text.empty()) return;
  // The text's own buffer becomes the first block; later items may fill
  // its spare capacity, which never moves it.
  auto block = std::make_unique<std::string>(std::move(text));
  stored_bytes_ = block->size();
  const std::string_view lines(*block);
  blocks_.push_back(std::move(block));
  AddSpansOfLines(lines);
}

void TStringList::AppendLines(std::string_view text) {
  if (PointsIntoBlocks(text)) {
    AppendLines(std::string(text));
    return;
  }
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);  // a NUL ends the text
  // The whole text goes into the blocks in one copy; the items are the
  // pieces of it between the line breaks.
  const Span stored = Store(text);
  AddSpansOfLines(std::string_view(stored.data, stored.length));
}

void TStringList::AddSpansOfLines(std::string_view text) {
  // One item per LF is exact for CR LF and LF texts; other texts only grow
  // the vector a few more times. The capacity at least doubles when it
  // grows, so that many small appends stay linear (an exact reserve would
  // copy the whole vector on every append).
  const std::size_t needed =
      items_.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (needed > items_.capacity()) items_.reserve(std::max(needed, 2 * items_.capacity()));
  ForEachLine(text, [&](std::string_view line) {
    items_.push_back(Span{line.data(), line.size()});
  });
}

void TStringList::SplitCommaList(std::string_view text) {
  if (PointsIntoBlocks(text)) {
    SplitCommaList(std::string(text));
    return;
  }
  Clear();
  text_internal::AddCommaItems(text, text_internal::LeadBytes::System(), *this);
}

std::string TStringList::NameAt(int index) const {
  const std::string_view item = View(index);
  const std::size_t eq =
      text_internal::FindNameSeparator(item, text_internal::LeadBytes::System());
  if (eq == std::string_view::npos) return std::string();
  return std::string(item.substr(0, eq));
}

std::string TStringList::ValueAt(int index) const {
  const std::string_view item = View(index);
  const std::size_t eq =
      text_internal::FindNameSeparator(item, text_internal::LeadBytes::System());
  if (eq == std::string_view::npos) return std::string();
  return std::string(item.substr(eq + 1));
}

void TStringList::LoadFile(const std::string& path) {
  platform::ReadResult read = platform::ReadWholeFile(path, platform::Share::Read);
  switch (read.status) {
    case platform::ReadStatus::Ok:
      break;
    case platform::ReadStatus::OpenFailed:
      ThrowOpenError(path, read.error);
    case platform::ReadStatus::ReadFailed:
      ThrowReadError();
  }
  AdoptLines(std::move(read.data));
}

void TStringList::SaveFile(const std::string& path) const {
  platform::FileWriter writer;
  platform::WriteResult result = writer.Open(path);
  if (result.status != platform::WriteStatus::Ok) ThrowCreateError(path, result.error);

  auto write = [&writer](std::string_view bytes) {
    if (writer.Write(bytes).status != platform::WriteStatus::Ok) ThrowWriteError();
  };
  // The document goes out in pieces of about kSaveChunk bytes, each made of
  // whole items with their CR LF; an item longer than a piece goes alone.
  std::string chunk;
  std::size_t first = 0;  // the first item not yet written
  while (first < items_.size()) {
    std::size_t bytes = 0;
    std::size_t last = first;
    while (last < items_.size() &&
           (last == first || bytes + items_[last].length + 2 <= kSaveChunk)) {
      bytes += items_[last].length + 2;
      ++last;
    }
    if (last == first + 1 && bytes > kSaveChunk) {
      const Span& s = items_[first];
      write(std::string_view(s.data, s.length));
      write("\r\n");
    } else {
      chunk.resize(bytes);
      char* p = chunk.data();
      for (std::size_t k = first; k < last; ++k) {
        const Span& s = items_[k];
        if (s.length != 0) std::memcpy(p, s.data, s.length);
        p += s.length;
        *p++ = '\r';
        *p++ = '\n';
      }
      write(chunk);
    }
    first = last;
  }

  result = writer.Commit();
  switch (result.status) {
    case platform::WriteStatus::Ok:
      break;
    case platform::WriteStatus::CreateFailed:
      ThrowCreateError(path, result.error);
    case platform::WriteStatus::WriteFailed:
      ThrowWriteError();
  }
}

}  // namespace tovrix
