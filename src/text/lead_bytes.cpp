#include "text/lead_bytes.h"

#include "platform/codepage.h"

namespace tovrix::text_internal {

const LeadBytes& LeadBytes::System() {
  // One cache per thread, as lines are converted on several; it is rebuilt
  // only when the code page in force changed since it was built.
  thread_local LeadBytes table;
  thread_local unsigned built_for = 0;  // the code page's generation; 0: not built yet
  const unsigned generation = platform::CodePageGeneration();
  if (generation != built_for) {
    table = LeadBytes();
    for (int b = 0; b < 256; ++b) {
      if (platform::IsLeadByte(static_cast<unsigned char>(b))) {
        table.lead_[b] = true;
        table.any_ = true;
      }
    }
    built_for = generation;
  }
  return table;
}

LeadBytes LeadBytes::FromRanges(
    std::initializer_list<std::pair<unsigned char, unsigned char>> ranges) {
  LeadBytes table;
  for (const auto& [first, last] : ranges) {
    for (int b = first; b <= last; ++b) {
      table.lead_[b] = true;
      table.any_ = true;
    }
  }
  return table;
}

}  // namespace tovrix::text_internal
