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

// The sections, in file order, with their header lines.
struct SectionName {
  TStringList OutputLists::*list;
  std::string_view header;
};
constexpr SectionName kSections[] = {
    {&OutputLists::softwareAddReg, "[Software.AddReg]"},
    {&OutputLists::softwareDelReg, "[Software.DelReg]"},
    {&OutputLists::defaultAddReg, "[Default.AddReg]"},
    {&OutputLists::defaultDelReg, "[Default.DelReg]"},
    {&OutputLists::setupRegAddReg, "[SetupReg.AddReg]"},
};

// Hands the document to `sink` piece by piece, in file order, and to
// `spilled` the spill file of a section where its bytes come. Every block
// is its header line, its items each followed by CR LF, and one empty line.
// `started`: the section whose header line is out already, in the file
// before or at the head of its spill file, and present however empty its
// list is.
template <typename Sink, typename Spilled>
void EmitDocument(const OutputLists& lists, Sink&& sink, Spilled&& spilled, const SpillOf& spillOf,
                  const TStringList* started) {
  auto present = [&](const TStringList& list) {
    return &list == started || list.Count() > 0 || spillOf(list) != nullptr;
  };
  auto block = [&](std::string_view header, const TStringList& list) {
    if (&list != started) {
      sink(header);
      sink("\r\n");
    }
    if (platform::SpillFile* file = spillOf(list)) spilled(*file);
    EmitItems(list, sink);
    sink("\r\n");
  };
  for (const SectionName& section : kSections) {
    const TStringList& list = lists.*section.list;
    if (!present(list)) continue;
    block(section.header, list);
    // The expander entries live inside [Software.AddReg] only; without
    // that section there is nowhere to put them.
    if (&list == &lists.softwareAddReg && lists.expanderList.Count() > 0) {
      block("; for Tessalon", lists.expanderList);
    }
  }
}

platform::SpillFile* NoSpill(const TStringList&) { return nullptr; }

}  // namespace

std::string AssembleOutputDocument(const OutputLists& lists) {
  std::string text;
  EmitDocument(
      lists, [&](std::string_view piece) { text.append(piece); }, [](platform::SpillFile&) {},
      NoSpill, /*started=*/nullptr);
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
                    const TStringList* started, const SpillOf& spillOf = NoSpill) {
  std::string chunk;
  ChunkedWriter out(SendTo(writer), chunk);
  bool ok = true;
  EmitDocument(
      lists, [&](std::string_view piece) { ok = ok && out.Put(piece); },
      [&](platform::SpillFile& file) {
        ok = ok && out.Flush() && writer.WriteSpilled(file).status == platform::WriteStatus::Ok;
      },
      spillOf, started);
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
  FinishDocument(lists, path, writer, /*started=*/nullptr);
}

// A section while the stream runs: the sink of its list. Its items go into
// the file itself when the stream takes them there, else to its spill file
// while none holds a line break the key list may cut; where no spill file
// is to be had, the list is held.
class OutputStream::Section : public TStringListSink {
 public:
  Section(OutputStream& stream, TStringList& list, std::string_view header, bool itemsMayBeCut)
      : stream_(stream), list_(list), header_(header), itemsMayBeCut_(itemsMayBeCut) {}

  bool OpenAside(const std::string& path) { return aside_ = file_.Open(path); }
  void Detach() { list_.SetSink(nullptr, 0); }
  TStringList& list() { return list_; }
  const TStringList& list() const { return list_; }
  std::string_view header() const { return header_; }
  platform::SpillFile& file() { return file_; }
  bool failed() const { return failed_; }
  // Nothing of it is in the list or aside.
  bool Empty() const { return list_.Count() == 0 && file_.Size() == 0; }

  void Take(TStringList& list) override {
    if (HeldForCutting(list, itemsMayBeCut_)) return;
    if (stream_.TakeStraight(*this, list)) return;
    if (!aside_) {
      list.SetSink(nullptr, 0);
      return;
    }
    if (!failed_) {
      std::string error;
      ChunkedWriter out([&](std::string_view bytes) { return file_.Write(bytes, error); }, chunk_);
      failed_ = !(PutItems(out, list) && out.Flush());  // as for the file itself
    }
    list.Clear();
  }

 private:
  OutputStream& stream_;
  TStringList& list_;
  const std::string_view header_;
  const bool itemsMayBeCut_;
  platform::SpillFile file_;
  bool aside_ = false;  // file_ is open
  std::string chunk_;
  bool failed_ = false;
};

OutputStream::OutputStream(OutputLists& lists, const std::string& path, bool itemsMayBeCut)
    : lists_(lists), path_(path) {
  auto writer = std::make_unique<platform::FileWriter>();
  if (writer->Open(path_, platform::Placement::TemporaryOnly).status != platform::WriteStatus::Ok) {
    return;  // held whole; Finish meets the failure, if it stays, where it always did
  }
  writer_ = std::move(writer);
  asideEverywhere_ = true;
  for (const SectionName& name : kSections) {
    TStringList& list = lists_.*name.list;
    auto section = std::make_unique<Section>(*this, list, name.header, itemsMayBeCut);
    if (!section->OpenAside(path_)) asideEverywhere_ = false;
    list.SetSink(section.get(), kStreamedBytes);
    sections_.push_back(std::move(section));
  }
  lists_.softwareAddReg.Reserve(2 * kStreamedBytes);
}

OutputStream::~OutputStream() { Detach(); }

void OutputStream::Detach() {
  for (const auto& section : sections_) section->Detach();
}

bool OutputStream::FilledBefore(const Section& section) const {
  for (const auto& before : sections_) {
    if (before.get() == &section) return false;
    if (!before->Empty()) return true;
  }
  return false;
}

bool OutputStream::TakeStraight(Section& section, TStringList& items) {
  const TStringList& list = section.list();
  const bool headed = first_ != nullptr;
  if (first_ == nullptr) {
    // The first section to fill goes into the file when nothing comes
    // before it there: [Software.AddReg] always, a later one only where
    // its bytes can go aside again (Finish), should a section before it
    // get items after all.
    if (&list != &lists_.softwareAddReg && !asideEverywhere_) return false;
    if (FilledBefore(section)) return false;
    first_ = &section;
  }
  if (first_ != &section) return false;
  if (!failed_) {
    ChunkedWriter out(SendTo(*writer_), chunk_);
    const bool ok = headed || (out.Put(section.header()) && out.Put("\r\n"));
    // A failed write fails Finish; until then the items are dropped, as a
    // conversion error still takes precedence.
    failed_ = !(ok && PutItems(out, items) && out.Flush());
  }
  items.Clear();
  // Room for the section's own list to fill up to the limit again; a list
  // handed in whole keeps its own blocks.
  if (&items == &list) items.Reserve(2 * kStreamedBytes);
  return true;
}

void OutputStream::Finish() {
  Detach();
  if (!writer_) {
    WriteOutputDocument(lists_, path_);
    return;
  }
  if (failed_) ThrowWriteError();
  for (const auto& section : sections_) {
    if (section->failed()) ThrowWriteError();
  }
  // A section before the one written first got items after all: the file
  // so far (the first one's header and items) goes aside, to be copied in
  // where that first one comes, and the file starts again.
  platform::SpillFile moved;
  const bool movedAside = first_ != nullptr && FilledBefore(*first_);
  if (movedAside) {
    if (writer_->SetAside(moved).status != platform::WriteStatus::Ok) ThrowWriteError();
    writer_ = std::make_unique<platform::FileWriter>();
    const platform::WriteResult opened = writer_->Open(path_);
    if (opened.status != platform::WriteStatus::Ok) ThrowCreateError(path_, opened.error);
  }
  const TStringList* started = first_ == nullptr ? nullptr : &first_->list();
  FinishDocument(lists_, path_, *writer_, started, [&](const TStringList& list) {
    if (movedAside && &list == started) return &moved;
    for (const auto& section : sections_) {
      if (&section->list() == &list && section->file().Size() > 0) return &section->file();
    }
    return static_cast<platform::SpillFile*>(nullptr);
  });
}

}  // namespace tovrix
