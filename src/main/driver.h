// The program's run: banner, switches, the two inputs in command-line
// order, the INF document, "Done.".
//
// RunTovrix returns normally for the three orderly ends (help shown, no
// effective input, "Done."); every failure travels out as an exception of
// the classes in text/errors.h, and the caller reports it. The lists live
// inside the call, so they are released on every way out.
#ifndef TOVRIX_MAIN_DRIVER_H_
#define TOVRIX_MAIN_DRIVER_H_

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "rewrite/settings.h"
#include "text/arguments.h"
#include "text/console.h"

namespace tovrix {

// The program's version, 1.05, in hundredths.
inline constexpr int kProgramVersionHundredths = 105;

// "Tovrix ver" and the version as the number format "#.00" writes it: the
// integer part, `decimalSeparator`, two decimals.
std::string Banner(char decimalSeparator);

struct RunSettings : ConversionSettings {
  int keyListIndex = -1;
  int regFileIndex = -1;
  std::string keyListPath;
  std::string regFilePath;
  bool keyListEffective = false;
  bool regFileEffective = false;
  std::string outputPath;
  int registryFolderIndex = -1;  // /r: the offline registry's folder
  std::string registryFolder;
};

void RunTovrix(const Arguments& args, Console& console);

// Runs RunTovrix and reports the failure that ends it, if any: `console` is
// flushed first, then `report` gets "<class name>: <message>" and CR LF (a
// failure that is not one of ours is "EOutOfMemory: Out of memory" or
// "Exception: <what>"). Answers the exit status: 1 after a failure, else
// `orderlyExit`.
int RunAndReport(const Arguments& args, Console& console,
                 const std::function<void(std::string_view)>& report, int orderlyExit);

// The registry the key list is read from: the hive files below the /r
// folder, else the live registry. Throws when there is none (the Linux
// build without /r), or when the folder or its hives cannot be used.
std::unique_ptr<platform::RegistryStore> OpenKeyListRegistry(const RunSettings& settings);

// The help text, as printed (each line through `console`).
void ShowHelp(const Arguments& args, Console& console);

// Reads /m, /t, /o, /r, /x, /v into `settings` (the value switches by prefix,
// the flags as whole arguments).
void ReadSwitches(const Arguments& args, RunSettings& settings);

}  // namespace tovrix

#endif  // TOVRIX_MAIN_DRIVER_H_
