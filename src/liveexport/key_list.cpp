// The key-list input: every listed key exported into its section.
#include "liveexport/key_list.h"

#include <optional>
#include <vector>

#include "encoding/loader.h"
#include "liveexport/key_export.h"
#include "liveexport/key_list_entry.h"
#include "liveexport/registry.h"
#include "liveexport/section_append.h"
#include "registry/registry.h"
#include "text/line_splitter.h"
#include "text/string_list.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// The numbered name of the store's current control set.
std::string LiveControlSet(platform::RegistryStore& store) {
  TRegistry registry(store);
  registry.SetRoot(kHkeyLocalMachine);
  if (!registry.OpenKeyRead("System\\Select")) return "ControlSet001";
  return FormatText("ControlSet%.3d", {registry.ReadDwordValue("Current")});
}

// The file as 8-bit text: UTF-16LE (FF FE) decoded to the ANSI code page, a
// UTF-8 byte-order mark dropped, anything else as it is.
std::string LoadKeyListText(const std::string& path) {
  const std::string head = ReadFileHead(path, 3);
  if (head.size() >= 2 && head[0] == '\xFF' && head[1] == '\xFE') return LoadUnicodeText(path);
  std::string text = LoadPlainText(path);
  if (BeginsWith(text, "\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

}  // namespace

void ProcessKeyList(const std::string& path, platform::RegistryStore& store,
                    const ConversionSettings& settings, OutputLists& lists, Console& console) {
  console.Line("Processing " + FileNamePart(path));
  const std::string liveControlSet = LiveControlSet(store);
  const std::string text = LoadKeyListText(path);

  SectionAppender softwareAddReg(lists.softwareAddReg);
  SectionAppender defaultAddReg(lists.defaultAddReg);
  SectionAppender setupRegAddReg(lists.setupRegAddReg);
  std::vector<KeyTree> trees;
  std::vector<SectionAppender*> appenders;  // of each tree
  ForEachLine(text, [&](std::string_view line) {
    std::optional<KeyListEntry> entry = ParseKeyListLine(line);
    if (!entry) return;
    ApplyLiveControlSet(*entry, liveControlSet);
    TStringList* section = SectionFor(lists, *entry);
    if (section == nullptr) return;
    appenders.push_back(section == &lists.softwareAddReg  ? &softwareAddReg
                        : section == &lists.defaultAddReg ? &defaultAddReg
                                                          : &setupRegAddReg);
    trees.push_back(KeyTree{entry->root, entry->keyPath});
  });
  // The lines go straight into the section, cut at their line breaks: the
  // same items as exporting into a list of their own and appending it by
  // re-splitting, without holding the export twice.
  ExportKeyTrees(
      store, trees, [&](std::size_t i) -> TStringList& { return appenders[i]->Open(); }, settings,
      lists.expanderList, console, /*cutLines=*/true);
}

}  // namespace tovrix
