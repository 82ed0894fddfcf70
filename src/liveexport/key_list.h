// The key-list input (/l): a text file naming registry keys, one a line.
//
// ProcessKeyList prints "Processing <file name>", finds the store's current
// control set (HKLM\System\Select, value Current; ControlSet001 when the key
// is missing), then exports every listed key with all its subkeys from the
// store and appends the lines to the section its root and path
// select:
//   HKEY_CLASSES_ROOT                      -> Software.AddReg
//   HKEY_CURRENT_USER                      -> Default.AddReg
//   HKEY_LOCAL_MACHINE\SOFTWARE\...        -> Software.AddReg
//   HKEY_LOCAL_MACHINE\SYSTEM\...          -> SetupReg.AddReg
//   anything else                          -> skipped silently
// Blank lines and lines starting with ';' (after trimming) are ignored. A
// UTF-8 byte-order mark is dropped; a file starting with FF FE is read as
// UTF-16LE. Appending splits the receiving section's items at their CR and
// LF bytes (a multi-line item becomes one item per line); NUL bytes stay.
//
// Throws EFOpenError / EReadError for an unreadable file and
// ERegistryException when a value cannot be read as its type requires.
#ifndef TOVRIX_LIVEEXPORT_KEY_LIST_H_
#define TOVRIX_LIVEEXPORT_KEY_LIST_H_

#include <string>

#include "inf/output.h"
#include "platform/registry.h"
#include "rewrite/settings.h"
#include "text/console.h"

namespace tovrix {

// Reads the keys through `store`.
void ProcessKeyList(const std::string& path, platform::RegistryStore& store,
                    const ConversionSettings& settings, OutputLists& lists, Console& console);

}  // namespace tovrix

#endif  // TOVRIX_LIVEEXPORT_KEY_LIST_H_
