// The registry-file converter: a .reg file (ANSI, or UTF-16LE with FF FE)
// becomes AddReg lines in the section lists.
//
// ProcessRegFile prints "Processing <file name>" and converts the file.
// ConvertRegFile converts the file line by line as it is read
// (ForEachRegFileLine: the first probeSize bytes choose between UTF-16LE
// and plain 8-bit text); a large file is converted in batches on several
// threads and joined in order, to the same result (`sizes`: see
// encoding/loader.h). ConvertRegText converts text already in memory
// the same way (lines cut by the same rules), for tests and the fuzzer.
//
// What the lines become:
//  - key headers [HKEY_LOCAL_MACHINE\SOFTWARE\...], [HKEY_CLASSES_ROOT\...]
//    (as Classes\...), [HKEY_CURRENT_USER\...], [HKEY_LOCAL_MACHINE\SYSTEM\...]
//    and the delete forms [-...] of the first three select a section list;
//    other headers drop the lines below them. The key path is the rest of
//    the trimmed header less its last byte. With verbose on, each
//    recognised header with a key path prints "Processing - <key path>".
//  - comment lines are copied as they stand; blank lines are dropped.
//  - a value line writes the key line 0x0,"<key>" when the key differs
//    from that of the previous value line, then one AddReg line: strings
//    (type 1), dword: (4), hex: (3), hex(2) and hex(7) decoded from UTF-16LE,
//    other hex(n) as 3 after "; Replaced "<type name>" to "REG_BINARY".".
//    Key paths are control-set normalized; names and key paths have their
//    double quotes doubled; string, hex(2) and hex(7) data are path-replaced
//    and, with expander entries on, their names collected per key (not in
//    delete sections) and flushed as one entry at the next header and at
//    the end.
//  - a binary value ending its line with a backslash continues on the next
//    lines without "="; it is written when one holds no backslash, 25
//    bytes to an output line. A header or another value line drops it.
//  - anything malformed is dropped without a message.
// Throws only what loading the file throws (EFOpenError, EReadError).
#ifndef TOVRIX_REGFILE_CONVERTER_H_
#define TOVRIX_REGFILE_CONVERTER_H_

#include <string>
#include <string_view>

#include "encoding/loader.h"
#include "inf/output.h"
#include "rewrite/settings.h"
#include "text/console.h"

namespace tovrix {

void ProcessRegFile(const std::string& path, const ConversionSettings& settings, OutputLists& lists,
                    Console& console);
void ConvertRegFile(const std::string& path, const ConversionSettings& settings, OutputLists& lists,
                    Console& console, const ReadAhead& sizes = ReadAhead());
void ConvertRegText(std::string_view text, const ConversionSettings& settings, OutputLists& lists,
                    Console& console);

}  // namespace tovrix

#endif  // TOVRIX_REGFILE_CONVERTER_H_
