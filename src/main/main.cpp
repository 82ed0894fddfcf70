// Entry point: runs the program and reports a failure that nothing else
// caught. An orderly end leaves exit status -1; a failure, 1.
#include <exception>
#include <new>
#include <string>

#include "main/driver.h"
#include "platform/process.h"
#include "text/errors.h"

namespace {

int ReportFailure(tovrix::Console& console, const std::string& className,
                  const std::string& message) {
  console.Flush();
  tovrix::platform::WriteFailureReport(className + ": " + message + "\r\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  tovrix::platform::InitProcess(argc, argv);
  tovrix::StdoutConsole console;
  try {
    tovrix::RunTovrix(tovrix::Arguments::FromProcess(), console);
  } catch (const tovrix::TovrixError& error) {
    return ReportFailure(console, error.ClassName(), error.what());
  } catch (const std::bad_alloc&) {
    return ReportFailure(console, "EOutOfMemory", "Out of memory");
  } catch (const std::exception& error) {
    return ReportFailure(console, "Exception", error.what());
  }
  console.Flush();
  return tovrix::platform::OrderlyExitCode();
}
