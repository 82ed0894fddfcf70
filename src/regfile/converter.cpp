// The line loop of the registry-file converter and the key headers.

#include "regfile/converter.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "encoding/loader.h"
#include "inf/addreg_line.h"
#include "regfile/converter_state.h"
#include "regfile/line_text.h"
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
  // Only expander entries name the key below its root.
  if (!rule->isDelete && s.settings.addExpanderEntries) SetExpanderKey(s, rule->below);
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

bool IsKeyHeader(std::string_view raw) {
  const std::string_view line = TrimLeadingBlanks(raw);
  return !line.empty() && line.front() == '[';
}

namespace {

// The rules for every line. HandleLine and HandleLines first take a
// byte-list line in the exports' form the quick way, to the same effect.
void HandleOtherLine(ConverterState& s, std::string_view raw) {
  // Only a line that begins with 'W' or 'w' can be the signature.
  if (raw.empty() || ((raw.front() | 0x20) == 'w' && BeginsWithUpperAscii(raw, kSignature))) {
    return;
  }
  const std::string_view trimmed = TrimBlanks(raw);
  if (trimmed.empty()) return;  // blank lines are never copied, nor end a key
  if (trimmed.front() == '[') {
    HandleKeyHeader(s, trimmed);
    return;
  }
  if (s.state == ParseState::kBeforeFirstKey || s.state == ParseState::kIgnoredKey) return;
  if (trimmed.front() == ';') {
    s.key.section->Add(raw);  // comments keep their leading blanks
    return;
  }
  if (s.key.path.empty()) return;
  // Blanks before a value's name are indentation, not part of the name:
  // hand-written files indent their values, and `  "path"="x"` names the
  // value path as `"path"="x"` does. The data keeps its bytes.
  const std::string_view line = raw.substr(static_cast<std::size_t>(trimmed.data() - raw.data()));
  const std::size_t separator = FindNameSeparator(line);
  if (separator == std::string_view::npos || separator == 0) {
    ConvertContinuationLine(s, trimmed);
  } else {
    ConvertValueLine(s, line.substr(0, separator), line.substr(separator + 1));
  }
}

}  // namespace

void HandleLine(ConverterState& s, std::string_view raw) {
  // Most lines of a large export continue an open byte list, in the form
  // the export wrote: those go straight on, as the general rules would take
  // them.
  if (ValueOpen(s)) {
    std::string_view list;
    if (PlainContinuationEnd(raw, 0, list) == raw.size()) {
      AppendPlainContinuation(s, list);
      return;
    }
  }
  HandleOtherLine(s, raw);
}

void HandleLines(ConverterState& s, std::string_view text) {
  const std::size_t n = text.size();
  std::size_t i = 0;  // where the next line begins
  while (i < n) {
    if (ValueOpen(s)) {
      // The run of byte-list lines that follows a value's first line is
      // taken a line at a time without cutting it first.
      std::string_view list;
      const std::size_t next = PlainContinuationEnd(text, i, list);
      if (next != std::string_view::npos) {
        AppendPlainContinuation(s, list);
        i = next;
        continue;
      }
    }
    // Not in that form (or no value open): the line goes the general way.
    const std::size_t end = FindLineBreak(text, i);
    if (end < n && text[end] == '\0') {
      if (end > i) HandleOtherLine(s, text.substr(i, end - i));
      return;
    }
    HandleOtherLine(s, text.substr(i, end - i));
    if (end == n) return;
    i = LineAfterBreak(text, end, /*atEnd=*/true);
  }
}

void FinishFile(ConverterState& s) { FlushExpanderNames(s); }

namespace {

constexpr TStringList OutputLists::*kSections[] = {
    &OutputLists::softwareAddReg, &OutputLists::softwareDelReg, &OutputLists::defaultAddReg,
    &OutputLists::defaultDelReg,  &OutputLists::setupRegAddReg, &OutputLists::expanderList,
};

// Keeps the lines it is told, to be told again in order.
class HeldConsole : public Console {
 public:
  void Line(std::string_view text) override { lines.Add(text); }
  TStringList lines;
};

// What the lines of a batch became: its own section lists and console
// lines, the key lines it could not be sure of, and the state after its
// last line.
struct ConvertedBatch : LineBatchPart {
  explicit ConvertedBatch(const ConversionSettings& settings) : state(settings, lists, console) {
    state.unsure = &unsure;
  }
  OutputLists lists;
  HeldConsole console;
  std::vector<ConverterState::KeyLineNote> unsure;
  ConverterState state;
};

// The state of `from`, taken over by `to`, whose lists stand in for those
// of `from`. Where `from` did not know the key of the last value line,
// that of `to` stays.
void CarryOn(ConverterState& from, ConverterState& to) {
  SetState(to, from.state);
  to.key = std::move(from.key);
  for (TStringList OutputLists::*section : kSections) {
    if (to.key.section == &(from.lists.*section)) to.key.section = &(to.lists.*section);
  }
  to.value = std::move(from.value);
  if (from.lastValueKnown) to.lastValueKeyPath = std::move(from.lastValueKeyPath);
  to.expanderNames = std::move(from.expanderNames);
}

// A fresh state for lines that begin at a key header, apart from the lines
// before them: nothing of those matters but the key of the last value line.
void StartApart(ConverterState& s) {
  SetState(s, ParseState::kBeforeFirstKey);
  s.key = KeyPart();
  s.value = OpenValue();
  s.lastValueKeyPath.clear();
  s.lastValueKnown = false;
  s.expanderNames.clear();
}

// A large file converted in batches. A batch that begins at a key header
// is converted apart, side by side with others, into lists of its own; the
// joining appends those to the real lists in file order and goes on with
// the state after its last line. A batch that does not (a key too large
// for one) is converted when its turn comes, with that state, straight
// into the real lists. Either way: the same items, console lines and
// expander entries, in the same order, as converting the lines one after
// the other.
class SideBySide : public LineBatchWork {
 public:
  SideBySide(const ConversionSettings& settings, OutputLists& lists, Console& console)
      : settings_(settings), lists_(lists), console_(console), live_(settings, lists, console) {}

  bool Independent(std::string_view line) const override { return IsKeyHeader(line); }

  void Work(LineBatch& batch) override {
    if (batch.continues) return;
    if (!batch.part) batch.part = std::make_unique<ConvertedBatch>(settings_);
    ConvertedBatch& part = Of(batch);
    for (TStringList OutputLists::*section : kSections) (part.lists.*section).Clear();
    part.console.lines.Clear();
    part.unsure.clear();
    StartApart(part.state);
    HandleLines(part.state, batch.bytes.View());
  }

  void Join(LineBatch& batch) override {
    if (batch.continues) {
      HandleLines(live_, batch.bytes.View());
      return;
    }
    ConvertedBatch& part = Of(batch);
    // Its first key header ends the key before it.
    FlushExpanderNames(live_);
    for (int i = 0; i < part.console.lines.Count(); ++i) console_.Line(part.console.lines.View(i));
    // Key lines written before the key of the last value line was known,
    // for that same key: the lines one after the other would not have
    // written them.
    std::vector<std::pair<const TStringList*, int>> repeated;
    for (const ConverterState::KeyLineNote& note : part.unsure) {
      if (note.keyPath == live_.lastValueKeyPath) repeated.emplace_back(note.section, note.index);
    }
    for (TStringList OutputLists::*section : kSections) {
      TStringList& from = part.lists.*section;
      TStringList& to = lists_.*section;
      if (repeated.empty()) {
        to.AddAll(from);  // a section that goes out as it grows goes straight on
        continue;
      }
      for (int i = 0; i < from.Count(); ++i) {
        const std::pair<const TStringList*, int> at(&from, i);
        if (std::find(repeated.begin(), repeated.end(), at) == repeated.end()) to.Add(from.View(i));
      }
    }
    CarryOn(part.state, live_);
  }

  // After the last batch: the expander names of the last key.
  void Finish() { FlushExpanderNames(live_); }

 private:
  static ConvertedBatch& Of(LineBatch& batch) { return static_cast<ConvertedBatch&>(*batch.part); }

  const ConversionSettings& settings_;
  OutputLists& lists_;
  Console& console_;
  // The state after the batches joined so far, on the real lists.
  ConverterState live_;
};

}  // namespace

}  // namespace regfile

void ProcessRegFile(const std::string& path, const ConversionSettings& settings, OutputLists& lists,
                    Console& console) {
  std::string line("Processing ");
  line.append(FileNamePart(path));
  console.Line(line);
  ConvertRegFile(path, settings, lists, console);
}

void ConvertRegFile(const std::string& path, const ConversionSettings& settings, OutputLists& lists,
                    Console& console, const ReadAhead& sizes) {
  regfile::ConverterState state(settings, lists, console);
  regfile::SideBySide batches(settings, lists, console);
  ForEachRegFileLine(
      path, settings.probeSize,
      [&state](std::string_view line) { regfile::HandleLine(state, line); }, batches, sizes);
  // One of the two has seen the lines.
  regfile::FinishFile(state);
  batches.Finish();
}

void ConvertRegText(std::string_view text, const ConversionSettings& settings, OutputLists& lists,
                    Console& console) {
  regfile::ConverterState state(settings, lists, console);
  ForEachLine(text, [&state](std::string_view line) { regfile::HandleLine(state, line); });
  regfile::FinishFile(state);
}

}  // namespace tovrix
