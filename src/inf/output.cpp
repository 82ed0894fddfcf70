#include "inf/output.h"

#include <string_view>

#include "platform/files.h"
#include "text/errors.h"

namespace tovrix {

namespace {

// Hands the document to `sink` piece by piece, in file order. Every block
// is its header line, its items each followed by CR LF, and one empty line.
template <typename Sink>
void EmitDocument(const OutputLists& lists, Sink&& sink) {
  auto block = [&](std::string_view header, const TStringList& list) {
    sink(header);
    sink("\r\n");
    for (int i = 0; i < list.Count(); ++i) {
      sink(list.View(i));
      sink("\r\n");
    }
    sink("\r\n");
  };
  if (lists.softwareAddReg.Count() > 0) {
    block("[Software.AddReg]", lists.softwareAddReg);
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

void WriteOutputDocument(const OutputLists& lists, const std::string& path) {
  platform::FileWriter writer;
  platform::WriteResult opened = writer.Open(path);
  if (opened.status != platform::WriteStatus::Ok) ThrowCreateError(path, opened.error);

  // Items are gathered into large chunks so that millions of short lines
  // cost few system calls.
  constexpr std::size_t kChunk = 1 << 20;
  std::string chunk;
  chunk.reserve(kChunk + 4096);
  auto flush = [&] {
    if (chunk.empty()) return;
    platform::WriteResult written = writer.Write(chunk);
    if (written.status != platform::WriteStatus::Ok) ThrowWriteError();
    chunk.clear();
  };
  EmitDocument(lists, [&](std::string_view piece) {
    if (piece.size() >= kChunk) {
      flush();
      platform::WriteResult written = writer.Write(piece);
      if (written.status != platform::WriteStatus::Ok) ThrowWriteError();
      return;
    }
    chunk.append(piece);
    if (chunk.size() >= kChunk) flush();
  });
  flush();
  platform::WriteResult committed = writer.Commit();
  if (committed.status == platform::WriteStatus::CreateFailed)
    ThrowCreateError(path, committed.error);
  if (committed.status != platform::WriteStatus::Ok) ThrowWriteError();
}

}  // namespace tovrix
