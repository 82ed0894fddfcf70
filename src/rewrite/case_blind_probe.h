// A quick, conservative test used to skip case-blind replacements that
// cannot match.
//
// MayOccurCaseBlind(text, upperPattern) answers whether `upperPattern`
// (a pattern already upper-cased with UpperLocale) may occur in
// UpperLocale(text), the way ReplaceText with IgnoreCase searches (both
// texts read up to their first NUL). It never answers false when the
// search would find the pattern; it may answer true when it would not.
// It allocates nothing: an ASCII byte that follows an ASCII byte (or starts
// the text) is always a character of its own and is upper-cased through a
// table taken from the platform once; every other byte may be part of a
// double-byte character or map to anything, and is taken to match.
#ifndef TOVRIX_REWRITE_CASE_BLIND_PROBE_H_
#define TOVRIX_REWRITE_CASE_BLIND_PROBE_H_

#include <string_view>

namespace tovrix {

bool MayOccurCaseBlind(std::string_view text, std::string_view upperPattern);

}  // namespace tovrix

#endif  // TOVRIX_REWRITE_CASE_BLIND_PROBE_H_
