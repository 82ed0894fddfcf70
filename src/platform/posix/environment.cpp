// %NAME% expansion over the process environment, with the rules of
// ExpandEnvironmentStringsA.
//
// The environment is read at every call (it is not copied), so a change
// made with setenv shows at once. Names match without regard to letter
// case, compared in Unicode as Windows compares them; where several entries
// differ only in case, one spelled exactly as the reference wins, otherwise
// the first in the environment. Names and values are UTF-8 on Linux; values
// are converted to the ANSI code page.
#include "platform/environment.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <cstring>

#include "platform/codepage.h"

extern char** environ;

namespace tovrix::platform {

namespace {

struct DefaultVariable {
  const char* name;
  const char* value;
};

// What a default Wine prefix defines, for a Linux environment without them.
constexpr DefaultVariable kDefaults[] = {
    {"SystemRoot", "C:\\windows"},
    {"ProgramFiles", "C:\\Program Files"},
    {"SystemDrive", "C:"},
};

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// UTF-8 -> UTF-16; malformed sequences become U+FFFD.
std::u16string Utf8ToUnits(std::string_view utf8) {
  std::u16string units(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(units.data()), static_cast<int32_t>(units.size()),
                       &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr,
                       &status);
  units.resize(U_SUCCESS(status) ? static_cast<std::size_t>(length) : 0);
  return units;
}

std::string Utf8ToAnsi(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return WideToAnsi(Utf8ToUnits(utf8));
}

// Names only: UTF-16 units of UTF-8 text, upper-cased unit by unit.
std::u16string UpperUnits(std::string_view utf8) {
  std::u16string units = Utf8ToUnits(utf8);
  for (char16_t& unit : units) {
    const UChar32 upper = u_toupper(unit);
    if (upper <= 0xFFFF) unit = static_cast<char16_t>(upper);
  }
  return units;
}

// Compares `name` (UTF-8, as the environment spells names) with the name
// part of `entry` ("NAME=value"). Returns the value, or null when the names
// differ; `exact` tells whether they are spelled alike. Windows compares
// names in Unicode without regard to case; plain ASCII names (nearly all)
// are compared byte by byte here.
const char* MatchEntry(const char* entry, std::string_view name, bool nameIsAscii, bool& exact) {
  const std::size_t length = name.size();
  exact = true;
  std::size_t k = 0;
  for (; k < length; ++k) {
    const char c = entry[k];
    if (c == '\0' || c == '=') break;
    if (c != name[k]) {
      exact = false;
      if (FoldAscii(c) != FoldAscii(name[k])) break;
    }
  }
  if (k == length && entry[k] == '=') return entry + k + 1;
  if (nameIsAscii) {
    // A name spelled with other letters may still match an ASCII one only
    // through case mapping of non-ASCII letters; Windows does not do that.
    return nullptr;
  }
  const char* equals = std::strchr(entry, '=');
  if (equals == nullptr || equals == entry) return nullptr;
  const std::string_view entryName(entry, static_cast<std::size_t>(equals - entry));
  if (IsAscii(entryName)) return nullptr;
  exact = entryName == name;
  if (exact || UpperUnits(entryName) == UpperUnits(name)) return equals + 1;
  return nullptr;
}

// The value of the variable `name` (ANSI, not empty) in the ANSI code
// page, or false when it is undefined.
bool LookUp(std::string_view name, std::string& value) {
  if (name.find('=') != std::string_view::npos) return false;
  const bool nameIsAscii = IsAscii(name);
  const std::string utf8Name = nameIsAscii ? std::string(name) : AnsiToUtf8(name);
  const char* found = nullptr;
  // An ASCII name matches only entries whose first byte is its first
  // letter in either case: with bit 0x20 set, both read the same (so do a
  // few pairs of other bytes, which MatchEntry then tells apart).
  const char first = static_cast<char>(name.front() | 0x20);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (nameIsAscii && static_cast<char>(**entry | 0x20) != first) continue;
    bool exact = false;
    const char* match = MatchEntry(*entry, utf8Name, nameIsAscii, exact);
    if (match == nullptr) continue;
    if (exact) {
      found = match;
      break;
    }
    if (found == nullptr) found = match;
  }
  if (found != nullptr) {
    value = Utf8ToAnsi(found);
    return true;
  }
  for (const DefaultVariable& variable : kDefaults) {
    if (EqualIgnoringCase(variable.name, name)) {
      value = variable.value;
      return true;
    }
  }
  return false;
}

}  // namespace

Expansion ExpandEnvironment(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  Expansion result;
  result.ok = true;
  std::string& out = result.text;
  out.reserve(text.size());
  std::string value;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find('%', pos);
    if (open == std::string_view::npos) {
      out.append(text, pos);
      break;
    }
    out.append(text, pos, open - pos);
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) {
      out.append(text, open);  // a '%' that nothing closes
      break;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (!name.empty() && LookUp(name, value)) {
      out += value;
    } else {
      out.append(text, open, close - open + 1);  // kept as written
    }
    pos = close + 1;
  }
  return result;
}

}  // namespace tovrix::platform
