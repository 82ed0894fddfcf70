// TRegistry over the in-memory registry store.

#include "liveexport/registry.h"

#include <gtest/gtest.h>

#include <string>

#include "liveexport/live_test_util.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/errors.h"

namespace tovrix {
namespace {

using testing::Dword;
using testing::Items;
using testing::Sz;

class RegistryTest : public testing::MemoryRegistryTest {};

TEST_F(RegistryTest, OpensRelativeToRootOrOpenKeyAndFallsBackOnAccess) {
  store_.AddKey(kHkeyLocalMachine, "Software\\Vendor\\App");
  TRegistry reg(store_);
  EXPECT_EQ(reg.Root(), kHkeyCurrentUser);
  reg.SetRoot(kHkeyLocalMachine);

  EXPECT_TRUE(reg.OpenKeyRead("software\\VENDOR"));  // letter case ignored
  EXPECT_EQ(reg.Access(), kKeyRead);
  EXPECT_TRUE(reg.OpenKeyRead("App"));         // relative to the open key
  EXPECT_FALSE(reg.OpenKeyRead("Software"));   // not below App
  EXPECT_TRUE(reg.HasOpenKey());               // a failed open keeps the old key
  EXPECT_TRUE(reg.OpenKeyRead("\\Software"));  // a leading '\' starts at the root
  reg.CloseCurrentKey();
  EXPECT_FALSE(reg.HasOpenKey());
  EXPECT_FALSE(reg.OpenKeyRead("Software\\Missing"));
  EXPECT_FALSE(reg.OpenKeyRead("Software\\\\Vendor"));

  // Changing the root closes the open key; setting the same root does not.
  EXPECT_TRUE(reg.OpenKeyRead("Software"));
  reg.SetRoot(kHkeyLocalMachine);
  EXPECT_TRUE(reg.HasOpenKey());
  reg.SetRoot(kHkeyCurrentUser);
  EXPECT_FALSE(reg.HasOpenKey());

  // The three access requests, in order.
  store_.SetKeyAccess(kHkeyCurrentUser, "NoNotify", kKeyReadNoNotify);
  store_.SetKeyAccess(kHkeyCurrentUser, "QueryOnly", kKeyQueryValue);
  store_.SetKeyAccess(kHkeyCurrentUser, "Closed", 0);
  EXPECT_TRUE(reg.OpenKeyRead("NoNotify"));
  EXPECT_EQ(reg.Access(), kKeyReadNoNotify);
  reg.CloseCurrentKey();
  EXPECT_TRUE(reg.OpenKeyRead("QueryOnly"));
  EXPECT_EQ(reg.Access(), kKeyQueryValue);
  reg.CloseCurrentKey();
  EXPECT_FALSE(reg.OpenKeyRead("Closed"));
}

TEST_F(RegistryTest, ListsNamesInStoreOrder) {
  store_.SetValue(kHkeyCurrentUser, "K", "zeta", kRegSz, Sz("1"));
  store_.SetValue(kHkeyCurrentUser, "K", "", kRegSz, Sz("d"));
  store_.SetValue(kHkeyCurrentUser, "K", "Alpha", kRegSz, Sz("2"));
  store_.SetValue(kHkeyCurrentUser, "K", "ZETA", kRegSz, Sz("3"));  // same value
  store_.AddKey(kHkeyCurrentUser, "K\\sub2");
  store_.AddKey(kHkeyCurrentUser, "K\\Sub1");
  store_.SetKeyAccess(kHkeyCurrentUser, "Q", kKeyQueryValue);
  store_.AddKey(kHkeyCurrentUser, "Q\\Hidden");

  TRegistry reg(store_);
  TStringList names;
  names.Add("stale");
  reg.ListValueNames(names);  // no open key: empty list
  EXPECT_EQ(names.Count(), 0);

  ASSERT_TRUE(reg.OpenKeyRead("K"));
  reg.ListValueNames(names);
  EXPECT_EQ(Items(names), (std::vector<std::string>{"zeta", "", "Alpha"}));
  reg.ListSubkeyNames(names);
  EXPECT_EQ(Items(names), (std::vector<std::string>{"sub2", "Sub1"}));
  EXPECT_EQ(reg.ReadStringValue("Zeta"), "3");

  // Opened for KEY_QUERY_VALUE only: the subkeys cannot be enumerated.
  ASSERT_TRUE(reg.OpenKeyRead("\\Q"));
  reg.ListSubkeyNames(names);
  EXPECT_EQ(names.Count(), 0);
}

TEST_F(RegistryTest, ReadsValuesByType) {
  const std::uint32_t hkcu = kHkeyCurrentUser;
  store_.SetValue(hkcu, "K", "Str", kRegSz, std::string("ab\0cd\0", 6));
  store_.SetValue(hkcu, "K", "NoNul", kRegSz, "xyz");
  store_.SetValue(hkcu, "K", "Short", kRegDword, "\x34\x12");
  store_.SetValue(hkcu, "K", "Bin", kRegBinary, "\x01\x02\x03");
  store_.SetValue(hkcu, "K", "Multi", kRegMultiSz, std::string("a\0\0", 3));

  TRegistry reg(store_);
  ASSERT_TRUE(reg.OpenKeyRead("K"));
  EXPECT_EQ(reg.ReadStringValue("Str"), "ab");
  EXPECT_EQ(reg.ReadStringValue("NoNul"), "xyz");
  EXPECT_EQ(reg.ReadStringValue("Missing"), "");   // missing: empty, no error
  EXPECT_EQ(reg.ReadDwordValue("Short"), 0x1234);  // high bytes read as 0

  RegistryValueInfo info;
  EXPECT_TRUE(reg.GetValueInfo("Bin", info));
  EXPECT_EQ(info.type, kRegBinary);
  EXPECT_EQ(info.size, 3u);
  EXPECT_FALSE(reg.GetValueInfo("Missing", info));
  EXPECT_EQ(reg.GetValueType("Multi"), kRegMultiSz);
  EXPECT_EQ(reg.GetValueType("Missing"), kRegNone);
  EXPECT_EQ(reg.GetValueDataSize("Missing"), 0u);

  unsigned char buffer[8] = {};
  EXPECT_EQ(reg.ReadBinaryValue("Bin", buffer, 3), 3u);
  EXPECT_EQ(buffer[2], 3);
  EXPECT_EQ(reg.ReadBinaryValue("Multi", buffer, 8), 3u);  // any type but 1, 2, 4
  EXPECT_EQ(reg.ReadBinaryValue("Missing", buffer, 8), 0u);

  std::uint32_t size = 2;
  std::uint32_t type = 0;
  reg.ReadRawValue("Bin", buffer, size, type);  // too small: unchecked
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(type, kRegBinary);
}

TEST_F(RegistryTest, ReadFailuresRaiseRegistryExceptions) {
  const std::uint32_t hkcu = kHkeyCurrentUser;
  store_.SetValue(hkcu, "K", "Str", kRegSz, Sz("text"));
  store_.SetValue(hkcu, "K", "S", kRegSz, Sz("ab"));
  store_.SetValue(hkcu, "K", "Big", kRegDword, std::string(8, '\1'));
  store_.SetValue(hkcu, "K", "Dw", kRegDword, Dword(1));
  store_.SetValue(hkcu, "K", "Bin", kRegBinary, "\x01\x02\x03");
  store_.SetValue(hkcu, "K", "Qw", kRegQword, std::string(8, '\0'));

  TRegistry reg(store_);
  ASSERT_TRUE(reg.OpenKeyRead("K"));
  const std::string readFailed = "の取得に失敗しました";
  const std::string badType = "のデータ型が不正です";
  unsigned char buffer[8] = {};
  auto Failure = [](auto call) { return testing::FailureOf<ERegistryException>(call); };
  EXPECT_EQ(Failure([&] { reg.ReadDwordValue("Big"); }), "'Big' " + readFailed);
  EXPECT_EQ(Failure([&] { reg.ReadDwordValue("Missing"); }), "'Missing' " + readFailed);
  EXPECT_EQ(Failure([&] { reg.ReadDwordValue("Str"); }), "'Str' " + readFailed);
  EXPECT_EQ(Failure([&] { reg.ReadDwordValue("S"); }), "'S' " + badType);
  EXPECT_EQ(Failure([&] { reg.ReadStringValue("Dw"); }), "'Dw' " + badType);
  EXPECT_EQ(Failure([&] { reg.ReadBinaryValue("Str", buffer, 8); }), "'Str' " + badType);
  EXPECT_EQ(Failure([&] { reg.ReadBinaryValue("Dw", buffer, 8); }), "'Dw' " + badType);
  EXPECT_EQ(Failure([&] { reg.ReadBinaryValue("Bin", buffer, 2); }), "'Bin' " + badType);
  EXPECT_EQ(Failure([&] { reg.ReadBinaryValue("Qw", buffer, 8); }), "");
}

}  // namespace
}  // namespace tovrix
