// Reading a registry file: the head for classification, the UTF-16LE
// decoding and the plain 8-bit read, whole or a piece at a time.
#include "encoding/loader.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>
#include <utility>
#include <vector>

#include "encoding/charset.h"
#include "encoding/utf16_decoder.h"
#include "platform/files.h"
#include "platform/process.h"
#include "text/errors.h"
#include "text/handoff.h"
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

namespace {

// Hands the lines of the open file to `emit`: the walk ForEachRegFileLine
// describes, whichever thread runs it.
template <typename Emit>
void ReadLines(platform::FileReader& reader, bool wide, Emit&& emit) {
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
      lines.Feed(std::string_view(raw.data(), got), emit);
      continue;
    }
    std::string_view bytes(raw.data(), kept + got);
    const std::size_t mark = std::min(markLeft, bytes.size());
    bytes.remove_prefix(mark);
    markLeft -= mark;
    text.clear();
    const std::size_t used = DecodeUtf16Le(bytes, /*atEnd=*/false, text);
    lines.Feed(text, emit);
    kept = bytes.size() - used;
    std::memmove(raw.data(), bytes.data() + used, kept);
  }
  if (wide && !lines.Ended()) {
    text.clear();
    DecodeUtf16Le(std::string_view(raw.data(), kept), /*atEnd=*/true, text);
    lines.Feed(text, emit);
  }
  lines.Finish(emit);
}

// Files from this size on are read and cut into lines on a thread of their
// own, ahead of the lines' conversion; smaller ones are done before that
// thread would have started.
constexpr std::size_t kReadAheadFrom = std::size_t{4} << 20;

// Lines cut ahead: their bytes one after the other, and where each ends.
struct LineBatch {
  static constexpr std::size_t kBytes = std::size_t{1} << 20;
  std::string bytes;
  std::vector<std::size_t> ends;
  void Clear() {
    bytes.clear();
    ends.clear();
  }
};

void ReadLinesAhead(platform::FileReader& reader, bool wide,
                    const std::function<void(std::string_view)>& line) {
  Handoff<LineBatch> handoff;
  struct Stopped {};
  auto produce = [&] {
    std::exception_ptr failure;
    Handoff<LineBatch>::Pointer batch;
    try {
      batch = handoff.Empty();
      ReadLines(reader, wide, [&](std::string_view text) {
        batch->bytes.append(text);
        batch->ends.push_back(batch->bytes.size());
        if (batch->bytes.size() < LineBatch::kBytes) return;
        if (!handoff.Put(std::move(batch))) throw Stopped{};
        batch = handoff.Empty();
      });
      if (!handoff.Put(std::move(batch))) throw Stopped{};
    } catch (const Stopped&) {
      // the lines' conversion ended first
    } catch (...) {
      // The lines before a failure come before it.
      failure = std::current_exception();
      try {
        if (batch) handoff.Put(std::move(batch));
      } catch (...) {
        failure = std::current_exception();
      }
    }
    handoff.Close(failure);
  };
  std::thread thread = platform::StartWorkerThread(produce);
  const JoinedProducer<LineBatch, std::thread> joined(handoff, thread);
  while (Handoff<LineBatch>::Pointer batch = handoff.Take()) {
    const std::string_view bytes = batch->bytes;
    std::size_t begin = 0;
    for (std::size_t end : batch->ends) {
      line(bytes.substr(begin, end - begin));
      begin = end;
    }
    handoff.Return(std::move(batch));
  }
  handoff.ThrowFailure();
}

}  // namespace

void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line) {
  const bool wide = DetectCharset(ReadFileHead(path, probeSize), probeSize) == CharsetUtf16LE;
  platform::FileReader reader;
  platform::ReadResult opened =
      reader.Open(path, wide ? platform::Share::None : platform::Share::Read);
  if (opened.status == platform::ReadStatus::OpenFailed) ThrowOpenError(path, opened.error);
  if (opened.status != platform::ReadStatus::Ok) ThrowReadError();
  if (reader.SizeAtOpen() >= kReadAheadFrom) {
    ReadLinesAhead(reader, wide, line);
  } else {
    ReadLines(reader, wide, line);
  }
}

}  // namespace tovrix
