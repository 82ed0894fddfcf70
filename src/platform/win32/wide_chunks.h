// Conversion of long UTF-16 texts to ANSI in pieces.
//
// WideCharToMultiByte takes and returns int lengths, so a text of more
// units than one call can take is converted piece by piece. A piece never
// ends between the two units of a surrogate pair, so the result equals the
// result of one call over the whole text. Exposed for the tests, which use
// small pieces; the program uses CodePageChunkUnits.
#ifndef TOVRIX_PLATFORM_WIN32_WIDE_CHUNKS_H_
#define TOVRIX_PLATFORM_WIN32_WIDE_CHUNKS_H_

#include <cstddef>
#include <string>

namespace tovrix::platform::win32 {

// Units per call: a double-byte code page writes at most two bytes per
// unit, and the byte count must stay within an int.
inline constexpr std::size_t CodePageChunkUnits = std::size_t{1} << 29;

// Appends the ANSI form of `count` units to `out`, converting at most
// `maxUnits` (at least 2) units per call.
void AppendWideAsAnsiInChunks(const char16_t* units, std::size_t count, std::size_t maxUnits,
                              std::string& out);

}  // namespace tovrix::platform::win32

#endif  // TOVRIX_PLATFORM_WIN32_WIDE_CHUNKS_H_
