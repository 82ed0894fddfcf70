// File name and extension of a path, double-byte aware: the second byte of
// a double-byte character is never taken for a separator or a dot.

#include <string>
#include <string_view>

#include "platform/process.h"
#include "text/internal.h"
#include "text/lead_bytes.h"
#include "text/text_ops.h"

namespace tovrix {

namespace text_internal {

namespace {

// 0-based offset of the last byte of `path` that starts a character and is
// one of `chars`; npos when there is none.
std::size_t LastDelimiter(std::string_view path, std::string_view chars, const LeadBytes& lead) {
  if (!lead.Any()) return path.find_last_of(chars);
  std::size_t last = std::string_view::npos;
  for (std::size_t i = 0; i < path.size(); i += lead.CharLength(path, i)) {
    if (chars.find(path[i]) != std::string_view::npos) last = i;
  }
  return last;
}

}  // namespace

std::string FileNamePartWith(std::string_view path, std::string_view separators,
                             const LeadBytes& lead) {
  const std::size_t last = LastDelimiter(path, separators, lead);
  if (last == std::string_view::npos) return std::string(path);
  return std::string(path.substr(last + 1));
}

std::string ChangeExtensionWith(std::string_view path, std::string_view extension,
                                std::string_view separators, const LeadBytes& lead) {
  std::string delimiters(".");
  delimiters.append(separators);
  const std::size_t last = LastDelimiter(path, delimiters, lead);
  std::string out;
  if (last != std::string_view::npos && path[last] == '.') {
    out.reserve(last + extension.size());
    out.append(path.substr(0, last));
  } else {
    out.reserve(path.size() + extension.size());
    out.append(path);
  }
  out.append(extension);
  return out;
}

}  // namespace text_internal

std::string FileNamePart(std::string_view path) {
  return text_internal::FileNamePartWith(path, platform::PathSeparators(),
                                         text_internal::LeadBytes::System());
}

std::string ChangeExtension(std::string_view path, std::string_view extension) {
  return text_internal::ChangeExtensionWith(path, extension, platform::PathSeparators(),
                                            text_internal::LeadBytes::System());
}

}  // namespace tovrix
