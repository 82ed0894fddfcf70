// The Linux hive store: hive files made through hivex, read back as the
// ANSI registry functions deliver them.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "liveexport/key_export.h"
#include "liveexport/live_test_util.h"
#include "liveexport/offline_registry.h"
#include "liveexport/registry.h"
#include "platform/registry.h"
#include "registry/registry.h"
#include "support/hive_writer.h"
#include "support/test_util.h"
#include "text/errors.h"

namespace tovrix {
namespace {

using platform::RegistryStatus;
using testing::DwordData;
using testing::HiveKey;
using testing::HiveValue;
using testing::Utf16;
using Strings = std::vector<std::string>;

class HiveStoreTest : public ::testing::Test {
 protected:
  std::string Make(const std::vector<HiveKey>& keys, const std::string& name = "SOFTWARE") {
    testing::WriteHive(dir_.Path(name), keys);
    return dir_.Path(name);
  }

  static std::unique_ptr<platform::RegistryStore> Open(const std::string& path) {
    platform::HiveOpenResult hive = platform::OpenHiveFile(path);
    EXPECT_TRUE(hive.store) << hive.error;
    return std::move(hive.store);
  }

  // The names the store enumerates below `path`.
  static Strings Names(platform::RegistryStore& store, const std::string& path, bool values) {
    TRegistry registry(store);
    registry.SetRoot(platform::kHiveRoot);
    TStringList list;
    if (registry.OpenKeyRead(path)) {
      values ? registry.ListValueNames(list) : registry.ListSubkeyNames(list);
    }
    return testing::Items(list);
  }

  testing::ScratchDir dir_;
};

TEST_F(HiveStoreTest, DeliversDataAsTheAnsiRegistryFunctions) {
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string stored;
    std::string delivered;
  };
  // clang-format off
  const Case cases[] = {
      {"sz", 1, Utf16("ab"), std::string("ab\0", 3)},
      {"unterminated", 1, Utf16("ab", false), "ab"},
      {"odd", 1, std::string("A\0B", 3), "A"},  // the odd last byte is dropped
      {"expand", 2, Utf16("%SystemRoot%\\x"), std::string("%SystemRoot%\\x\0", 15)},
      {"multi", 7, Utf16("a") + Utf16("b") + Utf16(""), std::string("a\0b\0\0", 5)},
      {"outside", 1, Utf16("\xC4\x93-\xE4\xB8\x80"), std::string("e-?\0", 4)},  // best fit
      {"latin", 1, Utf16("\xC3\x84"), std::string("\xC4\0", 2)},
      {"pair", 1, Utf16("\xF0\x9F\x98\x80"), std::string("??\0", 3)},  // one ? a unit
      {"empty", 1, "", ""},
      {"short dword", 4, std::string("\x34\x12", 2), std::string("\x34\x12", 2)},
      {"link", 6, Utf16("x"), Utf16("x")},  // other types stay raw
      {"binary", 3, std::string("\x00\xFF\x01", 3), std::string("\x00\xFF\x01", 3)},
      {"big", 3, std::string(20000, '\x5A'), std::string(20000, '\x5A')},  // in segments
  };
  // clang-format on
  HiveKey key{"K", {}};
  for (const Case& c : cases) key.values.push_back(HiveValue{c.name, c.type, c.stored});
  const std::string path = Make({key});
  testing::StoreAsBigData(path);
  auto store = Open(path);
  platform::RegistryHandle handle = 0;
  ASSERT_EQ(store->Open(store->Root(platform::kHiveRoot), "K", 0x20019, handle),
            RegistryStatus::Ok);
  for (const Case& c : cases) {
    std::uint32_t type = 0, size = 0;
    ASSERT_EQ(store->QueryValue(handle, c.name, type, nullptr, size), RegistryStatus::Ok) << c.name;
    EXPECT_EQ(type, c.type) << c.name;
    EXPECT_EQ(size, c.delivered.size()) << c.name;
    std::string data(size + 1, '\x7F');
    std::uint32_t capacity = size > 0 ? size - 1 : 0;
    if (size > 0) {
      EXPECT_EQ(store->QueryValue(handle, c.name, type,
                                  reinterpret_cast<unsigned char*>(data.data()), capacity),
                RegistryStatus::MoreData);
      EXPECT_EQ(capacity, size);
    }
    capacity = size + 1;
    ASSERT_EQ(store->QueryValue(handle, c.name, type, reinterpret_cast<unsigned char*>(data.data()),
                                capacity),
              RegistryStatus::Ok);
    EXPECT_EQ(data.substr(0, capacity), c.delivered) << c.name;
  }
  store->Close(handle);
}

TEST_F(HiveStoreTest, NamesComeInTheHivesOrderAndAreLookedUpLikeWindows) {
  auto store = Open(Make({
      {"K",
       {{"zeta", 4, DwordData(1)},
        {"", 1, Utf16("d")},
        {"\xC3\x84rger", 4, DwordData(2)},
        {"S\xC4\x93ttings", 4, DwordData(3)}}},
      {"K\\b", {}},
      {"K\\A", {}},
      {"K\\S\xC4\x93ttings", {{"in", 4, DwordData(4)}}},
      {"K\\\xC3\x84rger", {{"in", 4, DwordData(5)}}},
  }));
  EXPECT_EQ(Names(*store, "K", true), (Strings{"zeta", "", "\xC4rger", "Settings"}));
  const Strings subkeys = Names(*store, "K", false);
  EXPECT_EQ(subkeys.size(), 4u);
  EXPECT_NE(std::find(subkeys.begin(), subkeys.end(), "Settings"), subkeys.end());

  // The ANSI name goes through the code page and is compared without regard
  // to case over all of Unicode: "\xE4rger" (ärger) finds "Ärger"; the
  // best-fit name "Settings" finds nothing, as no key "Settings" exists.
  struct Lookup {
    const char* path;
    bool found;
  };
  for (const Lookup& l :
       {Lookup{"k\\A", true}, Lookup{"K\\B\\", true}, Lookup{"K\\\xE4RGER", true},
        Lookup{"K\\Settings", false}, Lookup{"K\\\\A", false}, Lookup{"K\\A\\x", false}}) {
    TRegistry registry(*store);
    registry.SetRoot(platform::kHiveRoot);
    EXPECT_EQ(registry.OpenKeyRead(l.path), l.found) << l.path;
  }
  TRegistry registry(*store);
  registry.SetRoot(platform::kHiveRoot);
  ASSERT_TRUE(registry.OpenKeyRead("K"));
  EXPECT_EQ(registry.ReadDwordValue("\xC4RGER"), 2);
  EXPECT_EQ(registry.GetValueType("Settings"), 0u);  // listed, but not found by that name
}

TEST_F(HiveStoreTest, RefusesFilesThatAreNoSoundHives) {
  const std::string good = Make({{"K", {{"v", 1, Utf16("x")}}}});
  const std::string bytes = dir_.Read("SOFTWARE");
  std::string noMagic = bytes;
  noMagic[0] = 'x';
  std::string badSum = bytes;
  badSum[0x40] ^= 1;
  for (const std::string& path :
       {dir_.Write("text", "Windows Registry Editor Version 5.00\r\n"), dir_.Write("empty", ""),
        dir_.Write("cut", bytes.substr(0, bytes.size() - 100)), dir_.Write("magic", noMagic),
        dir_.Write("sum", badSum), dir_.dir().string(), dir_.Path("missing")}) {
    platform::HiveOpenResult hive = platform::OpenHiveFile(path);
    EXPECT_FALSE(hive.store) << path;
    EXPECT_FALSE(hive.error.empty()) << path;
  }
  EXPECT_FALSE(platform::OpenHiveFile(good).dirty);
  testing::MarkHiveDirty(good);
  EXPECT_TRUE(platform::OpenHiveFile(good).dirty);
}

// A subkey whose record names another parent breaks the tree; the export
// stops with a failure naming the file instead of writing what it found.
// clang-format off
TEST_F(HiveStoreTest, ADamagedTreeFailsTheExportNamingTheFile) {
  const std::string path = Make({{"K\\A", {{"v", 1, Utf16("x")}}}, {"K\\B", {}}});
  std::string bytes = dir_.Read("SOFTWARE");
  // Name length 1, no class name, "A".
  const std::size_t a = bytes.find(std::string("\x01\x00\x00\x00" "A", 5)) - 0x4C;
  ASSERT_EQ(bytes.substr(a + 4, 2), "nk");
  bytes.replace(a + 0x14, 4, std::string("\x20\x00\x00\x00", 4));  // the root's cell instead of K's
  dir_.Write("SOFTWARE", bytes);

  auto mounted = MountHives(Open(path), nullptr, nullptr);
  TStringList target, expanders;
  CapturingConsole console;
  EXPECT_NE(testing::FailureOf<ERegistryException>([&] {
              ExportKey(*mounted, target, kHkeyLocalMachine, "SOFTWARE\\K", ConversionSettings{},
                        expanders, console);
            }).find(path),
            std::string::npos);
}
// clang-format on

// Two subkeys of one name in other letter cases cannot both be reached by
// name: Windows keeps no such pair, and a hive holding one is damaged.
TEST_F(HiveStoreTest, SubkeysOfOneNameInTwoCasesAreDamage) {
  auto store = Open(Make({{"K\\\xC3\xA9", {}}, {"K\\\xC3\x89", {}}}));  // é, É
  TRegistry registry(*store);
  registry.SetRoot(platform::kHiveRoot);
  EXPECT_THROW(registry.OpenKeyRead("K\\x"), ERegistryException);
}

// Subkeys the code page writes alike ("a", and "ā" by best fit) are both
// exported as "a", so the subtree comes twice; nested pairs double it at
// every level, and the export fails once that runs away.
TEST_F(HiveStoreTest, NamesWrittenAlikeRepeatASubtreeWithinBounds) {
  auto export_levels = [&](int levels) {
    std::vector<HiveKey> keys;
    std::string path = "T";
    for (int i = 0; i < levels; ++i) {
      keys.push_back({path + "\\\xC4\x81", {}});  // ā
      path += "\\a";
      keys.push_back({path, {{"v", 4, DwordData(1)}}});
    }
    auto mounted = MountHives(Open(Make(keys, "L" + std::to_string(levels))), nullptr, nullptr);
    TStringList target, expanders;
    CapturingConsole console;
    ExportKey(*mounted, target, kHkeyLocalMachine, "SOFTWARE\\T", ConversionSettings{}, expanders,
              console);
    return target.Count();
  };
  // Level 1: T, a, a, and the value of each a.
  EXPECT_EQ(export_levels(1), 5);
  EXPECT_THROW(export_levels(17), ERegistryException);  // 2^17 repeated keys
}

// A store that claims it may change: the export then reads each key in
// turn on one thread. Everything else goes to the store below.
class InTurn : public platform::RegistryStore {
 public:
  explicit InTurn(platform::RegistryStore& store) : store_(store) {}
  platform::RegistryHandle Root(std::uint32_t root) override { return store_.Root(root); }
  RegistryStatus Open(platform::RegistryHandle parent, std::string_view path, std::uint32_t access,
                      platform::RegistryHandle& opened) override {
    return store_.Open(parent, path, access, opened);
  }
  void Close(platform::RegistryHandle key) override { store_.Close(key); }
  RegistryStatus QueryKeyInfo(platform::RegistryHandle key,
                              platform::RegistryKeyInfo& info) override {
    return store_.QueryKeyInfo(key, info);
  }
  RegistryStatus EnumValueName(platform::RegistryHandle key, std::uint32_t index, char* buffer,
                               std::uint32_t capacity) override {
    return store_.EnumValueName(key, index, buffer, capacity);
  }
  RegistryStatus EnumSubkeyName(platform::RegistryHandle key, std::uint32_t index, char* buffer,
                                std::uint32_t capacity) override {
    return store_.EnumSubkeyName(key, index, buffer, capacity);
  }
  RegistryStatus QueryValue(platform::RegistryHandle key, std::string_view name,
                            std::uint32_t& type, unsigned char* data,
                            std::uint32_t& size) override {
    return store_.QueryValue(key, name, type, data, size);
  }
  std::string Damage() const override { return store_.Damage(); }

 private:
  platform::RegistryStore& store_;
};

// Hive files are read on a thread of their own, ahead of the lines written
// from them: the lines, the progress lines and the failure must be those of
// reading each key in turn, wherever the reading or the writing fails.
TEST_F(HiveStoreTest, ReadingAheadGivesWhatReadingInTurnGives) {
  std::vector<HiveKey> wide;  // more keys and bytes than one batch of the reader holds
  wide.reserve(1500);
  for (int i = 0; i < 1500; ++i) {
    wide.push_back({"K\\S" + std::to_string(i % 7) + "\\k" + std::to_string(i),
                    {{"p", 2, Utf16("%SystemRoot%\\x" + std::to_string(i))},
                     {"", 1, Utf16("C:\\Program Files\\y")},
                     {"d", 4, DwordData(static_cast<std::uint32_t>(i))}}});
  }
  for (const char* big : {"K\\big1", "K\\big2"}) {
    wide.push_back({big, {{"b", 3, std::string(700 << 10, '\x5A')}, {"m", 7, Utf16("a\0b\0\0")}}});
  }
  std::vector<HiveKey> wrongDword = {{"K\\A", {{"a", 1, Utf16("x")}}},
                                     {"K\\B", {{"a", 4, DwordData(1)}, {"b", 4, "12345678"}}},
                                     {"K\\C", {}}};
  std::vector<HiveKey> repeated;
  std::string path = "K";
  for (int i = 0; i < 17; ++i) {
    repeated.push_back({path + "\\\xC4\x81", {}});  // ā, written "a"
    path += "\\a";
    repeated.push_back({path, {{"v", 4, DwordData(1)}}});
  }
  struct Case {
    const char* what;
    std::vector<HiveKey> keys;
    bool damage;  // K\A names the root as its parent
  } cases[] = {
      {"a wide tree", wide, false},
      {"the writing fails", wrongDword, false},
      {"the reading fails", wrongDword, true},
      {"repeated keys run away", repeated, false},
  };
  for (const Case& c : cases) {
    const std::string file = Make(c.keys, c.what);
    if (c.damage) {
      std::string bytes = dir_.Read(c.what);
      const std::size_t a = bytes.find(std::string("\x01\x00\x00\x00"
                                                   "A",
                                                   5)) -
                            0x4C;
      bytes.replace(a + 0x14, 4, std::string("\x20\x00\x00\x00", 4));
      dir_.Write(c.what, bytes);
    }
    // Three trees, into two lists by turns: a key list's entries.
    const std::vector<KeyTree> trees = {{kHkeyLocalMachine, "SOFTWARE\\K\\S1"},
                                        {kHkeyLocalMachine, "SOFTWARE\\K"},
                                        {kHkeyLocalMachine, "SOFTWARE\\Missing"}};
    struct Outcome {
      Strings lines[2], expanders;
      std::string console, failure, asked;
    } outcomes[2];
    for (int ahead = 0; ahead < 2; ++ahead) {
      auto mounted = MountHives(Open(file), nullptr, nullptr);
      InTurn inTurn(*mounted);
      TStringList targets[2], expanders;
      CapturingConsole console;
      ConversionSettings settings;
      settings.verbose = settings.addExpanderEntries = true;
      Outcome& out = outcomes[ahead];
      out.failure = testing::FailureOf<ERegistryException>([&] {
        ExportKeyTrees(
            ahead ? *mounted : static_cast<platform::RegistryStore&>(inTurn), trees,
            [&](std::size_t i) -> TStringList& {
              out.asked += std::to_string(i);
              return targets[i % 2];
            },
            settings, expanders, console, true);
      });
      for (int t = 0; t < 2; ++t) out.lines[t] = testing::Items(targets[t]);
      out.expanders = testing::Items(expanders);
      out.console = console.text;
    }
    EXPECT_EQ(outcomes[0].failure.empty(), c.keys.size() == wide.size()) << c.what;
    EXPECT_EQ(outcomes[1].failure, outcomes[0].failure) << c.what;
    EXPECT_EQ(outcomes[1].asked, outcomes[0].asked) << c.what;
    EXPECT_EQ(outcomes[1].console, outcomes[0].console) << c.what;
    EXPECT_EQ(outcomes[1].lines[0], outcomes[0].lines[0]) << c.what;
    EXPECT_EQ(outcomes[1].lines[1], outcomes[0].lines[1]) << c.what;
    EXPECT_TRUE(outcomes[1].expanders == outcomes[0].expanders) << c.what;
  }
}

}  // namespace
}  // namespace tovrix

#endif  // _WIN32
