// Appending exported lines to a section list the way the key-list input
// does: the section's items and the new ones are cut into lines, so an
// item that holds line breaks (a wrapped binary value, a string with a CR
// or LF) becomes one item per line.
//
// The lines of an item are cut as the item followed by CR LF would be: CR
// LF, a lone CR and a lone LF each end a line, LF CR is two line ends, and
// an item ending in a line break leaves an empty line after it. NUL bytes
// are kept as they are.
//
// The appender remembers how many leading items of its section are already
// free of CR and LF, so every item is examined once however many times it
// appends: appending n keys costs time linear in the section's size.
#ifndef TOVRIX_LIVEEXPORT_SECTION_APPEND_H_
#define TOVRIX_LIVEEXPORT_SECTION_APPEND_H_

#include <string_view>

#include "text/string_list.h"

namespace tovrix {

// Adds the lines of `item` to `list`.
void AddItemLines(TStringList& list, std::string_view item);

class SectionAppender {
 public:
  explicit SectionAppender(TStringList& section) : section_(section) {}

  // Cuts the section's items that hold line breaks into lines and hands
  // the section out; lines added to it then must be cut too (AddItemLines).
  TStringList& Open();
  // Open, then the lines of every item of `lines`.
  void Append(const TStringList& lines);

 private:
  TStringList& section_;
  int clean_ = 0;  // items [0, clean_) of the section hold no CR or LF
};

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_SECTION_APPEND_H_
