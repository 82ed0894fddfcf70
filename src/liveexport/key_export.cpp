// Depth-first export of a registry key.
#include "liveexport/key_export.h"

#include "inf/addreg_line.h"
#include "liveexport/registry.h"
#include "liveexport/value_lines.h"
#include "registry/registry.h"
#include "rewrite/control_set.h"
#include "rewrite/expander.h"
#include "text/errors.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

struct ExportRun {
  platform::RegistryStore& store;
  TStringList& target;
  const ConversionSettings& settings;
  TStringList& expanderList;
  Console& console;
  bool cutLines;
  // Two subkeys whose names the ANSI code page writes alike ("a" and the
  // best-fit "a" of "ā") are both exported by that one name: the subtree
  // comes twice, and nested such pairs double it at every level. Keys
  // exported again that way are counted; past the bound the export fails
  // rather than run on for ever.
  int repeating = 0;  // how many repeated names the current key lies below
  std::uint64_t repeatedKeys = 0;
};

// The key line, the value lines, the progress line and the expander entry
// of one key. The key is opened anew for each value, as the registry may
// change meanwhile; a store that cannot change is asked once.
[[gnu::noinline]] void ExportValues(const ExportRun& run, TRegistry& registry, std::uint32_t root,
                                    std::string_view keyPath) {
  KeyLines key{
      run.settings,  run.target,   QuotedKeyPath(OutputKeyPath(root, keyPath, run.settings)),
      std::string(), run.cutLines, std::string()};
  key.Add(KeyLine(key.quotedPath));

  TStringList names;
  if (registry.OpenKeyRead(keyPath)) {
    registry.ListValueNames(names);
    registry.CloseCurrentKey();
    names.Sort();
  }
  const bool reopen = !run.store.Unchanging();
  bool open = false;
  for (int i = 0; i < names.Count(); ++i) {
    if (reopen || i == 0) open = registry.OpenKeyRead(keyPath);
    if (open) ExportValue(registry, names.View(i), key);
    if (reopen) registry.CloseCurrentKey();
  }
  registry.CloseCurrentKey();

  if (run.settings.verbose) run.console.Line("Processing - " + std::string(keyPath));
  AddExpanderEntry(run.settings, run.expanderList, key.expanderNames, root, keyPath);
}

// Kept apart from ExportValues so that each level of the recursion holds
// only one registry object and one name list on the stack.
void ExportTree(ExportRun& run, std::uint32_t root, std::string_view keyPath, int depth) {
  if (run.repeating > 0 && ++run.repeatedKeys > kMaxRepeatedKeys) {
    ThrowRepeatedKeysError(std::string(keyPath));
  }
  TRegistry registry(run.store);
  registry.SetRoot(root);
  ExportValues(run, registry, root, keyPath);

  if (depth >= kMaxExportDepth) return;
  registry.SetRoot(root);
  if (!registry.OpenKeyRead(keyPath)) return;
  TStringList subkeys;
  registry.ListSubkeyNames(subkeys);
  subkeys.Sort();
  std::string path;
  std::string previous;
  for (int i = 0; i < subkeys.Count(); ++i) {
    const std::string_view name = subkeys.View(i);
    if (name.empty()) continue;
    const bool repeated = i > 0 && name == previous;
    previous.assign(name);
    path.assign(keyPath);
    if (!path.empty()) path += '\\';
    path += name;
    run.repeating += repeated ? 1 : 0;
    ExportTree(run, root, path, depth + 1);
    run.repeating -= repeated ? 1 : 0;
  }
  registry.CloseCurrentKey();
}

}  // namespace

std::string OutputKeyPath(std::uint32_t root, std::string_view keyPath,
                          const ConversionSettings& settings) {
  std::string path;
  if (root == kHkeyClassesRoot) {
    path = "Classes\\";
    path += keyPath;
  } else if (root == kHkeyLocalMachine) {
    // The first case-blind "Software\" (or "System\") of a path that begins
    // with it is its beginning: the prefix is dropped.
    if (BeginsWithUpperAscii(keyPath, "SOFTWARE\\")) {
      path = keyPath.substr(9);
    } else if (BeginsWithUpperAscii(keyPath, "SYSTEM\\")) {
      path = keyPath.substr(7);
    } else {
      path = keyPath;
    }
  } else {
    path = keyPath;
  }
  if (settings.normalizeControlSet) path = NormalizeControlSetPath(path);
  return path;
}

void ExportKey(platform::RegistryStore& store, TStringList& target, std::uint32_t root,
               std::string_view keyPath, const ConversionSettings& settings,
               TStringList& expanderList, Console& console, bool cutLines) {
  ExportRun run{store, target, settings, expanderList, console, cutLines};
  ExportTree(run, root, keyPath, 0);
}

}  // namespace tovrix
