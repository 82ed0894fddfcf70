// Searching, cutting, replacing, case-mapping and trimming of byte texts.

#include "text/text_ops.h"

#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"
#include "text/internal.h"
#include "text/lead_bytes.h"

namespace tovrix {

namespace text_internal {

std::size_t FindTextWith(std::string_view pattern, std::string_view text, const LeadBytes& lead) {
  const std::size_t pattern_nul = pattern.find('\0');
  if (pattern_nul != std::string_view::npos) pattern = pattern.substr(0, pattern_nul);
  if (pattern.empty() || text.empty()) return 0;

  // Candidates come from a plain byte search; a candidate counts when no NUL
  // byte stands before it (the text ends there) and it starts a character.
  // `from` only moves forward, and so does `boundary`, the start of the
  // next character not yet passed, so the whole search is one pass.
  std::size_t from = 0;
  std::size_t boundary = 0;
  for (;;) {
    const std::size_t c = text.find(pattern, from);
    if (c == std::string_view::npos) return 0;
    if (std::memchr(text.data() + from, '\0', c - from) != nullptr) return 0;
    if (!lead.Any()) return c + 1;
    while (boundary < c) boundary += lead.CharLength(text, boundary);
    if (boundary == c) return c + 1;
    from = c + 1;  // the candidate starts on a second byte: pass it over
  }
}

}  // namespace text_internal

std::size_t FindText(std::string_view pattern, std::string_view text) {
  return text_internal::FindTextWith(pattern, text, text_internal::LeadBytes::System());
}

std::string_view SubText(std::string_view text, long long start, long long count) {
  if (start < 1) start = 1;
  if (count < 0 || text.empty() || static_cast<unsigned long long>(start) > text.size()) {
    return std::string_view();
  }
  return text.substr(static_cast<std::size_t>(start - 1),
                     static_cast<std::size_t>(count));  // substr clips at the end
}

namespace {

// `text` without its first `count` bytes (empty when it has fewer).
std::string_view DropFront(std::string_view text, std::size_t count) {
  return count >= text.size() ? std::string_view() : text.substr(count);
}

}  // namespace

std::string ReplaceText(std::string_view text, std::string_view pattern,
                        std::string_view replacement, unsigned flags) {
  const text_internal::LeadBytes& lead = text_internal::LeadBytes::System();

  // The search copy S and pattern P; the upper-cased copies are made once.
  std::string upper_text;
  std::string upper_pattern;
  std::string_view search = text;
  std::string_view search_pattern = pattern;
  if ((flags & IgnoreCase) != 0 && !text.empty()) {
    upper_text = UpperLocale(text);
    upper_pattern = UpperLocale(pattern);
    search = upper_text;
    search_pattern = upper_pattern;
  }

  std::string result;
  result.reserve(text.size());
  std::string_view rest = text;  // R: the bytes still to copy
  while (!search.empty()) {
    const std::size_t k = text_internal::FindTextWith(search_pattern, search, lead);
    if (k == 0) break;
    result.append(rest.substr(0, k - 1));
    result.append(replacement);
    rest = DropFront(rest, k - 1 + pattern.size());
    if ((flags & ReplaceAll) == 0) break;
    search = DropFront(search, k - 1 + search_pattern.size());
  }
  // The search copy and R have the same length, so R is empty whenever the
  // search copy ran out; appending it always keeps every byte regardless.
  result.append(rest);
  return result;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  }
  return out;
}

std::string UpperLocale(std::string_view text) {
  if (text.empty()) return std::string();
  return platform::UpperBuffer(text);
}

std::string_view TrimBlanks(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IsExistingFile(std::string_view path) {
  if (path.empty()) return false;
  return platform::IsExistingFile(path);
}

bool BeginsWithUpperAscii(std::string_view text, std::string_view upperPrefix) {
  if (text.size() < upperPrefix.size()) return false;
  for (std::size_t i = 0; i < upperPrefix.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    if (c != upperPrefix[i]) return false;
  }
  return true;
}

}  // namespace tovrix
