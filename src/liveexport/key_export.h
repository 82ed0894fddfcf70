// Export of one registry key, its values and all its subkeys, as
// AddReg lines.
//
// ExportKey appends to `target`, depth first: the key line 0x0,"<path>"
// (written even when the key cannot be opened), the lines of its values in
// sorted name order (value_lines.h), then the lines of each subkey in
// sorted name order. With `settings.verbose` it prints
// "Processing - <keyPath>" after a key's values; with
// `settings.addExpanderEntries` it appends one expander entry per key that
// holds values with environment references to `expanderList`, before those
// of its subkeys.
//
// The path written (OutputKeyPath) is made from `keyPath`: "Classes\" in
// front under HKEY_CLASSES_ROOT; under HKEY_LOCAL_MACHINE a leading
// "SOFTWARE\" or "SYSTEM\" (any letter case) is dropped; then the control
// set is normalized. Subkeys of the root itself (empty `keyPath`) are named
// without a leading backslash. A key more than kMaxExportDepth levels below
// the exported one is left out: registry links can form cycles.
//
// Subkeys whose names the ANSI code page writes alike are each exported by
// that one name, so the same subtree comes once per such name; more than
// kMaxRepeatedKeys keys exported that way make the export fail.
//
// Errors of the value reads (ERegistryException) pass through.
#ifndef TOVRIX_LIVEEXPORT_KEY_EXPORT_H_
#define TOVRIX_LIVEEXPORT_KEY_EXPORT_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "rewrite/settings.h"
#include "text/console.h"
#include "text/string_list.h"

namespace tovrix {

inline constexpr int kMaxExportDepth = 512;
// Keys exported again under a repeated subkey name (names the code page
// writes alike) before the export fails with ERegistryException.
inline constexpr std::uint64_t kMaxRepeatedKeys = 100000;

// Reads through `store`. With `cutLines`, every line is added cut at its
// line breaks (AddItemLines), as the key-list input appends to a section.
void ExportKey(platform::RegistryStore& store, TStringList& target, std::uint32_t root,
               std::string_view keyPath, const ConversionSettings& settings,
               TStringList& expanderList, Console& console, bool cutLines = false);

// One key to export with all below it.
struct KeyTree {
  std::uint32_t root = 0;
  std::string keyPath;
};

// ExportKey for each of `trees` in turn, the lines of tree i going to
// `targetFor(i)`, which is asked once for each tree, before its lines: the
// same lines, progress lines and failures as ExportKey tree after tree. A
// store that cannot change is read ahead, on one thread for all the trees.
void ExportKeyTrees(platform::RegistryStore& store, const std::vector<KeyTree>& trees,
                    const std::function<TStringList&(std::size_t)>& targetFor,
                    const ConversionSettings& settings, TStringList& expanderList, Console& console,
                    bool cutLines = false);

// The key path written into the lines of `keyPath` under `root` (quotes not
// yet doubled).
std::string OutputKeyPath(std::uint32_t root, std::string_view keyPath,
                          const ConversionSettings& settings);

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_KEY_EXPORT_H_
