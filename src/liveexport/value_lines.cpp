// One live registry value as AddReg lines.
#include "liveexport/value_lines.h"

#include <cstring>
#include <vector>

#include "inf/addreg_line.h"
#include "liveexport/section_append.h"
#include "registry/registry.h"
#include "rewrite/env_paths.h"
#include "rewrite/expander.h"
#include "text/line_rules.h"
#include "text/line_splitter.h"
#include "text/text_ops.h"

namespace tovrix {

void KeyLines::Add(std::string_view line) {
  if (cutLines) {
    AddItemLines(target, line);
  } else {
    target.Add(line);
  }
}

namespace {

// Adds the AddReg line of `name` (the empty name is the default value):
// `quoted` puts the data between double quotes, and `dropLast` writes the
// line without its last byte. Built in the key's buffer.
void AddValueLine(KeyLines& key, std::uint32_t writtenType, std::string_view name,
                  std::string_view data, bool quoted = false, bool dropLast = false) {
  std::string& line = key.line;
  line.clear();
  AppendAddRegHead(line, writtenType, key.quotedPath, /*isDefault=*/name.empty(), name);
  if (quoted) line += '"';
  line += data;
  if (quoted) line += '"';
  if (dropLast) line.pop_back();
  key.Add(line);
}

void WriteString(const TRegistry& registry, std::string_view name, std::uint32_t type,
                 KeyLines& key) {
  std::string data = registry.ReadStringValue(name);
  const ConversionSettings& settings = key.settings;
  if (settings.replaceMode != 0) {
    ReplaceEnvPathsInPlace(data, settings.replaceMode, settings.replaceTarget);
  }
  if (ContainsByte(data, '"')) data = DoubleQuotes(data);
  CollectExpanderName(settings, data, name, /*atIsDefault=*/false, key.expanderNames);
  AddValueLine(key, type, name, data, /*quoted=*/true);
}

void WriteDword(const TRegistry& registry, std::string_view name, KeyLines& key) {
  std::string data = "0x";
  AppendHex32(data, static_cast<std::uint32_t>(registry.ReadDwordValue(name)));
  AddValueLine(key, kRegDword, name, data);
}

// The items of a multi-string: each NUL ends an item, a second NUL in a row
// ends the list.
std::string MultiStringText(const TRegistry& registry, std::string_view name) {
  const std::uint32_t size = registry.GetValueDataSize(name);
  if (size <= 2) return std::string();
  std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 2, 0);
  std::uint32_t read = size;
  std::uint32_t type = 0;
  registry.ReadRawValue(name, buffer.data(), read, type);
  for (std::size_t i = 0; i < size; ++i) {
    if (buffer[i] != 0) continue;
    buffer[i] = '\r';
    if (buffer[i + 1] == 0) break;
  }
  // buffer[size] is never touched, so the text ends there at the latest.
  return std::string(reinterpret_cast<const char*>(buffer.data()));
}

void WriteMultiString(const TRegistry& registry, std::string_view name, KeyLines& key) {
  // The items are the lines of the text, cut as a list cuts text.
  std::string data;
  bool first = true;
  ForEachLine(MultiStringText(registry, name), [&](std::string_view item) {
    if (!first) data += ',';
    first = false;
    data += '"';
    data += DoubleQuotes(item);
    data += '"';
  });
  const ConversionSettings& settings = key.settings;
  if (settings.replaceMode != 0) {
    ReplaceEnvPathsInPlace(data, settings.replaceMode, settings.replaceTarget);
  }
  CollectExpanderName(settings, data, name, /*atIsDefault=*/false, key.expanderNames);
  if (data.empty()) data = "\"\"";
  AddValueLine(key, kRegMultiSz, name, data);
}

void WriteBinary(const TRegistry& registry, std::string_view name, std::uint32_t type,
                 KeyLines& key) {
  const std::uint32_t size = registry.GetValueDataSize(name);
  std::string data;
  if (size > 0) {
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size) + 1, 0);
    registry.ReadBinaryValue(name, buffer.data(), size + 1);
    data = BinaryData(buffer.data(), size);
  }
  if (type != kRegBinary) key.Add(ReplacementComment(type));
  AddValueLine(key, kRegBinary, name, data, /*quoted=*/false,
               /*dropLast=*/size == 0);  // no data: no comma before it
}

}  // namespace

std::string BinaryData(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string data;
  data.reserve(size * 3 + size / kBytesPerLine * kByteListBreak.size());
  ByteListWriter list(data);
  for (std::size_t i = 0; i < size; ++i) {
    const char digits[2] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 0x0F]};
    list.Add(std::string_view(digits, 2));
  }
  return data;
}

void ExportValue(const TRegistry& registry, std::string_view name, KeyLines& key) {
  const std::uint32_t type = registry.GetValueType(name);
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      WriteString(registry, name, type, key);
      break;
    case kRegDword:
      WriteDword(registry, name, key);
      break;
    case kRegMultiSz:
      WriteMultiString(registry, name, key);
      break;
    default:
      WriteBinary(registry, name, type, key);
      break;
  }
}

}  // namespace tovrix
