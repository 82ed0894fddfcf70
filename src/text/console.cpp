#include "text/console.h"

#include "platform/process.h"

namespace tovrix {

namespace {

// Output is handed to the platform in pieces of at least this size, so a
// run with millions of progress lines makes few system calls.
constexpr std::size_t kFlushSize = 64 * 1024;

}  // namespace

StdoutConsole::~StdoutConsole() {
  try {
    Flush();
  } catch (...) {
    // Writing standard output never fails loudly; nothing may escape here.
  }
}

void StdoutConsole::Line(std::string_view text) {
  if (buffer_.capacity() < kFlushSize) buffer_.reserve(kFlushSize + 256);
  buffer_.append(text);
  buffer_.append("\r\n", 2);
  if (buffer_.size() >= kFlushSize) {
    platform::WriteStdout(buffer_);
    buffer_.clear();
  }
}

void StdoutConsole::Flush() {
  if (!buffer_.empty()) {
    platform::WriteStdout(buffer_);
    buffer_.clear();
  }
  platform::FlushStdout();
}

}  // namespace tovrix
