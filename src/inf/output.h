// The section lists the converters fill, and the INF document made of them.
//
// Layout: each non-empty section list is written as its header line, its
// items (each followed by CR LF) and one empty line, in the order
// Software.AddReg (then, only there and only when not empty, "; for
// Tessalon" and the expander list as a block of its own), Software.DelReg,
// Default.AddReg, Default.DelReg, SetupReg.AddReg. All lists empty: a file
// of 0 bytes. The file is replaced atomically.
#ifndef TOVRIX_INF_OUTPUT_H_
#define TOVRIX_INF_OUTPUT_H_

#include <string>

#include "text/string_list.h"

namespace tovrix {

struct OutputLists {
  TStringList softwareAddReg;
  TStringList softwareDelReg;
  TStringList defaultAddReg;
  TStringList defaultDelReg;
  TStringList setupRegAddReg;
  TStringList expanderList;
};

// The document's bytes (for tests and small outputs).
std::string AssembleOutputDocument(const OutputLists& lists);

// Writes the document to `path`, block by block. Throws EFCreateError /
// EWriteError.
void WriteOutputDocument(const OutputLists& lists, const std::string& path);

}  // namespace tovrix

#endif  // TOVRIX_INF_OUTPUT_H_
