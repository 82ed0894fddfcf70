// UTF-16LE text to the ANSI code page, a piece at a time, as a file is read.
#ifndef TOVRIX_ENCODING_UTF16_DECODER_H_
#define TOVRIX_ENCODING_UTF16_DECODER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace tovrix {

// Appends the ANSI form of the whole units at the front of `bytes` (UTF-16LE
// without its byte-order mark) to `out` and answers how many bytes it used;
// the caller hands the rest in again, in front of the bytes that follow.
//
// Unless `atEnd`, an odd last byte is left, and so is a last unit that is a
// high surrogate (a pair is converted together) or 0x001A (a file's
// end-of-file unit, which is no text). With `atEnd` everything is used: a
// final 0x001A unit is dropped when the bytes are even in number, and an
// odd last byte is ignored.
//
// Every unit comes out as platform::AppendWideAsAnsi converts it. Runs of
// ASCII units are copied without the platform: every code page the program
// runs with maps U+0000..U+007F to the bytes 00..7F.
std::size_t DecodeUtf16Le(std::string_view bytes, bool atEnd, std::string& out);
// The same, straight into a batch of the read-ahead.
class BatchBytes;
std::size_t DecodeUtf16Le(std::string_view bytes, bool atEnd, BatchBytes& out);

}  // namespace tovrix

#endif  // TOVRIX_ENCODING_UTF16_DECODER_H_
