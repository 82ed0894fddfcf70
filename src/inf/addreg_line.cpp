#include "inf/addreg_line.h"

#include <charconv>

#include "registry/registry.h"
#include "text/comma_list.h"
#include "text/line_rules.h"

namespace tovrix {

std::string QuotedKeyPath(std::string_view path) {
  std::string quoted;
  quoted.reserve(path.size() + 2);  // room for the usual path, without a quote to double
  quoted.push_back('"');
  AppendDoubledQuotes(quoted, path);
  quoted += '"';
  return quoted;
}

AddRegHead::AddRegHead(std::uint32_t type, std::string_view quotedKey, bool isDefault,
                       std::string_view name) {
  char* end = type_;
  *end++ = '0';
  *end++ = 'x';
  end = std::to_chars(end, type_ + sizeof type_ - 1, type).ptr;
  *end++ = ',';
  if (!isDefault && name.find('"') != std::string_view::npos) {
    AppendDoubledQuotes(doubled_, name);
    name = doubled_;
  }
  pieces_ = {std::string_view(type_, static_cast<std::size_t>(end - type_)), quotedKey,
             isDefault ? std::string_view(",") : std::string_view(",\""),
             isDefault ? std::string_view() : name,
             isDefault ? std::string_view(",") : std::string_view("\",")};
}

void AppendAddRegHead(std::string& out, std::uint32_t type, std::string_view quotedKey,
                      bool isDefault, std::string_view name) {
  const AddRegHead head(type, quotedKey, isDefault, name);
  for (std::string_view piece : head.Pieces()) out.append(piece);
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
  if (IsTwoByteItemList(text)) {
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
