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
constexpr const char* kMissing = "C:\\nonexistent\\x.reg";
#else
constexpr const char* kProgram = "/opt/tools/conv.exe";
constexpr const char* kProgramInf = "/opt/tools/conv.inf";
constexpr const char* kDottedDir = "/opt/app.d/conv";
constexpr const char* kDottedDirInf = "/opt/app.d/conv.inf";
constexpr const char* kMissing = "/nonexistent/x.reg";
#endif

Arguments Args(std::vector<std::string> list, std::string program = kProgram) {
  return Arguments::FromList(std::move(list), std::move(program));
}

RunSettings Read(std::vector<std::string> list) {
  RunSettings settings;
  ReadSwitches(Args(std::move(list)), settings);
  return settings;
}

TEST(DriverSwitches, ReplaceModeIsClampedToItsLowByte) {
  struct Case {
    std::vector<std::string> args;
    int mode;
  } cases[] = {
      {{}, 2},           {{"/m", "0"}, 0},   {{"/m", "1"}, 1},    {{"-M", "1"}, 1},
      {{"/m", "5"}, 2},  {{"/m", "-1"}, 2},  {{"/m", "256"}, 0}, {{"/m", "$1"}, 1},
      {{"/m", "0x1"}, 1}, {{"/m", "1a"}, 2}, {{"/m"}, 2},        {{"/mode", "1"}, 1},
      {{"/m", "1", "/m", "0"}, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.args).replaceMode, c.mode) << ::testing::PrintToString(c.args);
  }
}

TEST(DriverSwitches, ReplaceTargetIsClampedToOneToSeven) {
  struct Case {
    std::vector<std::string> args;
    int target;
  } cases[] = {
      {{}, 7},          {{"/t", "0"}, 7},   {{"/t", "8"}, 7}, {{"/t", "257"}, 1},
      {{"/t", "abc"}, 7}, {{"/t", "3"}, 3}, {{"-T", "4"}, 4}, {{"/t", "$FF"}, 7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.args).replaceTarget, c.target) << ::testing::PrintToString(c.args);
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

TEST(DriverRun, HelpAndNoInputEndWithoutWork) {
  CapturingConsole help;
  RunTovrix(Args({"/?", "/f", "x.reg"}), help);
  EXPECT_EQ(help.text.substr(0, 18), "Tovrix ver1.05\r\n\r\n");
  EXPECT_NE(help.text.find("                           (Default: \"conv.inf\")\r\n"), std::string::npos);
  EXPECT_EQ(help.text.find("File not found"), std::string::npos);

  CapturingConsole none;
  RunTovrix(Args({"/f", kMissing, "/l"}), none);
  EXPECT_EQ(none.text.substr(0, none.text.find("/f file")),
            std::string("Tovrix ver1.05\r\nFile not found. []\r\nFile not found. [") + kMissing +
                "]\r\nThere are no effective input file.\r\n\r\n");
  // /hx asks for nothing: the help only follows the missing input.
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

  EXPECT_EQ(RunAndReport(Args({"/f", input, "/o", std::string(kMissing) + ".inf"}), console,
                         report, 42),
            1);
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
