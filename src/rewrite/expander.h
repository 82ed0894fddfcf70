// Expander entries: per key, the names of the values whose data holds
// environment references the running system defines.
//
// CollectExpanderName appends "\"name\"," to `names` when collection is on,
// the (already path-replaced) data holds a '%' and its expansion differs
// from it. An empty name becomes "(Default)", and so does "@" when
// `atIsDefault` (registry files write the default value's name as "@").
// Double quotes inside the name are doubled, so the INF line stays
// well-formed.
//
// AddExpanderEntry appends one line
//   0x7,"Valmora\Tessaly\<HKLM|HKCU|HKU|HKCC>","<key path>",<names less the last comma>
// to `expanderList` when collection is on and `names` is not empty. The key
// path is normalized (control set) and its double quotes are doubled;
// HKEY_CLASSES_ROOT keys are written under HKLM as Software\Classes\<path>.
// Both converters pass a path they have already normalized for their own
// lines; the second pass here is deliberate and stays: normalization
// rewrites first occurrences only, so a path naming a control set twice
// gets its second one rewritten here, as the INF files made so far have it.
#ifndef TOVRIX_REWRITE_EXPANDER_H_
#define TOVRIX_REWRITE_EXPANDER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "rewrite/settings.h"
#include "text/string_list.h"

namespace tovrix {

void CollectExpanderName(const ConversionSettings& settings, std::string_view data,
                         std::string_view name, bool atIsDefault, std::string& names);

void AddExpanderEntry(const ConversionSettings& settings, TStringList& expanderList,
                      std::string_view names, std::uint32_t root, std::string_view keyPath);

}  // namespace tovrix

#endif  // TOVRIX_REWRITE_EXPANDER_H_
