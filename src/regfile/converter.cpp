// The line loop of the registry-file converter and the key headers.

#include "regfile/converter.h"

#include <string>
#include <string_view>

#include "encoding/loader.h"
#include "inf/addreg_line.h"
#include "regfile/converter_state.h"
#include "registry/registry.h"
#include "rewrite/control_set.h"
#include "rewrite/expander.h"
#include "text/line_rules.h"
#include "text/line_splitter.h"
#include "text/string_list.h"
#include "text/text_ops.h"

namespace tovrix {

namespace regfile {

namespace {

// The registry editor's signature line, skipped wherever it stands.
constexpr std::string_view kSignature = "WINDOWS REGISTRY EDITOR";

// Where a recognised header puts the key below its root, for expander
// entries.
enum class Below {
  kSoftware,  // HKEY_LOCAL_MACHINE, "SOFTWARE\" + key path
  kUser,      // HKEY_CURRENT_USER, the key path
  kSystem,    // HKEY_LOCAL_MACHINE, "\SYSTEM\" + key path
};

struct HeaderRule {
  std::string_view prefix;  // upper case, compared with UpperAscii
  TStringList OutputLists::*section;
  bool classes;   // the key path gets "Classes\" in front
  bool isDelete;  // "[-...": the key for expander entries stays the previous one
  Below below;
};

// Tried in this order; the first prefix the header begins with decides.
constexpr HeaderRule kHeaderRules[] = {
    {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\", &OutputLists::softwareAddReg, false, false,
     Below::kSoftware},
    {"[HKEY_CLASSES_ROOT\\", &OutputLists::softwareAddReg, true, false, Below::kSoftware},
    {"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\", &OutputLists::softwareDelReg, false, true,
     Below::kSoftware},
    {"[-HKEY_CLASSES_ROOT\\", &OutputLists::softwareDelReg, true, true, Below::kSoftware},
    {"[HKEY_CURRENT_USER\\", &OutputLists::defaultAddReg, false, false, Below::kUser},
    {"[-HKEY_CURRENT_USER\\", &OutputLists::defaultDelReg, false, true, Below::kUser},
    {"[HKEY_LOCAL_MACHINE\\SYSTEM\\", &OutputLists::setupRegAddReg, false, false, Below::kSystem},
};

const HeaderRule* RuleFor(std::string_view header) {
  for (const HeaderRule& rule : kHeaderRules) {
    if (BeginsWithUpperAscii(header, rule.prefix)) return &rule;
  }
  return nullptr;
}

std::string Normalized(const ConverterState& s, std::string_view path) {
  if (s.settings.normalizeControlSet) return NormalizeControlSetPath(path);
  return std::string(path);
}

void FlushExpanderNames(ConverterState& s) {
  if (!s.settings.addExpanderEntries) return;
  if (!s.expanderNames.empty()) {
    AddExpanderEntry(s.settings, s.lists.expanderList, s.expanderNames, s.key.root,
                     s.key.expanderPath);
  }
  s.expanderNames.clear();
}

// The key below its root that a header names, as expander entries see it.
void SetExpanderKey(ConverterState& s, Below below) {
  std::string full;
  switch (below) {
    case Below::kSoftware:
      full = "SOFTWARE\\" + s.key.path;
      s.key.root = kHkeyLocalMachine;
      break;
    case Below::kUser:
      full = s.key.path;
      s.key.root = kHkeyCurrentUser;
      break;
    case Below::kSystem:
      full = "\\SYSTEM\\" + s.key.path;
      s.key.root = kHkeyLocalMachine;
      break;
  }
  s.key.expanderPath = Normalized(s, full);
}

// `trimmed` begins with "[". Ends the key before it (and any value left
// open in it) and selects the section and key the next lines belong to.
void HandleKeyHeader(ConverterState& s, std::string_view trimmed) {
  FlushExpanderNames(s);
  const HeaderRule* rule = RuleFor(trimmed);
  if (rule == nullptr) {
    SetState(s, ParseState::kIgnoredKey);
    s.key.section = nullptr;
    s.key.isDelete = false;
    s.key.path.clear();
    return;
  }
  SetState(s, ParseState::kInKey);
  s.key.section = &(s.lists.*(rule->section));
  s.key.isDelete = rule->isDelete;
  // The rest of the header less its last byte, the closing "]" (removed
  // whatever it is).
  std::string_view rest = trimmed.substr(rule->prefix.size());
  rest.remove_suffix(rest.empty() ? 0 : 1);
  s.key.path.assign(rule->classes ? "Classes\\" : "");
  s.key.path.append(rest);
  if (!rule->isDelete) SetExpanderKey(s, rule->below);
  s.key.quotedPath = QuotedKeyPath(Normalized(s, s.key.path));
  if (s.settings.verbose && !s.key.path.empty()) s.console.Line("Processing - " + s.key.path);
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
    s.key.section->Add(raw);  // comments keep their leading blanks
    return;
  }
  if (s.key.path.empty()) return;
  // Blanks before a value's name are indentation, not part of the name:
  // hand-written files indent their values, and `  "path"="x"` names the
  // value path as `"path"="x"` does. The data keeps its bytes.
  const std::string_view line = TrimLeadingBlanks(raw);
  const std::size_t separator = FindNameSeparator(line);
  if (separator == std::string_view::npos || separator == 0) {
    ConvertContinuationLine(s, raw);
  } else {
    ConvertValueLine(s, line.substr(0, separator), line.substr(separator + 1));
  }
}

void FinishFile(ConverterState& s) { FlushExpanderNames(s); }

}  // namespace regfile

void ProcessRegFile(const std::string& path, const ConversionSettings& settings, OutputLists& lists,
                    Console& console) {
  std::string line("Processing ");
  line.append(FileNamePart(path));
  console.Line(line);
  ConvertRegFile(path, settings, lists, console);
}

void ConvertRegFile(const std::string& path, const ConversionSettings& settings, OutputLists& lists,
                    Console& console) {
  regfile::ConverterState state(settings, lists, console);
  ForEachRegFileLine(path, settings.probeSize,
                     [&state](std::string_view line) { regfile::HandleLine(state, line); });
  regfile::FinishFile(state);
}

void ConvertRegText(std::string_view text, const ConversionSettings& settings, OutputLists& lists,
                    Console& console) {
  regfile::ConverterState state(settings, lists, console);
  ForEachLine(text, [&state](std::string_view line) { regfile::HandleLine(state, line); });
  regfile::FinishFile(state);
}

}  // namespace tovrix
