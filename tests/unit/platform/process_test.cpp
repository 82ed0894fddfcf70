// Command line, program path and console streams.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace tovrix::platform {
namespace {

TEST(Process, ProgramPathAndConstants) {
  const std::filesystem::path program = ProgramPath();
  EXPECT_TRUE(program.is_absolute()) << program;
  EXPECT_TRUE(std::filesystem::is_regular_file(program)) << program;
  EXPECT_EQ(program.stem(), "platform_tests") << program;
#ifdef _WIN32
  EXPECT_EQ(PathSeparators(), "\\:");
  EXPECT_EQ(OrderlyExitCode(), -1);
  const CommandLineSource source = GetCommandLineSource();
  ASSERT_TRUE(source.raw.has_value());
  EXPECT_NE(source.raw->find("platform_tests"), std::string::npos) << *source.raw;
  EXPECT_TRUE(source.argv.empty());
#else
  EXPECT_EQ(PathSeparators(), "/");
  EXPECT_EQ(OrderlyExitCode(), 255);
#endif
}

#ifndef _WIN32

TEST(PosixProcess, CommandLineIsArgvAfterTheProgram) {
  char program[] = "/opt/tools/tovrix";
  char first[] = "/f";
  char empty[] = "";
  char spaced[] = "My Files/a b.reg";
  char* argv[] = {program, first, empty, spaced, nullptr};
  InitProcess(4, argv);
  const CommandLineSource source = GetCommandLineSource();
  EXPECT_FALSE(source.raw.has_value());
  // The empty one is kept; the text layer drops empty ones.
  EXPECT_EQ(source.argv, (std::vector<std::string>{"/f", "", "My Files/a b.reg"}));
  InitProcess(1, argv);
  EXPECT_TRUE(GetCommandLineSource().argv.empty());
}

TEST(PosixProcess, ConsoleBytesPassUnchangedAndInOrder) {
  // Descriptors 1 and 2 go to one temporary file meanwhile.
  char name[] = "/tmp/tovrix-console-XXXXXX";
  const int fd = ::mkstemp(name);
  ASSERT_GE(fd, 0);
  ::unlink(name);
  const int savedOut = ::dup(1), savedErr = ::dup(2);
  ::dup2(fd, 1);
  ::dup2(fd, 2);
  const std::string binary("bin\0\xFF\n", 6);
  const std::string large(100 * 1024, 'L');  // more than the buffer holds
  WriteStdout("line 1\r\n");
  WriteStdout(binary);
  WriteStdout(large);
  WriteStdout("last\r\n");
  // The report follows everything written before it.
  WriteFailureReport("EFOpenError: caf\xC3\xA9\r\n");
  ::dup2(savedOut, 1);
  ::dup2(savedErr, 2);
  ::close(savedOut);
  ::close(savedErr);

  std::string bytes(300 * 1024, '\0');
  const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), 0);
  ::close(fd);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  EXPECT_TRUE(bytes == "line 1\r\n" + binary + large + "last\r\nEFOpenError: caf\xC3\xA9\r\n");
}

#endif  // !_WIN32

}  // namespace
}  // namespace tovrix::platform
