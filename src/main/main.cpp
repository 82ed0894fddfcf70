// Entry point: the program on the process's command line, standard output
// and standard error. An orderly end leaves exit status -1; a failure, 1.
#include "main/driver.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  tovrix::platform::InitProcess(argc, argv);
  tovrix::StdoutConsole console;
  return tovrix::RunAndReport(tovrix::Arguments::FromProcess(), console,
                              tovrix::platform::WriteFailureReport,
                              tovrix::platform::OrderlyExitCode());
}
