// Reading the lines of a key-list file.
#include "liveexport/key_list_entry.h"

#include <array>

#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

struct RootForm {
  std::string_view name;  // upper case
  std::uint32_t root;
  bool needsSeparator;  // short forms: '\' or the end must follow
};

// Tested in this order; the first match decides.
constexpr std::array<RootForm, 11> kRootForms{{
    {"HKEY_CLASSES_ROOT", kHkeyClassesRoot, false},
    {"HKEY_LOCAL_MACHINE", kHkeyLocalMachine, false},
    {"HKEY_USERS", kHkeyUsers, false},
    {"HKEY_CURRENT_CONFIG", kHkeyCurrentConfig, false},
    {"HKEY_DYN_DATA", kHkeyDynData, false},
    {"HKEY_CURRENT_USER", kHkeyCurrentUser, false},
    {"HKCR", kHkeyClassesRoot, true},
    {"HKCU", kHkeyCurrentUser, true},
    {"HKLM", kHkeyLocalMachine, true},
    {"HKU", kHkeyUsers, true},
    {"HKCC", kHkeyCurrentConfig, true},
}};

}  // namespace

std::optional<KeyListEntry> ParseKeyListLine(std::string_view line) {
  const std::string_view text = TrimBlanks(line);
  if (text.empty() || text.front() == ';') return std::nullopt;
  const std::string upper = UpperAscii(text);
  for (const RootForm& form : kRootForms) {
    if (!BeginsWith(upper, form.name)) continue;
    if (form.needsSeparator && upper.size() > form.name.size() && upper[form.name.size()] != '\\') {
      continue;
    }
    // The root's name and the one character after it are dropped.
    const std::size_t nameLength =
        form.needsSeparator ? form.name.size() : RootKeyName(form.root).size();
    KeyListEntry entry;
    entry.root = form.root;
    entry.keyPath = std::string(
        SubText(text, static_cast<long long>(nameLength) + 2, static_cast<long long>(text.size())));
    return entry;
  }
  return std::nullopt;
}

void ApplyLiveControlSet(KeyListEntry& entry, std::string_view liveControlSet) {
  if (entry.root != kHkeyLocalMachine) return;
  if (!BeginsWith(UpperAscii(entry.keyPath), "SYSTEM\\CURRENTCONTROLSET")) return;
  entry.keyPath = ReplaceText(entry.keyPath, "CurrentControlSet", liveControlSet, IgnoreCase);
}

TStringList* SectionFor(OutputLists& lists, const KeyListEntry& entry) {
  switch (entry.root) {
    case kHkeyClassesRoot:
      return &lists.softwareAddReg;
    case kHkeyCurrentUser:
      return &lists.defaultAddReg;
    case kHkeyLocalMachine: {
      const std::string upper = UpperAscii(entry.keyPath);
      if (BeginsWith(upper, "SOFTWARE\\")) return &lists.softwareAddReg;
      if (BeginsWith(upper, "SYSTEM\\")) return &lists.setupRegAddReg;
      return nullptr;
    }
    default:
      return nullptr;
  }
}

}  // namespace tovrix
