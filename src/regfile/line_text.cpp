#include "regfile/line_text.h"

#include <cstring>


namespace tovrix::regfile {

std::size_t FindNameSeparator(std::string_view line, const LeadByteTable& lead) {
  if (!lead.Any()) return line.find('=');
  for (std::size_t i = 0; i < line.size(); i += lead.CharLength(line, i)) {
    if (line[i] == '=') return i;
  }
  return std::string_view::npos;
}

bool ContainsByte(std::string_view text, char byte) {
  return !text.empty() && std::memchr(text.data(), byte, text.size()) != nullptr;
}

void AppendWithout(std::string& out, std::string_view text, char byte,
                   const LeadByteTable& lead) {
  if (!lead.Any()) {
    // Copy the runs between the bytes to drop.
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t hit = text.find(byte, start);
      if (hit == std::string_view::npos) hit = text.size();
      out.append(text.data() + start, hit - start);
      start = hit + 1;
    }
    return;
  }
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t len = lead.CharLength(text, i);
    if (len == 1 && text[i] == byte) {
      ++i;
      continue;
    }
    out.append(text.data() + i, len);
    i += len;
  }
}

void AppendReplaced(std::string& out, std::string_view text, std::string_view pattern,
                    std::string_view replacement, const LeadByteTable& lead) {
  std::size_t copied = 0;  // text[0, copied) is already in `out`
  std::size_t i = 0;
  if (!lead.Any()) {
    while ((i = text.find(pattern, i)) != std::string_view::npos) {
      out.append(text.data() + copied, i - copied);
      out.append(replacement);
      i += pattern.size();
      copied = i;
    }
  } else {
    while (i < text.size()) {
      if (text.compare(i, pattern.size(), pattern) == 0) {
        out.append(text.data() + copied, i - copied);
        out.append(replacement);
        i += pattern.size();
        copied = i;
      } else {
        i += lead.CharLength(text, i);
      }
    }
  }
  out.append(text.data() + copied, text.size() - copied);
}

void UnescapeRegString(std::string_view text, std::string& out, std::string& scratch,
                       const LeadByteTable& lead) {
  out.clear();
  if (!ContainsByte(text, '\\')) {
    out.append(text);
    return;
  }
  scratch.clear();
  AppendReplaced(scratch, text, "\\\\", "\\", lead);
  AppendReplaced(out, scratch, "\\\"", "\"", lead);
}

void AppendDoubledQuotes(std::string& out, std::string_view text) {
  std::size_t start = 0;
  std::size_t hit;
  while ((hit = text.find('"', start)) != std::string_view::npos) {
    out.append(text.data() + start, hit + 1 - start);
    out.push_back('"');
    start = hit + 1;
  }
  out.append(text.data() + start, text.size() - start);
}

void AppendBinaryContinuation(std::string& out, std::string_view trimmed,
                              const LeadByteTable& lead) {
  if (lead.Any()) {
    // In a double-byte code page the removals depend on where characters
    // start, which lower-casing can change: do the steps one by one.
    std::string lowered(trimmed);
    LowerAsciiInPlace(lowered);
    std::string without_backslashes;
    AppendWithout(without_backslashes, lowered, '\\', lead);
    AppendWithout(out, without_backslashes, ' ', lead);
    return;
  }
  // Every byte stands for itself: one pass.
  const std::size_t start = out.size();
  out.resize(start + trimmed.size());
  char* dest = out.data() + start;
  for (char c : trimmed) {
    if (c == '\\' || c == ' ') continue;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    *dest++ = c;
  }
  out.resize(static_cast<std::size_t>(dest - out.data()));
}

bool AppendWrappedPlainList(std::string& out, std::string_view list, std::size_t perLine,
                            std::string_view lineBreak, std::size_t& items) {
  const std::size_t original = out.size();
  std::size_t commas = 0;
  std::size_t copied = 0;  // list[0, copied) is already in `out`
  std::size_t to_break = perLine;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(list[i]);
    if (b <= 0x20 || b >= 0x80 || b == '"') {
      out.resize(original);
      return false;
    }
    if (b == ',') {
      ++commas;
      if (--to_break == 0) {
        out.append(list.data() + copied, i + 1 - copied);
        out.append(lineBreak);
        copied = i + 1;
        to_break = perLine;
      }
    }
  }
  out.append(list.data() + copied, list.size() - copied);
  items = list.empty() ? 0 : commas + 1;
  return true;
}

CommaItemReader::CommaItemReader(std::string_view text, const LeadByteTable& lead)
    : text_(text.substr(0, text.find('\0'))), lead_(lead) {
  SkipBlanks();
}

void CommaItemReader::SkipBlanks() {
  // The text holds no NUL, so every byte up to 0x20 is a blank.
  while (pos_ < text_.size() && static_cast<unsigned char>(text_[pos_]) <= 0x20) ++pos_;
}

bool CommaItemReader::Next(std::string_view& item) {
  if (trailingEmpty_) {
    trailingEmpty_ = false;
    item = std::string_view();
    return true;
  }
  const std::size_t n = text_.size();
  if (pos_ >= n) return false;
  if (text_[pos_] == '"') {
    // Up to the next quote that is not doubled; each "" stands for one '"'.
    quoted_.clear();
    std::size_t i = pos_ + 1;
    bool closed = false;
    while (i < n) {
      if (text_[i] == '"') {
        if (i + 1 < n && text_[i + 1] == '"') {
          quoted_.push_back('"');
          i += 2;
          continue;
        }
        ++i;
        closed = true;
        break;
      }
      const std::size_t len = lead_.CharLength(text_, i);
      quoted_.append(text_.data() + i, len);
      i += len;
    }
    // Without its closing quote the item is the rest less its last byte.
    if (!closed && !quoted_.empty()) quoted_.pop_back();
    pos_ = i;
    item = quoted_;
  } else {
    const std::size_t start = pos_;
    while (pos_ < n && static_cast<unsigned char>(text_[pos_]) > 0x20 && text_[pos_] != ',') {
      pos_ += lead_.CharLength(text_, pos_);
    }
    item = text_.substr(start, pos_ - start);
  }
  SkipBlanks();
  if (pos_ < n && text_[pos_] == ',') {
    if (pos_ + 1 == n) trailingEmpty_ = true;
    ++pos_;
    SkipBlanks();
  }
  return true;
}

void LowerAsciiInPlace(std::string& text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
}

std::uint32_t HexItemValue(std::string_view item) {
  if (item.empty()) return 0;
  std::uint64_t value = 0;
  for (char c : item) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return 0;
    }
    value = value * 16 + digit;
    if (value > 0xFFFFFFFFu) return 0;
  }
  return static_cast<std::uint32_t>(value);
}

bool IsPlainCommaList(std::string_view text) {
  for (char c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b >= 0x80 || c == '"') return false;
  }
  return true;
}

}  // namespace tovrix::regfile
