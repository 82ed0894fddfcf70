// The console writers and the failure messages.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"
#include "text/console.h"
#include "text/errors.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace tovrix {
namespace {

TEST(ConsoleTest, CapturingConsoleEndsLinesWithCrLf) {
  CapturingConsole console;
  console.Line("Tovrix ver1.05");
  console.Line("");
  console.Line("Done.");
  EXPECT_EQ(console.text, "Tovrix ver1.05\r\n\r\nDone.\r\n");
}

#if !defined(_WIN32)
// Redirects file descriptor 1 to a file for the length of the test; the
// Windows build writes through the console handle instead.
TEST(ConsoleTest, StdoutConsoleWritesEveryLineInOrder) {
  namespace fs = std::filesystem;
  const fs::path path = fs::temp_directory_path() / "tovrix_text_stdout.bin";
  std::fflush(stdout);
  const int saved = dup(1);
  ASSERT_GE(saved, 0);
  FILE* capture = std::fopen(path.c_str(), "wb");
  ASSERT_NE(capture, nullptr);
  ASSERT_GE(dup2(fileno(capture), 1), 0);

  std::string expected;
  {
    StdoutConsole console;
    for (int i = 0; i < 20000; ++i) {  // well past one buffer's worth
      const std::string line = "line " + std::to_string(i) + "\xE9";
      console.Line(line);
      expected += line + "\r\n";
    }
    console.Flush();
    console.Line("after flush");
    expected += "after flush\r\n";
  }  // the destructor writes what is left

  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  std::fclose(capture);
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(path);
  EXPECT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);
}
#endif

TEST(ErrorsTest, MessagesNameTheFailure) {
  auto message_of = [](auto&& raise) -> std::string {
    try {
      raise();
    } catch (const TovrixError& e) {
      return std::string(e.ClassName()) + ": " + e.what();
    }
    return "no failure";
  };
  EXPECT_EQ(message_of([] { ThrowReadError(); }), "EReadError: ストリームからの読み込みエラー");
  EXPECT_EQ(message_of([] { ThrowWriteError(); }), "EWriteError: ストリームへの書き込みエラー");
  EXPECT_EQ(message_of([] { ThrowListIndexError(-3); }),
            "EStringListError: リストのインデックスが範囲を超えています (-3)");
  EXPECT_EQ(message_of([] { ThrowRegistryReadError("Path"); }),
            "ERegistryException: 'Path' の取得に失敗しました");
  EXPECT_EQ(message_of([] { ThrowRegistryTypeError("Count"); }),
            "ERegistryException: 'Count' のデータ型が不正です");

  const std::string full = platform::FullPath("/no/such/file.reg");
  // The system text loses its trailing period and line break.
  EXPECT_EQ(message_of([] { ThrowOpenError("/no/such/file.reg", "Not found.\r\n"); }),
            "EFOpenError: ファイル \"" + full + "\". Not found は開けません");
  EXPECT_EQ(message_of([] { ThrowCreateError("/no/such/file.reg", "Denied"); }),
            "EFCreateError: ファイル \"" + full + "\". Denied を作成できません");
}

}  // namespace
}  // namespace tovrix
