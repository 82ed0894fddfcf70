// The line loop of the registry-file converter and the key headers.

#include "regfile/converter.h"

#include <string>
#include <string_view>

#include "encoding/loader.h"
#include "regfile/converter_state.h"
#include "rewrite/control_set.h"
#include "rewrite/expander.h"
#include "text/string_list.h"
#include "text/text_ops.h"
#include "registry/registry.h"

namespace tovrix {

namespace regfile {

namespace {

// The registry editor's signature line, skipped wherever it stands.
constexpr std::string_view kSignature = "WINDOWS REGISTRY EDITOR";

// How a recognised header sets the full key path and the root.
enum class FullPath {
  kSoftware,   // "SOFTWARE\" + key path, below HKEY_LOCAL_MACHINE
  kUser,       // the key path, below HKEY_CURRENT_USER
  kSystem,     // "\SYSTEM\" + key path, below HKEY_LOCAL_MACHINE
  kUnchanged,  // delete headers leave both as they were
};

struct HeaderRule {
  std::string_view prefix;       // upper case, compared with UpperAscii
  TStringList OutputLists::*list;
  bool classes;                  // the key path gets "Classes\" in front
  FullPath full;
};

// Tried in this order; the first prefix the header begins with decides.
constexpr HeaderRule kHeaderRules[] = {
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\", &OutputLists::softwareAddReg, false, FullPath::kSoftware},
    {"[HKEY_CLASSES_ROOT\\", &OutputLists::softwareAddReg, true, FullPath::kSoftware},
    {"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\", &OutputLists::softwareDelReg, false, FullPath::kUnchanged},
    {"[-HKEY_CLASSES_ROOT\\", &OutputLists::softwareDelReg, true, FullPath::kUnchanged},
    {"[HKEY_CURRENT_USER\\", &OutputLists::defaultAddReg, false, FullPath::kUser},
    {"[-HKEY_CURRENT_USER\\", &OutputLists::defaultDelReg, false, FullPath::kUnchanged},
    {"[HKEY_LOCAL_MACHINE\\SYSTEM\\", &OutputLists::setupRegAddReg, false, FullPath::kSystem},
};

void FlushExpanderNames(ConverterState& s) {
  if (!s.settings.addExpanderEntries) return;
  if (!s.expanderNames.empty()) {
    AddExpanderEntry(s.settings, s.lists.expanderList, s.expanderNames, s.rootKey,
                     s.normalizedFullKeyPath);
  }
  s.expanderNames.clear();
}

std::string NormalizedPath(const ConverterState& s, std::string_view path) {
  if (s.settings.normalizeControlSet) return NormalizeControlSetPath(path);
  return std::string(path);
}

// `trimmed` begins with "[". Ends the key before it (and any value left
// open in it) and selects the section and key the next lines belong to.
void HandleKeyHeader(ConverterState& s, std::string_view trimmed) {
  FlushExpanderNames(s);

  const HeaderRule* rule = nullptr;
  for (const HeaderRule& r : kHeaderRules) {
    if (BeginsWithUpperAscii(trimmed, r.prefix)) {
      rule = &r;
      break;
    }
  }
  if (rule == nullptr) {
    s.state = ParseState::kIgnoredKey;
    s.targetList = nullptr;
    s.deleteKey = false;
    s.keyPath.clear();
    return;
  }

  s.state = ParseState::kInKey;
  s.targetList = &(s.lists.*(rule->list));
  s.deleteKey = rule->full == FullPath::kUnchanged;
  // The rest of the header less its last byte, the closing "]" (removed
  // whatever it is).
  std::string_view rest = trimmed.substr(rule->prefix.size());
  rest = rest.substr(0, rest.empty() ? 0 : rest.size() - 1);
  SetText(s.keyPath, rule->classes ? "Classes\\" : "");
  s.keyPath.append(rest);

  switch (rule->full) {
    case FullPath::kSoftware:
      SetText(s.fullKeyPath, "SOFTWARE\\");
      s.fullKeyPath.append(s.keyPath);
      s.rootKey = kHkeyLocalMachine;
      break;
    case FullPath::kUser:
      s.fullKeyPath = s.keyPath;
      s.rootKey = kHkeyCurrentUser;
      break;
    case FullPath::kSystem:
      SetText(s.fullKeyPath, "\\SYSTEM\\");
      s.fullKeyPath.append(s.keyPath);
      s.rootKey = kHkeyLocalMachine;
      break;
    case FullPath::kUnchanged:
      break;
  }

  // Both normalized paths depend on the header alone: made once here
  // rather than for every value line.
  SetText(s.keyField, "\"");
  AppendDoubledQuotes(s.keyField, NormalizedPath(s, s.keyPath));
  s.keyField.push_back('"');
  if (rule->full != FullPath::kUnchanged) {
    s.normalizedFullKeyPath = NormalizedPath(s, s.fullKeyPath);
  }

  if (s.settings.verbose && !s.keyPath.empty()) {
    SetText(s.line, "Processing - ");
    s.line.append(s.keyPath);
    s.console.Line(s.line);
  }
}

// `text` without its leading bytes 0x00..0x20.
std::string_view TrimLeadingBlanks(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) ++i;
  return text.substr(i);
}

}  // namespace

void HandleLine(ConverterState& s, std::string_view raw) {
  if (BeginsWithUpperAscii(raw, kSignature)) return;
  if (raw.empty()) return;
  const std::string_view trimmed = TrimBlanks(raw);
  if (!trimmed.empty() && trimmed.front() == '[') {
    HandleKeyHeader(s, trimmed);
    return;
  }
  if (s.state == ParseState::kBeforeFirstKey || s.state == ParseState::kIgnoredKey) return;
  if (trimmed.empty()) return;  // blank lines are never copied
  if (trimmed.front() == ';') {
    s.targetList->Add(raw);  // comments keep their leading blanks
    return;
  }
  if (s.keyPath.empty()) return;
  // Blanks before a value's name are indentation, not part of the name:
  // hand-written files indent their values, and `  "path"="x"` names the
  // value path as `"path"="x"` does. The data keeps its bytes.
  const std::string_view line = raw.substr(raw.size() - TrimLeadingBlanks(raw).size());
  const std::size_t separator = FindNameSeparator(line, s.lead);
  if (separator == std::string_view::npos || separator == 0) {
    ConvertContinuationLine(s, raw);
  } else {
    ConvertValueLine(s, line.substr(0, separator), line.substr(separator + 1));
  }
}

void FinishFile(ConverterState& s) { FlushExpanderNames(s); }

}  // namespace regfile

void ProcessRegFile(const std::string& path, const ConversionSettings& settings,
                    OutputLists& lists, Console& console) {
  std::string line("Processing ");
  line.append(FileNamePart(path));
  console.Line(line);
  ConvertRegFile(path, settings, lists, console);
}

void ConvertRegFile(const std::string& path, const ConversionSettings& settings,
                    OutputLists& lists, Console& console) {
  const std::string text = LoadRegFileText(path, settings.probeSize);
  ConvertRegText(text, settings, lists, console);
}

void ConvertRegText(std::string_view text, const ConversionSettings& settings,
                    OutputLists& lists, Console& console) {
  regfile::ConverterState state(settings, lists, console);
  ForEachLine(text, [&state](std::string_view line) { regfile::HandleLine(state, line); });
  regfile::FinishFile(state);
}

}  // namespace tovrix
