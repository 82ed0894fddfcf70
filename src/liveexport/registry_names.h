// Names of registry numbers, as the converters write and compare them.
//
// RootKeyName: the name of a root key handle ("HKEY_LOCAL_MACHINE", ...);
// any handle it does not know, HKEY_CURRENT_USER and
// HKEY_PERFORMANCE_DATA included, is "HKEY_CURRENT_USER".
// RegTypeName: the name of a value type code between double quotes
// ("\"REG_SZ\""); a code above 11 (unsigned) is named "hex(<digits>)" with
// lower-case hexadecimal digits and no leading zeros.
#ifndef TOVRIX_LIVEEXPORT_REGISTRY_NAMES_H_
#define TOVRIX_LIVEEXPORT_REGISTRY_NAMES_H_

#include <cstdint>
#include <string>

namespace tovrix {

std::string RootKeyName(std::uint32_t root);
std::string RegTypeName(std::uint32_t type);

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_REGISTRY_NAMES_H_
