// Loading a registry file: the head for classification, the UTF-16LE
// decoder and the plain 8-bit read.
#include "encoding/loader.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "encoding/charset.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "text/errors.h"

namespace tovrix {

namespace {

// UTF-16 units converted per call; the units are copied out of the byte
// buffer in pieces of this size, so the decoder never holds a second copy
// of the file.
constexpr std::size_t kChunkUnits = 64 * 1024;

std::string ReadWholeOrThrow(const std::string& path, platform::Share share) {
  platform::ReadResult result = platform::ReadWholeFile(path, share);
  switch (result.status) {
    case platform::ReadStatus::Ok:
      break;
    case platform::ReadStatus::OpenFailed:
      ThrowOpenError(path, result.error);
    case platform::ReadStatus::ReadFailed:
      ThrowReadError();
  }
  return std::move(result.data);
}

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// Appends the ANSI form of `count` little-endian UTF-16 units stored at
// `bytes` (any alignment) to `out`.
void AppendLittleEndianUnits(const char* bytes, std::size_t count, std::string& out) {
  std::vector<char16_t> chunk(std::min(count, kChunkUnits));
  std::size_t done = 0;
  while (done < count) {
    std::size_t n = std::min(count - done, kChunkUnits);
    std::memcpy(chunk.data(), bytes + 2 * done, 2 * n);
    if constexpr (std::endian::native == std::endian::big) {
      for (std::size_t k = 0; k < n; ++k) {
        chunk[k] = static_cast<char16_t>((chunk[k] >> 8) | (chunk[k] << 8));
      }
    }
    // Keep a surrogate pair in one call, so that a code page that can
    // represent the character sees both halves together.
    if (n > 1 && done + n < count && IsHighSurrogate(chunk[n - 1])) --n;
    platform::AppendWideAsAnsi(chunk.data(), n, out);
    done += n;
  }
}

}  // namespace

std::string ReadFileHead(const std::string& path, int count) {
  if (count <= 0) return std::string();
  platform::ReadResult result =
      platform::ReadFileHead(path, static_cast<std::size_t>(count));
  if (result.status != platform::ReadStatus::Ok) return std::string();
  std::string head = std::move(result.data);
  std::replace(head.begin(), head.end(), '\0', ' ');
  return head;
}

std::string LoadUnicodeText(const std::string& path) {
  std::string raw = ReadWholeOrThrow(path, platform::Share::None);
  const std::size_t size = raw.size();
  if (size < 3) return std::string();

  // The first two bytes are the byte-order mark the caller has already
  // seen. An odd last byte belongs to no unit.
  std::size_t units = (size - 2) / 2;
  // A final end-of-file unit 0x001A is not part of the text. Only an even
  // size has its last two bytes forming a unit; in a file of odd size the
  // last two bytes straddle the last unit and the stray byte, so bytes 1A 00
  // there are no end-of-file unit and nothing is dropped.
  const unsigned lastUnit = static_cast<unsigned char>(raw[size - 2]) |
                            (static_cast<unsigned char>(raw[size - 1]) << 8);
  if (size % 2 == 0 && lastUnit == 0x001A) --units;

  std::string text;
  text.reserve(units);
  AppendLittleEndianUnits(raw.data() + 2, units, text);
  return text;  // the file's bytes are released here, before the caller splits
}

void LoadUnicodeFile(const std::string& path, TStringList& list) {
  list.SplitText(LoadUnicodeText(path));
}

std::string LoadPlainText(const std::string& path) {
  return ReadWholeOrThrow(path, platform::Share::Read);
}

std::string LoadRegFileText(const std::string& path, int probeSize) {
  if (DetectCharset(ReadFileHead(path, probeSize), probeSize) == CharsetUtf16LE) {
    return LoadUnicodeText(path);
  }
  return LoadPlainText(path);
}

}  // namespace tovrix
