// Reading a registry file: the head for classification, the UTF-16LE
// decoding and the plain 8-bit read, whole or a piece at a time.
#include "encoding/loader.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "encoding/charset.h"
#include "encoding/utf16_decoder.h"
#include "platform/files.h"
#include "text/errors.h"
#include "text/line_splitter.h"

namespace tovrix {

namespace {

// Bytes read per call when a file is walked a piece at a time.
constexpr std::size_t kPiece = 1 << 20;

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

}  // namespace

std::string ReadFileHead(const std::string& path, int count) {
  if (count <= 0) return std::string();
  platform::ReadResult result = platform::ReadFileHead(path, static_cast<std::size_t>(count));
  if (result.status != platform::ReadStatus::Ok) return std::string();
  std::string head = std::move(result.data);
  std::replace(head.begin(), head.end(), '\0', ' ');
  return head;
}

std::string LoadUnicodeText(const std::string& path) {
  const std::string raw = ReadWholeOrThrow(path, platform::Share::None);
  std::string text;
  if (raw.size() < 3) return text;
  // The first two bytes are the byte-order mark the caller has already seen.
  text.reserve((raw.size() - 2) / 2);
  DecodeUtf16Le(std::string_view(raw).substr(2), /*atEnd=*/true, text);
  return text;
}

std::string LoadPlainText(const std::string& path) {
  return ReadWholeOrThrow(path, platform::Share::Read);
}

void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line) {
  const bool wide = DetectCharset(ReadFileHead(path, probeSize), probeSize) == CharsetUtf16LE;
  platform::FileReader reader;
  platform::ReadResult opened =
      reader.Open(path, wide ? platform::Share::None : platform::Share::Read);
  if (opened.status == platform::ReadStatus::OpenFailed) ThrowOpenError(path, opened.error);
  if (opened.status != platform::ReadStatus::Ok) ThrowReadError();

  LineSplitter lines;
  std::string raw(kPiece + 4, '\0');
  std::string text;      // a piece of decoded UTF-16LE
  std::size_t kept = 0;  // undecoded bytes at the front of `raw`
  std::size_t markLeft = wide ? 2 : 0;
  for (;;) {
    std::size_t got = 0;
    if (reader.Read(raw.data() + kept, kPiece, got).status != platform::ReadStatus::Ok) {
      ThrowReadError();
    }
    if (got == 0) break;
    // After a NUL byte the text has ended, but the file is still read to
    // its end: a failure there is reported as before.
    if (lines.Ended()) continue;
    if (!wide) {
      lines.Feed(std::string_view(raw.data(), got), line);
      continue;
    }
    std::string_view bytes(raw.data(), kept + got);
    const std::size_t mark = std::min(markLeft, bytes.size());
    bytes.remove_prefix(mark);
    markLeft -= mark;
    text.clear();
    const std::size_t used = DecodeUtf16Le(bytes, /*atEnd=*/false, text);
    lines.Feed(text, line);
    kept = bytes.size() - used;
    std::memmove(raw.data(), bytes.data() + used, kept);
  }
  if (wide && !lines.Ended()) {
    text.clear();
    DecodeUtf16Le(std::string_view(raw.data(), kept), /*atEnd=*/true, text);
    lines.Feed(text, line);
  }
  lines.Finish(line);
}

}  // namespace tovrix
