// Command line, program path and console streams of the Linux build.
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/process.h"

namespace tovrix::platform {
namespace {

// Sends descriptors 1 and 2 to one temporary file while it lives.
class CapturedConsole {
 public:
  CapturedConsole() {
    char name[] = "/tmp/tovrix-console-XXXXXX";
    fd_ = ::mkstemp(name);
    path_ = name;
    savedOut_ = ::dup(1);
    savedErr_ = ::dup(2);
    ::dup2(fd_, 1);
    ::dup2(fd_, 2);
  }
  ~CapturedConsole() {
    Restore();
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  CapturedConsole(const CapturedConsole&) = delete;
  CapturedConsole& operator=(const CapturedConsole&) = delete;

  // Puts the console back and returns what was written.
  std::string Finish() {
    Restore();
    std::string bytes;
    char buffer[256];
    ssize_t got;
    ::lseek(fd_, 0, SEEK_SET);
    while ((got = ::read(fd_, buffer, sizeof buffer)) > 0) {
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
  }

 private:
  void Restore() {
    if (savedOut_ < 0) return;
    ::dup2(savedOut_, 1);
    ::dup2(savedErr_, 2);
    ::close(savedOut_);
    ::close(savedErr_);
    savedOut_ = savedErr_ = -1;
  }

  int fd_ = -1;
  int savedOut_ = -1;
  int savedErr_ = -1;
  std::string path_;
};

TEST(PosixProcess, CommandLineIsArgvAfterTheProgram) {
  char program[] = "/opt/tools/tovrix";
  char first[] = "/f";
  char empty[] = "";
  char spaced[] = "My Files/a b.reg";
  char* argv[] = {program, first, empty, spaced, nullptr};
  InitProcess(4, argv);
  CommandLineSource source = GetCommandLineSource();
  EXPECT_FALSE(source.raw.has_value());
  ASSERT_EQ(source.argv.size(), 3u);
  EXPECT_EQ(source.argv[0], "/f");
  EXPECT_EQ(source.argv[1], "");  // kept; the text layer drops empty ones
  EXPECT_EQ(source.argv[2], "My Files/a b.reg");

  char* only[] = {program, nullptr};
  InitProcess(1, only);
  EXPECT_TRUE(GetCommandLineSource().argv.empty());
}

TEST(PosixProcess, ProgramPathAndConstants) {
  const std::string path = ProgramPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_NE(path.find("platform_tests"), std::string::npos) << path;
  EXPECT_EQ(PathSeparators(), "/");
  EXPECT_EQ(OrderlyExitCode(), 255);
}

TEST(PosixProcess, ConsoleBytesPassUnchangedAndInOrder) {
  CapturedConsole console;
  WriteStdout("line 1\r\n");
  WriteStdout(std::string("bin\0\xFF\n", 6));
  const std::string large(100 * 1024, 'L');  // more than the buffer holds
  WriteStdout(large);
  WriteStdout("last\r\n");
  // The report follows everything written before it.
  WriteFailureReport("EFOpenError: caf\xC3\xA9\r\n");
  const std::string bytes = console.Finish();
  EXPECT_EQ(bytes, "line 1\r\n" + std::string("bin\0\xFF\n", 6) + large +
                       "last\r\nEFOpenError: caf\xC3\xA9\r\n");
}

}  // namespace
}  // namespace tovrix::platform

#endif  // !_WIN32
