// Value lines and continuation lines: the data of each value kind becomes
// one AddReg line, preceded by a key line when the key is new and, for a
// hex(n) type written as REG_BINARY, by a replacement comment.

#include <cstdint>
#include <string>
#include <string_view>

#include "inf/addreg_line.h"
#include "regfile/converter_state.h"
#include "regfile/line_text.h"
#include "regfile/wide_hex.h"
#include "registry/registry.h"
#include "rewrite/env_paths.h"
#include "rewrite/expander.h"
#include "text/comma_list.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix::regfile {

namespace {

// The forms of a value's data, by their first bytes (compared upper-cased).
constexpr std::string_view kDwordPrefix = "DWORD:";  // and 8 hexadecimal digits
constexpr std::size_t kDwordDigits = 8;
constexpr std::string_view kBinaryPrefix = "HEX:";  // and a byte list
constexpr std::string_view kTypedPrefix = "HEX(";   // n, ")", ":" and a byte list
// The type of "hex(n)" is one or two characters: ")" stands at one of these.
constexpr std::size_t kTypeCloseShort = 5;
constexpr std::size_t kTypeCloseLong = 6;

// Working buffers keep their capacity from line to line, unless a value of
// many megabytes made them grow: then the memory goes back at once, so that
// a huge value is never held more than twice besides the file's text.
constexpr std::size_t kKeptCapacity = 1 << 20;

void ReleaseIfLarge(std::string& buffer) {
  if (buffer.capacity() > kKeptCapacity) std::string().swap(buffer);
}

// Adds the AddReg line of the current key to its section: the value named
// `name` ("@" is the default value) with `data`, between double quotes when
// `quoted`, after `lead` (the break before a byte list); `dropLast` writes
// the line without its last byte (the comma before empty data). The line
// is copied into the list once, from its pieces.
void WriteValue(ConverterState& s, std::string_view name, std::string_view data, bool quoted,
                bool dropLast, std::string_view lead = {}) {
  const auto type = static_cast<std::uint32_t>(s.value.type);
  const bool isDefault = name == "@";
  const std::string_view quote = quoted ? "\"" : "";
  if (!dropLast) {
    // Copied once, piece by piece, into the section.
    const AddRegHead head(type, s.key.quotedPath, isDefault, name);
    const auto& h = head.Pieces();
    static_assert(AddRegHead::kPieces == 5);
    s.key.section->AddParts({h[0], h[1], h[2], h[3], h[4], quote, lead, data, quote});
    return;
  }
  s.line.clear();
  AppendAddRegHead(s.line, type, s.key.quotedPath, isDefault, name);
  s.line.append(quote).append(lead).append(data).append(quote);
  s.line.pop_back();
  s.key.section->Add(s.line);
}

// Path replacement of string and wide data, in place.
void ReplacePaths(ConverterState& s, std::string& data) {
  ReplaceEnvPathsInPlace(data, s.settings.replaceMode, s.settings.replaceTarget);
}

// Notes the value for the key's expander entry when its data holds
// references the running system defines. Delete sections note nothing.
void CollectName(ConverterState& s, std::string_view data, std::string_view name) {
  if (!s.settings.addExpanderEntries || s.key.isDelete) return;
  CollectExpanderName(s.settings, data, name, /*atIsDefault=*/true, s.expanderNames);
}

// Quoted string data (or empty data).
void ConvertString(ConverterState& s, std::string_view data) {
  s.value.type = static_cast<int>(kRegSz);
  const std::string_view inner = data.size() >= 2 ? data.substr(1, data.size() - 2) : "";
  // Most data holds no backslash and no double quote, so that unescaping
  // and doubling leave it as it is, and no path in it to rewrite: it is
  // written as it stands in the line.
  if (!ContainsByte(inner, '\\') && !ContainsByte(inner, '"') &&
      EnvPathsUntouched(inner, s.settings.replaceMode)) {
    CollectName(s, inner, s.value.name);
    WriteValue(s, s.value.name, inner, /*quoted=*/true, /*dropLast=*/false);
    return;
  }
  UnescapeRegString(inner, s.scratch, s.data);
  s.data.clear();
  AppendDoubledQuotes(s.data, s.scratch);
  ReplacePaths(s, s.data);
  CollectName(s, s.data, s.value.name);
  WriteValue(s, s.value.name, s.data, /*quoted=*/true, /*dropLast=*/false);
}

// "dword:" and eight hexadecimal digits.
void ConvertDword(ConverterState& s, std::string_view data) {
  s.value.type = static_cast<int>(kRegDword);
  // Up to eight digits, read as a hexadecimal number; anything that is not
  // a digit there gives 0 (eight digits always fit).
  const std::string_view digits =
      data.size() > kDwordPrefix.size() ? data.substr(kDwordPrefix.size(), kDwordDigits) : "";
  s.data.assign("0x");
  AppendHex64(s.data, HexItemValue(digits));
  WriteValue(s, s.value.name, s.data, /*quoted=*/false, /*dropLast=*/false);
}

// Writes a one-line byte list in s.data: below the AddReg line, or, when
// empty, as a line ending at the key or name.
void WriteSingleLineBinary(ConverterState& s) {
  const bool empty = s.data.empty();
  WriteValue(s, s.value.name, s.data, /*quoted=*/false, /*dropLast=*/empty,
             empty ? std::string_view() : kByteListBreak);
  ReleaseIfLarge(s.data);
}

// Starts a multi-line value from the byte list of its first line.
void OpenMultiLineValue(ConverterState& s, std::string_view bytes, ParseState state) {
  s.value.bytes.clear();
  AppendWithout(s.value.bytes, TrimBlanks(bytes), '\\');
  s.value.plainBytes = IsPlainCommaList(s.value.bytes) ? s.value.bytes.size() : 0;
  SetState(s, state);
}

// "hex:" data: bytes in lower case, blanks removed.
void ConvertBinary(ConverterState& s, std::string_view data) {
  s.value.type = static_cast<int>(kRegBinary);
  s.value.typeReplaced = false;
  s.scratch.assign(data.substr(kBinaryPrefix.size()));
  LowerAsciiInPlace(s.scratch);
  s.data.clear();
  AppendWithout(s.data, s.scratch, ' ');
  ReleaseIfLarge(s.scratch);
  if (ContainsByte(s.data, '\\')) {
    OpenMultiLineValue(s, s.data, ParseState::kBinaryValueOpen);
    return;
  }
  WriteSingleLineBinary(s);
}

void FinishWideValue(ConverterState& s, std::string_view name) {
  s.data.clear();
  AppendDecodedWideHex(s.value.bytes, s.value.type, s.data);
  ReleaseIfLarge(s.value.bytes);
  ReplacePaths(s, s.data);
  CollectName(s, s.data, name);
  WriteValue(s, name, s.data, /*quoted=*/s.value.type == static_cast<int>(kRegExpandSz),
             /*dropLast=*/false);
  ReleaseIfLarge(s.data);
}

// The type number of "hex(n):" data, or -1 when it cannot be read: one or
// two hexadecimal characters between "hex(" and the first ")".
int TypedBinaryType(std::string_view data, std::size_t& close) {
  close = data.find(')');
  if (close != kTypeCloseShort && close != kTypeCloseLong) return -1;
  std::string digits("0x");
  digits.append(data.substr(kTypedPrefix.size(), close - kTypedPrefix.size()));
  return ParseInt(digits, -1);
}

// "hex(n):" data. False when the type cannot be read: the line is dropped.
bool ConvertTypedBinary(ConverterState& s, std::string_view data) {
  std::size_t close = 0;
  s.value.type = TypedBinaryType(data, close);
  if (s.value.type == -1) return false;
  // The byte after ")" is taken to be the colon, unexamined.
  const std::string_view bytes = data.size() > close + 2 ? data.substr(close + 2) : "";

  if (s.value.type == static_cast<int>(kRegExpandSz) ||
      s.value.type == static_cast<int>(kRegMultiSz)) {
    s.value.typeReplaced = false;
    if (ContainsByte(bytes, '\\')) {
      OpenMultiLineValue(s, bytes, ParseState::kWideValueOpen);
      return true;
    }
    s.value.bytes.clear();
    s.value.plainBytes = 0;
    AppendWithout(s.value.bytes, TrimBlanks(bytes), '\\');
    FinishWideValue(s, s.value.name);
    return true;
  }

  s.value.typeReplaced = true;
  s.data.clear();
  AppendWithout(s.data, bytes, ' ');  // letter case is kept
  if (ContainsByte(s.data, '\\')) {
    OpenMultiLineValue(s, s.data, ParseState::kBinaryValueOpen);
    return true;
  }
  s.key.section->Add(ReplacementComment(static_cast<std::uint32_t>(s.value.type)));
  s.value.type = static_cast<int>(kRegBinary);
  WriteSingleLineBinary(s);
  return true;
}

// The last line of an open binary value: the collected bytes, 25 to a
// line, under the name of the line that opened it.
void FinishBinaryValue(ConverterState& s) {
  s.data.clear();
  ByteListWriter list(s.data);
  // Only the bytes not known to be plain are looked at.
  if (IsPlainCommaList(std::string_view(s.value.bytes).substr(s.value.plainBytes))) {
    list.AddPlainList(s.value.bytes);
  } else {
    CommaItemReader reader(s.value.bytes);
    std::string_view item;
    while (reader.Next(item)) list.Add(item);
  }
  ReleaseIfLarge(s.value.bytes);
  if (s.value.typeReplaced) {
    s.key.section->Add(ReplacementComment(static_cast<std::uint32_t>(s.value.type)));
    s.value.type = static_cast<int>(kRegBinary);
  }
  const bool empty = list.Count() == 0;
  if (empty) s.data.clear();
  WriteValue(s, s.value.previousName, s.data, /*quoted=*/false, /*dropLast=*/empty,
             empty ? std::string_view() : kByteListBreak);
  ReleaseIfLarge(s.data);
}

// The kind of a value's data, by its first bytes.
enum class DataKind { kString, kDword, kBinary, kTypedBinary, kUnknown };

DataKind KindOf(std::string_view data) {
  if (data.empty() || (data.front() == '"' && data.back() == '"')) return DataKind::kString;
  // Only the first six bytes can decide; ASCII ones are upper-cased alike
  // in every locale, others go through the code page's rules.
  const std::string_view head = data.substr(0, kDwordPrefix.size());
  bool ascii = true;
  for (char c : head) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  const std::string upper = ascii ? std::string() : UpperLocale(head);
  auto begins = [&](std::string_view prefix) {
    return ascii ? BeginsWithUpperAscii(head, prefix) : BeginsWith(upper, prefix);
  };
  if (begins(kDwordPrefix)) return DataKind::kDword;
  if (begins(kBinaryPrefix)) return DataKind::kBinary;
  if (begins(kTypedPrefix)) return DataKind::kTypedBinary;
  return DataKind::kUnknown;
}

// The name part of a value line: a quoted name loses its quotes (the first
// and last bytes) and its escapes, as string data does.
void TakeName(ConverterState& s, std::string_view name) {
  if (name.front() == '"') {
    const std::string_view inner = name.size() >= 2 ? name.substr(1, name.size() - 2) : "";
    UnescapeRegString(inner, s.value.name, s.scratch);
  } else {
    s.value.name.assign(name);
  }
}

}  // namespace

void ConvertValueLine(ConverterState& s, std::string_view name, std::string_view data) {
  // A new value ends any value left open: it is dropped unwritten.
  SetState(s, ParseState::kInKey);
  TakeName(s, name);
  // The key line comes before the data is looked at, so a value that is
  // then dropped still writes it.
  if (s.key.path != s.lastValueKeyPath) {
    const int index = s.key.section->Add(KeyLine(s.key.quotedPath));
    if (!s.lastValueKnown) s.unsure->push_back({s.key.section, index, s.key.path});
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
      s.value.type = -1;
      break;
  }
  if (s.lastValueKeyPath != s.key.path) s.lastValueKeyPath = s.key.path;
  s.lastValueKnown = true;
  s.value.previousName = s.value.name;
}

void ConvertContinuationLine(ConverterState& s, std::string_view trimmed) {
  // A backslash anywhere keeps the value open; most lines end with it.
  const bool more = (!trimmed.empty() && trimmed.back() == '\\') || ContainsByte(trimmed, '\\');
  switch (s.state) {
    case ParseState::kWideValueOpen:
      AppendWithout(s.value.bytes, trimmed, '\\');
      if (more) return;
      SetState(s, ParseState::kInKey);
      FinishWideValue(s, s.value.previousName);
      return;
    case ParseState::kBinaryValueOpen:
      AppendBinaryContinuation(s.value.bytes, trimmed);
      if (more) return;
      SetState(s, ParseState::kInKey);
      FinishBinaryValue(s);
      return;
    default:
      // A stray line: it continues no open value.
      return;
  }
}

}  // namespace tovrix::regfile
