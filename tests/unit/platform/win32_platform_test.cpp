// The Win32 platform layer against the system's own behaviour. Runs in the
// cross-built platform_tests.exe under Wine (ANSI code page 1252); the
// expected bytes are those Windows and Wine give for that code page.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/win32/wide_chunks.h"

namespace tovrix::platform {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spill(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder per test, removed afterwards.
class Win32Files : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / ("tvx-win32-" + std::string(info->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(dir_, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(dir_, ignored);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST(Win32CodePage, WideToAnsiFollowsTheSystemConversion) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "expectations are for code page 1252";
  EXPECT_EQ(WideToAnsi(u"abc"), "abc");
  EXPECT_EQ(WideToAnsi(u"\u00E9"), "\xE9");
  EXPECT_EQ(WideToAnsi(u"\u0100"), "A");  // best fit
  EXPECT_EQ(WideToAnsi(u"\u2019"), "\x92");
  EXPECT_EQ(WideToAnsi(u"\u20AC"), "\x80");
  EXPECT_EQ(WideToAnsi(u"\u0081"), "\x81");
  EXPECT_EQ(WideToAnsi(u"\u3042"), "?");
  EXPECT_EQ(WideToAnsi(u"\U0001F600"), "??");  // a surrogate pair: one '?' per unit
  EXPECT_EQ(WideToAnsi(std::u16string_view(u"\xD800x", 2)), "?x");  // lone surrogate
  // NUL units are counted, not terminators.
  EXPECT_EQ(WideToAnsi(std::u16string_view(u"a\0b\0", 4)), std::string("a\0b\0", 4));
  EXPECT_EQ(WideToAnsi(u""), "");
  // Appending keeps what was there.
  std::string out = "x";
  AppendWideAsAnsi(u"yz", 2, out);
  EXPECT_EQ(out, "xyz");
}

TEST(Win32CodePage, PiecewiseConversionEqualsOneCall) {
  const std::u16string text = u"ab\U0001F600c\u00E9\U0001F601\u3042\U0001F602";
  const std::string whole = WideToAnsi(text);
  for (std::size_t piece = 2; piece <= text.size() + 1; ++piece) {
    std::string out;
    win32::AppendWideAsAnsiInChunks(text.data(), text.size(), piece, out);
    EXPECT_EQ(out, whole) << "piece size " << piece;
  }
}

TEST(Win32CodePage, UpperBufferUsesTheCodePage) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "expectations are for code page 1252";
  EXPECT_EQ(UpperBuffer("abc xyz 09"), "ABC XYZ 09");
  EXPECT_EQ(UpperBuffer("\xE9\xE0\xF6"), "\xC9\xC0\xD6");
  EXPECT_EQ(UpperBuffer("\xFF"), "\x9F");  // y diaeresis
  EXPECT_EQ(UpperBuffer("\xB5\xDF"), "\xB5\xDF");  // no upper case in the code page
  EXPECT_EQ(UpperBuffer(std::string("a\0b", 3)), std::string("A\0B", 3));
  EXPECT_EQ(UpperBuffer(""), "");
  for (int byte = 0; byte < 256; ++byte) {
    EXPECT_FALSE(IsLeadByte(static_cast<unsigned char>(byte))) << byte;
  }
}

TEST(Win32CodePage, CompareLocaleOrdersAsTheSystem) {
  // Word sort: punctuation first, digits before letters, hyphen and
  // apostrophe nearly ignored, accented letters next to their base.
  const std::vector<std::string> ordered = {"[x", "_x", "~",   "1",  "A",  "a b",
                                            "a_b", "aa", "ab", "a-b", "ac", "a'c",
                                            "e",  "\xE9", "f", "Z"};
  for (std::size_t i = 0; i < ordered.size(); ++i) {
    for (std::size_t j = i + 1; j < ordered.size(); ++j) {
      EXPECT_EQ(CompareLocale(ordered[i], ordered[j], true), -1)
          << ordered[i] << " < " << ordered[j];
      EXPECT_EQ(CompareLocale(ordered[j], ordered[i], true), 1)
          << ordered[j] << " > " << ordered[i];
    }
  }
  EXPECT_EQ(CompareLocale("ABC", "abc", true), 0);
  EXPECT_NE(CompareLocale("ABC", "abc", false), 0);
  EXPECT_EQ(CompareLocale("abc", "abc", false), 0);
  EXPECT_EQ(CompareLocale("", "", true), 0);
  EXPECT_EQ(CompareLocale(std::string_view(), std::string_view(), false), 0);
  EXPECT_EQ(CompareLocale("", "a", true), -1);
  EXPECT_EQ(CompareLocale("a", "", true), 1);
  EXPECT_EQ(CompareLocale("f", "F", true), 0);
}

TEST(Win32CodePage, AnsiToUtf8) {
  if (AnsiCodePage() != 1252) GTEST_SKIP() << "expectations are for code page 1252";
  EXPECT_EQ(AnsiToUtf8("abc"), "abc");
  EXPECT_EQ(AnsiToUtf8("\xE9"), "\xC3\xA9");
  EXPECT_EQ(AnsiToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(AnsiToUtf8(""), "");
}

TEST(Win32Environment, ExpandsAsExpandEnvironmentStrings) {
  ASSERT_EQ(_putenv("TVXDIR=C:\\tvx dir"), 0);
  const char* systemDrive = std::getenv("SystemDrive");
  ASSERT_NE(systemDrive, nullptr);
  const std::string drive = systemDrive;

  Expansion e = ExpandEnvironment("%TVXDIR%\\a");
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.text, "C:\\tvx dir\\a");
  EXPECT_EQ(ExpandEnvironment("%tvxdir%").text, "C:\\tvx dir");  // names ignore case
  EXPECT_EQ(ExpandEnvironment("%SystemDrive%").text, drive);
  // An undefined name stays with both percent signs; scanning resumes
  // after its closing one.
  EXPECT_EQ(ExpandEnvironment("%NOPE%SystemDrive%").text, "%NOPE%SystemDrive%");
  EXPECT_EQ(ExpandEnvironment("%%%SystemDrive%").text, "%%" + drive);
  EXPECT_EQ(ExpandEnvironment("%TVXDIR").text, "%TVXDIR");
  EXPECT_EQ(ExpandEnvironment("100%").text, "100%");
  // The input ends at its first NUL byte.
  EXPECT_EQ(ExpandEnvironment(std::string_view("a\0%TVXDIR%", 10)).text, "a");
  e = ExpandEnvironment("");
  EXPECT_TRUE(e.ok);
  EXPECT_EQ(e.text, "");
  // Results longer than the first answer's guess of a short buffer.
  const std::string longValue(5000, 'v');
  ASSERT_EQ(_putenv(("TVXLONG=" + longValue).c_str()), 0);
  EXPECT_EQ(ExpandEnvironment("<%TVXLONG%%TVXLONG%>").text, "<" + longValue + longValue + ">");
  // Accented bytes pass through in the ANSI code page.
  ASSERT_EQ(_putenv("TVXACC=\xE9t\xE9"), 0);
  EXPECT_EQ(ExpandEnvironment("%TVXACC%").text, "\xE9t\xE9");
}

TEST(Win32Process, CommandLineAndPaths) {
  const CommandLineSource source = GetCommandLineSource();
  ASSERT_TRUE(source.raw.has_value());
  EXPECT_NE(source.raw->find("platform_tests"), std::string::npos) << *source.raw;
  EXPECT_TRUE(source.argv.empty());

  const std::string program = ProgramPath();
  ASSERT_GT(program.size(), 3u);
  EXPECT_EQ(program[1], ':') << program;  // a full path with its drive
  EXPECT_EQ(CompareLocale(program.substr(program.find_last_of('\\') + 1), "platform_tests.exe",
                          true),
            0)
      << program;
  EXPECT_EQ(PathSeparators(), "\\:");
  EXPECT_EQ(OrderlyExitCode(), -1);
}

TEST_F(Win32Files, ReadsWholeFilesAndHeads) {
  const std::string bytes("a\r\nb\nc\0\x1A\xFF", 9);
  Spill(dir_ / "in.reg", bytes);
  ReadResult whole = ReadWholeFile(Path("in.reg"), Share::Read);
  EXPECT_EQ(whole.status, ReadStatus::Ok);
  EXPECT_EQ(whole.data, bytes);  // no text-mode translation, NUL kept
  EXPECT_EQ(ReadWholeFile(Path("in.reg"), Share::None).data, bytes);

  EXPECT_EQ(ReadFileHead(Path("in.reg"), 4).data, "a\r\nb");
  EXPECT_EQ(ReadFileHead(Path("in.reg"), 100).data, bytes);
  EXPECT_EQ(ReadFileHead(Path("in.reg"), 0).data, "");

  Spill(dir_ / "empty.reg", "");
  whole = ReadWholeFile(Path("empty.reg"), Share::Read);
  EXPECT_EQ(whole.status, ReadStatus::Ok);
  EXPECT_EQ(whole.data, "");

  whole = ReadWholeFile(Path("missing.reg"), Share::Read);
  EXPECT_EQ(whole.status, ReadStatus::OpenFailed);
  EXPECT_FALSE(whole.error.empty());
  EXPECT_NE(whole.error.back(), '\n');
  EXPECT_EQ(ReadWholeFile(dir_.string(), Share::Read).status, ReadStatus::OpenFailed);
  const ReadResult head = ReadFileHead(Path("missing.reg"), 10);
  EXPECT_EQ(head.status, ReadStatus::OpenFailed);
  EXPECT_EQ(head.data, "");
  EXPECT_EQ(ReadWholeFile(std::string_view("in.reg\0x", 8), Share::Read).status,
            ReadStatus::OpenFailed);
}

TEST_F(Win32Files, SharingModesAgainstAnOpenWriter) {
  Spill(dir_ / "busy.reg", "data");
  // The C runtime opens files shared for reading and writing, with write
  // access: readers that refuse to share writing cannot open the file.
  std::ofstream writer(dir_ / "busy.reg", std::ios::binary | std::ios::app);
  ASSERT_TRUE(writer.is_open());
  EXPECT_EQ(ReadWholeFile(Path("busy.reg"), Share::Read).status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadWholeFile(Path("busy.reg"), Share::None).status, ReadStatus::OpenFailed);
  EXPECT_EQ(ReadWholeFile(Path("busy.reg"), Share::ReadWrite).data, "data");
  EXPECT_EQ(ReadFileHead(Path("busy.reg"), 10).data, "data");
  // Nor can the output replace it.
  FileWriter out;
  EXPECT_EQ(out.Open(Path("busy.reg")).status, WriteStatus::CreateFailed);
  writer.close();
  EXPECT_EQ(Slurp(dir_ / "busy.reg"), "data");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"busy.reg"});
}

TEST_F(Win32Files, ExistenceAndFullPaths) {
  Spill(dir_ / "a.reg", "x");
  fs::create_directories(dir_ / "sub");
  EXPECT_TRUE(IsExistingFile(Path("a.reg")));
  EXPECT_FALSE(IsExistingFile(Path("sub")));
  EXPECT_FALSE(IsExistingFile(Path("missing.reg")));
  EXPECT_FALSE(IsExistingFile(""));
  EXPECT_FALSE(IsExistingFile(std::string_view("a.reg\0", 6)));

  const std::string full = FullPath("rel\\x.inf");
  ASSERT_GT(full.size(), 12u);
  EXPECT_EQ(full[1], ':') << full;
  EXPECT_EQ(full.substr(full.size() - 10), "\\rel\\x.inf") << full;
  EXPECT_EQ(FullPath(Path("a.reg")), Path("a.reg"));
}

TEST_F(Win32Files, WriterReplacesAtomically) {
  const std::string target = Path("out.inf");
  {
    FileWriter out;
    ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
    ASSERT_EQ(out.Write("[Software.AddReg]\r\n").status, WriteStatus::Ok);
    ASSERT_EQ(out.Write(std::string("a\nb\0\r\n", 6)).status, WriteStatus::Ok);
    // Nothing reaches the target before the commit.
    EXPECT_FALSE(fs::exists(target));
    ASSERT_EQ(out.Commit().status, WriteStatus::Ok);
  }
  EXPECT_EQ(Slurp(target), std::string("[Software.AddReg]\r\na\nb\0\r\n", 25));
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"out.inf"});

  {
    FileWriter out;
    ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
    ASSERT_EQ(out.Write("new").status, WriteStatus::Ok);
    EXPECT_EQ(Slurp(target).size(), 25u);  // the old file stays until the commit
    ASSERT_EQ(out.Commit().status, WriteStatus::Ok);
  }
  EXPECT_EQ(Slurp(target), "new");

  {
    // An abandoned writer leaves the old file and no temporary file.
    FileWriter out;
    ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
    ASSERT_EQ(out.Write("lost").status, WriteStatus::Ok);
  }
  EXPECT_EQ(Slurp(target), "new");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{"out.inf"});

  {
    // An empty document gives an empty file.
    FileWriter out;
    ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
    ASSERT_EQ(out.Commit().status, WriteStatus::Ok);
  }
  EXPECT_EQ(Slurp(target), "");
  // Committing twice is refused, not crashed on.
  FileWriter done;
  ASSERT_EQ(done.Open(target).status, WriteStatus::Ok);
  ASSERT_EQ(done.Commit().status, WriteStatus::Ok);
  EXPECT_EQ(done.Write("x").status, WriteStatus::WriteFailed);
  EXPECT_EQ(done.Commit().status, WriteStatus::WriteFailed);
}

TEST_F(Win32Files, WriterFallsBackToWritingInPlace) {
  // A target whose full path just fits the ANSI calls' limit leaves no room
  // for a longer temporary name beside it: the target is written directly.
  const std::string folder = Path("");
  ASSERT_LT(folder.size(), 200u);
  const std::string name = std::string(255 - folder.size(), 'n') + ".inf";
  const std::string target = folder + name;
  ASSERT_EQ(target.size(), 259u);
  Spill(dir_ / name, "old");
  FileWriter out;
  ASSERT_EQ(out.Open(target).status, WriteStatus::Ok);
  ASSERT_EQ(out.Write("new\r\n").status, WriteStatus::Ok);
  ASSERT_EQ(out.Commit().status, WriteStatus::Ok);
  EXPECT_EQ(Slurp(dir_ / name), "new\r\n");
  EXPECT_EQ(Entries(dir_), std::vector<std::string>{name});
}

TEST_F(Win32Files, WriterRefusesWhatItMayNotReplace) {
  fs::create_directories(dir_ / "folder.inf");
  FileWriter out;
  WriteResult result = out.Open(Path("folder.inf"));
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_FALSE(result.error.empty());

  Spill(dir_ / "locked.inf", "keep");
  fs::permissions(dir_ / "locked.inf", fs::perms::owner_write | fs::perms::group_write |
                                           fs::perms::others_write,
                  fs::perm_options::remove);
  result = out.Open(Path("locked.inf"));
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(Slurp(dir_ / "locked.inf"), "keep");

  result = out.Open(Path("no such folder\\x.inf"));
  EXPECT_EQ(result.status, WriteStatus::CreateFailed);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(out.Open("").status, WriteStatus::CreateFailed);
  EXPECT_EQ(out.Write("x").status, WriteStatus::WriteFailed);

  EXPECT_EQ(Entries(dir_), (std::vector<std::string>{"folder.inf", "locked.inf"}));
}

}  // namespace
}  // namespace tovrix::platform

#endif  // _WIN32
