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

#include <array>
#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace tovrix {

bool MayOccurCaseBlind(std::string_view text, std::string_view upperPattern);

// The same test, for patterns tried on many texts and texts tried with
// several patterns: what it learns of a pattern (where it ends, whether it
// is ASCII, which of its characters to look for first) is learnt once for
// all texts, and what it learns of a text (where it ends, whether it is
// ASCII, which characters it lacks) once for all patterns. Both hold a
// view of what they were made from.
class CaseBlindPattern {
 public:
  explicit CaseBlindPattern(std::string_view upperPattern);

 private:
  friend class CaseBlindProbe;
  friend class CaseBlindScreen;
  friend class ProbedReplacements;
  std::string_view upper_;  // up to its first NUL
  bool ascii_;
  std::size_t anchor_ = 0;  // the character with the fewest ASCII bytes upper-casing to it
};

class CaseBlindProbe {
 public:
  explicit CaseBlindProbe(std::string_view text);
  bool MayOccur(const CaseBlindPattern& pattern) const;
  // Whether text and pattern are ASCII bytes alone, each a character of its
  // own, and the text holds no NUL: then MayOccur's answer is exact, and so
  // is a search that compares byte by byte.
  bool Exact(const CaseBlindPattern& pattern) const;

 private:
  bool OccursInAscii(const CaseBlindPattern& pattern) const;

  std::string_view text_;  // up to its first NUL
  bool whole_;             // the text holds no NUL
  bool ascii_;
  // Upper-case ASCII characters found nowhere in an ASCII text.
  mutable std::bitset<128> absent_;
};

// Tells at a glance, for many texts, that none of a few patterns occurs in
// them: a text of ASCII bytes alone, without NUL, can hold a pattern only
// where a byte that upper-cases to the pattern's anchor character stands.
// One pass over the text, with no probe made; Clear is false whenever it
// cannot tell.
class CaseBlindScreen {
 public:
  CaseBlindScreen();
  // The pattern must not occur in a text Clear passes.
  void Add(const CaseBlindPattern& pattern);
  // Nor must `byte`.
  void Stop(char byte);
  // Whether `text` holds no NUL, no byte outside ASCII, no byte stopped
  // and none that upper-cases to the anchor of a pattern added.
  bool Clear(std::string_view text) const;

 private:
  static constexpr std::size_t kFewBytes = 4;
  std::bitset<256> stop_;
  // The ASCII bytes of stop_ but NUL, while there are few (the texts are
  // then looked at sixteen bytes at a time).
  std::array<char, kFewBytes> few_{};
  std::size_t fewCount_ = 0;
};

// A text that case-blind replacements (ReplaceText with IgnoreCase) change
// one after the other; the text is copied only once a replacement changed
// it. Where text and pattern are ASCII alone, the search is made here with
// the probe's table, found by the pattern's anchor as quickly as the probe
// would find it, as ReplaceText would make it but without its upper-cased
// copies. Otherwise ReplaceText is tried only where the probe of the text
// as it stands says the pattern may occur; the probe is made again once a
// replacement changed the text. Holds a view of `text`.
class ProbedReplacements {
 public:
  explicit ProbedReplacements(std::string_view text) : base_(text), probe_(text) {}
  ProbedReplacements(const ProbedReplacements&) = delete;
  ProbedReplacements& operator=(const ProbedReplacements&) = delete;

  bool MayOccur(const CaseBlindPattern& pattern) const { return probe_.MayOccur(pattern); }
  // ReplaceText(Text(), pattern, replacement, flags), where `probed` (made of
  // the pattern as UpperLocale gives it) may occur.
  void Replace(const CaseBlindPattern& probed, std::string_view pattern,
               std::string_view replacement, unsigned flags);
  bool Changed() const { return changed_; }
  std::string_view Text() const { return changed_ ? std::string_view(text_) : base_; }

 private:
  std::string_view base_;
  std::string text_;  // the text once a replacement changed it
  bool changed_ = false;
  CaseBlindProbe probe_;  // of Text()
};

}  // namespace tovrix

#endif  // TOVRIX_REWRITE_CASE_BLIND_PROBE_H_
