#include "inf/output.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/files.h"
#include "text/errors.h"

namespace tovrix {

namespace {

// Hands the items of `list` to `sink`, each followed by CR LF.
template <typename Sink>
void EmitItems(const TStringList& list, Sink&& sink) {
  list.ForEachWrittenPiece(sink);
}

// The bytes of a section that went to a spill file before the items its
// list holds; null when none did.
using SpillOf = std::function<platform::SpillFile*(const TStringList&)>;

// Hands the document to `sink` piece by piece, in file order, and to
// `spilled` the spill file of a section where its bytes come. Every block
// is its header line, its items each followed by CR LF, and one empty line.
// `softwareStarted`: the header of [Software.AddReg] and the items before
// those the list holds are out already.
template <typename Sink, typename Spilled>
void EmitDocument(const OutputLists& lists, Sink&& sink, Spilled&& spilled, const SpillOf& spillOf,
                  bool softwareStarted) {
  auto present = [&](const TStringList& list) {
    return list.Count() > 0 || spillOf(list) != nullptr;
  };
  auto block = [&](std::string_view header, const TStringList& list) {
    sink(header);
    sink("\r\n");
    if (platform::SpillFile* file = spillOf(list)) spilled(*file);
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
  if (present(lists.softwareDelReg)) block("[Software.DelReg]", lists.softwareDelReg);
  if (present(lists.defaultAddReg)) block("[Default.AddReg]", lists.defaultAddReg);
  if (present(lists.defaultDelReg)) block("[Default.DelReg]", lists.defaultDelReg);
  if (present(lists.setupRegAddReg)) block("[SetupReg.AddReg]", lists.setupRegAddReg);
}

platform::SpillFile* NoSpill(const TStringList&) { return nullptr; }

}  // namespace

std::string AssembleOutputDocument(const OutputLists& lists) {
  std::string text;
  EmitDocument(
      lists, [&](std::string_view piece) { text.append(piece); }, [](platform::SpillFile&) {},
      NoSpill, /*softwareStarted=*/false);
  return text;
}

namespace {

// Gathers pieces into large chunks, so that millions of short lines cost
// few system calls; `send` writes a chunk. False once a write failed.
class ChunkedWriter {
 public:
  ChunkedWriter(std::function<bool(std::string_view)> send, std::string& chunk)
      : send_(std::move(send)), chunk_(chunk) {
    chunk_.clear();
    chunk_.reserve(kChunk + 4096);
  }

  bool Put(std::string_view piece) {
    if (piece.size() >= kDirect) return Flush() && Send(piece);
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
  // As large as the file writer's own buffer, which chunks then bypass.
  static constexpr std::size_t kChunk = 1 << 20;
  // A piece this large (a block of a list, mostly) is sent as it is:
  // copying it into the chunk would cost more than the call saves.
  static constexpr std::size_t kDirect = 64 << 10;

  bool Send(std::string_view bytes) {
    if (ok_) ok_ = send_(bytes);
    return ok_;
  }

  std::function<bool(std::string_view)> send_;
  std::string& chunk_;
  bool ok_ = true;
};

std::function<bool(std::string_view)> SendTo(platform::FileWriter& writer) {
  return [&writer](std::string_view bytes) {
    return writer.Write(bytes).status == platform::WriteStatus::Ok;
  };
}

// When the key list may cut items at their line breaks and an item of
// `list` holds one, ends the list's sink, so that the list holds its items
// from here on, and answers true.
bool HeldForCutting(TStringList& list, bool itemsMayBeCut) {
  if (!itemsMayBeCut) return false;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.View(i).find_first_of("\r\n") != std::string_view::npos) {
      list.SetSink(nullptr, 0);
      return true;
    }
  }
  return false;
}

// Puts the items of `list`, each followed by CR LF. False once a write failed.
bool PutItems(ChunkedWriter& out, const TStringList& list) {
  bool ok = true;
  EmitItems(list, [&](std::string_view piece) { ok = ok && out.Put(piece); });
  return ok;
}

// Writes the document, or its rest, through the open `writer` and puts the
// file in place.
void FinishDocument(const OutputLists& lists, const std::string& path, platform::FileWriter& writer,
                    bool softwareStarted, const SpillOf& spillOf = NoSpill) {
  std::string chunk;
  ChunkedWriter out(SendTo(writer), chunk);
  bool ok = true;
  EmitDocument(
      lists, [&](std::string_view piece) { ok = ok && out.Put(piece); },
      [&](platform::SpillFile& file) {
        ok = ok && out.Flush() && writer.WriteSpilled(file).status == platform::WriteStatus::Ok;
      },
      spillOf, softwareStarted);
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

// A section after [Software.AddReg]: its items go to a spill file as they
// come, while none holds a line break the key list may cut.
class OutputStream::Spill : public TStringListSink {
 public:
  Spill(TStringList& list, bool itemsMayBeCut) : list_(list), itemsMayBeCut_(itemsMayBeCut) {}

  bool Open(const std::string& path) { return file_.Open(path); }
  void Detach() { list_.SetSink(nullptr, 0); }
  const TStringList& list() const { return list_; }
  platform::SpillFile& file() { return file_; }
  bool failed() const { return failed_; }

  void Take(TStringList& list) override {
    if (HeldForCutting(list, itemsMayBeCut_)) return;
    if (!failed_) {
      std::string error;
      ChunkedWriter out([&](std::string_view bytes) { return file_.Write(bytes, error); }, chunk_);
      failed_ = !(PutItems(out, list) && out.Flush());  // as for [Software.AddReg]
    }
    list.Clear();
  }

 private:
  TStringList& list_;
  const bool itemsMayBeCut_;
  platform::SpillFile file_;
  std::string chunk_;
  bool failed_ = false;
};

OutputStream::OutputStream(OutputLists& lists, const std::string& path, bool itemsMayBeCut)
    : lists_(lists), path_(path), itemsMayBeCut_(itemsMayBeCut) {
  auto writer = std::make_unique<platform::FileWriter>();
  if (writer->Open(path_, platform::Placement::TemporaryOnly).status != platform::WriteStatus::Ok) {
    return;  // held whole; Finish meets the failure, if it stays, where it always did
  }
  writer_ = std::move(writer);
  lists_.softwareAddReg.SetSink(this, kStreamedBytes);
  lists_.softwareAddReg.Reserve(2 * kStreamedBytes);
  for (TStringList* list : {&lists_.softwareDelReg, &lists_.defaultAddReg, &lists_.defaultDelReg,
                            &lists_.setupRegAddReg}) {
    auto spill = std::make_unique<Spill>(*list, itemsMayBeCut_);
    if (!spill->Open(path_)) break;  // held, as the system keeps nothing aside
    list->SetSink(spill.get(), kStreamedBytes);
    spills_.push_back(std::move(spill));
  }
}

OutputStream::~OutputStream() { Detach(); }

void OutputStream::Detach() {
  lists_.softwareAddReg.SetSink(nullptr, 0);
  for (const auto& spill : spills_) spill->Detach();
}

void OutputStream::Take(TStringList& list) {
  if (HeldForCutting(list, itemsMayBeCut_)) return;
  if (!failed_) {
    ChunkedWriter out(SendTo(*writer_), chunk_);
    const bool ok = started_ || (out.Put("[Software.AddReg]") && out.Put("\r\n"));
    started_ = true;
    // A failed write fails Finish; until then the items are dropped, as a
    // conversion error still takes precedence.
    failed_ = !(ok && PutItems(out, list) && out.Flush());
  }
  list.Clear();
  list.Reserve(2 * kStreamedBytes);
}

void OutputStream::Finish() {
  Detach();
  if (!writer_) {
    WriteOutputDocument(lists_, path_);
    return;
  }
  if (failed_) ThrowWriteError();
  for (const auto& spill : spills_) {
    if (spill->failed()) ThrowWriteError();
  }
  FinishDocument(lists_, path_, *writer_, started_, [&](const TStringList& list) {
    for (const auto& spill : spills_) {
      if (&spill->list() == &list && spill->file().Size() > 0) return &spill->file();
    }
    return static_cast<platform::SpillFile*>(nullptr);
  });
}

}  // namespace tovrix
