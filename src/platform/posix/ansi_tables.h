// Lookup tables for the ANSI code page of the Linux build.
//
// The code page is chosen once from the locale variables (LC_ALL, LC_CTYPE,
// LANG: the first one set and not empty), as Wine chooses it: Japanese 932,
// simplified Chinese 936, Korean 949, traditional Chinese 950, everything
// else 1252. ICU supplies the mappings; the tables built from it here make
// every later conversion a plain array lookup:
//  - `wide`: UTF-16 unit -> ANSI. A value below 0x100 is one byte, any
//    other value is a lead byte (high 8 bits) and a trail byte (low 8).
//    Unmappable units and surrogate units give '?'; units for which the
//    Windows code page has a best-fit character give that character.
//  - `narrow`: single byte -> UTF-16 unit; `lead`: lead bytes of the code
//    page; `upper`: single byte -> upper-case byte.
//  - pairs of a double-byte code page are decoded through `DecodePair`.
// The tables are built on first use and never change afterwards (tests may
// swap the whole set with ScopedCodePageForTesting).
#ifndef TOVRIX_PLATFORM_POSIX_ANSI_TABLES_H_
#define TOVRIX_PLATFORM_POSIX_ANSI_TABLES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tovrix::platform::posix {

// The code page Wine would pick for a locale name such as "ja_JP.UTF-8".
unsigned CodePageForLocale(std::string_view localeName);

// One entry of a best-fit override list: the unit and the bytes Windows
// writes for it (encoded as in AnsiTables::wide).
struct BestFitEntry {
  std::uint16_t unit;
  std::uint16_t bytes;
};

// The conversions of `codePage` in which Windows and ICU's table differ,
// sorted by unit (best-fit characters, mostly).
std::span<const BestFitEntry> BestFitOverrides(unsigned codePage);

struct AnsiTables {
  unsigned codePage = 1252;
  bool doubleByte = false;
  std::vector<std::uint16_t> wide;         // 65536 entries
  std::array<char16_t, 256> narrow{};      // single bytes
  std::array<bool, 256> lead{};            // lead bytes (double-byte only)
  std::array<unsigned char, 256> upper{};  // single bytes upper-cased
  std::vector<char16_t> pairs;             // lead << 8 | trail -> unit

  static constexpr std::uint16_t kDefaultChar = '?';

  // The unit of the double-byte character lead, trail (U+FFFD when the
  // code page does not define it).
  char16_t DecodePair(unsigned char leadByte, unsigned char trail) const {
    return pairs[static_cast<std::size_t>(leadByte) << 8 | trail];
  }
};

// Builds the tables of `codePage` (one of 1252, 932, 936, 949, 950) from
// ICU. Throws std::runtime_error when ICU lacks the converter.
std::unique_ptr<const AnsiTables> BuildAnsiTables(unsigned codePage);

// The tables of the process's code page.
const AnsiTables& Tables();

// ANSI bytes -> UTF-16 units, character by character, appended to `out`.
// A lead byte at the end of the text is decoded as a single byte.
void AppendAnsiAsWide(const AnsiTables& tables, std::string_view text, std::u16string& out);

// Replaces the process's code page while it lives (tests only; not
// thread-safe, and callers must not hold on to tables across it).
class ScopedCodePageForTesting {
 public:
  explicit ScopedCodePageForTesting(unsigned codePage);
  ~ScopedCodePageForTesting();
  ScopedCodePageForTesting(const ScopedCodePageForTesting&) = delete;
  ScopedCodePageForTesting& operator=(const ScopedCodePageForTesting&) = delete;

 private:
  std::unique_ptr<const AnsiTables> saved_;
};

}  // namespace tovrix::platform::posix

#endif  // TOVRIX_PLATFORM_POSIX_ANSI_TABLES_H_
