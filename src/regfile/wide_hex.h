// Decoding of the byte lists of hex(2) and hex(7) values.
//
// DecodeWideHex reads a comma-separated list of hexadecimal bytes (blanks
// anywhere) as UTF-16LE code units, low byte first, and converts them to
// the ANSI code page as the loader does:
//  - type 2: one text of every unit, NUL units included; one final NUL
//    byte of the result is dropped; double quotes are doubled.
//  - type 7: the units are cut into strings at each NUL unit; the strings
//    before the last cut, each with its double quotes doubled, are written
//    between double quotes and joined by commas. Units after the last NUL
//    unit and the last string (the empty one the closing double NUL makes)
//    are not written.
//  - any other type: the empty text.
// An item that is not hexadecimal counts as 0; an odd last item is
// ignored. Items longer than two digits: the unit is the low 16 bits of
// second * 256 + first, and the terminator test looks at the whole sum.
#ifndef TOVRIX_REGFILE_WIDE_HEX_H_
#define TOVRIX_REGFILE_WIDE_HEX_H_

#include <string>
#include <string_view>

namespace tovrix {

std::string DecodeWideHex(std::string_view hexText, int type);
// The same, appended to `out` (which must not hold `hexText`).
void AppendDecodedWideHex(std::string_view hexText, int type, std::string& out);

}  // namespace tovrix

#endif  // TOVRIX_REGFILE_WIDE_HEX_H_
