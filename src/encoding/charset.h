// Classification of a file head by its byte patterns. Only CharsetUtf16LE
// changes how a file is loaded; the other codes are kept exact all the
// same.
#ifndef TOVRIX_ENCODING_CHARSET_H_
#define TOVRIX_ENCODING_CHARSET_H_

#include <cstdint>
#include <string_view>

namespace tovrix {

enum Charset : std::uint8_t {
  CharsetAscii = 0,
  CharsetBinary = 1,
  CharsetJisNew = 2,
  CharsetJisOld = 3,
  CharsetEuc = 4,
  CharsetShiftJis = 5,
  CharsetEucOrShiftJis = 6,
  CharsetUtf16LE = 7,
  CharsetUtf16BE = 8,
};

// `probeSize` bounds the scan for binary bytes.
Charset DetectCharset(std::string_view head, int probeSize);

}  // namespace tovrix

#endif  // TOVRIX_ENCODING_CHARSET_H_
