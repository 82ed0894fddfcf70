// Command line, program path and console streams of the Linux build.
//
// Standard output is collected in a buffer of the program's own and written
// with write(2) when it fills, on FlushStdout, before a failure report, and
// at exit; bytes pass unchanged.
#include "platform/process.h"

#include <errno.h>
#include <limits.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <signal.h>
#include <unistd.h>

#include <utility>

#include "platform/files.h"

namespace tovrix::platform {

namespace {

#if defined(__GLIBC__)
// Free memory a thread's heap keeps before giving it back to the system,
// and the smallest allocation given its own mapping.
constexpr int kKeptFreeBytes = 256 << 20;
constexpr int kOwnMappingBytes = 32 << 20;
#endif

std::vector<std::string>& Arguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

// Writes all of `bytes` to `fd`, retrying after interruptions; other
// errors drop the rest silently (the console never fails loudly).
void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

class StdoutBuffer {
 public:
  static constexpr std::size_t kCapacity = 64 * 1024;

  StdoutBuffer() { buffer_.reserve(kCapacity); }
  ~StdoutBuffer() { Flush(); }
  StdoutBuffer(const StdoutBuffer&) = delete;
  StdoutBuffer& operator=(const StdoutBuffer&) = delete;

  void Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kCapacity) Flush();
    if (bytes.size() >= kCapacity) {
      WriteAll(STDOUT_FILENO, bytes);
    } else {
      buffer_.append(bytes);
    }
  }

  void Flush() {
    WriteAll(STDOUT_FILENO, buffer_);
    buffer_.clear();
  }

 private:
  std::string buffer_;
};

StdoutBuffer& Stdout() {
  static StdoutBuffer buffer;
  return buffer;
}

}  // namespace

void InitProcess(int argc, char** argv) {
  std::vector<std::string>& arguments = Arguments();
  arguments.clear();
  for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
    arguments.emplace_back(argv[i]);
  }
  Stdout();  // constructed before any later static, so flushed after them
  // A closed pipe on standard output drops the console's output (write
  // answers EPIPE); the INF is still written. An exceeded file-size limit
  // makes the INF's write fail (EFBIG) instead of killing the process.
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
#if defined(__GLIBC__)
  // Memory freed is kept for the next allocation rather than handed back
  // to the system at once. The joining thread frees memory the converting
  // threads allocated, thousands of times a run; handed back (released
  // pages, unmapped blocks), every reuse paid a page fault per 4 KB
  // touched again. Large blocks still come straight from the system.
  ::mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes);
  ::mallopt(M_MMAP_THRESHOLD, kOwnMappingBytes);
#endif
}

CommandLineSource GetCommandLineSource() {
  CommandLineSource source;
  const std::vector<std::string>& arguments = Arguments();
  if (arguments.size() > 1) {
    source.argv.assign(arguments.begin() + 1, arguments.end());
  }
  return source;
}

std::string ProgramPath() {
  std::string path(PATH_MAX, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) break;
    if (static_cast<std::size_t>(length) < path.size()) {
      path.resize(static_cast<std::size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);  // the link may have been cut short
  }
  // No /proc: the name the program was started with, made absolute.
  const std::vector<std::string>& arguments = Arguments();
  return arguments.empty() ? std::string() : FullPath(arguments.front());
}

std::string_view PathSeparators() { return "/"; }

void WriteStdout(std::string_view bytes) { Stdout().Write(bytes); }

void FlushStdout() { Stdout().Flush(); }

void WriteFailureReport(std::string_view utf8) {
  FlushStdout();  // what the program printed comes before the report
  WriteAll(STDERR_FILENO, utf8);
}

void WriteWarning(std::string_view utf8) { WriteFailureReport(utf8); }

int OrderlyExitCode() { return 255; }

std::thread StartWorkerThread(std::function<void()> work) {
  // A new thread starts with its creator's signal mask.
  sigset_t all;
  sigset_t before;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &before);
  std::thread thread(std::move(work));
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  return thread;
}

}  // namespace tovrix::platform
