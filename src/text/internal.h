// Building blocks of the text layer that depend on the code page, with the
// lead-byte table passed in. The public operations call them with
// LeadBytes::System() (and the platform's path separators); the text
// layer's own tests call them with a double-byte table, whatever code page
// the test machine runs in. Nothing outside src/text should need them.
#ifndef TOVRIX_TEXT_INTERNAL_H_
#define TOVRIX_TEXT_INTERNAL_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/lead_bytes.h"

namespace tovrix::text_internal {

// FindText: 1-based position of the first occurrence of `pattern` that
// starts on a character boundary; both texts end at their first NUL.
std::size_t FindTextWith(std::string_view pattern, std::string_view text, const LeadBytes& lead);

// The bytes after the last separator that starts a character.
std::string FileNamePartWith(std::string_view path, std::string_view separators,
                             const LeadBytes& lead);
std::string ChangeExtensionWith(std::string_view path, std::string_view extension,
                                std::string_view separators, const LeadBytes& lead);

// Cuts a raw command line by the byte rules and returns the arguments that
// follow the program name, up to (not including) the first empty one.
std::vector<std::string> CutCommandLine(std::string_view raw, const LeadBytes& lead);

}  // namespace tovrix::text_internal

#endif  // TOVRIX_TEXT_INTERNAL_H_
