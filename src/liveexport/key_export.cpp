// Depth-first export of a registry key.
#include "liveexport/key_export.h"

#include "liveexport/registry.h"
#include "liveexport/value_lines.h"
#include "rewrite/control_set.h"
#include "rewrite/expander.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

struct ExportRun {
  platform::RegistryStore& store;
  TStringList& target;
  const ConversionSettings& settings;
  TStringList& expanderList;
  Console& console;
};

// The key line, the value lines, the progress line and the expander entry
// of one key. The key is opened anew for each value.
[[gnu::noinline]] void ExportValues(const ExportRun& run, TRegistry& registry,
                                   std::uint32_t root, std::string_view keyPath) {
  KeyLines key{run.settings, run.target,
               DoubleQuotes(OutputKeyPath(root, keyPath, run.settings)), std::string()};
  run.target.Add("0x0,\"" + key.linePath + "\"");

  TStringList names;
  if (registry.OpenKeyRead(keyPath)) {
    registry.ListValueNames(names);
    registry.CloseCurrentKey();
    names.Sort();
  }
  for (int i = 0; i < names.Count(); ++i) {
    if (registry.OpenKeyRead(keyPath)) ExportValue(registry, names.View(i), key);
    registry.CloseCurrentKey();
  }

  if (run.settings.verbose) run.console.Line("Processing - " + std::string(keyPath));
  AddExpanderEntry(run.settings, run.expanderList, key.expanderNames, root, keyPath);
}

// Kept apart from ExportValues so that each level of the recursion holds
// only one registry object and one name list on the stack.
void ExportTree(const ExportRun& run, std::uint32_t root, std::string_view keyPath, int depth) {
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
  for (int i = 0; i < subkeys.Count(); ++i) {
    std::string_view name = subkeys.View(i);
    if (name.empty()) continue;
    path.assign(keyPath);
    if (!path.empty()) path += '\\';
    path += name;
    ExportTree(run, root, path, depth + 1);
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
    const std::string upper = UpperAscii(keyPath);
    if (BeginsWith(upper, "SOFTWARE\\")) {
      path = ReplaceText(keyPath, "Software\\", "", IgnoreCase);
    } else if (BeginsWith(upper, "SYSTEM\\")) {
      path = ReplaceText(keyPath, "System\\", "", IgnoreCase);
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
               TStringList& expanderList, Console& console) {
  ExportTree(ExportRun{store, target, settings, expanderList, console}, root, keyPath, 0);
}

}  // namespace tovrix
