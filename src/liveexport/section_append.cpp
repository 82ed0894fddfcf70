// Line-cutting append for the key-list input.
#include "liveexport/section_append.h"

#include <cstring>
#include <string>

namespace tovrix {

namespace {

bool HasLineBreak(std::string_view text) {
  return !text.empty() && (std::memchr(text.data(), '\n', text.size()) != nullptr ||
                           std::memchr(text.data(), '\r', text.size()) != nullptr);
}

}  // namespace

void AddItemLines(TStringList& list, std::string_view item) {
  if (!HasLineBreak(item)) {
    list.Add(item);
    return;
  }
  // The item as it stands in the joined text: followed by CR LF.
  std::string text(item);
  text += "\r\n";
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n) {
    const std::size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    list.Add(std::string_view(text).substr(start, i - start));
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') ++i;
  }
}

TStringList& SectionAppender::Open() {
  if (clean_ > section_.Count()) clean_ = 0;
  int first = clean_;
  while (first < section_.Count() && !HasLineBreak(section_.View(first))) ++first;
  if (first < section_.Count()) {
    // Rebuild from the first item with a line break on.
    TStringList rebuilt;
    for (int i = 0; i < first; ++i) rebuilt.Add(section_.View(i));
    for (int i = first; i < section_.Count(); ++i) AddItemLines(rebuilt, section_.View(i));
    section_.Assign(std::move(rebuilt));
  }
  clean_ = section_.Count();
  return section_;
}

void SectionAppender::Append(const TStringList& lines) {
  TStringList& section = Open();
  for (int i = 0; i < lines.Count(); ++i) AddItemLines(section, lines.View(i));
  clean_ = section.Count();
}

}  // namespace tovrix
