#include "main/driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace tovrix {
namespace {

#ifdef _WIN32
constexpr const char* kProgram = "C:\\tools\\conv.exe";
constexpr const char* kProgramInf = "C:\\tools\\conv.inf";
constexpr const char* kDottedDir = "C:\\app.d\\conv";
constexpr const char* kDottedDirInf = "C:\\app.d\\conv.inf";
constexpr const char* kMissingInf = "C:\\nonexistent\\x.inf";
#else
constexpr const char* kProgram = "/opt/tools/conv.exe";
constexpr const char* kProgramInf = "/opt/tools/conv.inf";
constexpr const char* kDottedDir = "/opt/app.d/conv";
constexpr const char* kDottedDirInf = "/opt/app.d/conv.inf";
constexpr const char* kMissingInf = "/nonexistent/x.inf";
#endif

Arguments Args(std::vector<std::string> list, std::string program = kProgram) {
  return Arguments::FromList(std::move(list), std::move(program));
}

RunSettings Read(std::vector<std::string> list) {
  RunSettings settings;
  ReadSwitches(Args(std::move(list)), settings);
  return settings;
}

// The mode keeps its low byte, 2 for anything but 0 and 1; the target its
// low byte, 7 for anything outside 1 to 7. (Hexadecimal forms, 256 and
// 257, and texts that are no numbers are end-to-end cases.)
TEST(DriverSwitches, ReplaceModeAndTargetAreClamped) {
  const struct {
    std::vector<std::string> args;
    int mode, target;
    // clang-format off
  } cases[] = {
      {{}, 2, 7},
      {{"/m", "0", "/t", "3"}, 0, 3},
      {{"-M", "1", "-T", "4"}, 1, 4},
      {{"/m", "5", "/t", "8"}, 2, 7},
      {{"/m", "-1", "/t", "0"}, 2, 7},
      {{"/m", "0x1", "/t", "$FF"}, 1, 7},
      {{"/m", "/t"}, 2, 7},
      {{"/mode", "1"}, 1, 7},
      {{"/m", "1", "/m", "0"}, 1, 7},
  };
  // clang-format on
  for (const auto& c : cases) {
    const RunSettings settings = Read(c.args);
    EXPECT_EQ(settings.replaceMode, c.mode) << ::testing::PrintToString(c.args);
    EXPECT_EQ(settings.replaceTarget, c.target) << ::testing::PrintToString(c.args);
  }
}

TEST(DriverSwitches, FlagsNeedTheWholeArgumentValueSwitchesAPrefix) {
  EXPECT_TRUE(Read({"/V"}).verbose);
  EXPECT_FALSE(Read({"/verbose"}).verbose);
  EXPECT_TRUE(Read({"-x"}).addExpanderEntries);
  EXPECT_FALSE(Read({"/xx"}).addExpanderEntries);
  EXPECT_FALSE(Read({"x"}).addExpanderEntries);
  EXPECT_EQ(Read({"/output", "a.inf"}).outputPath, "a.inf");
  EXPECT_EQ(Read({"/o"}).outputPath, "");
  EXPECT_TRUE(Read({}).normalizeControlSet);
  EXPECT_EQ(Read({}).probeSize, 2048);
}

TEST(DriverSwitches, OutputDefaultsToTheProgramPathWithInfExtension) {
  RunSettings settings;
  ReadSwitches(Args({"/f", "a.reg"}, kProgram), settings);
  EXPECT_EQ(settings.outputPath, kProgramInf);
  ReadSwitches(Args({}, kDottedDir), settings);
  EXPECT_EQ(settings.outputPath, kDottedDirInf);
}

TEST(DriverRun, BannerWritesTheVersionWithTwoDecimals) {
  EXPECT_EQ(Banner('.'), "Tovrix ver1.05");
  EXPECT_EQ(Banner(','), "Tovrix ver1,05");
}

// Help needs the whole argument: /hx asks for nothing, so the help only
// follows the missing input. (/?, /h and the missing files are e2e cases.)
TEST(DriverRun, HelpNeedsTheWholeArgument) {
  CapturingConsole hx;
  RunTovrix(Args({"/hx"}), hx);
  EXPECT_EQ(hx.text.substr(0, 54), "Tovrix ver1.05\r\nThere are no effective input file.\r\n\r\n");
}

// Standard output is flushed before the failure report follows it, and the
// exit status tells a failure from an orderly end.
TEST(DriverRun, FailureReportFollowsTheFlushedOutput) {
  struct LoggingConsole : Console {
    explicit LoggingConsole(std::vector<std::string>& log) : log(log) {}
    void Line(std::string_view text) override { pending.append(text).append("\r\n"); }
    void Flush() override {
      if (!pending.empty()) log.push_back("out:" + pending);
      pending.clear();
    }
    std::vector<std::string>& log;
    std::string pending;
  };
  const std::string input = ::testing::TempDir() + "report.reg";
  {
    std::ofstream file(input, std::ios::binary);
    file << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n\"x\"=\"y\"\r\n";
  }
  std::vector<std::string> log;
  LoggingConsole console(log);
  auto report = [&log](std::string_view text) { log.push_back("err:" + std::string(text)); };

  EXPECT_EQ(RunAndReport(Args({"/f", input, "/o", kMissingInf}), console, report, 42), 1);
  ASSERT_EQ(log.size(), 2u);
  const std::string last = "Processing report.reg\r\n";
  EXPECT_EQ(log[0].substr(log[0].size() - last.size()), last);
  EXPECT_EQ(log[1].substr(0, 19), "err:EFCreateError: ");
  EXPECT_EQ(log[1].substr(log[1].size() - 2), "\r\n");

  log.clear();
  EXPECT_EQ(RunAndReport(Args({"/?"}), console, report, 42), 42);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].substr(0, 18), "out:Tovrix ver1.05");
  std::remove(input.c_str());
}

}  // namespace
}  // namespace tovrix
