// The AddReg lines of one live registry value.
//
// ExportValue reads the value `name` of the key open in `registry` and
// appends to `key.target` its value line (and, before a value written as
// REG_BINARY although of another type, the replacement comment):
//   REG_SZ, REG_EXPAND_SZ  0x1 / 0x2, the text in double quotes (inner
//                          quotes doubled), paths rewritten
//   REG_DWORD              0x4, 0x<upper-case hex>
//   REG_MULTI_SZ           0x7, the items quoted and joined by ",", paths
//                          rewritten; no items give ""
//   anything else          0x3, lower-case hex bytes, 25 to a line
// Named values are written 0x<t>,"<path>","<name>",<data>, the default value
// 0x<t>,"<path>",,<data>; the key path and the name have their double quotes
// doubled. Names of text values holding environment references are added
// to `key.expanderNames`.
#ifndef TOVRIX_LIVEEXPORT_VALUE_LINES_H_
#define TOVRIX_LIVEEXPORT_VALUE_LINES_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "liveexport/registry.h"
#include "rewrite/settings.h"
#include "text/string_list.h"

namespace tovrix {

// What the values of one key share while they are written.
struct KeyLines {
  const ConversionSettings& settings;
  TStringList& target;
  std::string quotedPath;     // the key path as key and AddReg lines carry it
  std::string expanderNames;  // "\"name\"," per noted value
  bool cutLines = false;      // add each line cut at its line breaks
  std::string line;           // the line being built

  void Add(std::string_view line);
};

void ExportValue(const TRegistry& registry, std::string_view name, KeyLines& key);

// Two lower-case hex digits per byte, a byte list (inf/addreg_line.h).
std::string BinaryData(const unsigned char* bytes, std::size_t size);

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_VALUE_LINES_H_
