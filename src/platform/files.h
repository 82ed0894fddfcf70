// Whole-file input and output with the sharing modes the program promises.
//
// Nothing here throws: every operation answers with a status, and the text
// layer turns failures into the program's error classes. `error` carries the
// system's text for the last operating-system error.
//
// Sharing (Windows; the Linux build has no equivalent and ignores it):
//  - ShareRead:      others may read, not write            (LoadFile)
//  - ShareReadWrite: others may read and write             (file head)
//  - ShareNone:      exclusive                             (UTF-16 load, save)
#ifndef TOVRIX_PLATFORM_FILES_H_
#define TOVRIX_PLATFORM_FILES_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tovrix::platform {

enum class Share { Read, ReadWrite, None };

bool IsExistingFile(std::string_view path);

// Full path of `path` for messages (relative paths resolved against the
// current directory; the text as given when that fails).
std::string FullPath(std::string_view path);

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;  // links are followed
  bool isFile = false;       // a regular file
};

// The entries of the folder `path`, "." and ".." left out, in no
// particular order. False, with the system's text in `error`, when the
// folder cannot be read (it is missing, or no folder).
bool ListDirectory(std::string_view path, std::vector<DirectoryEntry>& entries,
                   std::string& error);

enum class ReadStatus { Ok, OpenFailed, ReadFailed };

struct ReadResult {
  ReadStatus status = ReadStatus::OpenFailed;
  std::string data;   // whole file, or the head
  std::string error;  // system text when status != Ok
};

// Reads the whole file. Opening requires an existing regular file.
ReadResult ReadWholeFile(std::string_view path, Share share);

// Reads at most `count` bytes from offset 0 (fewer when the file is
// shorter), shared for reading and writing. Failure gives status OpenFailed
// and empty data.
ReadResult ReadFileHead(std::string_view path, std::size_t count);

enum class WriteStatus { Ok, CreateFailed, WriteFailed };

struct WriteResult {
  WriteStatus status = WriteStatus::CreateFailed;
  std::string error;
};

// Streams the parts of a file into place. The file is written atomically:
// the bytes go to a temporary file beside the target, which is flushed to
// the disk and then renamed over it; on any failure the old target stays as
// it was and the temporary file is removed, also when Ctrl+C or a signal
// (SIGINT, SIGTERM, SIGHUP) ends the process meanwhile. An existing target
// that cannot be opened for writing (a read-only file, a directory) is
// refused with CreateFailed. Only where the folder refuses new files (one
// may not write to it, or the temporary name is too long) while the target
// is writable is the target written in place; a temporary file that cannot
// be made for any other reason (no space, no inodes, quota, an I/O error)
// is a CreateFailed with the old target intact.
class FileWriter {
 public:
  FileWriter() = default;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;
  ~FileWriter();  // an unfinished writer discards its temporary file

  WriteResult Open(std::string_view path);
  WriteResult Write(std::string_view bytes);
  // Flushes, closes and renames into place.
  WriteResult Commit();

 private:
  struct Impl;
  Impl* impl_ = nullptr;
};

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_FILES_H_
