// Files on the Win32 API: CreateFileA with the sharing modes the program
// promises, whole-file reads, and the atomic replace of the output file.
#include "platform/files.h"

#include <windows.h>

#include <charconv>
#include <optional>
#include <string>

#include "platform/win32/system_error.h"

namespace tovrix::platform {

namespace {

using win32::LastErrorText;
using win32::SystemErrorText;
using win32::ZeroTerminated;

// Bytes per ReadFile/WriteFile call: the calls count in a DWORD.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;

DWORD ShareMode(Share share) {
  switch (share) {
    case Share::Read:
      return FILE_SHARE_READ;
    case Share::ReadWrite:
      return FILE_SHARE_READ | FILE_SHARE_WRITE;
    case Share::None:
      return 0;
  }
  return 0;
}

// Owns a handle and closes it on the way out.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  HANDLE Release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  bool Close() {
    if (!Valid()) return true;
    const bool ok = CloseHandle(handle_) != FALSE;
    handle_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE handle_;
};

HANDLE OpenForReading(std::string_view path, DWORD share) {
  const std::optional<std::string> name = ZeroTerminated(path);
  if (!name) {
    SetLastError(ERROR_INVALID_NAME);
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileA(name->c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Reads up to `count` bytes into `out` from the current position; stops
// early at the end of the file. False when a ReadFile call fails.
bool ReadUpTo(HANDLE handle, std::size_t count, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + count);
  std::size_t done = 0;
  bool ok = true;
  while (done < count) {
    const std::size_t left = count - done;
    const DWORD piece = static_cast<DWORD>(left < kMaxPiece ? left : kMaxPiece);
    DWORD got = 0;
    if (!ReadFile(handle, out.data() + start + done, piece, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;  // end of file
    done += got;
  }
  out.resize(start + done);
  return ok;
}

bool WriteAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(bytes.size() < kMaxPiece ? bytes.size() : kMaxPiece);
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), piece, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool IsDirectory(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

bool IsExistingFile(std::string_view path) {
  const std::optional<std::string> name = ZeroTerminated(path);
  if (!name || name->empty()) return false;
  const DWORD attributes = GetFileAttributesA(name->c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !IsDirectory(attributes);
}

std::string FullPath(std::string_view path) {
  const std::optional<std::string> name = ZeroTerminated(path);
  if (!name || name->empty()) return std::string(path);
  // The first call answers the size with the terminator; a second call
  // fills the buffer and answers the length without it.
  DWORD size = GetFullPathNameA(name->c_str(), 0, nullptr, nullptr);
  for (int attempt = 0; attempt < 4 && size != 0; ++attempt) {
    std::string full(size, '\0');
    const DWORD length = GetFullPathNameA(name->c_str(), size, full.data(), nullptr);
    if (length == 0) break;
    if (length < size) {
      full.resize(length);
      return full;
    }
    size = length;  // the current directory changed between the calls
  }
  return std::string(path);
}

struct FileReader::Impl {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::size_t size = 0;  // at open; nothing past it is read
  std::size_t have = 0;  // bytes read so far
};

FileReader::~FileReader() {
  if (impl_ != nullptr && impl_->file != INVALID_HANDLE_VALUE) CloseHandle(impl_->file);
  delete impl_;
}

ReadResult FileReader::Open(std::string_view path, Share share) {
  ReadResult result;
  Handle file(OpenForReading(path, ShareMode(share)));
  if (!file.Valid()) {
    result.status = ReadStatus::OpenFailed;
    result.error = LastErrorText();
    return result;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > std::string().max_size()) {
    result.status = ReadStatus::ReadFailed;
    result.error = LastErrorText();
    return result;
  }
  impl_ = new Impl{file.Release(), static_cast<std::size_t>(size.QuadPart), 0};
  result.status = ReadStatus::Ok;
  return result;
}

ReadResult FileReader::Read(char* buffer, std::size_t capacity, std::size_t& got) {
  ReadResult result;
  got = 0;
  const std::size_t left = impl_->size - impl_->have;
  std::size_t want = capacity < left ? capacity : left;
  if (want > kMaxPiece) want = kMaxPiece;
  if (want > 0) {
    DWORD read = 0;
    if (!ReadFile(impl_->file, buffer, static_cast<DWORD>(want), &read, nullptr)) {
      result.status = ReadStatus::ReadFailed;
      result.error = LastErrorText();
      return result;
    }
    if (read == 0) {
      // The file was shorter than its size promised (it shrank meanwhile).
      result.status = ReadStatus::ReadFailed;
      return result;
    }
    got = read;
    impl_->have += got;
  }
  result.status = ReadStatus::Ok;
  return result;
}

std::size_t FileReader::SizeAtOpen() const { return impl_->size; }

ReadResult ReadFileHead(std::string_view path, std::size_t count) {
  ReadResult result;
  Handle file(OpenForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE));
  if (!file.Valid() || !ReadUpTo(file.Get(), count, result.data)) {
    result.status = ReadStatus::OpenFailed;
    result.error = LastErrorText();
    result.data.clear();
    return result;
  }
  result.status = ReadStatus::Ok;
  return result;
}

// The writer's state. `temp` is empty when the target is written in place.
struct FileWriter::Impl {
  std::string target;
  std::string temp;
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool failed = false;

  void CloseHandleQuietly() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
  // Closes the handle and removes the temporary file, keeping the last
  // error of the failure that led here.
  void Discard();
};

namespace {

// The folder part of a full path, with its trailing separator.
std::string FolderOf(const std::string& full) {
  const std::size_t cut = full.find_last_of("\\/:");
  return cut == std::string::npos ? std::string() : full.substr(0, cut + 1);
}

std::string Hex(unsigned long long value) {
  char digits[16];
  const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value, 16);
  return std::string(digits, end.ptr);
}

// The temporary file being written, for the console control handler:
// Ctrl+C, Ctrl+Break and closing the console remove it before the process
// ends. The handler runs on a thread of its own; the file is opened with
// FILE_SHARE_DELETE so that it can be deleted while open.
CRITICAL_SECTION* TemporaryLock() {
  static CRITICAL_SECTION lock = [] {
    CRITICAL_SECTION made;
    InitializeCriticalSection(&made);
    return made;
  }();
  return &lock;
}

std::string& TemporaryName() {
  static std::string name;
  return name;
}

BOOL WINAPI RemoveTemporaryOnControl(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    EnterCriticalSection(TemporaryLock());
    if (!TemporaryName().empty()) DeleteFileA(TemporaryName().c_str());
    LeaveCriticalSection(TemporaryLock());
  }
  return FALSE;  // the default handling ends the process
}

void WatchTemporary(const std::string& name) {
  static const bool installed = SetConsoleCtrlHandler(RemoveTemporaryOnControl, TRUE) != FALSE;
  (void)installed;
  EnterCriticalSection(TemporaryLock());
  TemporaryName() = name;
  LeaveCriticalSection(TemporaryLock());
}

// A temporary file that cannot be made for these reasons only means the
// folder refuses new files (or the name grows too long); any other (a full
// disk, an I/O error) fails the write with the target untouched.
bool FolderRefusesNewFiles(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_FILENAME_EXCED_RANGE ||
         error == ERROR_WRITE_PROTECT;
}

// Makes a new, exclusive temporary file in `folder`. Answers the handle
// and fills `name`; INVALID_HANDLE_VALUE when none can be made (the last
// error tells why).
HANDLE CreateTempBeside(const std::string& folder, std::string& name) {
  static unsigned serial = 0;
  const std::string stem =
      folder + "~tvx" + Hex(GetCurrentProcessId()) + "-" + Hex(GetTickCount64()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = stem + Hex(++serial) + ".tmp";
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      WatchTemporary(name);
      return handle;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  const DWORD error = GetLastError();
  name.clear();
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

WriteResult Failure(WriteStatus status, std::string error) {
  WriteResult result;
  result.status = status;
  result.error = std::move(error);
  return result;
}

WriteResult Success() {
  WriteResult result;
  result.status = WriteStatus::Ok;
  return result;
}

}  // namespace

void FileWriter::Impl::Discard() {
  const DWORD error = GetLastError();
  CloseHandleQuietly();
  if (!temp.empty()) {
    DeleteFileA(temp.c_str());
    WatchTemporary(std::string());
  }
  temp.clear();
  SetLastError(error);
}

FileWriter::~FileWriter() {
  if (impl_ != nullptr) impl_->Discard();
  delete impl_;
}

WriteResult FileWriter::Open(std::string_view path, Placement placement) {
  if (impl_ != nullptr) {
    impl_->Discard();
    delete impl_;
    impl_ = nullptr;
  }
  const std::optional<std::string> name = ZeroTerminated(path);
  if (!name || name->empty()) {
    return Failure(WriteStatus::CreateFailed,
                   SystemErrorText(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME));
  }

  // An existing target must be one we may replace: not a folder, not
  // read-only, not held open by another process. Opening it for writing
  // (without changing it) asks the system exactly that.
  const DWORD attributes = GetFileAttributesA(name->c_str());
  if (IsDirectory(attributes)) {
    return Failure(WriteStatus::CreateFailed, SystemErrorText(ERROR_ACCESS_DENIED));
  }
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    // Windows refuses to open such a file for writing; Wine lets a
    // privileged user through, so the attribute is honoured here as well.
    return Failure(WriteStatus::CreateFailed, SystemErrorText(ERROR_ACCESS_DENIED));
  }
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const HANDLE probe = CreateFileA(name->c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return Failure(WriteStatus::CreateFailed, LastErrorText());
    CloseHandle(probe);
  }

  auto impl = new Impl;
  impl->target = *name;
  impl->handle = CreateTempBeside(FolderOf(FullPath(*name)), impl->temp);
  if (impl->handle == INVALID_HANDLE_VALUE &&
      (!FolderRefusesNewFiles(GetLastError()) || placement == Placement::TemporaryOnly)) {
    WriteResult failure = Failure(WriteStatus::CreateFailed, LastErrorText());
    delete impl;
    return failure;
  }
  if (impl->handle == INVALID_HANDLE_VALUE) {
    // No temporary file can be made in the folder: write the target itself.
    impl->handle = CreateFileA(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (impl->handle == INVALID_HANDLE_VALUE) {
      WriteResult failure = Failure(WriteStatus::CreateFailed, LastErrorText());
      delete impl;
      return failure;
    }
  }
  impl_ = impl;
  return Success();
}

WriteResult FileWriter::Write(std::string_view bytes) {
  if (impl_ == nullptr || impl_->handle == INVALID_HANDLE_VALUE || impl_->failed) {
    return Failure(WriteStatus::WriteFailed, SystemErrorText(ERROR_INVALID_HANDLE));
  }
  if (!WriteAll(impl_->handle, bytes)) {
    impl_->failed = true;
    WriteResult failure = Failure(WriteStatus::WriteFailed, LastErrorText());
    impl_->Discard();
    return failure;
  }
  return Success();
}

WriteResult FileWriter::Commit() {
  if (impl_ == nullptr || impl_->handle == INVALID_HANDLE_VALUE || impl_->failed) {
    return Failure(WriteStatus::WriteFailed, SystemErrorText(ERROR_INVALID_HANDLE));
  }
  // The data reaches the disk before the new file takes the old one's
  // name, so a crash leaves either the old file or the whole new one.
  const bool flushed = impl_->temp.empty() || FlushFileBuffers(impl_->handle) != FALSE;
  const bool closed = CloseHandle(impl_->handle) != FALSE;
  impl_->handle = INVALID_HANDLE_VALUE;
  if (!flushed || !closed) {
    WriteResult failure = Failure(WriteStatus::WriteFailed, LastErrorText());
    impl_->Discard();
    return failure;
  }
  if (!impl_->temp.empty()) {
    if (!MoveFileExA(impl_->temp.c_str(), impl_->target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      WriteResult failure = Failure(WriteStatus::CreateFailed, LastErrorText());
      impl_->Discard();
      return failure;
    }
    WatchTemporary(std::string());
    impl_->temp.clear();
  }
  delete impl_;
  impl_ = nullptr;
  return Success();
}

// This build keeps no bytes aside on the disk: a file that vanishes with
// the process whatever ends it is not to be had without a name that could
// stay behind. Its callers keep the bytes in memory.
struct SpillFile::Impl {};

SpillFile::~SpillFile() { delete impl_; }

bool SpillFile::Open(std::string_view) { return false; }

bool SpillFile::Write(std::string_view, std::string& error) {
  error = SystemErrorText(ERROR_INVALID_HANDLE);
  return false;
}

std::size_t SpillFile::Size() const { return 0; }

WriteResult FileWriter::WriteSpilled(SpillFile&) {
  return Failure(WriteStatus::WriteFailed, SystemErrorText(ERROR_INVALID_HANDLE));
}

WriteResult FileWriter::SetAside(SpillFile&) {
  return Failure(WriteStatus::WriteFailed, SystemErrorText(ERROR_INVALID_HANDLE));
}

}  // namespace tovrix::platform

namespace tovrix::platform {

bool ListDirectory(std::string_view path, std::vector<DirectoryEntry>& entries,
                   std::string& error) {
  entries.clear();
  const std::optional<std::string> name = ZeroTerminated(path);
  if (!name || name->empty()) {
    error = SystemErrorText(name ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_NAME);
    return false;
  }
  const DWORD attributes = GetFileAttributesA(name->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    error = LastErrorText();
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    error = SystemErrorText(ERROR_DIRECTORY);
    return false;
  }
  std::string pattern = *name;
  if (pattern.back() != '\\' && pattern.back() != '/' && pattern.back() != ':') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // an empty folder
    error = LastErrorText();
    return false;
  }
  do {
    const std::string_view entry = found.cFileName;
    if (entry == "." || entry == "..") continue;
    DirectoryEntry item;
    item.name.assign(entry);
    item.isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.isFile = !item.isDirectory && (found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0;
    entries.push_back(std::move(item));
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return true;
}

}  // namespace tovrix::platform
