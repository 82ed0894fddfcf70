// The one writer of standard output. Every line ends with CR LF; bytes are
// written as they are. Tests give a Console that keeps what it is told.
#ifndef TOVRIX_TEXT_CONSOLE_H_
#define TOVRIX_TEXT_CONSOLE_H_

#include <string>
#include <string_view>

namespace tovrix {

class Console {
 public:
  virtual ~Console() = default;
  virtual void Line(std::string_view text) = 0;
  virtual void Flush() {}
};

// Writes to the process's standard output through the platform, buffered.
class StdoutConsole : public Console {
 public:
  ~StdoutConsole() override;
  void Line(std::string_view text) override;
  void Flush() override;

 private:
  std::string buffer_;
};

// Keeps every line, CR LF included, in `text`.
class CapturingConsole : public Console {
 public:
  void Line(std::string_view line) override {
    text.append(line);
    text.append("\r\n");
  }
  std::string text;
};

}  // namespace tovrix

#endif  // TOVRIX_TEXT_CONSOLE_H_
