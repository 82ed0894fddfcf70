#include "inf/addreg_line.h"

#include "registry/registry.h"
#include "text/line_rules.h"
#include "text/text_ops.h"

namespace tovrix {

std::string QuotedKeyPath(std::string_view path) {
  std::string quoted = "\"";
  AppendDoubledQuotes(quoted, path);
  quoted += '"';
  return quoted;
}

void AppendAddRegHead(std::string& out, std::uint32_t type, std::string_view quotedKey,
                      bool isDefault, std::string_view name) {
  out += "0x";
  AppendDecimal(out, type);
  out += ',';
  out += quotedKey;
  out += ',';
  if (!isDefault) {
    out += '"';
    AppendDoubledQuotes(out, name);
    out += '"';
  }
  out += ',';
}

std::string KeyLine(std::string_view quotedKey) {
  std::string line = "0x0,";
  line += quotedKey;
  return line;
}

std::string ReplacementComment(std::uint32_t type) {
  return "; Replaced " + RegTypeName(type) + " to \"REG_BINARY\".";
}

}  // namespace tovrix
