// Files of the Linux build. Sharing modes have no Linux equivalent and are
// ignored. Error texts are strerror() of the failing call.
//
// FileWriter writes to ".<name>.tmpXXXXXX" beside the target, flushes it
// to the disk and renames it over the target on Commit. It writes the
// target itself ("in place") when the folder refuses new files, and when
// the target is not a regular file (a device such as /dev/null, a FIFO):
// renaming over those would replace the device node instead of writing to
// it. Symbolic links are followed, a dangling one too, so the link stays
// and the file it names is written.
#include "platform/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/process.h"

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
int OpenRegularForReading(std::string_view path, std::size_t& size, std::string& error) {
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

// Sets `data` to up to `limit` bytes from `fd`; fewer at the end of the
// file. `expected` (the size from fstat) is read straight into place, so a
// huge limit reserves nothing; a file that grew since is read on in pieces.
// Returns 0 or an errno value.
int ReadUpTo(int fd, std::size_t expected, std::size_t limit, std::string& data) {
  constexpr std::size_t kPiece = 1 << 16;
  data.resize(std::min(expected, limit));
  std::size_t have = 0;
  while (have < limit) {
    if (have == data.size()) data.resize(have + std::min(kPiece, limit - have));
    const ssize_t got = ::read(fd, data.data() + have, data.size() - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      data.resize(have);
      return errno;
    }
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  data.resize(have);
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
  const std::string name = slash == std::string::npos ? cPath : cPath.substr(slash + 1);
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

struct FileReader::Impl {
  int fd = -1;
  std::size_t size = 0;  // at open
  std::size_t have = 0;  // bytes read so far
};

FileReader::~FileReader() {
  if (impl_ != nullptr && impl_->fd >= 0) ::close(impl_->fd);
  delete impl_;
}

ReadResult FileReader::Open(std::string_view path, Share /*share*/) {
  ReadResult result;
  std::size_t size = 0;
  const int fd = OpenRegularForReading(path, size, result.error);
  if (fd < 0) {
    result.status = ReadStatus::OpenFailed;
    return result;
  }
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  impl_ = new Impl{fd, size, 0};
  result.status = ReadStatus::Ok;
  return result;
}

ReadResult FileReader::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  ReadResult result;
  got = 0;
  for (;;) {
    const ssize_t n = ::read(impl_->fd, buffer, capacity);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      break;
    }
    if (errno != EINTR) {
      result.status = ReadStatus::ReadFailed;
      result.error = SystemText(errno);
      return result;
    }
  }
  impl_->have += got;
  if (got == 0 && capacity > 0 && impl_->have < impl_->size) {
    result.status = ReadStatus::ReadFailed;  // it shrank meanwhile
    result.error = SystemText(EIO);
    return result;
  }
  result.status = ReadStatus::Ok;
  return result;
}

std::size_t FileReader::SizeAtOpen() const { return impl_->size; }

ReadResult ReadFileHead(std::string_view path, std::size_t count) {
  ReadResult result;
  std::size_t size = 0;
  const int fd = OpenRegularForReading(path, size, result.error);
  if (fd < 0 || ReadUpTo(fd, size, count, result.data) != 0) {
    if (fd >= 0) ::close(fd);
    result.status = ReadStatus::OpenFailed;
    result.data.clear();
    return result;
  }
  ::close(fd);
  result.status = ReadStatus::Ok;
  return result;
}

// ---------------------------------------------------------------------------

// The temporary file being written, for the signal handler: a signal that
// ends the process (SIGINT, SIGTERM, SIGHUP) removes it, then ends the
// process as the signal would have. The name changes only while those
// signals are blocked.
namespace {

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP};
char gTemporary[PATH_MAX + 1];
volatile sig_atomic_t gHaveTemporary = 0;

extern "C" void RemoveTemporaryAndEnd(int signal) {
  if (gHaveTemporary) ::unlink(gTemporary);
  ::signal(signal, SIG_DFL);
  ::raise(signal);  // delivered as the handler returns
}

// Blocks the cleanup signals while it lives.
class CleanupSignalsBlocked {
 public:
  CleanupSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanupSignals) sigaddset(&set, signal);
    ::sigprocmask(SIG_BLOCK, &set, &saved_);
  }
  ~CleanupSignalsBlocked() { ::sigprocmask(SIG_SETMASK, &saved_, nullptr); }
  CleanupSignalsBlocked(const CleanupSignalsBlocked&) = delete;
  CleanupSignalsBlocked& operator=(const CleanupSignalsBlocked&) = delete;

 private:
  sigset_t saved_;
};

// Call with the signals blocked. A signal the process ignores (nohup) stays
// ignored.
void WatchTemporary(const std::string& path) {
  static bool installed = false;
  if (!installed) {
    for (int signal : kCleanupSignals) {
      struct sigaction old;
      if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
      struct sigaction action {};
      action.sa_handler = RemoveTemporaryAndEnd;
      sigemptyset(&action.sa_mask);
      ::sigaction(signal, &action, nullptr);
    }
    installed = true;
  }
  if (path.size() >= sizeof gTemporary) return;
  std::memcpy(gTemporary, path.c_str(), path.size() + 1);
  gHaveTemporary = 1;
}

void ForgetTemporary() { gHaveTemporary = 0; }

// The file `path` names through symbolic links, also when the last link
// dangles: the output is written through links as shell redirection does.
std::string FollowLinks(std::string path) {
  for (int hop = 0; hop < 40; ++hop) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= link.size()) return path;
    link.resize(static_cast<std::size_t>(length));
    if (link.front() != '/') {
      const std::size_t slash = path.rfind('/');
      if (slash != std::string::npos) link.insert(0, path, 0, slash + 1);
    }
    path = std::move(link);
  }
  return path;  // a loop of links: opening it fails (ELOOP)
}

// The folder part of `path`, "." when it has none.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// A temporary file that cannot be made for these reasons only means the
// folder refuses new files (or the name grows too long); the target itself
// may still be writable. Any other reason (no space, no inodes, quota, I/O
// error, a read-only file system) fails the write before the target is
// touched.
bool FolderRefusesNewFiles(int error) {
  return error == EACCES || error == EPERM || error == ENAMETOOLONG;
}

// Makes `fd`'s writes pass the system's cache (O_DIRECT), or go through it
// again. False, with errno set, when the file's flags cannot be read or
// changed; `was` (when given) tells whether they passed it before.
bool SetDirect(int fd, bool on, bool* was = nullptr) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  if (was != nullptr) *was = (flags & O_DIRECT) != 0;
  return ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

// Writes all of `data`; 0 or an errno value. A file system that refuses a
// write past its cache (EINVAL: an alignment it does not take) gets this
// write and the later ones through the cache.
int WriteWhole(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      bool wasDirect = false;
      if (error == EINVAL && SetDirect(fd, false, &wasDirect) && wasDirect) continue;
      return error;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

// The second thread of a file being written. It writes the blocks handed
// to it, in order, and it flushes the file to the disk each time kFlushStep
// more bytes went out through the system's cache, so that the flush before
// the rename finds little left: a disk's flush takes about as long as the
// bytes written since the one before, and flushed as they come they are
// paid for while the rest of the file is made. It starts with the first
// block or the first flush, so a small file never starts it.
//
// It begins by dropping the cached pages of the file the rename will
// replace: freeing the old file at the rename would otherwise drop them
// there, at the end, where nothing else runs (about 10 ms per 100 MB). The
// old file's contents stay as they are, on the disk.
//
// The first failure of a write or a flush is kept and answered from then
// on: it is the file's (the system reports a failed write-back once, and
// here it was to this thread). Where no thread can be had, blocks are
// written by the caller and the flush before the rename does all flushing.
class BackgroundWriter {
 public:
  static constexpr std::size_t kFlushStep = std::size_t{16} << 20;
  // Blocks are kBlock bytes at kAlign-aligned addresses, as writes that
  // pass the system's cache want them; at most kBlocks are made.
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  static constexpr std::size_t kAlign = 4096;
  static constexpr std::size_t kBlocks = 4;

  BackgroundWriter() = default;
  ~BackgroundWriter() { Stop(); }
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // `fd` stays open until Stop has returned; `replaced` names the file it
  // will replace, or is empty.
  void Attach(int fd, std::string replaced) {
    fd_ = fd;
    replaced_ = std::move(replaced);
  }

  // `bytes` more went to the file through the system's cache.
  void Written(std::size_t bytes) {
    if (fd_ < 0) return;
    written_ += bytes;
    if (written_ - asked_ < kFlushStep) return;
    asked_ = written_;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Started()) return;
    flushPending_ = true;
    wake_.notify_all();
  }

  // A block to fill, once one is free (throws std::bad_alloc).
  char* FreeBlock() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (free_.empty() && blocks_.size() < kBlocks) {
      std::unique_ptr<char, BlockFree> block(
          static_cast<char*>(::operator new (kBlock, std::align_val_t{kAlign})));
      blocks_.push_back(std::move(block));
      return blocks_.back().get();
    }
    changed_.wait(lock, [this] { return !free_.empty(); });
    char* block = free_.back();
    free_.pop_back();
    return block;
  }

  // The first `size` bytes of `block` (from FreeBlock) go to the file after
  // those handed before; the block is free again once they are written.
  void Hand(char* block, std::size_t size) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (Started()) {
      queue_.push_back({block, size});
      wake_.notify_all();
      return;
    }
    const int error = error_ != 0 ? 0 : WriteWhole(fd_, block, size);
    if (error_ == 0) error_ = error;
    free_.push_back(block);
  }

  // Waits until every block handed is written. 0, or the errno value of
  // the first failure.
  int Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return queue_.empty() && !writing_; });
    return error_;
  }

  // The first failure so far, or 0.
  int Failure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_;
  }

  // Ends the thread once the blocks handed are written and a flush it is
  // in is done. 0, or the errno value of the first failure.
  int Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
      wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    fd_ = -1;
    return error_;
  }

 private:
  struct Handed {
    char* block;
    std::size_t size;
  };
  struct BlockFree {
    void operator()(char* block) const { ::operator delete (block, std::align_val_t{kAlign}); }
  };

  // With the lock held: whether the thread runs, started now if need be.
  bool Started() {
    if (thread_.joinable()) return true;
    if (noThread_ || stopping_ || fd_ < 0) return false;
    try {
      thread_ = StartWorkerThread([this] { Run(); });
    } catch (const std::system_error&) {
      noThread_ = true;
    }
    return thread_.joinable();
  }

  // Only a regular file that the rename frees: not one behind a symbolic
  // link, nor one with other names, which stays in use.
  static void DropCachedPages(const std::string& path) {
    if (path.empty()) return;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1) {
      ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    }
    ::close(fd);
  }

  void Run() {
    DropCachedPages(replaced_);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return !queue_.empty() || flushPending_ || stopping_; });
      if (!queue_.empty()) {
        const Handed handed = queue_.front();
        queue_.pop_front();
        writing_ = true;
        const bool skip = error_ != 0;  // the file is lost already
        lock.unlock();
        const int error = skip ? 0 : WriteWhole(fd_, handed.block, handed.size);
        lock.lock();
        writing_ = false;
        if (error_ == 0) error_ = error;
        free_.push_back(handed.block);
        changed_.notify_all();
      } else if (flushPending_) {
        flushPending_ = false;
        if (error_ != 0 || !flushable_) continue;
        lock.unlock();
        const int error = ::fdatasync(fd_) == 0 ? 0 : errno;
        lock.lock();
        // Devices and FIFOs cannot be flushed, nor need to be.
        if (error == EINVAL || error == EROFS) {
          flushable_ = false;
        } else if (error_ == 0) {
          error_ = error;
        }
      } else {
        return;  // stopping, and nothing left to do
      }
    }
  }

  int fd_ = -1;
  std::string replaced_;
  std::size_t written_ = 0;  // through the cache (Written)
  std::size_t asked_ = 0;    // a flush was asked for up to here
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;     // for the thread
  std::condition_variable changed_;  // for the caller: a block is written
  std::vector<std::unique_ptr<char, BlockFree>> blocks_;
  std::vector<char*> free_;
  std::deque<Handed> queue_;
  bool writing_ = false;       // the thread writes a block taken from queue_
  bool flushPending_ = false;  // a flush is asked for and not yet begun
  bool flushable_ = true;
  bool stopping_ = false;
  bool noThread_ = false;
  int error_ = 0;
};

}  // namespace

// A temporary file is written past the system's cache (O_DIRECT), where
// its file system allows: the bytes are copied once, into the background
// writer's blocks, instead of into the cache, reach the disk as they are
// written, so no flush waits for them, and leave nothing cached for the
// rename to free when this file is replaced in turn. Only whole aligned
// blocks go that way; spilled sections are read into the blocks too.
// Before the file is set aside or committed, the writer leaves that mode
// for good: the whole blocks go out, then the rest through the cache.
struct FileWriter::Impl {
  static constexpr std::size_t kBufferSize = 1 << 20;
  // Bytes from this many on are written as they come, not copied into the
  // buffer first.
  static constexpr std::size_t kDirect = 64 << 10;

  std::string target;
  std::string temporary;  // empty when the target is written in place
  int fd = -1;
  BackgroundWriter writer;  // of `fd`
  std::string buffer;
  bool direct = false;     // the bytes go past the cache, through `block`
  char* block = nullptr;   // the writer's block being filled, or null
  std::size_t filled = 0;  // bytes in `block`
  bool failed = false;     // a failure was reported; nothing more happens
  std::string failure;     // system text of that failure

  ~Impl() { Discard(); }

  // Closes the file and removes the temporary file.
  void Discard() {
    writer.Stop();
    if (fd >= 0) {
      ::close(fd);
      fd = -1;
    }
    if (!temporary.empty()) {
      CleanupSignalsBlocked blocked;
      ::unlink(temporary.c_str());
      ForgetTemporary();
      temporary.clear();
    }
    buffer.clear();
  }

  WriteResult Fail(int error) {
    failed = true;
    failure = SystemText(error);
    Discard();
    return {WriteStatus::WriteFailed, failure};
  }

  // 0 or an errno value. An exceeded file-size limit answers EFBIG (SIGXFSZ
  // is ignored by the process).
  int WriteOut(std::string_view bytes) {
    if (const int error = WriteWhole(fd, bytes.data(), bytes.size())) return error;
    writer.Written(bytes.size());
    return 0;
  }

  // Direct mode: `bytes` join the block being filled; each full block is
  // handed to the writer. 0 or an errno value.
  int Stage(std::string_view bytes) {
    while (!bytes.empty()) {
      const std::size_t n = std::min(bytes.size(), BlockRoom());
      std::memcpy(block + filled, bytes.data(), n);
      filled += n;
      bytes.remove_prefix(n);
      if (const int error = Staged()) return error;
    }
    return 0;
  }

  // Direct mode: the room left in `block`, which is taken from the writer
  // when there is none.
  std::size_t BlockRoom() {
    if (block == nullptr) {
      block = writer.FreeBlock();
      filled = 0;
    }
    return BackgroundWriter::kBlock - filled;
  }

  // Direct mode, after bytes joined `block`: a full block is handed to the
  // writer. 0 or an errno value.
  int Staged() {
    if (filled < BackgroundWriter::kBlock) return 0;
    writer.Hand(std::exchange(block, nullptr), filled);
    return writer.Failure();
  }

  // Ends direct mode: once the blocks handed on are written, the whole
  // aligned part of the last one is written here, and the rest of it
  // through the cache. 0 or an errno value.
  int LeaveDirect() {
    if (!direct) return 0;
    direct = false;
    if (const int error = writer.Drain()) return error;
    const std::string_view last(block, block == nullptr ? 0 : filled);
    block = nullptr;
    const std::size_t whole = last.size() / BackgroundWriter::kAlign * BackgroundWriter::kAlign;
    if (const int error = WriteWhole(fd, last.data(), whole)) return error;
    if (!SetDirect(fd, false)) return errno;
    return WriteOut(last.substr(whole));
  }
};

FileWriter::~FileWriter() { delete impl_; }

WriteResult FileWriter::Open(std::string_view path, Placement placement) {
  delete impl_;
  impl_ = nullptr;
  std::string target;
  if (!ToCPath(path, target)) {
    return {WriteStatus::CreateFailed, SystemText(path.empty() ? ENOENT : EINVAL)};
  }
  target = FollowLinks(std::move(target));
  mode_t mode = 0666 & ~CurrentUmask();
  bool inPlace = false;
  struct stat info;
  if (::stat(target.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return {WriteStatus::CreateFailed, SystemText(EISDIR)};
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
      inPlace = true;  // a device or FIFO: renaming over it would replace the node
    }
  }

  if (inPlace && placement == Placement::TemporaryOnly) {
    return {WriteStatus::CreateFailed, SystemText(EINVAL)};
  }
  auto impl = std::make_unique<Impl>();
  impl->target = target;
  if (!inPlace) {
    const std::size_t slash = target.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string pattern =
        target.substr(0, nameStart) + "." + target.substr(nameStart) + ".tmpXXXXXX";
    CleanupSignalsBlocked blocked;
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
      if (!FolderRefusesNewFiles(errno) || placement == Placement::TemporaryOnly) {
        return {WriteStatus::CreateFailed, SystemText(errno)};
      }
    } else {
      ::fchmod(fd, mode);
      impl->fd = fd;
      impl->temporary = pattern;
      WatchTemporary(pattern);
    }
  }
  if (impl->fd < 0) {
    // Written in place: a folder that refuses new files, or a target that
    // is no regular file. O_NONBLOCK keeps a FIFO without a reader from
    // blocking the open (it fails with ENXIO); writes block again.
    const int fd = RetryOpen(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK, 0666);
    if (fd < 0) return {WriteStatus::CreateFailed, SystemText(errno)};
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    impl->fd = fd;
  }
  impl->writer.Attach(impl->fd, impl->temporary.empty() ? std::string() : target);
  impl->direct = !impl->temporary.empty() && SetDirect(impl->fd, true);
  impl_ = impl.release();
  return {WriteStatus::Ok, {}};
}

WriteResult FileWriter::Write(std::string_view bytes) {
  if (impl_ == nullptr) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  Impl& impl = *impl_;
  if (impl.failed) return {WriteStatus::WriteFailed, impl.failure};
  if (impl.fd < 0) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  if (impl.direct) {
    if (const int error = impl.Stage(bytes)) return impl.Fail(error);
    return {WriteStatus::Ok, {}};
  }
  const bool direct = bytes.size() >= Impl::kDirect;
  if (direct || impl.buffer.size() + bytes.size() > Impl::kBufferSize) {
    if (const int error = impl.WriteOut(impl.buffer)) return impl.Fail(error);
    impl.buffer.clear();
  }
  if (direct) {
    if (const int error = impl.WriteOut(bytes)) return impl.Fail(error);
  } else {
    impl.buffer.append(bytes);
  }
  return {WriteStatus::Ok, {}};
}

struct SpillFile::Impl {
  int fd = -1;
  std::size_t size = 0;
};

SpillFile::~SpillFile() {
  if (impl_ != nullptr && impl_->fd >= 0) ::close(impl_->fd);
  delete impl_;
}

bool SpillFile::Open(std::string_view besidePath) {
  std::string target;
  if (impl_ != nullptr || !ToCPath(besidePath, target)) return false;
  // An unnamed file: it has no name to remove, whatever ends the process.
  const int fd =
      RetryOpen(FolderOf(FollowLinks(std::move(target))).c_str(), O_TMPFILE | O_RDWR, 0600);
  if (fd < 0) return false;
  impl_ = new Impl{fd, 0};
  return true;
}

bool SpillFile::Write(std::string_view bytes, std::string& error) {
  if (impl_ == nullptr) {
    error = SystemText(EBADF);
    return false;
  }
  if (const int failure = WriteWhole(impl_->fd, bytes.data(), bytes.size())) {
    error = SystemText(failure);
    return false;
  }
  impl_->size += bytes.size();
  return true;
}

std::size_t SpillFile::Size() const { return impl_ == nullptr ? 0 : impl_->size; }

WriteResult FileWriter::WriteSpilled(SpillFile& spill) {
  if (impl_ == nullptr || spill.impl_ == nullptr)
    return {WriteStatus::WriteFailed, SystemText(EBADF)};
  Impl& impl = *impl_;
  if (impl.failed) return {WriteStatus::WriteFailed, impl.failure};
  if (impl.fd < 0) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  if (const int error = impl.WriteOut(impl.buffer)) return impl.Fail(error);
  impl.buffer.clear();
  // A piece at a time, and each piece copied is freed in the spill file:
  // the bytes need the disk space of one copy and a piece. In direct mode
  // each piece is read into the writer's block; otherwise the system
  // copies it from file to file (or, where it cannot, through a buffer).
  const int from = spill.impl_->fd;
  std::string buffer;
  off_t at = 0;
  std::size_t left = std::exchange(spill.impl_->size, 0);
  bool copying = !impl.direct;
  while (left > 0) {
    std::size_t piece = std::min(left, Impl::kBufferSize);
    ssize_t done = -1;
    if (copying) {
      off_t next = at;
      done = ::copy_file_range(from, &next, impl.fd, nullptr, piece, 0);
      if (done < 0 && errno == EINTR) continue;
      if (done < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
        return impl.Fail(errno);
      }
      copying = done > 0;
      if (copying) impl.writer.Written(static_cast<std::size_t>(done));
    }
    if (!copying) {
      // Read into the block being filled, or into the buffer.
      char* into = nullptr;
      if (impl.direct) {
        piece = std::min(piece, impl.BlockRoom());
        into = impl.block + impl.filled;
      } else {
        buffer.resize(piece);
        into = buffer.data();
      }
      done = ::pread(from, into, piece, at);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) return impl.Fail(done < 0 ? errno : EIO);
      const auto got = static_cast<std::size_t>(done);
      if (impl.direct) impl.filled += got;
      if (const int error =
              impl.direct ? impl.Staged() : impl.WriteOut(std::string_view(into, got))) {
        return impl.Fail(error);
      }
    }
    ::fallocate(from, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, at, done);
    at += done;
    left -= static_cast<std::size_t>(done);
  }
  // Emptied: what is written next starts it afresh.
  if (::ftruncate(from, 0) != 0 || ::lseek(from, 0, SEEK_SET) != 0) return impl.Fail(errno);
  return {WriteStatus::Ok, {}};
}

WriteResult FileWriter::SetAside(SpillFile& into) {
  if (impl_ == nullptr || into.impl_ != nullptr)
    return {WriteStatus::WriteFailed, SystemText(EBADF)};
  Impl& impl = *impl_;
  if (impl.failed) return {WriteStatus::WriteFailed, impl.failure};
  if (impl.fd < 0) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  if (impl.temporary.empty()) return {WriteStatus::WriteFailed, SystemText(EINVAL)};
  if (const int error = impl.LeaveDirect()) return impl.Fail(error);
  if (const int error = impl.WriteOut(impl.buffer)) return impl.Fail(error);
  impl.buffer.clear();
  // Nothing of it needs to reach the disk any more.
  impl.writer.Stop();
  const off_t size = ::lseek(impl.fd, 0, SEEK_END);
  if (size < 0) return impl.Fail(errno);
  {
    CleanupSignalsBlocked blocked;
    ::unlink(impl.temporary.c_str());
    ForgetTemporary();
    impl.temporary.clear();
  }
  into.impl_ = new SpillFile::Impl{std::exchange(impl.fd, -1), static_cast<std::size_t>(size)};
  delete impl_;
  impl_ = nullptr;
  return {WriteStatus::Ok, {}};
}

// The bytes reach the disk before the new file takes the old one's name,
// and the folder's new entry after it, so a power cut leaves either the old
// file or the whole new one.
WriteResult FileWriter::Commit() {
  if (impl_ == nullptr) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  Impl& impl = *impl_;
  if (impl.failed) return {WriteStatus::WriteFailed, impl.failure};
  if (impl.fd < 0) return {WriteStatus::WriteFailed, SystemText(EBADF)};
  if (const int error = impl.LeaveDirect()) return impl.Fail(error);
  if (const int error = impl.WriteOut(impl.buffer)) return impl.Fail(error);
  impl.buffer.clear();
  if (const int error = impl.writer.Stop()) return impl.Fail(error);
  // Devices and FIFOs cannot be flushed (EINVAL); they need not be.
  if (::fsync(impl.fd) != 0 && errno != EINVAL && errno != EROFS) return impl.Fail(errno);
  const int fd = std::exchange(impl.fd, -1);
  if (::close(fd) != 0 && errno != EINTR) return impl.Fail(errno);
  if (!impl.temporary.empty()) {
    CleanupSignalsBlocked blocked;
    if (::rename(impl.temporary.c_str(), impl.target.c_str()) != 0) return impl.Fail(errno);
    ForgetTemporary();
    impl.temporary.clear();
    const int folder = RetryOpen(FolderOf(impl.target).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
      ::fsync(folder);
      ::close(folder);
    }
  }
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
