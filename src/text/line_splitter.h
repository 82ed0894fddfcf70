// Cutting text into lines, exact to the byte: CR LF, a lone CR and a lone
// LF each end a line; LF CR is two line ends; a final line break starts no
// line; a NUL byte ends the text (a line cut short by it still counts, an
// empty one does not).
//
// The text may arrive in pieces of any size, as a file is read: a line that
// runs over the end of a piece is carried into the next one, and a CR at
// the end of a piece takes a LF at the start of the next. Lines are handed
// out as views, valid only during the call; a line wholly inside a piece is
// a view into it, so nothing is copied but the few lines that straddle two
// pieces.
#ifndef TOVRIX_TEXT_LINE_SPLITTER_H_
#define TOVRIX_TEXT_LINE_SPLITTER_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tovrix {

// The offset of the first CR, LF or NUL of `text` at or after `from`, or
// text.size().
std::size_t FindLineBreak(std::string_view text, std::size_t from);

// Where the line after the CR or LF at `at` begins, or npos while that
// hangs on what comes after `text`: a CR at its end may be the first half
// of CR LF (unless `atEnd`, the end of the whole text).
inline std::size_t LineAfterBreak(std::string_view text, std::size_t at, bool atEnd) {
  if (text[at] != '\r') return at + 1;
  if (at + 1 == text.size()) return atEnd ? at + 1 : std::string_view::npos;
  return text[at + 1] == '\n' ? at + 2 : at + 1;
}

class LineSplitter {
 public:
  // Hands every line that `piece` completes to `emit`. Answers false once a
  // NUL byte has ended the text; the rest of the piece, and every later
  // one, is ignored.
  template <typename Emit>
  bool Feed(std::string_view piece, Emit&& emit);

  // After the last piece: hands out the line left open, if any.
  template <typename Emit>
  void Finish(Emit&& emit);

  bool Ended() const { return ended_; }

 private:
  std::string carry_;    // a line begun in an earlier piece
  bool skipLf_ = false;  // the last piece ended in CR
  bool ended_ = false;   // a NUL byte was reached
};

inline std::size_t FindLineBreak(std::string_view text, std::size_t from) {
  const char* p = text.data() + from;
  const char* end = text.data() + text.size();
#if defined(__SSE2__)
  // Sixteen bytes at a time.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  while (end - p >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int breaks = _mm_movemask_epi8(
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                     _mm_cmpeq_epi8(bytes, nul)));
    if (breaks != 0) return static_cast<std::size_t>(p - text.data()) + __builtin_ctz(breaks);
    p += 16;
  }
#endif
  // Eight bytes at a time while none of them is below 0x0E; the three
  // breaking bytes all are.
  constexpr unsigned long long kOnes = 0x0101010101010101ULL;
  constexpr unsigned long long kHighs = 0x8080808080808080ULL;
  while (end - p >= 8) {
    unsigned long long word;
    std::memcpy(&word, p, 8);
    if (((word - kOnes * 0x0E) & ~word & kHighs) != 0) break;
    p += 8;
  }
  for (; p < end; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte <= '\r' && (byte == '\r' || byte == '\n' || byte == '\0')) break;
  }
  return static_cast<std::size_t>(p - text.data());
}

template <typename Emit>
bool LineSplitter::Feed(std::string_view piece, Emit&& emit) {
  if (ended_) return false;
  const std::size_t n = piece.size();
  std::size_t i = 0;
  if (skipLf_ && n > 0) {
    skipLf_ = false;
    if (piece[0] == '\n') i = 1;
  }
  while (i < n) {
    const std::size_t start = i;
    i = FindLineBreak(piece, i);
    if (i == n) {
      carry_.append(piece.data() + start, n - start);
      return true;
    }
    std::string_view line = piece.substr(start, i - start);
    if (!carry_.empty()) {
      carry_.append(line);
      line = carry_;
    }
    if (piece[i] == '\0') {
      if (!line.empty()) emit(line);
      carry_.clear();
      ended_ = true;
      return false;
    }
    emit(line);
    carry_.clear();
    i = LineAfterBreak(piece, i, /*atEnd=*/false);
    if (i == std::string_view::npos) {
      skipLf_ = true;
      return true;
    }
  }
  return true;
}

template <typename Emit>
void LineSplitter::Finish(Emit&& emit) {
  if (!ended_ && !carry_.empty()) emit(std::string_view(carry_));
  carry_.clear();
  skipLf_ = false;
}

// Every line of a whole text, by the rules above.
template <typename Emit>
void ForEachLine(std::string_view text, Emit&& emit) {
  LineSplitter splitter;
  splitter.Feed(text, emit);
  splitter.Finish(emit);
}

}  // namespace tovrix

#endif  // TOVRIX_TEXT_LINE_SPLITTER_H_
