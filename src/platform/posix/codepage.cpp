// Code-page conversion and upper-casing through the tables of
// ansi_tables.h: after the first call, no ICU call is made here.
#include "platform/codepage.h"

#include <unicode/uchar.h>

#include <cstdint>

#include "platform/posix/ansi_tables.h"

namespace tovrix::platform {

namespace {

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

unsigned AnsiCodePage() { return posix::Tables().codePage; }

void AppendWideAsAnsi(const char16_t* units, std::size_t count, std::string& out) {
  const posix::AnsiTables& tables = posix::Tables();
  const std::uint16_t* wide = tables.wide.data();
  const std::size_t start = out.size();
  if (!tables.doubleByte) {
    out.resize(start + count);
    char* dest = out.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
      dest[i] = static_cast<char>(wide[units[i]]);
    }
    return;
  }
  out.resize(start + 2 * count);
  char* dest = out.data() + start;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t bytes = wide[units[i]];
    if (bytes >= 0x100) *dest++ = static_cast<char>(bytes >> 8);
    *dest++ = static_cast<char>(bytes & 0xFF);
  }
  out.resize(static_cast<std::size_t>(dest - out.data()));
}

bool IsLeadByte(unsigned char byte) { return posix::Tables().lead[byte]; }

std::string UpperBuffer(std::string_view text) {
  const posix::AnsiTables& tables = posix::Tables();
  std::string result(text);
  const std::size_t size = result.size();
  for (std::size_t i = 0; i < size; ++i) {
    const auto byte = static_cast<unsigned char>(result[i]);
    if (!tables.lead[byte] || i + 1 == size) {
      result[i] = static_cast<char>(tables.upper[byte]);
      continue;
    }
    // A double-byte character is upper-cased whole, and only when its
    // upper-case form is again a double-byte character of the code page.
    const auto trail = static_cast<unsigned char>(result[i + 1]);
    const char16_t unit = tables.DecodePair(byte, trail);
    const UChar32 upper = u_toupper(unit);
    if (upper != unit && upper <= 0xFFFF) {
      const std::uint16_t bytes = tables.wide[static_cast<std::size_t>(upper)];
      if (bytes >= 0x100 && tables.DecodePair(static_cast<unsigned char>(bytes >> 8),
                                              static_cast<unsigned char>(bytes & 0xFF)) == upper) {
        result[i] = static_cast<char>(bytes >> 8);
        result[i + 1] = static_cast<char>(bytes & 0xFF);
      }
    }
    ++i;
  }
  return result;
}

std::string AnsiToUtf8(std::string_view text) {
  std::u16string units;
  posix::AppendAnsiAsWide(posix::Tables(), text, units);
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00), out);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(0xFFFD, out);
    } else {
      AppendUtf8(unit, out);
    }
  }
  return out;
}

char DecimalSeparator() { return '.'; }

}  // namespace tovrix::platform
