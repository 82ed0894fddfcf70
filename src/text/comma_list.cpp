#include "text/comma_list.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tovrix {

bool IsPlainCommaList(std::string_view text) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time: as signed bytes, the plain ones are those
  // above 0x20 and below 0x7F, quotes aside.
  const __m128i blank = _mm_set1_epi8(0x20);
  const __m128i del = _mm_set1_epi8(0x7F);
  const __m128i quote = _mm_set1_epi8('"');
  for (; i + 16 <= text.size(); i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i plain =
        _mm_andnot_si128(_mm_cmpeq_epi8(bytes, quote),
                         _mm_and_si128(_mm_cmpgt_epi8(bytes, blank), _mm_cmplt_epi8(bytes, del)));
    if (_mm_movemask_epi8(plain) != 0xFFFF) return false;
  }
#endif
  for (; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte <= 0x20 || byte >= 0x7F || byte == '"') return false;
  }
  return true;
}

bool IsTwoByteItemList(std::string_view text) {
  if (text.size() % 3 != 2) return false;
  std::size_t i = 0;
#if defined(__SSE2__)
  // 48 bytes at a time, which hold 16 items and their commas whatever the
  // item they start with: the commas must stand at offsets 2, 5, ..., 47.
  constexpr std::uint64_t kCommas = [] {
    std::uint64_t bits = 0;
    for (int k = 0; k < 16; ++k) bits |= std::uint64_t{1} << (3 * k + 2);
    return bits;
  }();
  const __m128i comma = _mm_set1_epi8(',');
  auto commasIn = [&](const char* at) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, comma))));
  };
  for (; i + 48 <= text.size(); i += 48) {
    const char* at = text.data() + i;
    if ((commasIn(at) | commasIn(at + 16) << 16 | commasIn(at + 32) << 32) != kCommas) return false;
  }
#endif
  for (; i < text.size(); i += 3) {
    if (text[i] == ',' || text[i + 1] == ',' || (i + 2 < text.size() && text[i + 2] != ',')) {
      return false;
    }
  }
  return true;
}

CommaItemReader::CommaItemReader(std::string_view text, const text_internal::LeadBytes& lead)
    : text_(text.substr(0, text.find('\0'))), lead_(lead) {
  SkipBlanks();
}

void CommaItemReader::SkipBlanks() {
  // The text holds no NUL, so every byte up to 0x20 is a blank.
  while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= 0x20) ++pos_;
}

std::string_view CommaItemReader::ReadQuoted() {
  // Up to the next quote that is not doubled; each "" stands for one '"'.
  quoted_.clear();
  const std::size_t n = text_.size();
  std::size_t i = pos_ + 1;
  bool closed = false;
  while (i < n) {
    if (text_[i] == '"') {
      if (i + 1 < n && text_[i + 1] == '"') {
        quoted_.push_back('"');
        i += 2;
        continue;
      }
      ++i;
      closed = true;
      break;
    }
    const std::size_t length = lead_.CharLength(text_, i);
    quoted_.append(text_.data() + i, length);
    i += length;
  }
  // Without its closing quote the item is the rest less its last byte.
  if (!closed && !quoted_.empty()) quoted_.pop_back();
  pos_ = i;
  return quoted_;
}

std::string_view CommaItemReader::ReadPlain() {
  const std::size_t start = pos_;
  const std::size_t n = text_.size();
  while (pos_<n&& static_cast<unsigned char>(text_[pos_])> 0x20 && text_[pos_] != ',') {
    pos_ += lead_.Any() ? lead_.CharLength(text_, pos_) : 1;
  }
  return text_.substr(start, pos_ - start);
}

bool CommaItemReader::Next(std::string_view& item) {
  if (trailingEmpty_) {
    trailingEmpty_ = false;
    item = std::string_view();
    return true;
  }
  const std::size_t n = text_.size();
  if (pos_ >= n) return false;
  item = text_[pos_] == '"' ? ReadQuoted() : ReadPlain();
  SkipBlanks();
  if (pos_ < n && text_[pos_] == ',') {
    if (pos_ + 1 == n) trailingEmpty_ = true;
    ++pos_;
    SkipBlanks();
  }
  return true;
}

}  // namespace tovrix
