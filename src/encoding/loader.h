// Reading a registry file as ANSI text.
//
// ReadFileHead: the first `count` bytes (NUL bytes made blanks); the empty
// text when the file cannot be read.
// LoadUnicodeText: a UTF-16LE file (FF FE skipped unseen; an odd last byte
// ignored; a final 0x001A unit dropped when the size is even) converted to
// the ANSI code page; files under 3 bytes give the empty text. Exclusive
// open. Throws EFOpenError / EReadError.
// LoadPlainText: the whole file as 8-bit text, shared for reading only.
#ifndef TOVRIX_ENCODING_LOADER_H_
#define TOVRIX_ENCODING_LOADER_H_

#include <functional>
#include <string>
#include <string_view>

namespace tovrix {

std::string ReadFileHead(const std::string& path, int count);
std::string LoadUnicodeText(const std::string& path);
std::string LoadPlainText(const std::string& path);

// Hands the lines of a registry file to `line`, in file order, as views
// valid during the call. DetectCharset of the first `probeSize` bytes
// chooses between LoadUnicodeText's decoding and LoadPlainText's bytes, and
// the text is cut by the rules of text/line_splitter.h. The file is read
// once, front to back, a piece at a time, so that a file of any size costs
// a piece of memory; a read failure anywhere throws EReadError, after the
// lines before it have been handed out. Throws EFOpenError.
void ForEachRegFileLine(const std::string& path, int probeSize,
                        const std::function<void(std::string_view)>& line);

}  // namespace tovrix

#endif  // TOVRIX_ENCODING_LOADER_H_
