// ConverterState: everything the registry-file converter keeps from one
// line of a .reg file to the next, in one place.
//
// The walk over a file is a small state machine (ParseState), changed only
// through SetState. A key header chooses the section the following lines
// go to (KeyPart); value lines become AddReg lines; a binary or wide value
// whose byte list ends its line with a backslash stays open (OpenValue),
// and the lines without "=" that follow extend it until one of them holds
// no backslash. A key header or another value line drops an open value
// unwritten, and a line without "=" that continues no open value is
// dropped too.
//
// The state lives for one ConvertRegText call; a second call starts afresh.
// A large file is converted in batches side by side (converter.cpp): each
// batch that begins at a key header starts afresh too, and one that does
// not goes on with the state of the batch before it.
#ifndef TOVRIX_REGFILE_CONVERTER_STATE_H_
#define TOVRIX_REGFILE_CONVERTER_STATE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "inf/output.h"
#include "rewrite/settings.h"
#include "text/console.h"
#include "text/string_list.h"

namespace tovrix::regfile {

enum class ParseState {
  // No recognised key header yet: every line but a header is dropped (the
  // REGEDIT4 signature and comments before the first key included).
  kBeforeFirstKey,
  // Under a header that names no section (HKEY_USERS, a root alone, ...):
  // every line up to the next header is dropped, comments too.
  kIgnoredKey,
  // Under a recognised header, no multi-line value open: comments are
  // copied, value lines converted, stray lines without "=" dropped.
  kInKey,
  // A "hex:" or "hex(n)" value (n not 2 or 7) is open: lines without "="
  // append their bytes to OpenValue::bytes; the first one without a
  // backslash writes the value, 25 bytes to an output line.
  kBinaryValueOpen,
  // A "hex(2)" or "hex(7)" value is open: lines without "=" append their
  // bytes; the first one without a backslash decodes it.
  kWideValueOpen,
};

// The key the last recognised header chose.
struct KeyPart {
  TStringList* section = nullptr;  // none before the first key and under an
                                   // unrecognised header
  bool isDelete = false;           // "[-...]": its values collect no
                                   // expander names
  std::string path;                // from the header, in its own case
  std::string quotedPath;          // what key and AddReg lines carry: the
                                   // normalized path, quoted
  // The key below its root, normalized, for expander entries. A delete
  // header keeps those of the key before it.
  std::uint32_t root = 0;
  std::string expanderPath;
};

// The value being converted, and the one left open over several lines.
struct OpenValue {
  int type = 0;                // type number; -1: a hex(n) type that cannot be read
  std::string name;            // of the current value line, unescaped
  std::string previousName;    // of the last value line: an open value is
                               // written under it
  std::string bytes;           // the byte list collected so far
  std::size_t plainBytes = 0;  // bytes[0, plainBytes) is known to be a plain
                               // comma list (text/comma_list.h)
  bool typeReplaced = true;    // a hex(n) type, written as REG_BINARY after
                               // a comment
};

struct ConverterState {
  ConverterState(const ConversionSettings& s, OutputLists& l, Console& c)
      : settings(s), lists(l), console(c) {}

  const ConversionSettings& settings;
  OutputLists& lists;
  Console& console;

  ParseState state = ParseState::kBeforeFirstKey;
  KeyPart key;
  OpenValue value;
  // The key path of the last value line: a key line is written when the
  // next value line's key path differs.
  std::string lastValueKeyPath;
  // False where lines are converted apart from those before them (a batch
  // of a large file), until a value line sets lastValueKeyPath: key lines
  // written meanwhile are noted in `unsure`, for the joining to drop those
  // that repeat the key of the last value line before.
  bool lastValueKnown = true;
  struct KeyLineNote {
    TStringList* section;
    int index;
    std::string keyPath;
  };
  std::vector<KeyLineNote>* unsure = nullptr;
  std::string expanderNames;  // "name", per noted value of the key

  // Working buffers, reused from line to line.
  std::string data;
  std::string scratch;
  std::string line;
};

// The one place the parse state changes.
inline void SetState(ConverterState& s, ParseState next) { s.state = next; }

// Whether a binary or wide value is open, continued by the lines after it.
inline bool ValueOpen(const ConverterState& s) {
  return s.state == ParseState::kBinaryValueOpen || s.state == ParseState::kWideValueOpen;
}

// A continuation line's byte list in the exports' form (a plain comma list)
// goes on the open value's list.
inline void AppendPlainContinuation(ConverterState& s, std::string_view list) {
  if (s.value.plainBytes == s.value.bytes.size()) s.value.plainBytes += list.size();
  s.value.bytes.append(list);
}

// Lines of a loaded file, one at a time, in file order.
void HandleLine(ConverterState& s, std::string_view raw);
// Every line of `text`, cut by the line rules (text/line_splitter.h), as
// HandleLine one after the other.
void HandleLines(ConverterState& s, std::string_view text);
// After the last line: flushes the expander names of the last key.
void FinishFile(ConverterState& s);

// Whether `raw` is a key header, which ends the key before it whatever the
// state: its first byte after blanks is "[".
bool IsKeyHeader(std::string_view raw);

// Value lines (text before the first "=") and continuation lines (none).
// Used by HandleLine; `name` and `data` are the parts around the first "=",
// `trimmed` a continuation line without its blanks at either end.
void ConvertValueLine(ConverterState& s, std::string_view name, std::string_view data);
void ConvertContinuationLine(ConverterState& s, std::string_view trimmed);

}  // namespace tovrix::regfile

#endif  // TOVRIX_REGFILE_CONVERTER_STATE_H_
