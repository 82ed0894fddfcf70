// The process command line as a list of arguments.
//
// On Windows the raw 8-bit command line is cut by the byte rules: blanks
// are bytes 0x01..0x20, a pair of double quotes before an argument
// vanishes, quoted and unquoted stretches that touch form one argument, a
// backslash is an ordinary byte, a double-byte character is stepped over
// whole. On Linux each non-empty argv entry is one argument. Argument 0 is
// the program file's full path.
#ifndef TOVRIX_TEXT_ARGUMENTS_H_
#define TOVRIX_TEXT_ARGUMENTS_H_

#include <string>
#include <string_view>
#include <vector>

namespace tovrix {

class Arguments {
 public:
  // From the running process (platform layer).
  static Arguments FromProcess();
  // From a raw Windows-style command line (the program name first, passed
  // over); the arguments are those read before the first empty one, which
  // only the end of the line (or a NUL byte) gives.
  static Arguments FromCommandLine(std::string_view raw, std::string programPath);
  // From argv-style entries after the program name; empty entries vanish.
  static Arguments FromList(std::vector<std::string> args, std::string programPath);

  int ArgumentCount() const { return static_cast<int>(args_.size()); }
  // 0: the program path; beyond the count: the empty text.
  std::string ArgumentAt(int index) const;

  // The switch lookups pass over an argument that holds '/' after its first
  // byte where '/' separates folders (Linux): such an argument is a path.
  //
  // The argument is one of `chars` followed by exactly `name`, compared by
  // the platform's locale-aware comparison.
  bool HasSwitch(std::string_view name, std::string_view chars, bool ignoreCase) const;
  // Prefix lookup: the index (1-based) of the first argument whose bytes
  // after its first one begin with `name` (SubText(arg, 2, length(name))
  // compared with `name` by the locale-aware comparison); -1 when none.
  // An empty `chars` admits every argument.
  int FindSwitchIndex(std::string_view name, std::string_view chars, bool ignoreCase) const;

 private:
  std::vector<std::string> args_;  // arguments 1..n
  std::string program_path_;
};

}  // namespace tovrix

#endif  // TOVRIX_TEXT_ARGUMENTS_H_
