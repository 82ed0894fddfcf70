// Loading a registry file as ANSI text.
//
// ReadFileHead: the first `count` bytes (NUL bytes made blanks); the empty
// text when the file cannot be read.
// LoadUnicodeText: a UTF-16LE file (FF FE skipped unseen; an odd last byte
// ignored; a final 0x001A unit dropped when the size is even) converted to
// the ANSI code page; files under 3 bytes give the empty text. Exclusive
// open. Throws EFOpenError / EReadError.
// LoadRegFileText: chooses between the two loads by DetectCharset of the
// head and returns the whole text; its lines are cut by the SplitText rules
// (ForEachLine).
#ifndef TOVRIX_ENCODING_LOADER_H_
#define TOVRIX_ENCODING_LOADER_H_

#include <string>

#include "text/string_list.h"

namespace tovrix {

std::string ReadFileHead(const std::string& path, int count);
std::string LoadUnicodeText(const std::string& path);
void LoadUnicodeFile(const std::string& path, TStringList& list);
// The whole file as 8-bit text, shared for reading only (what LoadFile
// reads before it splits).
std::string LoadPlainText(const std::string& path);
std::string LoadRegFileText(const std::string& path, int probeSize);

}  // namespace tovrix

#endif  // TOVRIX_ENCODING_LOADER_H_
