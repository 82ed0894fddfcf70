// Cutting the command line into arguments, and the switch lookups.

#include "text/arguments.h"

#include <utility>

#include "platform/codepage.h"
#include "platform/process.h"
#include "text/internal.h"
#include "text/lead_bytes.h"
#include "text/text_ops.h"

namespace tovrix {

namespace text_internal {

namespace {

bool IsArgumentBlank(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x01 && b <= 0x20;
}

// Reads one argument starting at `pos` and leaves `pos` after it.
std::string ReadArgument(std::string_view raw, const LeadBytes& lead, std::size_t& pos) {
  const std::size_t n = raw.size();
  // Blanks, and empty quoted pairs standing before the argument, vanish.
  for (;;) {
    while (pos < n && IsArgumentBlank(raw[pos])) ++pos;
    if (pos + 1 < n && raw[pos] == '"' && raw[pos + 1] == '"') {
      pos += 2;
      continue;
    }
    break;
  }
  // The argument ends at the first byte 0x20 or less outside quotes; a
  // quote opens a stretch that runs to the next quote or the end, blanks
  // included; the quotes themselves are dropped.
  std::string arg;
  bool quoted = false;
  while (pos < n) {
    const char c = raw[pos];
    if (c == '"') {
      quoted = !quoted;
      ++pos;
      continue;
    }
    if (!quoted && static_cast<unsigned char>(c) <= 0x20) break;
    const std::size_t len = lead.CharLength(raw, pos);
    arg.append(raw, pos, len);
    pos += len;
  }
  return arg;
}

}  // namespace

std::vector<std::string> CutCommandLine(std::string_view raw, const LeadBytes& lead) {
  // The command line is a NUL-terminated text; nothing after a NUL counts.
  const std::size_t nul = raw.find('\0');
  if (nul != std::string_view::npos) raw = raw.substr(0, nul);

  std::size_t pos = 0;
  ReadArgument(raw, lead, pos);  // the program name as typed: passed over
  std::vector<std::string> args;
  for (;;) {
    std::string arg = ReadArgument(raw, lead, pos);
    if (arg.empty()) break;  // only the end of the line gives an empty one
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace text_internal

Arguments Arguments::FromProcess() {
  platform::CommandLineSource source = platform::GetCommandLineSource();
  if (source.raw) return FromCommandLine(*source.raw, platform::ProgramPath());
  return FromList(std::move(source.argv), platform::ProgramPath());
}

Arguments Arguments::FromCommandLine(std::string_view raw, std::string programPath) {
  Arguments a;
  a.args_ = text_internal::CutCommandLine(raw, text_internal::LeadBytes::System());
  a.program_path_ = std::move(programPath);
  return a;
}

Arguments Arguments::FromList(std::vector<std::string> args, std::string programPath) {
  Arguments a;
  a.args_.reserve(args.size());
  for (std::string& arg : args) {
    if (!arg.empty()) a.args_.push_back(std::move(arg));  // an empty entry vanishes
  }
  a.program_path_ = std::move(programPath);
  return a;
}

std::string Arguments::ArgumentAt(int index) const {
  if (index == 0) return program_path_;
  if (index < 0 || index > ArgumentCount()) return std::string();
  return args_[static_cast<std::size_t>(index - 1)];
}

namespace {

// The argument may be a switch: its first byte is one of `chars`, or
// `chars` is empty. Where '/' separates folders (Linux), an argument that
// holds one after its first byte is a path (/tmp/a.reg), never a switch.
bool StartsWithSwitchChar(std::string_view arg, std::string_view chars) {
  if (arg.empty()) return false;
  if (!chars.empty() && chars.find(arg[0]) == std::string_view::npos) return false;
  static const bool slashSeparates = platform::PathSeparators().find('/') != std::string_view::npos;
  return !(slashSeparates && arg.find('/', 1) != std::string_view::npos);
}

}  // namespace

bool Arguments::HasSwitch(std::string_view name, std::string_view chars, bool ignoreCase) const {
  for (const std::string& arg : args_) {
    if (!StartsWithSwitchChar(arg, chars)) continue;
    if (platform::EqualLocale(std::string_view(arg).substr(1), name, ignoreCase)) {
      return true;
    }
  }
  return false;
}

int Arguments::FindSwitchIndex(std::string_view name, std::string_view chars,
                               bool ignoreCase) const {
  for (int i = 1; i <= ArgumentCount(); ++i) {
    const std::string& arg = args_[static_cast<std::size_t>(i - 1)];
    if (!StartsWithSwitchChar(arg, chars)) continue;
    const std::string_view head = SubText(arg, 2, static_cast<long long>(name.size()));
    if (platform::EqualLocale(head, name, ignoreCase)) return i;
  }
  return -1;
}

}  // namespace tovrix
