// ConverterState: everything the registry-file converter keeps from one
// line of a .reg file to the next, in one place.
//
// The walk over a file is a small state machine (ParseState). A key header
// chooses the section the following lines go to; value lines become AddReg
// lines; a binary or wide value whose byte list ends its line with a
// backslash stays open, and the lines without "=" that follow extend it
// until one of them holds no backslash. A key header or another value line
// drops an open value unwritten, and a line without "=" that continues no
// open value is dropped too.
//
// The state lives for one ConvertRegText call; a second call starts afresh.
#ifndef TOVRIX_REGFILE_CONVERTER_STATE_H_
#define TOVRIX_REGFILE_CONVERTER_STATE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "inf/output.h"
#include "regfile/line_text.h"
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
  // append their bytes to `hexText`; the first one without a backslash
  // writes the value, 25 bytes to an output line.
  kBinaryValueOpen,
  // A "hex(2)" or "hex(7)" value is open: lines without "=" append their
  // bytes to `hexText`; the first one without a backslash decodes it.
  kWideValueOpen,
};

struct ConverterState {
  ConverterState(const ConversionSettings& s, OutputLists& l, Console& c)
      : settings(s), lists(l), console(c), lead(LeadByteTable::System()) {}

  const ConversionSettings& settings;
  OutputLists& lists;
  Console& console;
  const LeadByteTable& lead;  // lead bytes of the ANSI code page

  ParseState state = ParseState::kBeforeFirstKey;

  // --- The current key, set by each header.
  TStringList* targetList = nullptr;  // section list of the current key; none
                                      // before the first and under an
                                      // unrecognised header
  bool deleteKey = false;      // the header began with "[-": its values
                               // collect no expander names
  std::string keyPath;         // path from the header, in its own case,
                               // before control-set normalization
  std::string fullKeyPath;     // the key below its root, for expander entries
  std::uint32_t rootKey = 0;   // root of fullKeyPath
  std::string keyField;        // '"' normalized keyPath, quotes doubled, '"':
                               // what key lines and AddReg lines carry
  std::string normalizedFullKeyPath;  // fullKeyPath after normalization

  // --- Values.
  std::string previousKeyPath;    // keyPath when the last value line was handled
  int valueType = 0;              // type number of the value being converted
  std::string valueName;          // name of the current value line, unescaped
  std::string previousValueName;  // name of the last value line; an open
                                  // value is written under it
  std::string hexText;            // byte list collected for an open value
  bool typeReplaced = true;       // the open binary value is a hex(n) type
                                  // written as REG_BINARY after a comment
  std::string expanderNames;      // "name", entries collected for the key

  // --- Working buffers, reused from line to line.
  std::string data;
  std::string scratch;
  std::string line;
};

// Lines of a loaded file, one at a time, in file order.
void HandleLine(ConverterState& s, std::string_view raw);
// After the last line: flushes the expander names of the last key.
void FinishFile(ConverterState& s);

// Value lines (text before the first "=") and continuation lines (none).
// Used by HandleLine; `name` and `data` are the parts around the first "=".
void ConvertValueLine(ConverterState& s, std::string_view name, std::string_view data);
void ConvertContinuationLine(ConverterState& s, std::string_view raw);

}  // namespace tovrix::regfile

#endif  // TOVRIX_REGFILE_CONVERTER_STATE_H_
