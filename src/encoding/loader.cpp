// Reading a registry file: the head for classification, the UTF-16LE
// decoding and the plain 8-bit read, whole or a piece at a time.
#include "encoding/loader.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "encoding/charset.h"
#include "encoding/utf16_decoder.h"
#include "platform/files.h"
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

char* BatchBytes::Room(std::size_t count) {
  if (capacity_ - size_ < count) Reserve(std::max(size_ + count, 2 * capacity_));
  return data_.get() + size_;
}

void BatchBytes::Append(std::string_view bytes) {
  if (bytes.empty()) return;
  std::memcpy(Room(bytes.size()), bytes.data(), bytes.size());
  Add(bytes.size());
}

void BatchBytes::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  std::unique_ptr<char[]> data(new char[capacity]);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

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

// A UTF-16LE file read a piece at a time: its first two bytes (the mark)
// are skipped unseen, and the bytes of a unit or pair that a read cuts off
// wait for the next piece.
class WidePieces {
 public:
  // Room for `count` bytes, read after those that wait.
  char* Room(std::size_t count) {
    // Grown only: growing a string zero-fills it.
    if (raw_.size() < kept_ + count) raw_.resize(kept_ + count);
    return raw_.data() + kept_;
  }
  // Appends the text of the waiting bytes and the `got` bytes read into
  // Room to `out` (a string or a batch), as far as it is whole.
  template <typename Out>
  void Decode(std::size_t got, Out& out) {
    std::string_view bytes(raw_.data(), kept_ + got);
    const std::size_t mark = std::min(markLeft_, bytes.size());
    bytes.remove_prefix(mark);
    markLeft_ -= mark;
    const std::size_t used = DecodeUtf16Le(bytes, /*atEnd=*/false, out);
    kept_ = bytes.size() - used;
    std::memmove(raw_.data(), bytes.data() + used, kept_);
  }
  // After the last piece: the text of the bytes still waiting.
  template <typename Out>
  void Finish(Out& out) {
    DecodeUtf16Le(std::string_view(raw_.data(), kept_), /*atEnd=*/true, out);
  }

 private:
  std::string raw_;  // the waiting bytes at its front
  std::size_t kept_ = 0;
  std::size_t markLeft_ = 2;
};

// Hands the lines of the open file to `emit`: the walk ForEachRegFileLine
// describes, whichever thread runs it.
template <typename Emit>
void ReadLines(platform::FileReader& reader, bool wide, Emit&& emit) {
  LineSplitter lines;
  // Pieces no larger than the file (and one byte to learn that it ended):
  // a small file costs no buffer of a megabyte, filled and faulted in.
  const std::size_t piece = std::clamp<std::size_t>(reader.SizeAtOpen() + 1, 4096, kPiece);
  std::string raw(wide ? 0 : piece, '\0');
  WidePieces pieces;
  std::string text;  // a piece of decoded UTF-16LE
  for (;;) {
    std::size_t got = 0;
    char* into = wide ? pieces.Room(piece) : raw.data();
    if (reader.Read(into, piece, got).status != platform::ReadStatus::Ok) ThrowReadError();
    if (got == 0) break;
    // After a NUL byte the text has ended, but the file is still read to
    // its end: a failure there is reported as before.
    if (lines.Ended()) continue;
    if (!wide) {
      lines.Feed(std::string_view(raw.data(), got), emit);
      continue;
    }
    text.clear();
    pieces.Decode(got, text);
    lines.Feed(text, emit);
  }
  if (wide && !lines.Ended()) {
    text.clear();
    pieces.Finish(text);
    lines.Feed(text, emit);
  }
  lines.Finish(emit);
}

// The batches of a LineBatchWork, from the reading thread through the
// workers to the joining (calling) thread (text/handoff.h: the reading
// thread produces, the joining one consumes). Batches are numbered in file
// order. At most kWindow batches are out at a time: a reader or workers
// that run ahead wait for the joining.
class WorkedBatches : public BatchRound<LineBatch> {
 public:
  static constexpr std::size_t kWindow = 8;

  // Reading thread: false once the joining gave up.
  bool Put(Pointer batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return slots_.size() < kWindow || abandoned_; });
    if (abandoned_) return false;
    slots_.push_back(Slot{std::move(batch), false, nullptr});
    changed_.notify_all();
    return true;
  }

  struct Turn {
    std::size_t number = 0;
    LineBatch* batch = nullptr;
  };
  // Workers: the next batch to work on; false when there is none.
  bool Next(Turn& turn) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return taken_ < first_ + slots_.size() || closed_ || abandoned_; });
    if (abandoned_ || taken_ == first_ + slots_.size()) return false;
    turn.number = taken_++;
    turn.batch = At(turn.number).batch.get();
    return true;
  }
  // Workers: batch `number` is worked on; `failure` (or null) comes when
  // it is joined.
  void Worked(std::size_t number, std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    At(number).worked = true;
    At(number).failure = std::move(failure);
    changed_.notify_all();
  }

  // Joining thread: batch `number` once worked on (its work's failure
  // thrown); null after the last one.
  LineBatch* WaitWorked(std::size_t number) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
      return (number < first_ + slots_.size() && At(number).worked) ||
             (closed_ && number == first_ + slots_.size());
    });
    if (number == first_ + slots_.size()) return nullptr;
    if (At(number).failure) std::rethrow_exception(At(number).failure);
    return At(number).batch.get();
  }
  // Joining thread: batch `number` is joined and goes round.
  void Joined(std::size_t number) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (first_ <= number) {
      GoRound(std::move(slots_.front().batch));
      slots_.pop_front();
      ++first_;
    }
    changed_.notify_all();
  }

 private:
  struct Slot {
    Pointer batch;
    bool worked;
    std::exception_ptr failure;
  };
  Slot& At(std::size_t number) { return slots_[number - first_]; }

  std::deque<Slot> slots_;  // batches first_, first_ + 1, ... put and not gone round
  std::size_t first_ = 0;
  std::size_t taken_ = 0;  // batches handed to workers
};

// Workers beside the reading thread and the joining one.
unsigned WorkerCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, 4u);
}

// The reading side of WorkAhead. The file is read straight into `batch`
// (UTF-16LE decoded into it), a little past `sizes.batch` bytes, and the
// batch is cut before the first line from there on that the work calls
// independent, or that begins from `sizes.most` bytes on; only what follows
// the cut is copied, into the next batch. `put` takes each batch cut off,
// and the last. Lines are not cut here: every batch begins at a line and
// ends with a line break (the last one at the end of the text), so the
// workers cut it by the same rules. Text after a NUL byte is dropped, as
// the line rules drop it, but the file is still read to its end. On a read
// failure `batch` keeps the whole lines before it.
template <typename Empty, typename Put>
void ReadBatches(platform::FileReader& reader, bool wide, const LineBatchWork& work,
                 const ReadAhead& sizes, WorkedBatches::Pointer& batch, Empty&& empty, Put&& put) {
  constexpr std::size_t kNone = std::string_view::npos;
  const std::size_t least = std::max<std::size_t>(sizes.batch, 1);
  // Read past the batch's size, so that its cut is mostly found without
  // reading again.
  const std::size_t slack = std::clamp<std::size_t>(least / 16, 4096, std::size_t{64} << 10);
  std::size_t from = least - 1;  // where the next line break is looked for
  std::size_t start = kNone;     // a line from `least` on, its end not found yet
  // Puts every batch that can be cut off now.
  auto cut = [&](bool atEnd) {
    for (;;) {
      const std::string_view text = batch->bytes.View();
      if (start == kNone) {
        if (from >= text.size()) return;
        const std::size_t at = FindLineBreak(text, from);
        from = at;
        if (at == text.size()) return;
        start = LineAfterBreak(text, at, atEnd);
        if (start == kNone) return;
        from = start;
      }
      const std::size_t end = FindLineBreak(text, from);
      from = end;
      if (start == text.size() || (end == text.size() && !atEnd)) return;
      const bool independent = work.Independent(text.substr(start, end - start));
      if (independent || start >= sizes.most) {
        WorkedBatches::Pointer next = empty();
        next->bytes.Append(text.substr(start));
        next->continues = !independent;
        batch->bytes.Keep(start);
        put(std::exchange(batch, std::move(next)));
        from = least - 1;
      }
      start = kNone;
    }
  };

  std::string raw;  // bytes read after the text ended
  WidePieces pieces;
  bool ended = false;  // a NUL byte ended the text
  // The bytes from `size` on were added: a NUL among them ends the text.
  auto added = [&](std::size_t size) {
    const std::string_view text = batch->bytes.View();
    const std::size_t nul = text.find('\0', size);
    if (nul == std::string_view::npos) return;
    batch->bytes.Keep(nul);
    ended = true;
  };
  // Reads into `into`; on a failure `batch` is cut back to its whole lines
  // (it held `size` bytes before) and the failure thrown.
  auto read = [&](char* into, std::size_t want, std::size_t size) {
    std::size_t got = 0;
    if (reader.Read(into, want, got).status == platform::ReadStatus::Ok) return got;
    batch->bytes.Keep(size);
    if (!ended) batch->bytes.Keep(batch->bytes.View().find_last_of("\r\n") + 1);
    ThrowReadError();
  };
  for (;;) {
    const std::size_t size = batch->bytes.Size();
    const std::size_t want = (size < least ? least - size : 0) + slack;
    if (ended) {
      raw.resize(kPiece);
      if (read(raw.data(), kPiece, size) == 0) break;
      continue;
    }
    if (!wide) {
      const std::size_t got = read(batch->bytes.Room(want), want, size);
      if (got == 0) break;
      batch->bytes.Add(got);
    } else {
      const std::size_t got = read(pieces.Room(2 * want), 2 * want, size);
      if (got == 0) break;
      pieces.Decode(got, batch->bytes);
    }
    added(size);
    cut(/*atEnd=*/false);
  }
  if (wide && !ended) {
    const std::size_t size = batch->bytes.Size();
    pieces.Finish(batch->bytes);
    added(size);
  }
  cut(/*atEnd=*/true);
  put(std::move(batch));
}

void WorkAhead(platform::FileReader& reader, bool wide, LineBatchWork& work,
               const ReadAhead& sizes) {
  WorkedBatches batches;
  struct Stopped {};
  // A batch to fill, with room for the usual batch made at once rather than
  // grown step by step.
  auto empty = [&] {
    WorkedBatches::Pointer batch = batches.Empty();
    batch->bytes.Reserve(sizes.batch + sizes.batch / 4);
    return batch;
  };
  auto put = [&](WorkedBatches::Pointer batch) {
    if (!batches.Put(std::move(batch))) throw Stopped{};
  };
  auto read = [&] {
    std::exception_ptr failure;
    WorkedBatches::Pointer batch;
    try {
      batch = empty();
      ReadBatches(reader, wide, work, sizes, batch, empty, put);
    } catch (const Stopped&) {
      // the joining ended first
    } catch (...) {
      // The lines before a failure come before it.
      failure = std::current_exception();
      try {
        if (batch) batches.Put(std::move(batch));
      } catch (...) {
        failure = std::current_exception();
      }
    }
    batches.Close(failure);
  };
  auto labour = [&] {
    WorkedBatches::Turn turn;
    while (batches.Next(turn)) {
      std::exception_ptr failure;
      try {
        work.Work(*turn.batch);
      } catch (...) {
        failure = std::current_exception();
      }
      batches.Worked(turn.number, failure);
    }
  };
  JoinedThreads<WorkedBatches> threads(batches);
  threads.Start(read);
  for (unsigned i = WorkerCount(); i > 0; --i) threads.Start(labour);
  for (std::size_t number = 0;; ++number) {
    LineBatch* batch = batches.WaitWorked(number);
    if (batch == nullptr) break;
    work.Join(*batch);
    batches.Joined(number);
  }
  batches.ThrowFailure();
}

// The lines of the whole file to one callback, on the calling thread.
class EachLine : public LineBatchWork {
 public:
  explicit EachLine(const std::function<void(std::string_view)>& line) : line_(line) {}
  bool Independent(std::string_view) const override { return true; }
  void Work(LineBatch&) override {}
  void Join(LineBatch& batch) override { batch.ForEachLine(line_); }

 private:
  const std::function<void(std::string_view)>& line_;
};

// The file, open for reading, and whether it is UTF-16LE.
bool OpenRegFile(const std::string& path, int probeSize, platform::FileReader& reader) {
  const bool wide = DetectCharset(ReadFileHead(path, probeSize), probeSize) == CharsetUtf16LE;
  platform::ReadResult opened =
      reader.Open(path, wide ? platform::Share::None : platform::Share::Read);
  if (opened.status == platform::ReadStatus::OpenFailed) ThrowOpenError(path, opened.error);
  if (opened.status != platform::ReadStatus::Ok) ThrowReadError();
  return wide;
}

}  // namespace

void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line) {
  EachLine each(line);
  ForEachRegFileLine(path, probeSize, line, each);
}

void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line, LineBatchWork& work,
                        const ReadAhead& sizes) {
  platform::FileReader reader;
  const bool wide = OpenRegFile(path, probeSize, reader);
  if (reader.SizeAtOpen() >= sizes.from) {
    WorkAhead(reader, wide, work, sizes);
  } else {
    ReadLines(reader, wide, line);
  }
}

}  // namespace tovrix
