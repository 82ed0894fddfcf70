// Reading a registry file as ANSI text.
//
// ReadFileHead: the first `count` bytes (NUL bytes made blanks); the empty
// text when the file cannot be read.
// LoadUnicodeText: a UTF-16LE file (FF FE skipped unseen; an odd last byte
// ignored; a final 0x001A unit dropped when the size is even) converted to
// the ANSI code page; files under 3 bytes give the empty text. Exclusive
// open. Throws EFOpenError / EReadError.
// LoadPlainText: the whole file as 8-bit text, shared for reading only.
#ifndef TOVRIX_ENCODING_LOADER_H_
#define TOVRIX_ENCODING_LOADER_H_

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "text/line_splitter.h"

namespace tovrix {

std::string ReadFileHead(const std::string& path, int count);
std::string LoadUnicodeText(const std::string& path);
std::string LoadPlainText(const std::string& path);

// Hands the lines of a registry file to `line`, in file order, as views
// valid during the call. DetectCharset of the first `probeSize` bytes
// chooses between LoadUnicodeText's decoding and LoadPlainText's bytes, and
// the text is cut by the rules of text/line_splitter.h. The file is read
// once, front to back, a piece at a time, so that a file of any size costs
// a piece of memory; a read failure anywhere throws EReadError, after the
// lines before it have been handed out. Throws EFOpenError.
void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line);

// What a LineBatchWork keeps with each batch (see LineBatch::part).
class LineBatchPart {
 public:
  virtual ~LineBatchPart() = default;
};

// Bytes read into place: room made for them is not cleared first.
class BatchBytes {
 public:
  std::string_view View() const { return {data_.get(), size_}; }
  std::size_t Size() const { return size_; }
  // Room for `count` more bytes after the others, valid until the next
  // call; Add(count) or fewer of them then counts them in.
  char* Room(std::size_t count);
  void Add(std::size_t count) { size_ += count; }
  void Append(std::string_view bytes);
  // Keeps the first `size` bytes (no more than there are).
  void Keep(std::size_t size) { size_ = size < size_ ? size : size_; }
  void Reserve(std::size_t capacity);

 private:
  std::unique_ptr<char[]> data_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

// Whole lines of a file, one after the other, in file order: text that
// begins at a line and ends with a line break, or at the end of the text.
struct LineBatch {
  BatchBytes bytes;
  // The batch does not begin at a line the work called independent: its
  // work goes on from where that of the batch before it ended.
  bool continues = false;
  // The work's own, made by it and kept as the batch goes round.
  std::unique_ptr<LineBatchPart> part;

  // Hands each line to `line`, cut by the rules of text/line_splitter.h.
  template <typename Line>
  void ForEachLine(Line&& line) const {
    tovrix::ForEachLine(bytes.View(), line);
  }
  void Clear() {
    bytes.Keep(0);
    continues = false;
  }
};

// Work on the lines of a file that can be split at some lines and done a
// batch at a time, several batches side by side, then joined in file order.
class LineBatchWork {
 public:
  virtual ~LineBatchWork() = default;
  // Whether the work from `line` on depends on nothing before it, so that a
  // batch may begin there. Called on the reading thread.
  virtual bool Independent(std::string_view line) const = 0;
  // Works on the lines of `batch`, apart from those before it. Called on
  // worker threads, for several batches at once. A batch that continues
  // another can only be worked on in turn: Join does it.
  virtual void Work(LineBatch& batch) = 0;
  // Takes the result of `batch`, in file order, on the calling thread.
  virtual void Join(LineBatch& batch) = 0;
};

// How large files are read: from `from` bytes on, the file is read ahead,
// on a thread of its own, in batches of about `batch` bytes; a batch for a
// LineBatchWork ends before the first line from `batch` bytes on that is
// independent, or that begins from `most` bytes on. Each batch in the
// window keeps its bytes and its lists between rounds, so `batch` sets most
// of the memory a large file costs; fresh memory is dear on some machines
// (each page the process first touches can cost microseconds), and half a
// megabyte keeps the workers busy as well as a megabyte did.
struct ReadAhead {
  std::size_t from = std::size_t{4} << 20;
  std::size_t batch = std::size_t{512} << 10;
  std::size_t most = std::size_t{4} << 20;
};

// ForEachRegFileLine with `work` for files read ahead: their lines are
// worked on batch by batch, on as many threads as the machine runs at once,
// and joined in file order; the same failures at the same points (a read
// failure comes after the batches before it are joined, a failure of Work
// when its batch's turn to be joined comes). Smaller files go to `line`.
void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line, LineBatchWork& work,
                        const ReadAhead& sizes = ReadAhead());

}  // namespace tovrix

#endif  // TOVRIX_ENCODING_LOADER_H_
