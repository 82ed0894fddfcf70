// The system's ANSI code page, as the rest of the program sees it.
//
// Every text inside the program is a byte string in the ANSI code page.
// This header is the only way the core reaches code-page knowledge:
// conversion of UTF-16 code units to ANSI bytes, the lead-byte ranges of a
// double-byte code page, upper-casing by the code page's rules, and the
// locale-aware comparison that orders lists and matches switches.
//
// Contract, shared by both implementations:
//  - WideToAnsi converts unit by unit as WideCharToMultiByte(CP_THREAD_ACP,
//    0, ...) does with an explicit length: a 0x0000 unit becomes a NUL byte,
//    a unit the code page cannot represent becomes its default character
//    ('?') or a best-fit character, a lone or paired surrogate unit becomes
//    one '?' each.
//  - IsLeadByte is true for the first byte of a double-byte character.
//  - UpperBuffer upper-cases a whole buffer as CharUpperBuffA does; the
//    length never changes.
//  - CompareLocale orders two texts over their full lengths as
//    CompareStringA(LOCALE_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0)
//    and answers -1, 0 or 1.
//  - AnsiToUtf8 is for the failure report only (Linux writes it in UTF-8).
//  (The Windows failure report converts to the OEM code page itself.)
#ifndef TOVRIX_PLATFORM_CODEPAGE_H_
#define TOVRIX_PLATFORM_CODEPAGE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovrix::platform {

// Number of the ANSI code page in force (1252, 932, ...).
unsigned AnsiCodePage();

// A number that changes whenever the ANSI code page in force changes (only
// tests change it), cheaper to ask for than the code page: what is kept by
// code page is checked against it.
unsigned CodePageGeneration();

// Converts `count` UTF-16 code units to ANSI bytes, appending to `out`.
void AppendWideAsAnsi(const char16_t* units, std::size_t count, std::string& out);

inline std::string WideToAnsi(std::u16string_view units) {
  std::string out;
  AppendWideAsAnsi(units.data(), units.size(), out);
  return out;
}

bool IsLeadByte(unsigned char byte);

std::string UpperBuffer(std::string_view text);

int CompareLocale(std::string_view a, std::string_view b, bool ignoreCase);

// Whether CompareLocale(a, b, ignoreCase) answers 0; switches are matched
// with it. Texts of printable ASCII are answered without the collation.
bool EqualLocale(std::string_view a, std::string_view b, bool ignoreCase);

// Orders the texts of one list as CompareLocale does, for sorting: what
// each comparison needs of a text is made once when the keys are made, so
// a list of n texts costs n such preparations and n log n cheap
// comparisons. The texts must outlive the keys.
class CollationKeys {
 public:
  CollationKeys(const std::vector<std::string_view>& texts, bool ignoreCase);
  ~CollationKeys();
  CollationKeys(const CollationKeys&) = delete;
  CollationKeys& operator=(const CollationKeys&) = delete;

  // CompareLocale(texts[a], texts[b], ignoreCase).
  int Compare(std::size_t a, std::size_t b) const;

 private:
  struct Impl;
  Impl* impl_;
};

std::string AnsiToUtf8(std::string_view text);

// The user's decimal separator (the first byte of GetLocaleInfoA's
// LOCALE_SDECIMAL for LOCALE_USER_DEFAULT; '.' when it has none). The
// Linux build answers '.', the separator of every locale it models.
char DecimalSeparator();

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_CODEPAGE_H_
