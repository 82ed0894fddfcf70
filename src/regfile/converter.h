// The registry-file converter: a .reg file (ANSI, or UTF-16LE with FF FE)
// becomes AddReg lines in the section lists.
//
// ProcessRegFile prints "Processing <file name>" and converts the file.
// ConvertRegText converts already loaded text (lines cut by the SplitText
// rules); it is what the file conversion runs, and what tests and the
// fuzzer call.
#ifndef TOVRIX_REGFILE_CONVERTER_H_
#define TOVRIX_REGFILE_CONVERTER_H_

#include <string>
#include <string_view>

#include "inf/output.h"
#include "rewrite/settings.h"
#include "text/console.h"

namespace tovrix {

void ProcessRegFile(const std::string& path, const ConversionSettings& settings,
                    OutputLists& lists, Console& console);
void ConvertRegFile(const std::string& path, const ConversionSettings& settings,
                    OutputLists& lists, Console& console);
void ConvertRegText(std::string_view text, const ConversionSettings& settings,
                    OutputLists& lists, Console& console);

}  // namespace tovrix

#endif  // TOVRIX_REGFILE_CONVERTER_H_
