#include "platform/posix/ansi_tables.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/uset.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace tovrix::platform::posix {

namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
struct SetCloser {
  void operator()(USet* set) const { uset_close(set); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

struct CodePageInfo {
  unsigned codePage;
  const char* icuName;
  // ICU's fallback mappings agree with Windows' best fit for these code
  // pages; for 932 they do not, and the override list covers the rest.
  bool useFallbacks;
};

constexpr CodePageInfo kCodePages[] = {
    {1252, "windows-1252", true}, {932, "windows-932", false}, {936, "windows-936", true},
    {949, "windows-949", true},   {950, "windows-950", true},
};

const CodePageInfo& InfoFor(unsigned codePage) {
  for (const CodePageInfo& info : kCodePages) {
    if (info.codePage == codePage) return info;
  }
  throw std::runtime_error("unsupported ANSI code page " + std::to_string(codePage));
}

ConverterPtr OpenConverter(const CodePageInfo& info) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterPtr converter(ucnv_open(info.icuName, &status));
  if (U_FAILURE(status) || converter == nullptr) {
    throw std::runtime_error(std::string("ICU has no converter ") + info.icuName + ": " +
                             u_errorName(status));
  }
  // ICU's own substitution character is 0x1A for some code pages; Windows
  // writes the code page's default character, '?', in all of them.
  status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  ucnv_setFallback(converter.get(), static_cast<UBool>(info.useFallbacks));
  // A unit without bytes becomes the default character in the tables
  // anyway: skipping it costs ICU far less than substituting.
  status = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_SKIP, nullptr, nullptr, nullptr,
                        &status);
  return converter;
}

// One unit through ICU. ICU writes nothing for unmappable default-ignorable
// characters (U+200B, U+FEFF, ...), where Windows writes '?'.
std::uint16_t ConvertUnit(UConverter* converter, char16_t unit) {
  char out[8];
  UErrorCode status = U_ZERO_ERROR;
  const UChar source = unit;
  const int32_t length = ucnv_fromUChars(converter, out, sizeof out, &source, 1, &status);
  if (U_FAILURE(status) || length < 1 || length > 2) {
    return AnsiTables::kDefaultChar;
  }
  if (length == 1) return static_cast<unsigned char>(out[0]);
  return static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                    static_cast<unsigned char>(out[1]));
}

// The units from `first` up to `end` (no surrogate among them), each as
// ConvertUnit converts it, a few thousand to a call: a call a unit made the
// tables a large part of the start-up. The bytes the offsets tie to a unit
// are its own; the code pages keep no state from one character to the
// next. Where ICU says otherwise, the units go one by one.
void ConvertUnits(UConverter* converter, unsigned first, unsigned end,
                  std::vector<std::uint16_t>& wide) {
  constexpr unsigned kChunk = 4096;
  std::vector<UChar> units(kChunk);
  std::vector<char> out(4 * kChunk);
  std::vector<int32_t> offsets(out.size());
  std::vector<int> lengths(kChunk);
  for (unsigned from = first; from < end; from += kChunk) {
    const unsigned count = std::min(kChunk, end - from);
    for (unsigned i = 0; i < count; ++i) units[i] = static_cast<UChar>(from + i);
    char* target = out.data();
    const UChar* source = units.data();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    ucnv_fromUnicode(converter, &target, out.data() + out.size(), &source, units.data() + count,
                     offsets.data(), /*flush=*/true, &status);
    const auto written = static_cast<std::size_t>(target - out.data());
    bool tied = U_SUCCESS(status) && source == units.data() + count;
    std::fill(lengths.begin(), lengths.begin() + count, 0);
    for (std::size_t k = 0; tied && k < written; ++k) {
      const int32_t unit = offsets[k];
      tied = unit >= 0 && static_cast<unsigned>(unit) < count;
      if (!tied) break;
      std::uint16_t& bytes = wide[from + static_cast<unsigned>(unit)];
      bytes = static_cast<std::uint16_t>(lengths[unit]++ == 0 ? 0 : bytes << 8) |
              static_cast<unsigned char>(out[k]);
    }
    ucnv_resetFromUnicode(converter);
    for (unsigned i = 0; i < count; ++i) {
      if (!tied) {
        wide[from + i] = ConvertUnit(converter, static_cast<char16_t>(from + i));
      } else if (lengths[i] < 1 || lengths[i] > 2) {
        wide[from + i] = AnsiTables::kDefaultChar;
      }
    }
  }
}

// Bytes -> one unit through ICU; U+FFFD when they do not make exactly one
// defined character.
char16_t DecodeBytes(UConverter* converter, const char* bytes, int32_t count) {
  UChar out[4];
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length = ucnv_toUChars(converter, out, 4, bytes, count, &status);
  if (U_FAILURE(status) || length != 1) return u'\uFFFD';
  // ICU substitutes U+001A for undefined single bytes.
  if (out[0] == 0x1A && !(count == 1 && bytes[0] == 0x1A)) return u'\uFFFD';
  return static_cast<char16_t>(out[0]);
}

void FillWide(const CodePageInfo& info, UConverter* converter, AnsiTables& tables) {
  tables.wide.assign(0x10000, AnsiTables::kDefaultChar);
  // The ASCII range is the same in every ANSI code page. ICU's table for
  // 932 swaps 0x1A, 0x1C and 0x7F, which Windows does not.
  for (unsigned unit = 0; unit < 0x80; ++unit) {
    tables.wide[unit] = static_cast<std::uint16_t>(unit);
  }
  // Only the units ICU has bytes for are converted (most of the 65,536 have
  // none, and each of those costs ICU more than a mapped one); the others
  // stay '?'. Surrogates stay '?', one per unit.
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<USet, SetCloser> mapped(uset_openEmpty());
  ucnv_getUnicodeSet(converter, mapped.get(),
                     info.useFallbacks ? UCNV_ROUNDTRIP_AND_FALLBACK_SET : UCNV_ROUNDTRIP_SET,
                     &status);
  // Where ICU cannot say, every unit is converted.
  if (U_FAILURE(status)) uset_addRange(mapped.get(), 0x80, 0xFFFF);
  for (int32_t range = 0; range < uset_getRangeCount(mapped.get()); ++range) {
    UChar32 first = 0;
    UChar32 last = 0;
    status = U_ZERO_ERROR;
    uset_getItem(mapped.get(), range, &first, &last, nullptr, 0, &status);
    for (const auto& [from, to] : {std::pair<UChar32, UChar32>{0x80, 0xD7FF}, {0xE000, 0xFFFF}}) {
      const UChar32 begin = std::max(first, from);
      const UChar32 end = std::min(last, to);
      if (begin <= end) {
        ConvertUnits(converter, static_cast<unsigned>(begin), static_cast<unsigned>(end) + 1,
                     tables.wide);
      }
    }
  }
  for (const BestFitEntry& entry : BestFitOverrides(info.codePage)) {
    tables.wide[entry.unit] = entry.bytes;
  }
}

void FillDecoding(UConverter* converter, AnsiTables& tables) {
  if (tables.doubleByte) {
    UBool starters[256];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_getStarters(converter, starters, &status);
    if (U_FAILURE(status)) {
      throw std::runtime_error("ICU gives no lead bytes for code page " +
                               std::to_string(tables.codePage));
    }
    for (unsigned byte = 0x80; byte < 256; ++byte) {
      tables.lead[byte] = starters[byte] != 0;
    }
  }
  for (unsigned byte = 0; byte < 256; ++byte) {
    if (byte < 0x80) {
      tables.narrow[byte] = static_cast<char16_t>(byte);
    } else if (tables.lead[byte]) {
      tables.narrow[byte] = u'\uFFFD';
    } else {
      const char single = static_cast<char>(byte);
      tables.narrow[byte] = DecodeBytes(converter, &single, 1);
    }
  }
  if (!tables.doubleByte) return;
  tables.pairs.assign(0x10000, u'\uFFFD');
  for (unsigned leadByte = 0x80; leadByte < 256; ++leadByte) {
    if (!tables.lead[leadByte]) continue;
    for (unsigned trail = 0; trail < 256; ++trail) {
      const char bytes[2] = {static_cast<char>(leadByte), static_cast<char>(trail)};
      tables.pairs[leadByte << 8 | trail] = DecodeBytes(converter, bytes, 2);
    }
  }
}

// Byte -> unit -> simple upper case -> byte, kept only where the upper-case
// character has a byte of its own (no best fit: 0xB5, micro sign, would
// otherwise become 'M').
void FillUpper(AnsiTables& tables) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    tables.upper[byte] = static_cast<unsigned char>(byte);
    if (tables.lead[byte]) continue;
    const char16_t unit = tables.narrow[byte];
    const UChar32 upper = u_toupper(unit);
    if (upper == unit || upper > 0xFFFF) continue;
    const std::uint16_t bytes = tables.wide[static_cast<std::size_t>(upper)];
    if (bytes >= 0x100 || tables.lead[bytes]) continue;
    if (tables.narrow[bytes] != upper) continue;
    tables.upper[byte] = static_cast<unsigned char>(bytes);
  }
}

// Name of the locale in force for LC_CTYPE, as the C library reads it.
std::string_view LocaleFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return {};
}

// Built once, on whichever thread comes first (threads may convert text
// side by side); tests swap in others while no second thread runs.
std::unique_ptr<const AnsiTables>& CurrentTables() {
  static std::unique_ptr<const AnsiTables> tables =
      BuildAnsiTables(CodePageForLocale(LocaleFromEnvironment()));
  return tables;
}

}  // namespace

unsigned CodePageForLocale(std::string_view localeName) {
  // "language[_TERRITORY][.codeset][@modifier]"
  const std::size_t end = localeName.find_first_of(".@");
  const std::string_view base = localeName.substr(0, end);
  const std::string_view language = base.substr(0, base.find('_'));
  const std::string_view territory = base.find('_') == std::string_view::npos
                                         ? std::string_view()
                                         : base.substr(base.find('_') + 1);
  if (language == "ja") return 932;
  if (language == "ko") return 949;
  if (language == "zh") {
    if (territory == "TW" || territory == "HK" || territory == "MO") {
      return 950;
    }
    return 936;
  }
  return 1252;
}

std::unique_ptr<const AnsiTables> BuildAnsiTables(unsigned codePage) {
  const CodePageInfo& info = InfoFor(codePage);
  ConverterPtr converter = OpenConverter(info);
  auto tables = std::make_unique<AnsiTables>();
  tables->codePage = codePage;
  tables->doubleByte = ucnv_getMaxCharSize(converter.get()) > 1;
  FillWide(info, converter.get(), *tables);
  FillDecoding(converter.get(), *tables);
  FillUpper(*tables);
  return tables;
}

const AnsiTables& Tables() { return *CurrentTables(); }

void AppendAnsiAsWide(const AnsiTables& tables, std::string_view text, std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + text.size());
  char16_t* dest = out.data() + start;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (tables.lead[byte] && i + 1 < text.size()) {
      *dest++ = tables.DecodePair(byte, static_cast<unsigned char>(text[++i]));
    } else {
      *dest++ = tables.narrow[byte];
    }
  }
  out.resize(static_cast<std::size_t>(dest - out.data()));
}

namespace {

std::atomic<unsigned> gGeneration{1};

}  // namespace

ScopedCodePageForTesting::ScopedCodePageForTesting(unsigned codePage) {
  saved_ = std::exchange(CurrentTables(), BuildAnsiTables(codePage));
  gGeneration.fetch_add(1, std::memory_order_relaxed);
}

ScopedCodePageForTesting::~ScopedCodePageForTesting() {
  CurrentTables() = std::move(saved_);
  gGeneration.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace tovrix::platform::posix

namespace tovrix::platform {

unsigned CodePageGeneration() { return posix::gGeneration.load(std::memory_order_relaxed); }

}  // namespace tovrix::platform
