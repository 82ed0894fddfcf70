// The walk shared by the two ways ExportKey works (key_export.h): in turn
// on one thread, or reading ahead on a second one (read_ahead.cpp). For
// the export's own files only.
#ifndef TOVRIX_LIVEEXPORT_KEY_WALK_H_
#define TOVRIX_LIVEEXPORT_KEY_WALK_H_

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "inf/addreg_line.h"
#include "liveexport/key_export.h"
#include "liveexport/registry.h"
#include "liveexport/value_lines.h"
#include "rewrite/expander.h"
#include "text/errors.h"

namespace tovrix::keywalk {

// What one ExportKey call works with: the store it reads (on the reading
// thread only), where the lines go and how they are made (on the calling
// thread only).
struct ExportRun {
  platform::RegistryStore& store;
  TStringList* target;  // of the tree being written
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
// of one key whose value names are known, for the first `count` of them.
// The key is opened anew for each value, as the registry may change
// meanwhile, unless `once`: a store that cannot change is asked once.
// `failure` (reading the key went wrong after those values) is thrown
// after their lines.
template <typename Names>
void WriteKeyLines(const ExportRun& run, TRegistry& registry, std::uint32_t root,
                   std::string_view keyPath, const Names& names, int count, bool once,
                   const std::exception_ptr& failure) {
  KeyLines key{
      run.settings,  *run.target,  QuotedKeyPath(OutputKeyPath(root, keyPath, run.settings)),
      std::string(), run.cutLines, std::string()};
  key.Add(KeyLine(key.quotedPath));
  bool open = false;
  for (int i = 0; i < count; ++i) {
    if (!once || i == 0) open = registry.OpenKeyRead(keyPath);
    if (open) ExportValue(registry, names.View(i), key);
    if (!once) registry.CloseCurrentKey();
  }
  registry.CloseCurrentKey();
  if (failure) std::rethrow_exception(failure);

  if (run.settings.verbose) run.console.Line("Processing - " + std::string(keyPath));
  AddExpanderEntry(run.settings, run.expanderList, key.expanderNames, root, keyPath);
}

// Calls `visit(registry, keyPath)` for the key and, depth first in sorted
// name order, for its subkeys: the order of the export. `visit` reads the
// key's values, and may leave the key open in `registry` for the listing of
// its subkeys, which follows.
template <typename Visit>
void WalkTree(ExportRun& run, std::uint32_t root, std::string_view keyPath, int depth,
              Visit& visit) {
  if (run.repeating > 0 && ++run.repeatedKeys > kMaxRepeatedKeys) {
    ThrowRepeatedKeysError(std::string(keyPath));
  }
  TRegistry registry(run.store);
  registry.SetRoot(root);
  visit(registry, keyPath);

  if (depth >= kMaxExportDepth) return;
  // `visit` may leave the key open (a store that cannot change gives the
  // same key again).
  if (!registry.HasOpenKey() && !registry.OpenKeyRead(keyPath)) return;
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
    WalkTree(run, root, path, depth + 1, visit);
    run.repeating -= repeated ? 1 : 0;
  }
  registry.CloseCurrentKey();
}

// The names of the values of `keyPath`, sorted; none when it does not open.
void ReadValueNames(TRegistry& registry, std::string_view keyPath, TStringList& names);

// The export of `trees` with a second thread reading the keys ahead; for a
// store that cannot change (read_ahead.cpp).
void ExportAhead(ExportRun& run, const std::vector<KeyTree>& trees,
                 const std::function<TStringList&(std::size_t)>& targetFor);

}  // namespace tovrix::keywalk

#endif  // TOVRIX_LIVEEXPORT_KEY_WALK_H_
