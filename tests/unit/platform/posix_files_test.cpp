// Files of the Linux build: existence, full paths, reading, and the
// atomic replacement done by FileWriter.
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/files.h"

namespace tovrix::platform {
namespace {

namespace fs = std::filesystem;

class PosixFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern =
        (fs::temp_directory_path() / "tovrix-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(dir_, ignored);
  }

  std::string PathOf(const std::string& name) const {
    return (dir_ / name).string();
  }
  void Spill(const std::string& name, const std::string& bytes) const {
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string Slurp(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in),
                       std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  static mode_t ModeOf(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
  }
  static mode_t Umask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
  }

  // Writes `parts` through a FileWriter and commits.
  static WriteResult WriteFile(const std::string& path,
                               const std::vector<std::string>& parts) {
    FileWriter writer;
    WriteResult result = writer.Open(path);
    if (result.status != WriteStatus::Ok) return result;
    for (const std::string& part : parts) {
      result = writer.Write(part);
      if (result.status != WriteStatus::Ok) return result;
    }
    return writer.Commit();
  }

  fs::path dir_;
};

TEST_F(PosixFiles, ExistenceAndFullPaths) {
  Spill("a.reg", "x");
  fs::create_directory(dir_ / "sub");
  fs::create_symlink(dir_ / "a.reg", dir_ / "link.reg");
  EXPECT_TRUE(IsExistingFile(PathOf("a.reg")));
  EXPECT_TRUE(IsExistingFile(PathOf("link.reg")));
  EXPECT_FALSE(IsExistingFile(PathOf("sub")));
  EXPECT_FALSE(IsExistingFile(PathOf("missing.reg")));
  EXPECT_FALSE(IsExistingFile(""));
  EXPECT_FALSE(IsExistingFile(std::string(PathOf("a.reg")) + '\0' + "x"));

  const std::string real = fs::canonical(dir_).string();
  EXPECT_EQ(FullPath(PathOf("a.reg")), real + "/a.reg");
  EXPECT_EQ(FullPath(PathOf("sub/../missing.txt")), real + "/missing.txt");
  EXPECT_EQ(FullPath(PathOf("sub/..")), real);
  EXPECT_EQ(FullPath("/nonexistent-tovrix/x/y.inf"),
            "/nonexistent-tovrix/x/y.inf");
  const std::string cwd = fs::current_path().string();
  EXPECT_EQ(FullPath("tovrix-no-such-dir/x.reg"),
            cwd + "/tovrix-no-such-dir/x.reg");
  EXPECT_EQ(FullPath("x.reg"), fs::canonical(cwd).string() + "/x.reg");
  EXPECT_EQ(FullPath(""), "");
}

TEST_F(PosixFiles, ReadWholeFileReadsEveryByte) {
  const std::string bytes = std::string("a\0b\r\nc\xFF", 7);
  Spill("data.bin", bytes);
  ReadResult result = ReadWholeFile(PathOf("data.bin"), Share::Read);
  EXPECT_EQ(result.status, ReadStatus::Ok);
  EXPECT_EQ(result.data, bytes);

  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i * 7);
  Spill("big.bin", big);
  result = ReadWholeFile(PathOf("big.bin"), Share::None);
  EXPECT_EQ(result.status, ReadStatus::Ok);
  EXPECT_TRUE(result.data == big);

  Spill("empty.bin", "");
  result = ReadWholeFile(PathOf("empty.bin"), Share::ReadWrite);
  EXPECT_EQ(result.status, ReadStatus::Ok);
  EXPECT_EQ(result.data, "");
}

TEST_F(PosixFiles, ReadingRefusesWhatIsNotARegularFile) {
  ReadResult result = ReadWholeFile(PathOf("missing.reg"), Share::Read);
  EXPECT_EQ(result.status, ReadStatus::OpenFailed);
  EXPECT_EQ(result.error, std::strerror(ENOENT));

  fs::create_directory(dir_ / "sub");
  result = ReadWholeFile(PathOf("sub"), Share::Read);
  EXPECT_EQ(result.status, ReadStatus::OpenFailed);
  EXPECT_EQ(result.error, std::strerror(EISDIR));

  // A FIFO without a writer would block a plain open.
  ASSERT_EQ(::mkfifo(PathOf("fifo").c_str(), 0600), 0);
  result = ReadWholeFile(PathOf("fifo"), Share::Read);
  EXPECT_EQ(result.status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadFileHead(PathOf("fifo"), 16).status, ReadStatus::OpenFailed);

  result = ReadWholeFile("", Share::Read);
  EXPECT_EQ(result.status, ReadStatus::OpenFailed);
  EXPECT_FALSE(result.error.empty());
}

TEST_F(PosixFiles, ReadFileHeadStopsAtItsCount) {
  Spill("u16.reg", std::string("\xFF\xFE"
                               "W\0i\0n\0",
                               8));
  ReadResult head = ReadFileHead(PathOf("u16.reg"), 4);
  EXPECT_EQ(head.status, ReadStatus::Ok);
  EXPECT_EQ(head.data, std::string("\xFF\xFE"
                                   "W\0",
                                   4));  // NULs kept
  EXPECT_EQ(ReadFileHead(PathOf("u16.reg"), 2048).data.size(), 8u);
  EXPECT_EQ(ReadFileHead(PathOf("u16.reg"), 0).data, "");
  // A huge count reads what is there, without reserving the count.
  head = ReadFileHead(PathOf("u16.reg"), static_cast<std::size_t>(-1));
  EXPECT_EQ(head.status, ReadStatus::Ok);
  EXPECT_EQ(head.data.size(), 8u);

  head = ReadFileHead(PathOf("missing.reg"), 2048);
  EXPECT_EQ(head.status, ReadStatus::OpenFailed);
  EXPECT_EQ(head.data, "");
  fs::create_directory(dir_ / "sub");
  EXPECT_EQ(ReadFileHead(PathOf("sub"), 2048).status, ReadStatus::OpenFailed);
}

TEST_F(PosixFiles, WriterCreatesAndReplacesAtomically) {
  const std::string big(2 * 1024 * 1024 + 3, 'z');
  ASSERT_EQ(
      WriteFile(PathOf("out.inf"), {"[Software.AddReg]\r\n", "", big}).status,
      WriteStatus::Ok);
  EXPECT_EQ(Slurp("out.inf"), "[Software.AddReg]\r\n" + big);
  EXPECT_EQ(ModeOf(PathOf("out.inf")), 0666 & ~Umask());
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.inf"});

  // Replacing keeps the old file's permission bits and leaves no
  // temporary file behind.
  ASSERT_EQ(::chmod(PathOf("out.inf").c_str(), 0640), 0);
  ASSERT_EQ(WriteFile(PathOf("out.inf"), {"new"}).status, WriteStatus::Ok);
  EXPECT_EQ(Slurp("out.inf"), "new");
  EXPECT_EQ(ModeOf(PathOf("out.inf")), 0640u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.inf"});

  // An empty document is an empty file.
  ASSERT_EQ(WriteFile(PathOf("out.inf"), {}).status, WriteStatus::Ok);
  EXPECT_EQ(Slurp("out.inf"), "");

  // A symbolic link stays a link; the file it names is replaced.
  Spill("target.inf", "old");
  fs::create_symlink(dir_ / "target.inf", dir_ / "link.inf");
  ASSERT_EQ(WriteFile(PathOf("link.inf"), {"via link"}).status,
            WriteStatus::Ok);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.inf"));
  EXPECT_EQ(Slurp("target.inf"), "via link");
}

TEST_F(PosixFiles, UnfinishedWriterLeavesTheTargetAlone) {
  Spill("out.inf", "old");
  {
    FileWriter writer;
    ASSERT_EQ(writer.Open(PathOf("out.inf")).status, WriteStatus::Ok);
    ASSERT_EQ(writer.Write("partial").status, WriteStatus::Ok);
    EXPECT_EQ(Entries().size(), 2u);  // the temporary file beside it
  }
  EXPECT_EQ(Slurp("out.inf"), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.inf"});

  FileWriter unopened;
  EXPECT_EQ(unopened.Write("x").status, WriteStatus::WriteFailed);
  EXPECT_EQ(unopened.Commit().status, WriteStatus::WriteFailed);
}

TEST_F(PosixFiles, WriteFailureKeepsTheOldFile) {
  Spill("out.inf", "old contents");
  // Writing beyond the file-size limit fails with EFBIG.
  struct sigaction ignore = {}, previous = {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  struct rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

  FileWriter writer;
  const WriteResult opened = writer.Open(PathOf("out.inf"));
  const std::string big(2 * 1024 * 1024, 'x');
  const WriteResult written = writer.Write(big);
  const WriteResult committed = writer.Commit();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_EQ(opened.status, WriteStatus::Ok);
  EXPECT_EQ(written.status, WriteStatus::WriteFailed);
  EXPECT_EQ(written.error, std::strerror(EFBIG));
  EXPECT_EQ(committed.status, WriteStatus::WriteFailed);
  EXPECT_EQ(Slurp("out.inf"), "old contents");
  EXPECT_EQ(Entries(), std::vector<std::string>{"out.inf"});
}

TEST_F(PosixFiles, WriterRefusesTargetsItMayNotWrite) {
  fs::create_directory(dir_ / "sub");
  WriteResult result = WriteFile(PathOf("sub"), {"x"});
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_EQ(result.error, std::strerror(EISDIR));

  result = WriteFile(PathOf("no-such-folder/out.inf"), {"x"});
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_EQ(result.error, std::strerror(ENOENT));

  result = WriteFile("", {"x"});
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);

  // A file without any write bit is read-only, for root as well.
  Spill("readonly.inf", "keep");
  ASSERT_EQ(::chmod(PathOf("readonly.inf").c_str(), 0444), 0);
  result = WriteFile(PathOf("readonly.inf"), {"x"});
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_EQ(result.error, std::strerror(EACCES));
  EXPECT_EQ(Slurp("readonly.inf"), "keep");
}

TEST_F(PosixFiles, WriterWritesInPlaceWhereNoTemporaryFileFits) {
  // A name too long to carry the temporary file's prefix and suffix.
  const std::string longName(250, 'n');
  Spill(longName, "old");
  ASSERT_EQ(WriteFile(PathOf(longName), {"new ", "bytes"}).status,
            WriteStatus::Ok);
  EXPECT_EQ(Slurp(longName), "new bytes");
  EXPECT_EQ(Entries(), std::vector<std::string>{longName});

  // A FIFO is written to, not replaced by a regular file.
  ASSERT_EQ(::mkfifo(PathOf("pipe").c_str(), 0600), 0);
  const int reader = ::open(PathOf("pipe").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(WriteFile(PathOf("pipe"), {"through"}).status, WriteStatus::Ok);
  char buffer[16] = {};
  EXPECT_EQ(::read(reader, buffer, sizeof buffer), 7);
  ::close(reader);
  EXPECT_EQ(std::string(buffer), "through");
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));

  if (::geteuid() == 0) {
    GTEST_SKIP() << "root may create files in a read-only folder";
  }
  // A folder one may not write to, holding a file one may.
  fs::create_directory(dir_ / "locked");
  Spill("locked/out.inf", "old");
  ASSERT_EQ(::chmod((dir_ / "locked").c_str(), 0555), 0);
  EXPECT_EQ(WriteFile(PathOf("locked/out.inf"), {"in place"}).status,
            WriteStatus::Ok);
  EXPECT_EQ(Slurp("locked/out.inf"), "in place");
  WriteResult result = WriteFile(PathOf("locked/new.inf"), {"x"});
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_EQ(result.error, std::strerror(EACCES));
}

}  // namespace
}  // namespace tovrix::platform

#endif  // !_WIN32
