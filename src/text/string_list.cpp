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

// Replaced items leave their old bytes in the arena; once the dead bytes
// pass this size and outweigh the live ones, the arena is rebuilt.
constexpr std::size_t kCompactThreshold = 1 << 16;

}  // namespace

bool TStringList::PointsIntoArena(std::string_view text) const {
  if (text.empty() || arena_.empty()) return false;
  // Compare addresses as integers: relational operators on pointers into
  // different objects are unspecified.
  const auto begin = reinterpret_cast<std::uintptr_t>(arena_.data());
  const auto end = begin + arena_.size();
  const auto p = reinterpret_cast<std::uintptr_t>(text.data());
  return p >= begin && p < end;
}

TStringList::Span TStringList::Store(std::string_view text) {
  const std::size_t offset = arena_.size();
  if (PointsIntoArena(text)) {
    // The arena may move while it grows: copy by position, not by pointer.
    const std::size_t from = static_cast<std::size_t>(text.data() - arena_.data());
    arena_.append(arena_, from, text.size());
  } else {
    arena_.append(text);
  }
  return Span{offset, text.size()};
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
  return std::string_view(arena_).substr(s.offset, s.length);
}

void TStringList::SetItem(int index, std::string_view text) {
  CheckIndex(index);
  Span& s = items_[static_cast<std::size_t>(index)];
  if (text.size() <= s.length) {
    // Each item owns its bytes, so a text that is not longer is written over
    // the old one (memmove: the text may be a piece of this very item).
    if (!text.empty()) std::memmove(arena_.data() + s.offset, text.data(), text.size());
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
  if (dead_bytes_ < kCompactThreshold || dead_bytes_ < arena_.size() / 2) return;
  std::string fresh;
  fresh.reserve(arena_.size() - dead_bytes_);
  for (Span& s : items_) {
    const std::size_t offset = fresh.size();
    fresh.append(arena_, s.offset, s.length);
    s.offset = offset;
  }
  arena_.swap(fresh);
  dead_bytes_ = 0;
}

void TStringList::Clear() {
  std::string().swap(arena_);
  std::vector<Span>().swap(items_);
  dead_bytes_ = 0;
}

void TStringList::Sort() {
  const int count = Count();
  if (count < 2) return;

  const std::string_view arena(arena_);
  auto compare = [this, arena](int a, int b) {
    if (a == b) return 0;  // the pivot against itself; also stops the scans
    const Span& sa = items_[static_cast<std::size_t>(a)];
    const Span& sb = items_[static_cast<std::size_t>(b)];
    return platform::CompareLocale(arena.substr(sa.offset, sa.length),
                                   arena.substr(sb.offset, sb.length),
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
  const char* arena = arena_.data();
  for (const Span& s : items_) {
    if (s.length != 0) std::memcpy(p, arena + s.offset, s.length);
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
  if (PointsIntoArena(text)) {
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
  arena_ = std::move(text);
  AddSpansOfLines(0);
}

void TStringList::AppendLines(std::string_view text) {
  if (PointsIntoArena(text)) {
    AppendLines(std::string(text));
    return;
  }
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);  // a NUL ends the text
  // The whole text goes into the arena in one copy; the items are the
  // pieces of it between the line breaks.
  const std::size_t start = arena_.size();
  arena_.append(text);
  AddSpansOfLines(start);
}

void TStringList::AddSpansOfLines(std::size_t start) {
  const std::string_view text = std::string_view(arena_).substr(start);
  // One item per LF is exact for CR LF and LF texts; other texts only grow
  // the vector a few more times. The capacity at least doubles when it
  // grows, so that many small appends stay linear (an exact reserve would
  // copy the whole vector on every append).
  const std::size_t needed =
      items_.size() + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  if (needed > items_.capacity()) items_.reserve(std::max(needed, 2 * items_.capacity()));
  const char* base = arena_.data();
  ForEachLine(text, [&](std::string_view line) {
    items_.push_back(Span{static_cast<std::size_t>(line.data() - base), line.size()});
  });
}

void TStringList::SplitCommaList(std::string_view text) {
  if (PointsIntoArena(text)) {
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
  const std::string_view arena(arena_);
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
      write(arena.substr(s.offset, s.length));
      write("\r\n");
    } else {
      chunk.resize(bytes);
      char* p = chunk.data();
      for (std::size_t k = first; k < last; ++k) {
        const Span& s = items_[k];
        if (s.length != 0) std::memcpy(p, arena.data() + s.offset, s.length);
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
