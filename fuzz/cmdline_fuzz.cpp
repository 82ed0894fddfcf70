// Fuzz target of the command line: the input is a raw command line as
// Windows hands it over (the program name first). It is cut into
// arguments by the byte rules, the switches are read as the driver reads
// them, and the help text is made. No input is read and no file written:
// the paths the arguments name are only looked at.
//
// Checks besides the sanitizers': no argument is empty, every argument is
// a piece of the line (no byte appears that the line does not hold), the
// settings lie in their ranges, and a value switch's value is the argument
// after it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "main/driver.h"
#include "text/arguments.h"
#include "text/console.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  const tovrix::Arguments args = tovrix::Arguments::FromCommandLine(raw, "C:\\tools\\tovrix.exe");
  for (int i = 1; i <= args.ArgumentCount(); ++i) {
    const std::string arg = args.ArgumentAt(i);
    if (arg.empty()) std::abort();
    for (char c : arg) {
      if (raw.find(c) == std::string_view::npos) std::abort();
    }
  }

  tovrix::RunSettings settings;
  tovrix::ReadSwitches(args, settings);
  if (settings.replaceMode > 2) std::abort();
  if (settings.replaceTarget < 1 || settings.replaceTarget > 7) std::abort();
  const int o = args.FindSwitchIndex("o", "-/", true);
  if (o > 0 && settings.outputPath != args.ArgumentAt(o + 1)) std::abort();
  const int r = args.FindSwitchIndex("r", "-/", true);
  if (r > 0 && settings.registryFolder != args.ArgumentAt(r + 1)) std::abort();

  tovrix::CapturingConsole console;
  tovrix::ShowHelp(args, console);
  (void)args.HasSwitch("?", "-/", true);
  (void)args.FindSwitchIndex("", "", false);
  return 0;
}
