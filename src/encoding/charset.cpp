// Classification of a file head. The rules are positional: bytes past the
// end read as 0, the last byte is never the first byte of a pair, and the
// scan stops as soon as something other than "nothing yet" (0) or "fits
// both double-byte encodings" (6) is decided.
#include "encoding/charset.h"

#include <cstddef>

namespace tovrix {

namespace {

// The state of one classification.
struct CharsetScan {
  std::string_view text;
  // Result so far. While it is CharsetAscii (nothing decided) or
  // CharsetEucOrShiftJis (ambiguous double-byte text) the scan goes on;
  // any other value ends it.
  Charset result = CharsetAscii;
  // 0-based index of the byte the scan looks at next.
  std::size_t pos = 0;

  // The byte at 0-based index `i`; 0 beyond the end.
  unsigned At(std::size_t i) const {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
  }
  bool Undecided() const { return result == CharsetAscii || result == CharsetEucOrShiftJis; }
};

bool InRange(unsigned b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

// A byte at or above 0x80 that marks Shift-JIS outright.
bool IsShiftJisOnlyLead(unsigned c) { return InRange(c, 0x81, 0x8D) || InRange(c, 0x8F, 0x9F); }

// After a pair of a half-width kana byte and a byte 0xE0..0xEF the
// text is ambiguous; the bytes from the second one onward are walked while
// they can belong to double-byte text, looking for one that decides.
// Returns the 0-based index of the byte that stopped the walk.
std::size_t WalkAmbiguousRun(CharsetScan& scan, std::size_t start) {
  std::size_t i = start;
  while (i < scan.text.size() && scan.At(i) >= 0x40 && scan.result == CharsetEucOrShiftJis) {
    unsigned b = scan.At(i);
    if (InRange(b, 0x81, 0x8D) || InRange(b, 0x8F, 0x9C)) {
      scan.result = CharsetShiftJis;
    } else if (InRange(b, 0xFD, 0xFE)) {
      scan.result = CharsetEuc;
    }
    ++i;
  }
  // The loop above also stops on the deciding byte, one past it.
  return scan.result == CharsetEucOrShiftJis ? i : i - 1;
}

// Looks at the pair starting at scan.pos, updates the result and moves on.
void ScanStep(CharsetScan& scan) {
  const std::size_t i = scan.pos;
  const unsigned c = scan.At(i);
  const unsigned d = scan.At(i + 1);

  if (c == 0x1B) {  // ESC: a JIS escape sequence?
    if (d == '$') {
      unsigned e = scan.At(i + 2);
      if (e == 'B') {
        scan.result = CharsetJisNew;
      } else if (e == '@') {
        scan.result = CharsetJisOld;
      }
      scan.pos = i + 3;
    } else {
      scan.pos = i + 2;
    }
    return;
  }
  if (c < 0x08 || c == 0xFF) {
    scan.result = CharsetBinary;
    scan.pos = i + 1;
    return;
  }
  if (c < 0x80 || c == 0x80 || c == 0xA0) {
    scan.pos = i + 1;
    return;
  }
  if (IsShiftJisOnlyLead(c)) {
    scan.result = CharsetShiftJis;
    scan.pos = i + 1;
    return;
  }
  if (c == 0x8E) {  // EUC single shift, or a Shift-JIS lead byte
    if (InRange(d, 0x40, 0x7E) || InRange(d, 0x80, 0xA0) || InRange(d, 0xE0, 0xFC)) {
      scan.result = CharsetShiftJis;
    } else if (InRange(d, 0xA1, 0xDF)) {
      scan.result = CharsetEucOrShiftJis;
    }
    scan.pos = i + 2;
    return;
  }
  if (InRange(c, 0xA1, 0xDF)) {  // half-width kana, or an EUC lead byte
    if (InRange(d, 0xF0, 0xFE)) {
      scan.result = CharsetEuc;
    } else if (InRange(d, 0xA1, 0xDF)) {
      scan.result = CharsetEucOrShiftJis;
    } else if (InRange(d, 0xE0, 0xEF)) {
      scan.result = CharsetEucOrShiftJis;
      std::size_t stop = WalkAmbiguousRun(scan, i + 1);
      scan.pos = stop + 1;  // the stopping byte itself is not examined
      return;
    } else if (d <= 0x9F) {
      scan.result = CharsetShiftJis;
    }
    scan.pos = i + 2;
    return;
  }
  if (InRange(c, 0xE0, 0xEF)) {  // Shift-JIS lead byte, or an EUC lead byte
    if (InRange(d, 0x40, 0x7E) || InRange(d, 0x80, 0xA0)) {
      scan.result = CharsetShiftJis;
    } else if (d == 0xFD || d == 0xFE) {
      scan.result = CharsetEuc;
    } else if (InRange(d, 0xA1, 0xFC)) {
      scan.result = CharsetEucOrShiftJis;
    }
    scan.pos = i + 2;
    return;
  }
  // 0xF0..0xFE: only EUC uses these.
  scan.result = CharsetEuc;
  scan.pos = i + 1;
}

}  // namespace

Charset DetectCharset(std::string_view head, int probeSize) {
  CharsetScan scan;
  scan.text = head;
  const std::size_t length = head.size();
  if (length == 0) return CharsetShiftJis;
  if (scan.At(0) == 0xFF && scan.At(1) == 0xFE) return CharsetUtf16LE;
  if (scan.At(0) == 0xFE && scan.At(1) == 0xFF) return CharsetUtf16BE;

  // Binary bytes within the probe, the last byte of the text excepted.
  const std::size_t probe = probeSize > 0 ? static_cast<std::size_t>(probeSize) : 0;
  for (std::size_t i = 0; i < probe && i + 1 < length; ++i) {
    unsigned b = scan.At(i);
    if (b < 0x08 || b == 0xFF) return CharsetBinary;
  }

  while (scan.Undecided() && scan.pos + 1 < length) ScanStep(scan);
  return scan.result;
}

}  // namespace tovrix
