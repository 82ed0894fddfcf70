// Files of the Linux build. Sharing modes have no Linux equivalent and are
// ignored. Error texts are strerror() of the failing call.
//
// FileWriter writes to ".<name>.tmpXXXXXX" beside the target and renames
// it over the target on Commit. It writes the target itself ("in place")
// when no temporary file can be made there, and when the target is not a
// regular file (a device such as /dev/null, a FIFO): renaming over those
// would replace the device node instead of writing to it. A symbolic link
// is followed, so the link stays and the file it names is replaced.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace tovrix::platform {

namespace {

std::string SystemText(int error) { return std::strerror(error); }

// Paths reach the system as C strings: one holding a NUL byte would name a
// different file, so it is refused.
bool ToCPath(std::string_view path, std::string& out) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  out.assign(path);
  return true;
}

int RetryOpen(const char* path, int flags, mode_t mode = 0) {
  for (;;) {
    const int fd = ::open(path, flags | O_CLOEXEC | O_NOCTTY, mode);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

class FdCloser {
 public:
  explicit FdCloser(int fd) : fd_(fd) {}
  ~FdCloser() {
    if (fd_ >= 0) ::close(fd_);
  }
  FdCloser(const FdCloser&) = delete;
  FdCloser& operator=(const FdCloser&) = delete;

 private:
  int fd_;
};

// Opens `path` for reading; only a regular file is accepted. O_NONBLOCK
// keeps a FIFO from blocking the open; it has no effect on regular files.
int OpenRegularForReading(std::string_view path, std::size_t& size,
                          std::string& error) {
  std::string cPath;
  if (!ToCPath(path, cPath)) {
    error = SystemText(path.empty() ? ENOENT : EINVAL);
    return -1;
  }
  const int fd = RetryOpen(cPath.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    error = SystemText(errno);
    return -1;
  }
  struct stat info;
  int problem = 0;
  if (::fstat(fd, &info) != 0) {
    problem = errno;
  } else if (S_ISDIR(info.st_mode)) {
    problem = EISDIR;
  } else if (!S_ISREG(info.st_mode)) {
    problem = EINVAL;
  }
  if (problem != 0) {
    ::close(fd);
    error = SystemText(problem);
    return -1;
  }
  size = static_cast<std::size_t>(info.st_size);
  return fd;
}

// Appends up to `limit` bytes from `fd` to `data`. The size known from
// fstat is read straight into place; a file that grew since is read on in
// chunks, one that shrank simply ends early. Returns 0 or an errno value.
int ReadUpTo(int fd, std::size_t expected, std::size_t limit,
             std::string& data) {
  std::size_t have = 0;
  data.resize(std::min(expected, limit));
  while (have < data.size()) {
    const ssize_t got = ::read(fd, data.data() + have, data.size() - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) {
      data.resize(have);
      return 0;
    }
    have += static_cast<std::size_t>(got);
  }
  char chunk[64 * 1024];
  while (have < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - have);
    const ssize_t got = ::read(fd, chunk, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    data.append(chunk, static_cast<std::size_t>(got));
    have += static_cast<std::size_t>(got);
  }
  return 0;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

}  // namespace

bool IsExistingFile(std::string_view path) {
  std::string cPath;
  if (!ToCPath(path, cPath)) return false;
  struct stat info;
  return ::stat(cPath.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string FullPath(std::string_view path) {
  std::string cPath;
  if (!ToCPath(path, cPath)) return std::string(path);
  const std::size_t slash = cPath.rfind('/');
  const std::string name =
      slash == std::string::npos ? cPath : cPath.substr(slash + 1);
  std::string directory = slash == std::string::npos ? std::string(".")
                          : slash == 0               ? std::string("/")
                                                     : cPath.substr(0, slash);
  if (name == "." || name == "..") {  // the whole path names a directory
    directory = cPath;
  }
  if (char* real = ::realpath(directory.c_str(), nullptr)) {
    std::string result(real);
    ::free(real);
    if (name == "." || name == "..") return result;
    if (result.back() != '/') result += '/';
    return result + name;
  }
  if (cPath.front() == '/') return cPath;
  std::string cwd(PATH_MAX, '\0');
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return cPath;
  cwd.resize(std::strlen(cwd.c_str()));
  if (cwd.back() != '/') cwd += '/';
  return cwd + cPath;
}

namespace {

// Reads at most `limit` bytes of a regular file; a failed read answers
// `readFailure` (the whole-file read reports it, the head read counts it as
// a file it could not open).
ReadResult ReadRegularFile(std::string_view path, std::size_t limit, ReadStatus readFailure) {
  ReadResult result;
  std::size_t size = 0;
  const int fd = OpenRegularForReading(path, size, result.error);
  if (fd < 0) {
    result.status = ReadStatus::OpenFailed;
    return result;
  }
  FdCloser closer(fd);
  const int error = ReadUpTo(fd, size, limit, result.data);
  if (error != 0) {
    result.status = readFailure;
    result.error = SystemText(error);
    result.data.clear();
    return result;
  }
  result.status = ReadStatus::Ok;
  return result;
}

}  // namespace

ReadResult ReadWholeFile(std::string_view path, Share /*share*/) {
  return ReadRegularFile(path, std::string::npos, ReadStatus::ReadFailed);
}

ReadResult ReadFileHead(std::string_view path, std::size_t count) {
  return ReadRegularFile(path, count, ReadStatus::OpenFailed);
}

// ---------------------------------------------------------------------------

struct FileWriter::Impl {
  static constexpr std::size_t kBufferSize = 1 << 20;

  std::string target;
  std::string temporary;  // empty when the target is written in place
  int fd = -1;
  std::string buffer;
  bool failed = false;  // a failure was reported; nothing more happens
  bool committed = false;
  std::string failure;  // system text of that failure

  ~Impl() { Discard(); }

  // Closes the file and removes an uncommitted temporary file.
  void Discard() {
    if (fd >= 0) {
      ::close(fd);
      fd = -1;
    }
    if (!temporary.empty() && !committed) ::unlink(temporary.c_str());
    temporary.clear();
    buffer.clear();
  }

  WriteResult Fail(int error) {
    failed = true;
    failure = SystemText(error);
    Discard();
    return {WriteStatus::WriteFailed, failure};
  }

  // 0 or an errno value.
  int WriteOut(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd, bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
  }
};

FileWriter::~FileWriter() { delete impl_; }

WriteResult FileWriter::Open(std::string_view path) {
  delete impl_;
  impl_ = nullptr;
  std::string target;
  if (!ToCPath(path, target)) {
    return {WriteStatus::CreateFailed,
            SystemText(path.empty() ? ENOENT : EINVAL)};
  }
  struct stat info;
  if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      target = real;
      ::free(real);
    }
  }
  mode_t mode = 0666 & ~CurrentUmask();
  bool inPlace = false;
  if (::stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode))
      return {WriteStatus::CreateFailed, SystemText(EISDIR)};
    if (::access(target.c_str(), W_OK) != 0) {
      return {WriteStatus::CreateFailed, SystemText(errno)};
    }
    // A file nobody may write is read-only, for root too, as a file with
    // the read-only attribute is on Windows.
    if (S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0) {
      return {WriteStatus::CreateFailed, SystemText(EACCES)};
    }
    if (S_ISREG(info.st_mode)) {
      mode = info.st_mode & 0777;
    } else {
      inPlace = true;
    }
  }

  auto impl = std::make_unique<Impl>();
  impl->target = target;
  if (!inPlace) {
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string pattern = target.substr(0, nameStart) + "." +
                          target.substr(nameStart) + ".tmpXXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0) {
      ::fchmod(fd, mode);
      impl->fd = fd;
      impl->temporary = pattern;
    }
  }
  if (impl->fd < 0) {
    // No file can be made beside the target (a folder one may not write
    // to, a name too long for the temporary name): write the target itself.
    const int fd =
        RetryOpen(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return {WriteStatus::CreateFailed, SystemText(errno)};
    impl->fd = fd;
  }
  impl_ = impl.release();
  return {WriteStatus::Ok, {}};
}

WriteResult FileWriter::Write(std::string_view bytes) {
  if (impl_ == nullptr) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  Impl& impl = *impl_;
  if (impl.failed) return {WriteStatus::WriteFailed, impl.failure};
  if (impl.fd < 0) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  if (impl.buffer.size() + bytes.size() > Impl::kBufferSize) {
    if (const int error = impl.WriteOut(impl.buffer)) return impl.Fail(error);
    impl.buffer.clear();
  }
  if (bytes.size() >= Impl::kBufferSize) {
    if (const int error = impl.WriteOut(bytes)) return impl.Fail(error);
  } else {
    impl.buffer.append(bytes);
  }
  return {WriteStatus::Ok, {}};
}

WriteResult FileWriter::Commit() {
  if (impl_ == nullptr) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  Impl& impl = *impl_;
  if (impl.failed) return {WriteStatus::WriteFailed, impl.failure};
  if (impl.fd < 0) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  if (const int error = impl.WriteOut(impl.buffer)) return impl.Fail(error);
  impl.buffer.clear();
  const int fd = std::exchange(impl.fd, -1);
  if (::close(fd) != 0 && errno != EINTR) return impl.Fail(errno);
  if (!impl.temporary.empty() &&
      ::rename(impl.temporary.c_str(), impl.target.c_str()) != 0) {
    return impl.Fail(errno);
  }
  impl.committed = true;
  impl.temporary.clear();
  return {WriteStatus::Ok, {}};
}

}  // namespace tovrix::platform

namespace tovrix::platform {

bool ListDirectory(std::string_view path, std::vector<DirectoryEntry>& entries,
                   std::string& error) {
  entries.clear();
  std::string cPath;
  if (!ToCPath(path, cPath)) {
    error = SystemText(path.empty() ? ENOENT : EINVAL);
    return false;
  }
  DIR* dir = ::opendir(cPath.c_str());
  if (dir == nullptr) {
    error = SystemText(errno);
    return false;
  }
  const int dirFd = ::dirfd(dir);
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    DirectoryEntry item;
    item.name.assign(name);
    if (::fstatat(dirFd, entry->d_name, &info, 0) == 0) {
      item.isDirectory = S_ISDIR(info.st_mode);
      item.isFile = S_ISREG(info.st_mode);
    }
    entries.push_back(std::move(item));
  }
  ::closedir(dir);
  return true;
}

}  // namespace tovrix::platform
