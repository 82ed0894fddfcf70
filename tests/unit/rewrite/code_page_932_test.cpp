// Key-path and data rewriting in a double-byte code page (932): a pattern
// that begins on the second byte of a double-byte character is no match.
// On Linux the test switches the code page itself; on Windows it runs when
// the system code page is 932.

#include <gtest/gtest.h>

#include <string>

#include "rewrite/control_set.h"
#include "rewrite/env_guard.h"
#include "rewrite/env_paths.h"
#include "support/test_util.h"

namespace tovrix {
namespace {

// 0x83 0x43 is one character whose second byte is 'C'; 0x95 0x5C one whose
// second byte is '\'.
class Rewrite932Test : public testing::CodePageTest<932> {
 protected:
  void SetUp() override {
    CodePageTest::SetUp();
    ResetEnvironmentCache();
  }
  void TearDown() override { ResetEnvironmentCache(); }
};

// clang-format off
TEST_F(Rewrite932Test, ControlSetNamesOnSecondBytesStay) {
  EXPECT_EQ(NormalizeControlSetPath("SYSTEM\\\x83" "ControlSet002\\x"),
            "SYSTEM\\\x83" "ControlSet002\\x");
  EXPECT_EQ(NormalizeControlSetPath("\x83" "CurrentControlSet\\CurrentControlSet"),
            "\x83" "CurrentControlSet\\ControlSet001");
  // After a character ending in '\' the name is an ordinary match.
  EXPECT_EQ(NormalizeControlSetPath("\x95\\ControlSet003\\x"), "\x95\\ControlSet001\\x");
}
// clang-format on

// clang-format off
TEST_F(Rewrite932Test, PathsOnSecondBytesStay) {
  EnvGuard env;
  env.SetExampleSystem();
  // The 'C' of "C:" is the second byte of 0x83 0x43: no system drive there.
  EXPECT_EQ(ReplaceEnvPaths("\x83" "C:\\x", 2, 4), "\x83" "C:\\x");
  EXPECT_EQ(ReplaceEnvPaths("\x83" "C:\\x;C:\\y", 2, 4), "\x83" "C:\\x;X:\\y");
  EXPECT_EQ(ReplaceEnvPaths("\x95\\C:\\WINDOWS\\x", 2, 7), "\x95\\X:\\I386\\x");
}
// clang-format on

}  // namespace
}  // namespace tovrix
