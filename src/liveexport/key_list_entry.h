// One line of a key-list file: which root, which key, which section.
//
// ParseKeyListLine trims the line (bytes 0x00..0x20 at both ends) and
// reads it as a root name, one separator character and the key path below
// the root. Root names are matched at the start of the line without regard
// to ASCII letter case, in this order:
//   HKEY_CLASSES_ROOT, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG,
//   HKEY_DYN_DATA, HKEY_CURRENT_USER   (the name and the next character are
//                                       dropped, whatever that character is)
//   HKCR, HKCU, HKLM, HKU, HKCC        (only when followed by '\' or the end)
// Blank lines, lines starting with ';' and lines naming no known root give
// nothing.
//
// ApplyLiveControlSet: under HKEY_LOCAL_MACHINE, a key path starting with
// SYSTEM\CurrentControlSet (any letter case) has that first
// "CurrentControlSet" replaced by the live control set's name.
//
// SectionFor: HKEY_CLASSES_ROOT -> Software.AddReg; HKEY_CURRENT_USER ->
// Default.AddReg; HKEY_LOCAL_MACHINE with SOFTWARE\... -> Software.AddReg,
// with SYSTEM\... -> SetupReg.AddReg; anything else null (skipped).
#ifndef TOVRIX_LIVEEXPORT_KEY_LIST_ENTRY_H_
#define TOVRIX_LIVEEXPORT_KEY_LIST_ENTRY_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "inf/output.h"
#include "text/string_list.h"

namespace tovrix {

struct KeyListEntry {
  std::uint32_t root = 0;
  std::string keyPath;
};

std::optional<KeyListEntry> ParseKeyListLine(std::string_view line);

void ApplyLiveControlSet(KeyListEntry& entry, std::string_view liveControlSet);

TStringList* SectionFor(OutputLists& lists, const KeyListEntry& entry);

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_KEY_LIST_ENTRY_H_
