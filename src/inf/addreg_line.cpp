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
  std::size_t copied = 0;
  // The form exports write, two digits an item: the commas stand every
  // three bytes, so the breaks do every 25 items, 75 bytes apart.
  bool pairs = text.size() % 3 == 2;
  for (std::size_t i = 0; pairs && i < text.size(); i += 3) {
    pairs = text[i] != ',' && text[i + 1] != ',' && (i + 2 == text.size() || text[i + 2] == ',');
  }
  if (pairs) {
    const std::size_t commas = text.size() / 3;
    // Comma k comes before item count_ + k.
    std::size_t k = (kBytesPerLine - count_ % kBytesPerLine) % kBytesPerLine;
    for (; k < commas; k += kBytesPerLine) {
      const std::size_t end = 3 * k + 3;  // after comma k
      out_.append(text.data() + copied, end - copied);
      out_ += kByteListBreak;
      copied = end;
    }
    count_ += commas;
    out_.append(text.data() + copied, text.size() - copied);
    return;
  }
  // Each comma of `text` starts item number count_; a break follows the
  // comma before every 25th item.
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
