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

void ByteListWriter::AddPlainList(std::string_view text) {
  if (text.empty()) return;
  if (count_ > 0) {
    out_ += ',';
    if (count_ % kBytesPerLine == 0) out_ += kByteListBreak;
  }
  ++count_;
  // Each comma of `text` starts item number count_; a break follows the
  // comma before every 25th item.
  std::size_t copied = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != ',') continue;
    if (count_ % kBytesPerLine == 0) {
      out_.append(text.data() + copied, i + 1 - copied);
      out_ += kByteListBreak;
      copied = i + 1;
    }
    ++count_;
  }
  out_.append(text.data() + copied, text.size() - copied);
}

}  // namespace tovrix
