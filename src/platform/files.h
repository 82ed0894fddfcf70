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
bool ListDirectory(std::string_view path, std::vector<DirectoryEntry>& entries, std::string& error);

enum class ReadStatus { Ok, OpenFailed, ReadFailed };

struct ReadResult {
  ReadStatus status = ReadStatus::OpenFailed;
  std::string data;   // whole file, or the head
  std::string error;  // system text when status != Ok
};

// Reads a file front to back, a piece at a time, so that a file of any size
// costs no more memory than the caller's buffer. Opening requires an
// existing regular file. A file that ends before the size it had when it
// was opened shrank while it was read (another program rewrites it): that
// is a read failure, not a shorter file. (The Linux build reads on past
// that size when the file grew; the Windows build stops there.)
class FileReader {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader();

  // Status Ok, OpenFailed, or ReadFailed when the file's size cannot be
  // learnt; `data` stays empty.
  ReadResult Open(std::string_view path, Share share);
  // Reads at most `capacity` bytes into `buffer` and sets `got`; 0 at the
  // end of the file. Status Ok or ReadFailed.
  ReadResult Read(char* buffer, std::size_t capacity, std::size_t& got);
  // The file's size when it was opened.
  std::size_t SizeAtOpen() const;

 private:
  struct Impl;
  Impl* impl_ = nullptr;
};

// Reads the whole file (a FileReader's pieces, one after the other).
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
//
// Placement::TemporaryOnly asks for the temporary file alone: where the
// target would have to be written in place (such a folder, or a target
// that is no regular file) Open answers CreateFailed and touches nothing,
// so a caller may open early and still fall back to opening late.
enum class Placement { AnyWay, TemporaryOnly };

class FileWriter {
 public:
  FileWriter() = default;
  FileWriter(const FileWriter&) = delete;
  FileWriter& operator=(const FileWriter&) = delete;
  ~FileWriter();  // an unfinished writer discards its temporary file

  WriteResult Open(std::string_view path, Placement placement = Placement::AnyWay);
  WriteResult Write(std::string_view bytes);
  // Writes the bytes `spill` holds after those written so far, and empties
  // it: each piece copied leaves the spill file's disk space at once, so
  // that the bytes never take the space of two copies.
  WriteResult WriteSpilled(class SpillFile& spill);
  // Gives up the file being written without putting it in place: the bytes
  // written so far become the contents of `into` (a SpillFile not opened)
  // and the temporary file loses its name, as a spill file has none. The
  // writer is then closed; Open starts a new file. WriteFailed where the
  // system keeps no bytes aside (SpillFile::Open fails there) or the
  // target is written in place.
  WriteResult SetAside(class SpillFile& into);
  // Flushes, closes and renames into place.
  WriteResult Commit();

 private:
  struct Impl;
  Impl* impl_ = nullptr;
};

// Bytes kept aside on the disk until the file they belong in is written
// (FileWriter::WriteSpilled): a file nobody else sees, in the folder of
// `besidePath`, gone with the object or the process, however it ends. Where
// the system makes no such file (Windows, or a file system without them),
// Open answers false and the caller keeps the bytes in memory instead.
class SpillFile {
 public:
  SpillFile() = default;
  SpillFile(const SpillFile&) = delete;
  SpillFile& operator=(const SpillFile&) = delete;
  ~SpillFile();

  bool Open(std::string_view besidePath);
  // False, with the system's text in `error`, when the bytes could not be
  // written; the file then holds an unknown part of them.
  bool Write(std::string_view bytes, std::string& error);
  std::size_t Size() const;

 private:
  friend class FileWriter;
  struct Impl;
  Impl* impl_ = nullptr;
};

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_FILES_H_
