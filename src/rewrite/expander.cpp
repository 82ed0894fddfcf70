// Expander entries: value names collected per key, written as one
// multi-string AddReg line under the expander's own key.
#include "rewrite/expander.h"

#include "registry/registry.h"
#include "rewrite/control_set.h"
#include "rewrite/env_paths.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

constexpr std::string_view kExpanderKey = "Valmora\\Tessaly\\";

// The root word of the entry key; class keys live under HKLM.
std::string_view RootWord(std::uint32_t root) {
  switch (root) {
    case kHkeyClassesRoot:
    case kHkeyLocalMachine:
      return "HKLM";
    case kHkeyUsers:
      return "HKU";
    case kHkeyCurrentConfig:
      return "HKCC";
    default:
      return "HKCU";
  }
}

}  // namespace

void CollectExpanderName(const ConversionSettings& settings, std::string_view data,
                         std::string_view name, bool atIsDefault, std::string& names) {
  if (!settings.addExpanderEntries) return;
  if (FindText("%", data) == 0) return;
  // Equal expansion: nothing the running system defines is referenced.
  if (ExpandEnvString(data) == data) return;
  if (name.empty() || (atIsDefault && name == "@")) name = "(Default)";
  names += '"';
  names += DoubleQuotes(name);
  names += "\",";
}

void AddExpanderEntry(const ConversionSettings& settings, TStringList& expanderList,
                      std::string_view names, std::uint32_t root, std::string_view keyPath) {
  if (!settings.addExpanderEntries || names.empty()) return;
  std::string path;
  if (root == kHkeyClassesRoot) path = "Software\\Classes\\";
  path += keyPath;
  if (settings.normalizeControlSet) path = NormalizeControlSetPath(path);

  // 0x7,"<entry key>","<entry key path>",<names without the final comma>
  std::string line = "0x7,\"";
  line += kExpanderKey;
  line += RootWord(root);
  line += "\",\"";
  line += DoubleQuotes(path);
  line += "\",";
  line += names.substr(0, names.size() - 1);
  expanderList.Add(line);
}

}  // namespace tovrix
