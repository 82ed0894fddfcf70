// TRegistry over the registry of the running Windows system (or Wine):
// only keys and values every system has are relied on.
#ifdef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "liveexport/live_test_util.h"
#include "liveexport/registry.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/errors.h"

namespace tovrix {
namespace {

using testing::Items;

bool HasName(const TStringList& list, const std::string& name) {
  const auto items = Items(list);
  return std::any_of(items.begin(), items.end(), [&](const std::string& item) {
    return _stricmp(item.c_str(), name.c_str()) == 0;
  });
}

TEST(RegistryWin32, ReadsSystemSelect) {
  std::unique_ptr<platform::RegistryStore> live = platform::OpenLiveRegistry();
  ASSERT_TRUE(live);
  TRegistry reg(*live);
  reg.SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(reg.OpenKeyRead("System\\Select"));
  EXPECT_EQ(reg.Access(), kKeyRead);
  EXPECT_GE(reg.ReadDwordValue("Current"), 1);
  EXPECT_EQ(reg.GetValueType("Current"), kRegDword);
  EXPECT_EQ(reg.GetValueDataSize("Current"), 4u);

  TStringList names;
  reg.ListValueNames(names);
  EXPECT_TRUE(HasName(names, "Current"));
  EXPECT_THROW(reg.ReadStringValue("Current"), ERegistryException);
  EXPECT_THROW(reg.ReadDwordValue("TovrixNoSuchValue"), ERegistryException);
  EXPECT_EQ(reg.ReadStringValue("TovrixNoSuchValue"), "");

  // A leading backslash starts again at the root.
  ASSERT_TRUE(reg.OpenKeyRead("\\System"));
  reg.ListSubkeyNames(names);
  EXPECT_TRUE(HasName(names, "Select"));
  EXPECT_FALSE(reg.OpenKeyRead("TovrixNoSuchKey"));
  EXPECT_TRUE(reg.HasOpenKey());
  reg.CloseCurrentKey();
  EXPECT_FALSE(reg.HasOpenKey());
}

}  // namespace
}  // namespace tovrix

#endif  // _WIN32
