// The raw material of the command line, the program's own path, and the
// console streams.
//
// Windows hands up the whole command line as one 8-bit text (to be cut by
// the byte rules of the text layer); Linux hands up argv. Exactly one of
// the two is present. The program path is the full path of the running
// executable as the system reports it.
//
// WriteStdout and WriteStderr write bytes unchanged (binary mode: no LF to
// CR LF translation) and never fail loudly.
#ifndef TOVRIX_PLATFORM_PROCESS_H_
#define TOVRIX_PLATFORM_PROCESS_H_

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tovrix::platform {

struct CommandLineSource {
  std::optional<std::string> raw;  // Windows: GetCommandLineA
  std::vector<std::string> argv;   // Linux: argv[1..], as given
};

// Called once by main with argc/argv; the Windows build ignores them.
void InitProcess(int argc, char** argv);

CommandLineSource GetCommandLineSource();

std::string ProgramPath();

// The characters that end a directory part in a path: "\\:" on Windows,
// "/" on Linux.
std::string_view PathSeparators();

void WriteStdout(std::string_view bytes);
void FlushStdout();

// Writes a failure report line. `utf8` is converted to the console's
// encoding (the OEM code page on Windows, UTF-8 kept on Linux).
void WriteFailureReport(std::string_view utf8);

// Writes a warning line to standard error, after what standard output
// holds so far, converted as the failure report is.
void WriteWarning(std::string_view utf8);

// The process exit code for an orderly end (-1; 255 as Linux shows it).
int OrderlyExitCode();

// Starts `work` on a thread of its own. The signals the program handles
// (Ctrl+C and the like) are never delivered to that thread: they keep
// reaching the threads that can block them around their critical steps.
std::thread StartWorkerThread(std::function<void()> work);

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_PROCESS_H_
