// Value lines and continuation lines: the data of each value kind becomes
// one AddReg line, preceded by a key line when the key is new and, for a
// hex(n) type written as REG_BINARY, by a replacement comment.

#include <cstdint>
#include <string>
#include <string_view>

#include "registry/registry.h"
#include "regfile/converter_state.h"
#include "regfile/line_text.h"
#include "regfile/wide_hex.h"
#include "rewrite/env_paths.h"
#include "rewrite/expander.h"
#include "text/text_ops.h"

namespace tovrix::regfile {

namespace {

// Puts a byte list on a line of its own below the AddReg line.
constexpr std::string_view kBreak = "\\\r\n  ";
// Bytes per output line of a multi-line binary value.
constexpr std::size_t kBytesPerLine = 25;

// Working buffers keep their capacity from line to line, unless a value of
// many megabytes made them grow: then the memory goes back at once, so that
// a huge value is never held more than twice besides the file's text.
constexpr std::size_t kKeptCapacity = 1 << 20;

void ReleaseIfLarge(std::string& buffer) {
  if (buffer.capacity() > kKeptCapacity) std::string().swap(buffer);
}

// Appends the AddReg line of the current key to the target list:
// 0x<type>,"<key>","<name>",<data>, or 0x<type>,"<key>",,<data> for the
// default value "@". `quoted` puts the data between double quotes;
// `dropLast` removes the line's last byte (the comma before empty data).
// `lead` stands before the data (the line break of a byte list). The line
// is copied into the list once, from its pieces.
void WriteValue(ConverterState& s, std::string_view name, std::string_view data,
                bool quoted, bool dropLast, std::string_view lead = {}) {
  std::string& head = s.line;
  SetText(head, "0x");
  AppendDecimal(head, s.valueType);
  head.push_back(',');
  head.append(s.keyField);
  head.push_back(',');
  if (name != "@") {
    head.push_back('"');
    AppendDoubledQuotes(head, name);
    head.push_back('"');
  }
  head.push_back(',');
  const std::string_view quote = quoted ? "\"" : "";
  if (!dropLast) {
    s.targetList->AddParts({head, quote, lead, data, quote});
    return;
  }
  std::string line = head;
  line.append(quote);
  line.append(lead);
  line.append(data);
  line.append(quote);
  line.pop_back();
  s.targetList->Add(line);
}

void WriteReplacementComment(ConverterState& s, int type) {
  SetText(s.line, "; Replaced ");
  s.line.append(RegTypeName(static_cast<std::uint32_t>(type)));
  s.line.append(" to \"REG_BINARY\".");
  s.targetList->Add(s.line);
}

// Path replacement of string and wide data, in place.
void ReplacePaths(ConverterState& s, std::string& data) {
  if (s.settings.replaceMode == 0) return;
  ReplaceEnvPathsInPlace(data, s.settings.replaceMode, s.settings.replaceTarget);
}

// Notes the value for the key's expander entry when its data holds
// references the running system defines. Delete sections note nothing.
void CollectName(ConverterState& s, std::string_view data, std::string_view name) {
  if (!s.settings.addExpanderEntries || s.deleteKey) return;
  CollectExpanderName(s.settings, data, name, /*atIsDefault=*/true, s.expanderNames);
}

// Quoted string data (or empty data).
void ConvertString(ConverterState& s, std::string_view data) {
  s.valueType = 1;
  const std::string_view inner = data.size() >= 2 ? data.substr(1, data.size() - 2) : "";
  UnescapeRegString(inner, s.scratch, s.data, s.lead);
  s.data.clear();
  AppendReplaced(s.data, s.scratch, "\"", "\"\"", s.lead);
  ReplacePaths(s, s.data);
  CollectName(s, s.data, s.valueName);
  WriteValue(s, s.valueName, s.data, /*quoted=*/true, /*dropLast=*/false);
}

// "dword:" and eight hexadecimal digits.
void ConvertDword(ConverterState& s, std::string_view data) {
  s.valueType = 4;
  std::string digits("0x");
  if (data.size() > 6) digits.append(data.substr(6, 8));
  const std::int64_t value = ParseInt64(digits, 0);
  SetText(s.data, "0x");
  AppendHex64(s.data, static_cast<std::uint64_t>(value));
  WriteValue(s, s.valueName, s.data, /*quoted=*/false, /*dropLast=*/false);
}

// Writes a one-line byte list in s.data: below the AddReg line, or, when
// empty, as a line ending at the key or name.
void WriteSingleLineBinary(ConverterState& s) {
  const bool empty = s.data.empty();
  WriteValue(s, s.valueName, s.data, /*quoted=*/false, /*dropLast=*/empty,
             empty ? std::string_view() : kBreak);
  ReleaseIfLarge(s.data);
}

// Starts a multi-line value from the byte list of its first line.
void OpenMultiLineValue(ConverterState& s, std::string_view bytes, ParseState state) {
  s.hexText.clear();
  AppendWithout(s.hexText, TrimBlanks(bytes), '\\', s.lead);
  s.state = state;
}

// "hex:" data: bytes in lower case, blanks removed.
void ConvertBinary(ConverterState& s, std::string_view data) {
  s.valueType = 3;
  s.typeReplaced = false;
  SetText(s.scratch, data.substr(4));
  LowerAsciiInPlace(s.scratch);
  s.data.clear();
  AppendWithout(s.data, s.scratch, ' ', s.lead);
  ReleaseIfLarge(s.scratch);
  if (ContainsByte(s.data, '\\')) {
    OpenMultiLineValue(s, s.data, ParseState::kBinaryValueOpen);
    return;
  }
  WriteSingleLineBinary(s);
}

void FinishWideValue(ConverterState& s, std::string_view name) {
  s.data = DecodeWideHex(s.hexText, s.valueType);
  ReleaseIfLarge(s.hexText);
  ReplacePaths(s, s.data);
  CollectName(s, s.data, name);
  WriteValue(s, name, s.data, /*quoted=*/s.valueType == 2, /*dropLast=*/false);
  ReleaseIfLarge(s.data);
}

// "hex(n):" data. False when the type cannot be read: the line is dropped.
bool ConvertTypedBinary(ConverterState& s, std::string_view data) {
  // The type is the one or two characters between "hex(" and the first ")".
  const std::size_t close = data.find(')');
  if (close != 5 && close != 6) {
    s.valueType = -1;
    return false;
  }
  std::string digits("0x");
  digits.append(data.substr(4, close - 4));
  const std::int32_t type = ParseInt(digits, -1);
  if (type == -1) {
    s.valueType = -1;
    return false;
  }
  s.valueType = type;
  // The byte after ")" is taken to be the colon, unexamined.
  const std::string_view bytes = data.size() > close + 2 ? data.substr(close + 2) : "";

  if (type == 2 || type == 7) {
    s.typeReplaced = false;
    if (ContainsByte(bytes, '\\')) {
      OpenMultiLineValue(s, bytes, ParseState::kWideValueOpen);
      return true;
    }
    s.hexText.clear();
    AppendWithout(s.hexText, TrimBlanks(bytes), '\\', s.lead);
    FinishWideValue(s, s.valueName);
    return true;
  }

  s.typeReplaced = true;
  s.data.clear();
  AppendWithout(s.data, bytes, ' ', s.lead);  // letter case is kept
  if (ContainsByte(s.data, '\\')) {
    OpenMultiLineValue(s, s.data, ParseState::kBinaryValueOpen);
    return true;
  }
  WriteReplacementComment(s, type);
  s.valueType = 3;
  WriteSingleLineBinary(s);
  return true;
}

// Appends the items of a comma list to s.data, 25 to an output line, the
// items separated by commas (SplitCommaList splitting; plain lists take a
// faster path). Answers the number of items.
std::size_t AppendWrappedItems(ConverterState& s, std::string_view list) {
  std::size_t count = 0;
  if (AppendWrappedPlainList(s.data, list, kBytesPerLine, kBreak, count)) return count;
  // Item i is preceded by the comma that follows item i - 1 and, when item
  // i - 1 ends an output line, by the line break.
  CommaItemReader reader(list, s.lead);
  std::string_view item;
  while (reader.Next(item)) {
    if (count > 0) {
      s.data.push_back(',');
      if ((count - 1) % kBytesPerLine == kBytesPerLine - 1) s.data.append(kBreak);
    }
    s.data.append(item);
    ++count;
  }
  return count;
}

// The last line of an open binary value: the collected bytes, 25 to a line.
void FinishBinaryValue(ConverterState& s) {
  s.data.clear();
  const std::size_t count = AppendWrappedItems(s, s.hexText);
  ReleaseIfLarge(s.hexText);
  if (s.typeReplaced) {
    WriteReplacementComment(s, s.valueType);
    s.valueType = 3;
  }
  if (count == 0) s.data.clear();
  WriteValue(s, s.previousValueName, s.data, /*quoted=*/false, /*dropLast=*/count == 0,
             count == 0 ? std::string_view() : kBreak);
  ReleaseIfLarge(s.data);
}

// The kind of a value's data, by its first bytes.
enum class DataKind { kString, kDword, kBinary, kTypedBinary, kUnknown };

bool BeginsWith6(std::string_view upper, std::string_view prefix) {
  return upper.substr(0, prefix.size()) == prefix;
}

DataKind KindOf(std::string_view data) {
  if (data.empty() || (data.front() == '"' && data.back() == '"')) return DataKind::kString;
  // Only the first six bytes can decide; ASCII ones are upper-cased alike
  // in every locale, others go through the code page's rules.
  std::string_view head = data.substr(0, 6);
  std::string upper(head);
  bool ascii = true;
  for (char& c : upper) {
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  if (!ascii) upper = UpperLocale(head);
  if (BeginsWith6(upper, "DWORD:")) return DataKind::kDword;
  if (BeginsWith6(upper, "HEX:")) return DataKind::kBinary;
  if (BeginsWith6(upper, "HEX(")) return DataKind::kTypedBinary;
  return DataKind::kUnknown;
}

}  // namespace

void ConvertValueLine(ConverterState& s, std::string_view name, std::string_view data) {
  // A new value ends any value left open: it is dropped unwritten.
  s.state = ParseState::kInKey;

  // A quoted name loses its quotes (the first and last bytes) and its
  // escapes, as string data does.
  if (name.front() == '"') {
    const std::string_view inner = name.size() >= 2 ? name.substr(1, name.size() - 2) : "";
    UnescapeRegString(inner, s.valueName, s.scratch, s.lead);
  } else {
    SetText(s.valueName, name);
  }

  // The key line comes before the data is looked at, so a value that is
  // then dropped still writes it.
  if (s.keyPath != s.previousKeyPath) {
    SetText(s.line, "0x0,");
    s.line.append(s.keyField);
    s.targetList->Add(s.line);
  }

  switch (KindOf(data)) {
    case DataKind::kString:
      ConvertString(s, data);
      break;
    case DataKind::kDword:
      ConvertDword(s, data);
      break;
    case DataKind::kBinary:
      ConvertBinary(s, data);
      break;
    case DataKind::kTypedBinary:
      // A type that cannot be read leaves the previous key and name alone.
      if (!ConvertTypedBinary(s, data)) return;
      break;
    case DataKind::kUnknown:  // "-" (deletion), unquoted text, ...
      s.valueType = -1;
      break;
  }

  if (s.previousKeyPath != s.keyPath) s.previousKeyPath = s.keyPath;
  s.previousValueName = s.valueName;
}

void ConvertContinuationLine(ConverterState& s, std::string_view raw) {
  const bool more = ContainsByte(raw, '\\');
  switch (s.state) {
    case ParseState::kWideValueOpen:
      AppendWithout(s.hexText, TrimBlanks(raw), '\\', s.lead);
      if (more) return;
      s.state = ParseState::kInKey;
      FinishWideValue(s, s.previousValueName);
      return;
    case ParseState::kBinaryValueOpen:
      AppendBinaryContinuation(s.hexText, TrimBlanks(raw), s.lead);
      if (more) return;
      s.state = ParseState::kInKey;
      FinishBinaryValue(s);
      return;
    default:
      // A stray line: it continues no open value.
      return;
  }
}

}  // namespace tovrix::regfile
