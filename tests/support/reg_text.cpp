// The .reg reader behind KeysOfRegText (hive_writer.h): just enough of the
// format to describe test hives.
#include <unicode/ustring.h>

#include <cctype>
#include <stdexcept>

#include "support/hive_writer.h"

namespace tovrix::testing {

namespace {

// UTF-16LE bytes as UTF-8; an odd last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  std::string out(units.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                     reinterpret_cast<const UChar*>(units.data()),
                     static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
  out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
  return out;
}

bool ValidUtf8(std::string_view text) {
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(nullptr, 0, &length, text.data(), static_cast<int32_t>(text.size()), &status);
  return status != U_INVALID_CHAR_FOUND;
}

// 8-bit text that is no UTF-8, read as Latin-1.
std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | b >> 6);
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

// A quoted text from `pos` (at the opening quote) with \\ and \" resolved;
// `pos` ends after the closing quote.
std::string Quoted(std::string_view line, std::size_t& pos) {
  std::string out;
  for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
    if (line[pos] == '\\' && pos + 1 < line.size()) ++pos;
    out += line[pos];
  }
  ++pos;
  return out;
}

std::string HexBytes(std::string_view list) {
  std::string out;
  std::string item;
  auto flush = [&] {
    if (!item.empty()) out += static_cast<char>(std::stoul(item, nullptr, 16));
    item.clear();
  };
  for (char c : list) {
    if (c == ',') {
      flush();
    } else if (std::isxdigit(static_cast<unsigned char>(c))) {
      item += c;
    }
  }
  flush();
  return out;
}

HiveValue ValueOfLine(std::string_view line) {
  HiveValue value;
  std::size_t pos = 0;
  if (line.front() == '@') {
    pos = 1;
  } else {
    value.name = Quoted(line, pos);
  }
  if (pos >= line.size() || line[pos] != '=') throw std::runtime_error("bad value line");
  const std::string_view data = Trim(line.substr(pos + 1));
  if (!data.empty() && data.front() == '"') {
    std::size_t at = 0;
    value.type = 1;
    value.data = Utf16(Quoted(data, at));
  } else if (data.rfind("dword:", 0) == 0) {
    value.type = 4;
    value.data =
        DwordData(static_cast<std::uint32_t>(std::stoul(std::string(data.substr(6)), nullptr, 16)));
  } else if (data.rfind("hex:", 0) == 0) {
    value.type = 3;
    value.data = HexBytes(data.substr(4));
  } else if (data.rfind("hex(", 0) == 0) {
    const std::size_t close = data.find("):");
    value.type =
        static_cast<std::uint32_t>(std::stoul(std::string(data.substr(4, close - 4)), nullptr, 16));
    value.data = HexBytes(data.substr(close + 2));
  } else {
    throw std::runtime_error("unknown data: " + std::string(data));
  }
  return value;
}

}  // namespace

std::vector<HiveKey> KeysOfRegText(std::string_view text, std::string_view prefix) {
  std::string utf8 = text.size() >= 2 && text[0] == '\xFF' && text[1] == '\xFE'
                         ? Utf16ToUtf8(text.substr(2))
                     : ValidUtf8(text) ? std::string(text)
                                       : Latin1ToUtf8(text);
  if (utf8.rfind("\xEF\xBB\xBF", 0) == 0) utf8.erase(0, 3);
  const std::string upperPrefix = Upper(prefix);

  std::vector<HiveKey> keys;
  bool inside = false;
  std::string pending;  // a value line continued with '\'
  std::size_t start = 0;
  while (start < utf8.size()) {
    std::size_t end = utf8.find('\n', start);
    if (end == std::string::npos) end = utf8.size();
    std::string_view line = Trim(std::string_view(utf8).substr(start, end - start));
    start = end + 1;
    if (!pending.empty() || (!line.empty() && line.back() == '\\')) {
      pending.append(line);
      if (!pending.empty() && pending.back() == '\\') {
        pending.pop_back();
        continue;
      }
      line = pending;
    }
    const std::string logical(line);
    pending.clear();
    if (logical.empty() || logical[0] == ';' || logical.rfind("Windows Registry", 0) == 0 ||
        logical.rfind("REGEDIT", 0) == 0) {
      continue;
    }
    if (logical[0] == '[') {
      const std::string path = logical.substr(1, logical.rfind(']') - 1);
      const std::string upper = Upper(path);
      inside = false;
      if (upper == upperPrefix) {
        keys.push_back(HiveKey{"", {}});
        inside = true;
      } else if (upper.rfind(upperPrefix + "\\", 0) == 0) {
        keys.push_back(HiveKey{path.substr(prefix.size() + 1), {}});
        inside = true;
      }
      continue;
    }
    if (!inside || logical.find("=-") == logical.size() - 2) continue;  // a deletion
    keys.back().values.push_back(ValueOfLine(logical));
  }
  return keys;
}

}  // namespace tovrix::testing
