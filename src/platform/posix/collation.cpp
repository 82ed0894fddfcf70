// Locale-aware comparison of ANSI texts in the manner of Windows' word
// sort, built on an ICU collator.
//
// Windows orders texts by their letters first (primary), then accents
// (secondary), then case (tertiary, lower before upper), and only then by
// the "special" characters it leaves out of those levels: the apostrophe,
// the hyphen, the en and em dashes and the control characters. The
// collator is tailored to match:
//  - the special characters are made ignorable, and a tie that the
//    collator leaves is broken by them afterwards (TieBreak);
//  - the symbols of the Latin-1 range are put in Windows' order, which
//    differs from ICU's (Windows: '[' < '_' < '~' < '+' < digits);
//  - the ligatures æ, œ, ß and þ sort as ae, oe, ss and th.
// NUL and the soft hyphen are ignored entirely, as Windows does.
#include <unicode/ucol.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/ansi_tables.h"

namespace tovrix::platform {

namespace {

// ICU tailoring rules. Every character is written as \uXXXX, which
// RuleText turns into a quoted literal, so that none is read as syntax.
constexpr const char* kWindowsOrderRules =
    // Special characters: ignorable here, ordered by TieBreak.
    R"(&[last tertiary ignorable] = \u0027 = \u002D = \u2013 = \u2014 )"
    // Blanks, punctuation and symbols, all before the digits.
    R"(&[before 1]\u0030 < \u0020 < \u00A0 < \u0009 < \u000A < \u000B )"
    R"(< \u000C < \u000D < \u0021 < \u0022 < \u0023 < \u0024 < \u0025 )"
    R"(< \u0026 < \u0028 < \u0029 < \u002A < \u002C < \u002E < \u002F )"
    R"(< \u003A < \u003B < \u003F < \u0040 < \u005B < \u005C < \u005D )"
    R"(< \u005E <<< \u02C6 < \u005F < \u0060 < \u007B < \u007C < \u007D )"
    R"(< \u007E < \u00A1 < \u00A6 < \u00A8 < \u00AF < \u00B4 < \u00B8 )"
    R"(< \u00BF < \u02DC < \u2018 < \u2019 < \u201A < \u201C < \u201D )"
    R"(< \u201E < \u2039 < \u203A < \u00A2 < \u00A3 < \u00A4 < \u00A5 )"
    R"(< \u20AC < \u002B < \u003C < \u003D < \u003E < \u00B1 < \u00AB )"
    R"(< \u00BB < \u00D7 < \u00F7 < \u00A7 < \u00A9 < \u00AC < \u00AE )"
    R"(< \u00B0 < \u00B5 < \u00B6 < \u00B7 < \u2026 < \u2020 < \u2021 )"
    R"(< \u2022 < \u2030 < \u0081 < \u008D < \u008F < \u0090 < \u009D )"
    // Fractions after 0, superscript digits and ordinal indicators as
    // accented forms of their base.
    R"(&\u0030 < \u00BC < \u00BD < \u00BE )"
    R"(&\u0031 << \u00B9 &\u0032 << \u00B2 &\u0033 << \u00B3 )"
    R"(&a << \u00AA &o << \u00BA &d << \u00F0 <<< \u00D0 )"
    // Ligatures as their two letters.
    R"(&ae = \u00E6 &AE = \u00C6 &oe = \u0153 &OE = \u0152 &ss = \u00DF )"
    R"(&th = \u00FE &TH = \u00DE)";

// The ICU locale whose collation stands for the code page's user locale.
const char* BaseLocale(unsigned codePage) {
  switch (codePage) {
    case 932:
      return "ja";
    case 936:
      return "zh";
    case 949:
      return "ko";
    case 950:
      return "zh_Hant";
    default:
      return "";  // root
  }
}

struct CollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};
using CollatorPtr = std::unique_ptr<UCollator, CollatorCloser>;

// Two collators per code page: secondary strength for NORM_IGNORECASE,
// tertiary strength otherwise.
struct Collators {
  unsigned codePage = 0;
  CollatorPtr ignoreCase;
  CollatorPtr withCase;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// kWindowsOrderRules as ICU reads it: each \uXXXX becomes the quoted
// character ('c', or '' for the apostrophe itself); the rest is ASCII.
std::u16string RuleText() {
  std::u16string rules;
  const std::string_view text = kWindowsOrderRules;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\\u") == 0 && i + 6 <= text.size()) {
      char16_t unit = 0;
      for (std::size_t k = i + 2; k < i + 6; ++k) {
        unit = static_cast<char16_t>(unit << 4 | HexValue(text[k]));
      }
      if (unit == u'\'') {
        rules += u"''";
      } else {
        rules += u'\'';
        rules += unit;
        rules += u'\'';
      }
      i += 5;
    } else {
      rules += static_cast<char16_t>(text[i]);
    }
  }
  return rules;
}

CollatorPtr OpenTailored(unsigned codePage) {
  UErrorCode status = U_ZERO_ERROR;
  CollatorPtr base(ucol_open(BaseLocale(codePage), &status));
  if (U_FAILURE(status)) return nullptr;
  int32_t baseLength = 0;
  const UChar* baseRules = ucol_getRules(base.get(), &baseLength);
  std::u16string rules(baseRules, static_cast<std::size_t>(baseLength));
  rules += u' ';
  rules += RuleText();
  UParseError parseError;
  CollatorPtr collator(ucol_openRules(reinterpret_cast<const UChar*>(rules.data()),
                                      static_cast<int32_t>(rules.size()), UCOL_DEFAULT,
                                      UCOL_TERTIARY, &parseError, &status));
  if (U_FAILURE(status)) return nullptr;
  return collator;
}

const Collators& CollatorsFor(unsigned codePage) {
  static Collators cache;
  if (cache.codePage != codePage) {
    cache.codePage = codePage;
    cache.withCase = OpenTailored(codePage);
    cache.ignoreCase.reset();
    if (cache.withCase) {
      UErrorCode status = U_ZERO_ERROR;
      cache.ignoreCase.reset(ucol_clone(cache.withCase.get(), &status));
      if (U_SUCCESS(status)) {
        ucol_setStrength(cache.ignoreCase.get(), UCOL_SECONDARY);
      } else {
        cache.ignoreCase.reset();
      }
    }
  }
  return cache;
}

// Rank of a special character (ordered as Windows orders them), or -1.
int SpecialRank(char16_t unit) {
  if ((unit >= 0x01 && unit <= 0x08) || (unit >= 0x0E && unit <= 0x1F) || unit == 0x7F) {
    return unit;
  }
  switch (unit) {
    case u'\'':
      return 0x100;
    case u'-':
      return 0x101;
    case u'\u2013':
      return 0x102;
    case u'\u2014':
      return 0x103;
    default:
      return -1;
  }
}

struct Special {
  std::size_t position;
  int rank;
};

void CollectSpecials(const std::u16string& text, std::vector<Special>& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int rank = SpecialRank(text[i]);
    if (rank >= 0) out.push_back({i, rank});
  }
}

// Orders two texts that are equal but for their special characters, as
// Windows does: the special characters are compared one by one; at the
// first difference, the one standing later in its text makes that text the
// lesser, and at the same position the lower rank is less; a text whose
// special characters run out first is the lesser ("ab" < "a-b").
int TieBreak(const std::u16string& a, const std::u16string& b) {
  thread_local std::vector<Special> specialsA, specialsB;
  CollectSpecials(a, specialsA);
  CollectSpecials(b, specialsB);
  const std::size_t common = std::min(specialsA.size(), specialsB.size());
  for (std::size_t i = 0; i < common; ++i) {
    const Special& x = specialsA[i];
    const Special& y = specialsB[i];
    if (x.position != y.position) return x.position > y.position ? -1 : 1;
    if (x.rank != y.rank) return x.rank < y.rank ? -1 : 1;
  }
  if (specialsA.size() == specialsB.size()) return 0;
  return specialsA.size() < specialsB.size() ? -1 : 1;
}

int Sign(int value) { return (value > 0) - (value < 0); }

// Without ICU's collation data the texts are still ordered, if plainly.
int FallbackCompare(std::string_view a, std::string_view b, bool ignoreCase) {
  if (!ignoreCase) return Sign(a.compare(b));
  return Sign(UpperBuffer(a).compare(UpperBuffer(b)));
}

// Texts of printable ASCII are ordered, without regard to case, by one
// primary weight per character, the apostrophe and the hyphen passed over
// (ICU has no expansion or contraction among them, and case is their only
// lesser difference); texts equal so far are told apart by TieBreak. The
// weights are read off the collator once and checked against it for every
// pair; where that check fails, there is no shortcut.
struct AsciiWeights {
  bool usable = false;
  std::array<std::uint8_t, 128> weight{};  // 0: passed over, or not covered
};

bool Printable(char c) { return c >= 0x20 && c <= 0x7E; }
bool PassedOver(char c) { return c == '\'' || c == '-'; }

AsciiWeights MakeAsciiWeights(UCollator* collator) {
  AsciiWeights table;
  if (collator == nullptr) return table;
  std::vector<char16_t> chars;
  for (char16_t c = 0x20; c <= 0x7E; ++c) {
    if (!PassedOver(static_cast<char>(c))) chars.push_back(c);
  }
  auto compare = [collator](char16_t a, char16_t b) {
    return ucol_strcoll(collator, reinterpret_cast<const UChar*>(&a), 1,
                        reinterpret_cast<const UChar*>(&b), 1);
  };
  std::sort(chars.begin(), chars.end(),
            [&](char16_t a, char16_t b) { return compare(a, b) == UCOL_LESS; });
  std::uint8_t rank = 0;
  for (std::size_t i = 0; i < chars.size(); ++i) {
    if (i == 0 || compare(chars[i - 1], chars[i]) != UCOL_EQUAL) ++rank;
    table.weight[chars[i]] = rank;
  }
  for (char16_t a : chars) {
    for (char16_t b : chars) {
      const UCollationResult r = compare(a, b);
      const int expected = r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
      const int got = (table.weight[a] > table.weight[b]) - (table.weight[a] < table.weight[b]);
      if (expected != got) return AsciiWeights{};
    }
  }
  table.usable = true;
  return table;
}

const AsciiWeights& WeightsFor(unsigned codePage, UCollator* ignoreCase) {
  static unsigned madeFor = 0;
  static AsciiWeights weights;
  if (madeFor != codePage) {
    weights = MakeAsciiWeights(ignoreCase);
    madeFor = codePage;
  }
  return weights;
}

// -1, 0 or 1 when both texts are printable ASCII; 2 otherwise.
int CompareAscii(const AsciiWeights& weights, std::string_view a, std::string_view b) {
  if (!weights.usable) return 2;
  for (char c : a) {
    if (!Printable(c)) return 2;
  }
  for (char c : b) {
    if (!Printable(c)) return 2;
  }
  std::size_t i = 0, j = 0;
  bool specials = false;
  for (;;) {
    while (i < a.size() && PassedOver(a[i])) ++i, specials = true;
    while (j < b.size() && PassedOver(b[j])) ++j, specials = true;
    if (i == a.size() || j == b.size()) break;
    const std::uint8_t x = weights.weight[static_cast<unsigned char>(a[i++])];
    const std::uint8_t y = weights.weight[static_cast<unsigned char>(b[j++])];
    if (x != y) return x < y ? -1 : 1;
  }
  if (i != a.size() || j != b.size()) return i == a.size() ? -1 : 1;
  if (!specials) return 0;
  const std::u16string wideA(a.begin(), a.end()), wideB(b.begin(), b.end());
  return TieBreak(wideA, wideB);
}

// The texts' weight strings (see CollationKeys::Impl), when every text is
// printable ASCII.
bool MakeAsciiKeys(const AsciiWeights& table, const std::vector<std::string_view>& texts,
                   std::string& weights, std::vector<std::size_t>& weightEnd,
                   std::vector<bool>& passedOver) {
  if (!table.usable) return false;
  for (std::string_view text : texts) {
    for (char c : text) {
      if (!Printable(c)) return false;
    }
  }
  weightEnd.reserve(texts.size());
  passedOver.reserve(texts.size());
  for (std::string_view text : texts) {
    bool passed = false;
    for (char c : text) {
      if (PassedOver(c)) {
        passed = true;
      } else {
        weights.push_back(static_cast<char>(table.weight[static_cast<unsigned char>(c)]));
      }
    }
    weightEnd.push_back(weights.size());
    passedOver.push_back(passed);
  }
  return true;
}

}  // namespace

// Lists longer than this are ordered through ICU's sort keys; shorter ones
// compare their texts directly, unless they are all printable ASCII.
constexpr std::size_t kIcuKeysFrom = 33;

// How CollationKeys orders its texts, chosen when they are made:
//  - Ascii: every text printable ASCII, case ignored: each text's key is
//    its string of primary weights (apostrophes and hyphens passed over),
//    compared as CompareAscii compares; equal keys go to TieBreak when
//    either text holds a passed-over character.
//  - Icu: the sort key of ICU orders as ucol_strcoll does; equal keys leave
//    the special characters to TieBreak, which needs the texts in UTF-16.
//  - Direct: CompareLocale on the texts themselves.
struct CollationKeys::Impl {
  enum class Mode { Ascii, Icu, Direct } mode = Mode::Direct;
  std::vector<std::string_view> texts;
  bool ignoreCase = false;
  // Ascii: the weights of text i are weights[weightEnd[i - 1], weightEnd[i]).
  std::string weights;
  std::vector<std::size_t> weightEnd;
  std::vector<bool> passedOver;
  // Icu:
  std::vector<std::string> keys;
  std::vector<std::u16string> wide;
};

CollationKeys::CollationKeys(const std::vector<std::string_view>& texts, bool ignoreCase)
    : impl_(new Impl) {
  const posix::AnsiTables& tables = posix::Tables();
  const Collators& collators = CollatorsFor(tables.codePage);
  UCollator* collator = ignoreCase ? collators.ignoreCase.get() : collators.withCase.get();
  impl_->ignoreCase = ignoreCase;
  impl_->texts = texts;
  if (collator == nullptr) return;  // Direct, through the fallback order
  if (ignoreCase && MakeAsciiKeys(WeightsFor(tables.codePage, collator), texts, impl_->weights,
                                  impl_->weightEnd, impl_->passedOver)) {
    impl_->mode = Impl::Mode::Ascii;
    return;
  }
  if (texts.size() < kIcuKeysFrom) return;
  impl_->mode = Impl::Mode::Icu;
  impl_->keys.resize(texts.size());
  impl_->wide.resize(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::u16string& wide = impl_->wide[i];
    posix::AppendAnsiAsWide(tables, texts[i], wide);
    std::string& key = impl_->keys[i];
    key.resize(std::max<std::size_t>(32, 4 * wide.size() + 16));
    for (;;) {
      const int32_t length = ucol_getSortKey(
          collator, reinterpret_cast<const UChar*>(wide.data()), static_cast<int32_t>(wide.size()),
          reinterpret_cast<uint8_t*>(key.data()), static_cast<int32_t>(key.size()));
      if (length <= static_cast<int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(std::max(length, 1) - 1));  // without its NUL
        break;
      }
      key.resize(static_cast<std::size_t>(length));
    }
  }
}

CollationKeys::~CollationKeys() { delete impl_; }

int CollationKeys::Compare(std::size_t a, std::size_t b) const {
  const Impl& impl = *impl_;
  switch (impl.mode) {
    case Impl::Mode::Ascii: {
      auto weights = [&](std::size_t i) {
        const std::size_t begin = i == 0 ? 0 : impl.weightEnd[i - 1];
        return std::string_view(impl.weights).substr(begin, impl.weightEnd[i] - begin);
      };
      // Weights are unsigned bytes; a string that runs out first is less.
      const int order = weights(a).compare(weights(b));
      if (order != 0) return order < 0 ? -1 : 1;
      if (!impl.passedOver[a] && !impl.passedOver[b]) return 0;
      const std::string_view x = impl.texts[a], y = impl.texts[b];
      return TieBreak(std::u16string(x.begin(), x.end()), std::u16string(y.begin(), y.end()));
    }
    case Impl::Mode::Icu: {
      const int order = impl.keys[a].compare(impl.keys[b]);
      if (order != 0) return order < 0 ? -1 : 1;
      return TieBreak(impl.wide[a], impl.wide[b]);
    }
    case Impl::Mode::Direct:
      break;
  }
  return CompareLocale(impl.texts[a], impl.texts[b], impl.ignoreCase);
}

int CompareLocale(std::string_view a, std::string_view b, bool ignoreCase) {
  const posix::AnsiTables& tables = posix::Tables();
  const Collators& collators = CollatorsFor(tables.codePage);
  UCollator* collator = ignoreCase ? collators.ignoreCase.get() : collators.withCase.get();
  if (collator == nullptr) return FallbackCompare(a, b, ignoreCase);
  if (ignoreCase) {
    const int order = CompareAscii(WeightsFor(tables.codePage, collator), a, b);
    if (order != 2) return order;
  }

  thread_local std::u16string wideA, wideB;
  wideA.clear();
  wideB.clear();
  posix::AppendAnsiAsWide(tables, a, wideA);
  posix::AppendAnsiAsWide(tables, b, wideB);
  const UCollationResult result = ucol_strcoll(
      collator, reinterpret_cast<const UChar*>(wideA.data()), static_cast<int32_t>(wideA.size()),
      reinterpret_cast<const UChar*>(wideB.data()), static_cast<int32_t>(wideB.size()));
  if (result == UCOL_LESS) return -1;
  if (result == UCOL_GREATER) return 1;
  return TieBreak(wideA, wideB);
}

bool EqualLocale(std::string_view a, std::string_view b, bool ignoreCase) {
  // Printable ASCII texts are equal only character for character (case
  // aside where it is ignored): every character has a weight of its own and
  // case is the only difference below the letters, and the passed-over
  // characters count by their places (TieBreak). So the collator, whose
  // making is the costliest part of starting up, is not needed to match a
  // switch. The tests hold this to CompareLocale in every code page.
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (std::all_of(a.begin(), a.end(), Printable) && std::all_of(b.begin(), b.end(), Printable)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] != b[i] && (!ignoreCase || lower(a[i]) != lower(b[i]))) return false;
    }
    return true;
  }
  return CompareLocale(a, b, ignoreCase) == 0;
}

}  // namespace tovrix::platform
