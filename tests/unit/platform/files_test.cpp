// Files of both builds: existence, full paths, reading, and the atomic
// replacement FileWriter does; then what only one of the systems has.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/process.h"
#include "support/test_util.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace tovrix::platform {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// Writes `parts` through a FileWriter and commits.
WriteResult WriteFile(const std::string& path, const Strings& parts) {
  FileWriter writer;
  WriteResult result = writer.Open(path);
  for (std::size_t i = 0; i < parts.size() && result.status == WriteStatus::Ok; ++i) {
    result = writer.Write(parts[i]);
  }
  return result.status == WriteStatus::Ok ? writer.Commit() : result;
}

class Files : public ::testing::Test {
 protected:
  testing::ScratchDir dir_;
};

TEST_F(Files, ExistenceAndFullPaths) {
  const std::string file = dir_.Write("a.reg", "x");
  fs::create_directory(dir_.Path("sub"));
  EXPECT_TRUE(IsExistingFile(file));
  for (const std::string& path :
       {dir_.Path("sub"), dir_.Path("missing.reg"), std::string(), file + '\0'}) {
    EXPECT_FALSE(IsExistingFile(path)) << path;
  }
  const std::string relative = std::string("tovrix-no-such-dir") + PathSeparators()[0] + "x.reg";
  EXPECT_EQ(FullPath(relative), (fs::current_path() / relative).string());
  EXPECT_EQ(FullPath(""), "");
#ifdef _WIN32
  EXPECT_EQ(FullPath(file), file);
#else
  fs::create_symlink(file, dir_.Path("link.reg"));
  EXPECT_TRUE(IsExistingFile(dir_.Path("link.reg")));
  const std::string real = fs::canonical(dir_.dir()).string();
  EXPECT_EQ(FullPath(file), real + "/a.reg");
  EXPECT_EQ(FullPath(dir_.Path("sub/../missing.txt")), real + "/missing.txt");
  EXPECT_EQ(FullPath(dir_.Path("sub/..")), real);
  EXPECT_EQ(FullPath("/nonexistent-tovrix/x/y.inf"), "/nonexistent-tovrix/x/y.inf");
  EXPECT_EQ(FullPath("x.reg"), fs::canonical(fs::current_path()).string() + "/x.reg");
#endif
}

TEST_F(Files, ReadsWholeFilesAndHeads) {
  const std::string bytes("a\r\nb\0c\x1A\xFF", 8);
  const std::string file = dir_.Write("in.reg", bytes);
  for (Share share : {Share::Read, Share::ReadWrite, Share::None}) {
    const ReadResult whole = ReadWholeFile(file, share);
    EXPECT_EQ(whole.status, ReadStatus::Ok);
    EXPECT_EQ(whole.data, bytes);  // no text-mode translation, NUL kept
  }
  EXPECT_EQ(ReadFileHead(file, 4).data, "a\r\nb");
  EXPECT_EQ(ReadFileHead(file, 100).data, bytes);
  EXPECT_EQ(ReadFileHead(file, 0).data, "");

  std::string big(3 * 1024 * 1024 + 17, '\0');  // more than one read
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  EXPECT_TRUE(ReadWholeFile(dir_.Write("big.bin", big), Share::None).data == big);
  const ReadResult empty = ReadWholeFile(dir_.Write("empty.reg", ""), Share::Read);
  EXPECT_EQ(empty.status, ReadStatus::Ok);
  EXPECT_EQ(empty.data, "");

  // What is no readable file: missing, a folder, no name, a name with a NUL.
  for (const std::string& path :
       {dir_.Path("missing.reg"), dir_.dir().string(), std::string(), file + '\0'}) {
    const ReadResult whole = ReadWholeFile(path, Share::Read);
    EXPECT_EQ(whole.status, ReadStatus::OpenFailed) << path;
    EXPECT_FALSE(whole.error.empty()) << path;
    EXPECT_NE(whole.error.back(), '\n') << path;
    const ReadResult head = ReadFileHead(path, 10);
    EXPECT_EQ(head.status, ReadStatus::OpenFailed) << path;
    EXPECT_EQ(head.data, "") << path;
  }
}

TEST_F(Files, WriterReplacesAtomically) {
  const std::string target = dir_.Path("out.inf");
  // Large enough for the Linux build to flush it to the disk while it is
  // written, more than once.
  const std::string big(40 * 1024 * 1024 + 3, 'z');
  ASSERT_EQ(
      WriteFile(target, {"[Software.AddReg]\r\n", "", std::string("a\nb\0\r\n", 6), big}).status,
      WriteStatus::Ok);
  EXPECT_TRUE(dir_.Read("out.inf") == "[Software.AddReg]\r\n" + std::string("a\nb\0\r\n", 6) + big);
  EXPECT_EQ(dir_.Entries(), Strings{"out.inf"});

  {
    FileWriter out;
    ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
    ASSERT_EQ(out.Write("new").status, WriteStatus::Ok);
    EXPECT_EQ(dir_.Entries().size(), 2u);               // the temporary file beside it
    EXPECT_EQ(fs::file_size(target), 25 + big.size());  // the old file stays until the commit
    ASSERT_EQ(out.Commit().status, WriteStatus::Ok);
    // Once committed, the writer takes nothing more.
    EXPECT_EQ(out.Write("x").status, WriteStatus::WriteFailed);
    EXPECT_EQ(out.Commit().status, WriteStatus::WriteFailed);
  }
  EXPECT_EQ(dir_.Read("out.inf"), "new");
  {
    // An abandoned writer leaves the old file and no temporary file, also
    // while it flushes what it wrote.
    FileWriter out;
    ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
    ASSERT_EQ(out.Write("lost").status, WriteStatus::Ok);
    ASSERT_EQ(out.Write(big).status, WriteStatus::Ok);
  }
  EXPECT_EQ(dir_.Read("out.inf"), "new");
  EXPECT_EQ(dir_.Entries(), Strings{"out.inf"});
  // An empty document is an empty file.
  ASSERT_EQ(WriteFile(target, {}).status, WriteStatus::Ok);
  EXPECT_EQ(dir_.Read("out.inf"), "");

  FileWriter unopened;
  EXPECT_EQ(unopened.Write("x").status, WriteStatus::WriteFailed);
  EXPECT_EQ(unopened.Commit().status, WriteStatus::WriteFailed);
}

// Bytes set aside come back where the writer takes them, between what was
// written before and after, once, and leave no file behind. The Windows
// build sets nothing aside.
TEST_F(Files, SpilledBytesComeBackInTheirPlace) {
  const std::string target = dir_.Path("out.inf");
  SpillFile spill;
  std::string error;
#ifdef _WIN32
  EXPECT_FALSE(spill.Open(target));
  EXPECT_FALSE(spill.Write("x", error));
#else
  ASSERT_TRUE(spill.Open(target));
  const std::string big(3 * 1024 * 1024 + 5, 's');
  for (const std::string& piece : {std::string("a\r\n"), big, std::string(1, '\0')}) {
    ASSERT_TRUE(spill.Write(piece, error)) << error;
  }
  EXPECT_EQ(spill.Size(), 4 + big.size());
  EXPECT_EQ(dir_.Entries(), Strings{});  // a file nobody sees
  FileWriter out;
  ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
  ASSERT_EQ(out.Write("head").status, WriteStatus::Ok);
  ASSERT_EQ(out.WriteSpilled(spill).status, WriteStatus::Ok);
  ASSERT_EQ(out.Write("tail").status, WriteStatus::Ok);
  ASSERT_EQ(out.Commit().status, WriteStatus::Ok);
  EXPECT_TRUE(dir_.Read("out.inf") ==
              "head"
              "a\r\n" +
                  big + std::string(1, '\0') + "tail");
  // Taken out, the bytes are no longer held.
  EXPECT_EQ(spill.Size(), 0u);
  ASSERT_TRUE(spill.Write("more", error));
  FileWriter again;
  ASSERT_EQ(again.Open(target).status, WriteStatus::Ok);
  ASSERT_EQ(again.WriteSpilled(spill).status, WriteStatus::Ok);
  ASSERT_EQ(again.Commit().status, WriteStatus::Ok);
  EXPECT_EQ(dir_.Read("out.inf"), "more");
  EXPECT_EQ(dir_.Entries(), Strings{"out.inf"});
#endif
}

TEST_F(Files, WriterRefusesWhatItMayNotReplace) {
  fs::create_directory(dir_.Path("folder.inf"));
  dir_.Write("locked.inf", "keep");
  fs::permissions(dir_.Path("locked.inf"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);  // read-only, for root as well
  for (const std::string& path : {dir_.Path("folder.inf"), dir_.Path("locked.inf"),
                                  dir_.Path("no-such-folder/x.inf"), std::string()}) {
    const WriteResult result = WriteFile(path, {"x"});
    EXPECT_EQ(result.status, WriteStatus::CreateFailed) << path;
    EXPECT_FALSE(result.error.empty()) << path;
  }
  EXPECT_EQ(dir_.Read("locked.inf"), "keep");
  EXPECT_EQ(dir_.Entries(), (Strings{"folder.inf", "locked.inf"}));
#ifndef _WIN32
  EXPECT_EQ(WriteFile(dir_.Path("folder.inf"), {"x"}).error, std::strerror(EISDIR));
  EXPECT_EQ(WriteFile(dir_.Path("locked.inf"), {"x"}).error, std::strerror(EACCES));
  EXPECT_EQ(WriteFile(dir_.Path("no-such-folder/x.inf"), {"x"}).error, std::strerror(ENOENT));
#endif
}

#ifdef _WIN32

TEST_F(Files, SharingModesAgainstAnOpenWriter) {
  const std::string busy = dir_.Write("busy.reg", "data");
  // The C runtime opens files shared for reading and writing, with write
  // access: readers that refuse to share writing cannot open the file.
  std::ofstream writer(busy, std::ios::binary | std::ios::app);
  ASSERT_TRUE(writer.is_open());
  EXPECT_EQ(ReadWholeFile(busy, Share::Read).status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadWholeFile(busy, Share::None).status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadWholeFile(busy, Share::ReadWrite).data, "data");
  EXPECT_EQ(ReadFileHead(busy, 10).data, "data");
  // Nor can the output replace it.
  EXPECT_EQ(WriteFile(busy, {"x"}).status, WriteStatus::CreateFailed);
  writer.close();
  EXPECT_EQ(dir_.Read("busy.reg"), "data");
  EXPECT_EQ(dir_.Entries(), Strings{"busy.reg"});
}

TEST_F(Files, WriterWritesInPlaceWhereNoTemporaryNameFits) {
  // A target whose full path just fits the ANSI calls' limit leaves no room
  // for a longer temporary name beside it.
  const std::string folder = dir_.Path("");
  ASSERT_LT(folder.size(), 200u);
  const std::string name = std::string(255 - folder.size(), 'n') + ".inf";
  ASSERT_EQ((folder + name).size(), 259u);
  dir_.Write(name, "old");
  ASSERT_EQ(WriteFile(folder + name, {"new\r\n"}).status, WriteStatus::Ok);
  EXPECT_EQ(dir_.Read(name), "new\r\n");
  EXPECT_EQ(dir_.Entries(), Strings{name});
}

#else  // !_WIN32

TEST_F(Files, ReadingTellsTheSystemsReason) {
  EXPECT_EQ(ReadWholeFile(dir_.Path("missing.reg"), Share::Read).error, std::strerror(ENOENT));
  EXPECT_EQ(ReadWholeFile(dir_.dir().string(), Share::Read).error, std::strerror(EISDIR));
  // A FIFO without a writer would block a plain open.
  ASSERT_EQ(::mkfifo(dir_.Path("fifo").c_str(), 0600), 0);
  EXPECT_EQ(ReadWholeFile(dir_.Path("fifo"), Share::Read).status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadFileHead(dir_.Path("fifo"), 16).status, ReadStatus::OpenFailed);
  // A huge count reads what is there, without reserving the count.
  EXPECT_EQ(ReadFileHead(dir_.Write("a.reg", "abc"), static_cast<std::size_t>(-1)).data, "abc");
}

TEST_F(Files, WriterKeepsModesAndLinks) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  auto mode = [](const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  };
  const std::string target = dir_.Path("out.inf");
  ASSERT_EQ(WriteFile(target, {"first"}).status, WriteStatus::Ok);
  EXPECT_EQ(mode(target), 0666 & ~mask);
  // Replacing keeps the old file's permission bits.
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_EQ(WriteFile(target, {"new"}).status, WriteStatus::Ok);
  EXPECT_EQ(mode(target), 0640u);
  // A symbolic link stays a link; the file it names is replaced.
  fs::create_symlink(target, dir_.Path("link.inf"));
  ASSERT_EQ(WriteFile(dir_.Path("link.inf"), {"via link"}).status, WriteStatus::Ok);
  EXPECT_TRUE(fs::is_symlink(dir_.Path("link.inf")));
  EXPECT_EQ(dir_.Read("out.inf"), "via link");
}

// (A write failure keeping the old file, and a folder that refuses new
// files, are the fault-injection cases file-size and temp-EACCES.)
TEST_F(Files, WriterWritesInPlaceWhereNoTemporaryFileFits) {
  // A name too long to carry the temporary file's prefix and suffix.
  const std::string longName(250, 'n');
  dir_.Write(longName, "old");
  ASSERT_EQ(WriteFile(dir_.Path(longName), {"new ", "bytes"}).status, WriteStatus::Ok);
  EXPECT_EQ(dir_.Read(longName), "new bytes");
  EXPECT_EQ(dir_.Entries(), Strings{longName});

  // A FIFO is written to, not replaced by a regular file.
  ASSERT_EQ(::mkfifo(dir_.Path("pipe").c_str(), 0600), 0);
  const int reader = ::open(dir_.Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(WriteFile(dir_.Path("pipe"), {"through"}).status, WriteStatus::Ok);
  char buffer[16] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 7);
  ::close(reader);
  EXPECT_EQ(std::string(buffer), "through");
  EXPECT_TRUE(fs::is_fifo(dir_.Path("pipe")));
}

#endif  // _WIN32

}  // namespace
}  // namespace tovrix::platform
