#include "main/driver.h"

#include <cstdint>
#include <exception>
#include <new>

#include "inf/output.h"
#include "liveexport/key_list.h"
#include "liveexport/offline_registry.h"
#include "platform/codepage.h"
#include "regfile/converter.h"
#include "text/errors.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

// A switch starts with one of these characters.
constexpr std::string_view kSwitchChars = "-/";

bool Flag(const Arguments& args, std::string_view name) {
  return args.HasSwitch(name, kSwitchChars, true);
}

int SwitchIndex(const Arguments& args, std::string_view name) {
  return args.FindSwitchIndex(name, kSwitchChars, true);
}

// Finds an input switch, takes the next argument as its path and tells
// whether that names an existing file.
void FindInput(const Arguments& args, std::string_view name, Console& console, int& index,
               std::string& path, bool& effective) {
  index = SwitchIndex(args, name);
  effective = index > 0;
  if (!effective) return;
  path = args.ArgumentAt(index + 1);
  effective = IsExistingFile(path);
  if (!effective) {
    std::string line = "File not found. [";
    line.append(path);
    line.append("]");
    console.Line(line);
  }
}

// A numeric switch value: the low 8 bits of the number, or `fallback`
// when the switch is missing or its value is no number.
std::uint8_t NumberSwitch(const Arguments& args, std::string_view name, std::int32_t fallback) {
  int index = SwitchIndex(args, name);
  if (index < 1) return static_cast<std::uint8_t>(fallback);
  std::int32_t value = ParseInt(args.ArgumentAt(index + 1), fallback);
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFFu);
}

}  // namespace

std::string Banner(char decimalSeparator) {
  std::string banner = "Tovrix ver";
  AppendDecimal(banner, kProgramVersionHundredths / 100);
  banner.push_back(decimalSeparator);
  banner.append(FormatText("%.2d", {static_cast<std::int32_t>(kProgramVersionHundredths % 100)}));
  return banner;
}

void ShowHelp(const Arguments& args, Console& console) {
  const std::string detail(27, ' ');
  console.Line("/f file                  Set input registry-file. (*.reg)");
  console.Line("");
  console.Line("/l file                  Set input registry-entry list file.");
  console.Line("");
  console.Line("/m 0|1|2                 Set replace mode.");
  console.Line(detail + "0 Does not replase.");
  console.Line(detail + "1 Replace with environment-string.");
  console.Line(detail + "2 (Default) Replace with \"X:\".");
  console.Line("");
  console.Line("/o file                  Set output inf-file.");
  console.Line(detail + "(Default: \"" + ChangeExtension(FileNamePart(args.ArgumentAt(0)), ".inf") +
               "\")");
  console.Line("");
  console.Line("/r folder                Set offline registry folder for /l.");
  console.Line(detail + "(Windows folder or hive files)");
  console.Line("");
  console.Line("/t value                 Set replace target.(Bit-Flg)");
  console.Line(detail + "1 %SystemRoot%");
  console.Line(detail + "2 %ProgramFiles%");
  console.Line(detail + "4 %SystemDrive%");
  console.Line(detail + "(Default: value=7)");
  console.Line("");
  console.Line("/v                       Verbose mode.");
  console.Line(detail + "(Default: Disabled)");
  console.Line("");
  console.Line("/x                       Add Tessalon entry.");
  console.Line(detail + "(Default: Disabled)");
  console.Line("");
  console.Line("/h                       Show this help.");
  console.Line("");
  console.Line("Current-Controlset is detected automatic.");
  console.Line("Therefore, please do not specify \"Controlset[nnn]\". (/f)");
}

void ReadSwitches(const Arguments& args, RunSettings& settings) {
  settings.replaceMode = NumberSwitch(args, "m", 2);
  if (settings.replaceMode > 2) settings.replaceMode = 2;
  settings.replaceTarget = NumberSwitch(args, "t", 7);
  if (settings.replaceTarget == 0 || settings.replaceTarget > 7) settings.replaceTarget = 7;
  settings.addExpanderEntries = Flag(args, "x");
  int outIndex = SwitchIndex(args, "o");
  settings.outputPath =
      outIndex < 1 ? ChangeExtension(args.ArgumentAt(0), ".inf") : args.ArgumentAt(outIndex + 1);
  settings.registryFolderIndex = SwitchIndex(args, "r");
  if (settings.registryFolderIndex > 0) {
    settings.registryFolder = args.ArgumentAt(settings.registryFolderIndex + 1);
  }
  settings.verbose = Flag(args, "v");
  settings.normalizeControlSet = true;
  settings.probeSize = 2048;
}

std::unique_ptr<platform::RegistryStore> OpenKeyListRegistry(const RunSettings& settings) {
  if (settings.registryFolderIndex > 0) return OpenOfflineRegistry(settings.registryFolder);
  std::unique_ptr<platform::RegistryStore> live = platform::OpenLiveRegistry();
  if (!live) ThrowNoLiveRegistryError();
  return live;
}

void RunTovrix(const Arguments& args, Console& console) {
  // The version is written with the user's decimal separator.
  console.Line(Banner(platform::DecimalSeparator()));

  if (Flag(args, "h") || Flag(args, "help") || Flag(args, "?")) {
    console.Line("");
    ShowHelp(args, console);
    return;
  }

  RunSettings settings;
  FindInput(args, "l", console, settings.keyListIndex, settings.keyListPath,
            settings.keyListEffective);
  FindInput(args, "f", console, settings.regFileIndex, settings.regFilePath,
            settings.regFileEffective);
  if (!settings.keyListEffective && !settings.regFileEffective) {
    console.Line("There are no effective input file.");
    console.Line("");
    ShowHelp(args, console);
    return;
  }
  console.Line("");

  ReadSwitches(args, settings);
  console.Line(FormatText("Processing with replace-mode %d.",
                          {static_cast<std::int32_t>(settings.replaceMode)}));
  console.Line(FormatText("Processing with replace-target %d.",
                          {static_cast<std::int32_t>(settings.replaceTarget)}));

  // The registry is opened before any input runs: a folder that gives no
  // hives must not leave half a run behind.
  std::unique_ptr<platform::RegistryStore> registry;
  if (settings.keyListEffective) {
    console.Flush();  // warnings on standard error come after these lines
    registry = OpenKeyListRegistry(settings);
  }

  OutputLists lists;
  const bool keyListFirst = settings.keyListIndex < settings.regFileIndex;
  OutputStream output(
      lists, settings.outputPath,
      /*itemsMayBeCut=*/settings.keyListEffective && settings.regFileEffective && !keyListFirst);
  const ConversionSettings& conversion = settings;
  auto runKeyList = [&] {
    if (settings.keyListEffective) {
      ProcessKeyList(settings.keyListPath, *registry, conversion, lists, console);
    }
  };
  auto runRegFile = [&] {
    if (settings.regFileEffective) ProcessRegFile(settings.regFilePath, conversion, lists, console);
  };
  if (keyListFirst) {
    runKeyList();
    runRegFile();
  } else {
    runRegFile();
    runKeyList();
  }

  output.Finish();
  console.Line("Done.");
}

}  // namespace tovrix

namespace tovrix {

int RunAndReport(const Arguments& args, Console& console,
                 const std::function<void(std::string_view)>& report, int orderlyExit) {
  auto fail = [&](std::string_view className, std::string_view message) {
    console.Flush();
    std::string text(className);
    text += ": ";
    text += message;
    text += "\r\n";
    report(text);
    return 1;
  };
  try {
    RunTovrix(args, console);
  } catch (const TovrixError& error) {
    return fail(error.ClassName(), error.what());
  } catch (const std::bad_alloc&) {
    return fail("EOutOfMemory", "Out of memory");
  } catch (const std::exception& error) {
    return fail("Exception", error.what());
  }
  console.Flush();
  return orderlyExit;
}

}  // namespace tovrix
