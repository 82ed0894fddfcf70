// Fuzz target of the registry-file converter.
//
// The first byte of the input chooses the settings (replace mode and
// target, verbose, expander entries); the rest is converted as the text of
// a loaded .reg file and also decoded as the byte list of a hex(2) and a
// hex(7) value. Besides the sanitizers' checks, every line the converter
// writes must have the shape of an INF line: an AddReg or key line
// ("0x..."), or a comment copied from the file or written for a replaced
// type. The same bytes as a file are also converted line by line and in
// small batches side by side (sizes chosen by the input's length): both must
// give the same document and console lines.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "encoding/loader.h"
#include "inf/output.h"
#include "regfile/converter.h"
#include "regfile/wide_hex.h"
#include "text/console.h"
#include "text/string_list.h"
#include "text/text_ops.h"

namespace {

void CheckLines(const tovrix::TStringList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const std::string_view item = list.View(i);
    if (item.substr(0, 2) == "0x") continue;
    const std::string_view trimmed = tovrix::TrimBlanks(item);
    if (!trimmed.empty() && trimmed.front() == ';') continue;
    std::abort();
  }
}

// The document and console lines of the file at `path`.
std::string ConvertFile(const std::string& path, const tovrix::ConversionSettings& settings,
                        const tovrix::ReadAhead& sizes) {
  tovrix::OutputLists lists;
  tovrix::CapturingConsole console;
  tovrix::ConvertRegFile(path, settings, lists, console, sizes);
  return tovrix::AssembleOutputDocument(lists) + '\0' + console.text;
}

void CheckBatches(std::string_view text, const tovrix::ConversionSettings& settings) {
  static const struct File {
    ~File() { std::remove(path.c_str()); }
    std::string path;
  } file{"/tmp/regfile_fuzz_" + std::to_string(::getpid()) + ".reg"};
  const std::string& path = file.path;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(text.data(), static_cast<std::streamsize>(text.size()));
  tovrix::ReadAhead inTurn;
  inTurn.from = static_cast<std::size_t>(-1);
  tovrix::ReadAhead batched;
  batched.from = 0;
  batched.batch = 1 + text.size() % 97;
  batched.most = batched.batch + text.size() % 389;
  if (ConvertFile(path, settings, inTurn) != ConvertFile(path, settings, batched)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tovrix::ConversionSettings settings;
  if (!text.empty()) {
    const std::uint8_t flags = data[0];
    settings.replaceMode = static_cast<std::uint8_t>(flags % 3);
    settings.replaceTarget = static_cast<std::uint8_t>((flags >> 2) % 7 + 1);
    settings.verbose = (flags & 0x20) != 0;
    settings.addExpanderEntries = (flags & 0x40) != 0;
    text.remove_prefix(1);
  }

  tovrix::OutputLists lists;
  tovrix::CapturingConsole console;
  tovrix::ConvertRegText(text, settings, lists, console);
  CheckLines(lists.softwareAddReg);
  CheckLines(lists.softwareDelReg);
  CheckLines(lists.defaultAddReg);
  CheckLines(lists.defaultDelReg);
  CheckLines(lists.setupRegAddReg);
  for (int i = 0; i < lists.expanderList.Count(); ++i) {
    if (lists.expanderList.View(i).substr(0, 23) != "0x7,\"Valmora\\Tessaly\\HK") std::abort();
  }
  (void)tovrix::AssembleOutputDocument(lists);
  CheckBatches(text, settings);

  (void)tovrix::DecodeWideHex(text, 2);
  (void)tovrix::DecodeWideHex(text, 7);
  return 0;
}
