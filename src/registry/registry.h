// Registry numbers and their names, as both converters write and compare
// them.
//
// RootKeyName: the name of a root key handle ("HKEY_LOCAL_MACHINE", ...);
// any handle it does not know, HKEY_CURRENT_USER and
// HKEY_PERFORMANCE_DATA included, is "HKEY_CURRENT_USER".
// RegTypeName: the name of a value type code between double quotes
// ("\"REG_SZ\""); a code above 11 (unsigned) is named "hex(<digits>)" with
// lower-case hexadecimal digits and no leading zeros.
#ifndef TOVRIX_REGISTRY_REGISTRY_H_
#define TOVRIX_REGISTRY_REGISTRY_H_

#include <cstdint>
#include <string>

namespace tovrix {

// Root key handles, as 32-bit values.
inline constexpr std::uint32_t kHkeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kHkeyUsers = 0x80000003u;
inline constexpr std::uint32_t kHkeyPerformanceData = 0x80000004u;
inline constexpr std::uint32_t kHkeyCurrentConfig = 0x80000005u;
inline constexpr std::uint32_t kHkeyDynData = 0x80000006u;

// Value types the converters treat apart; any other number is carried as is.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;
inline constexpr std::uint32_t kRegQword = 11;

std::string RootKeyName(std::uint32_t root);
std::string RegTypeName(std::uint32_t type);

}  // namespace tovrix

#endif  // TOVRIX_REGISTRY_REGISTRY_H_
