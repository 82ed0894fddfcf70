#include "inf/output.h"

#include <string_view>
#include <utility>

#include "platform/files.h"
#include "text/errors.h"

namespace tovrix {

namespace {

// Hands the items of `list` to `sink`, each followed by CR LF.
template <typename Sink>
void EmitItems(const TStringList& list, Sink&& sink) {
  for (int i = 0; i < list.Count(); ++i) {
    sink(list.View(i));
    sink("\r\n");
  }
}

// Hands the document to `sink` piece by piece, in file order. Every block
// is its header line, its items each followed by CR LF, and one empty line.
// `softwareStarted`: the header of [Software.AddReg] and the items before
// those the list holds are out already.
template <typename Sink>
void EmitDocument(const OutputLists& lists, Sink&& sink, bool softwareStarted = false) {
  auto block = [&](std::string_view header, const TStringList& list) {
    sink(header);
    sink("\r\n");
    EmitItems(list, sink);
    sink("\r\n");
  };
  if (softwareStarted) {
    EmitItems(lists.softwareAddReg, sink);
    sink("\r\n");
  } else if (lists.softwareAddReg.Count() > 0) {
    block("[Software.AddReg]", lists.softwareAddReg);
  }
  if (softwareStarted || lists.softwareAddReg.Count() > 0) {
    // The expander entries live inside [Software.AddReg] only; without
    // that section there is nowhere to put them.
    if (lists.expanderList.Count() > 0) block("; for Tessalon", lists.expanderList);
  }
  if (lists.softwareDelReg.Count() > 0) block("[Software.DelReg]", lists.softwareDelReg);
  if (lists.defaultAddReg.Count() > 0) block("[Default.AddReg]", lists.defaultAddReg);
  if (lists.defaultDelReg.Count() > 0) block("[Default.DelReg]", lists.defaultDelReg);
  if (lists.setupRegAddReg.Count() > 0) block("[SetupReg.AddReg]", lists.setupRegAddReg);
}

}  // namespace

std::string AssembleOutputDocument(const OutputLists& lists) {
  std::string text;
  EmitDocument(lists, [&](std::string_view piece) { text.append(piece); });
  return text;
}

namespace {

// Gathers pieces into large chunks, so that millions of short lines cost
// few system calls. False once a write failed.
class ChunkedWriter {
 public:
  ChunkedWriter(platform::FileWriter& writer, std::string& chunk) : writer_(writer), chunk_(chunk) {
    chunk_.clear();
    chunk_.reserve(kChunk + 4096);
  }

  bool Put(std::string_view piece) {
    if (piece.size() >= kChunk) return Flush() && Send(piece);
    chunk_.append(piece);
    return chunk_.size() < kChunk || Flush();
  }

  bool Flush() {
    if (chunk_.empty()) return ok_;
    const bool sent = Send(chunk_);
    chunk_.clear();
    return sent;
  }

 private:
  static constexpr std::size_t kChunk = 1 << 18;

  bool Send(std::string_view bytes) {
    if (ok_) ok_ = writer_.Write(bytes).status == platform::WriteStatus::Ok;
    return ok_;
  }

  platform::FileWriter& writer_;
  std::string& chunk_;
  bool ok_ = true;
};

// Writes the document, or its rest, through the open `writer` and puts the
// file in place.
void FinishDocument(const OutputLists& lists, const std::string& path, platform::FileWriter& writer,
                    bool softwareStarted) {
  std::string chunk;
  ChunkedWriter out(writer, chunk);
  bool ok = true;
  EmitDocument(
      lists, [&](std::string_view piece) { ok = ok && out.Put(piece); }, softwareStarted);
  if (!ok || !out.Flush()) ThrowWriteError();
  platform::WriteResult committed = writer.Commit();
  if (committed.status == platform::WriteStatus::CreateFailed)
    ThrowCreateError(path, committed.error);
  if (committed.status != platform::WriteStatus::Ok) ThrowWriteError();
}

}  // namespace

void WriteOutputDocument(const OutputLists& lists, const std::string& path) {
  platform::FileWriter writer;
  platform::WriteResult opened = writer.Open(path);
  if (opened.status != platform::WriteStatus::Ok) ThrowCreateError(path, opened.error);
  FinishDocument(lists, path, writer, /*softwareStarted=*/false);
}

OutputStream::OutputStream(OutputLists& lists, const std::string& path, bool itemsMayBeCut)
    : lists_(lists), path_(path), itemsMayBeCut_(itemsMayBeCut) {
  auto writer = std::make_unique<platform::FileWriter>();
  if (writer->Open(path_, platform::Placement::TemporaryOnly).status != platform::WriteStatus::Ok) {
    return;  // held whole; Finish meets the failure, if it stays, where it always did
  }
  writer_ = std::move(writer);
  lists_.softwareAddReg.SetSink(this, kStreamedBytes);
  lists_.softwareAddReg.Reserve(2 * kStreamedBytes);
}

OutputStream::~OutputStream() { lists_.softwareAddReg.SetSink(nullptr, 0); }

void OutputStream::Take(TStringList& list) {
  if (itemsMayBeCut_) {
    for (int i = 0; i < list.Count(); ++i) {
      const std::string_view item = list.View(i);
      if (item.find_first_of("\r\n") != std::string_view::npos) {
        list.SetSink(nullptr, 0);  // held from here on, for the key list to cut
        return;
      }
    }
  }
  if (!failed_) {
    ChunkedWriter out(*writer_, chunk_);
    bool ok = started_ || (out.Put("[Software.AddReg]") && out.Put("\r\n"));
    started_ = true;
    for (int i = 0; ok && i < list.Count(); ++i) ok = out.Put(list.View(i)) && out.Put("\r\n");
    // A failed write fails Finish; until then the items are dropped, as a
    // conversion error still takes precedence.
    failed_ = !(ok && out.Flush());
  }
  list.Clear();
  list.Reserve(2 * kStreamedBytes);
}

void OutputStream::Finish() {
  lists_.softwareAddReg.SetSink(nullptr, 0);
  if (!writer_) {
    WriteOutputDocument(lists_, path_);
    return;
  }
  if (failed_) ThrowWriteError();
  FinishDocument(lists_, path_, *writer_, started_);
}

}  // namespace tovrix
