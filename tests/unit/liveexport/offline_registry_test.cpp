// The offline registry: which hive files a /r folder gives, and the roots
// put over them.
#include "liveexport/offline_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "liveexport/live_test_util.h"
#include "liveexport/registry.h"
#include "platform/process.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/errors.h"

namespace tovrix {
namespace {

namespace fs = std::filesystem;
using testing::Dword;
using testing::MemoryRegistry;
using testing::Sz;

// Makes the files (relative, '/'-separated) in a fresh folder and answers
// the hives found below `folder`, relative to that folder with '/' again.
HiveFiles Locate(const std::vector<std::string>& files, const std::string& folder = "") {
  testing::ScratchDir dir;
  for (const std::string& file : files) dir.Write(file, "x");
  HiveFiles found = LocateHives(folder.empty() ? dir.dir().string() : dir.Path(folder));
  for (std::string* path : {&found.software, &found.system, &found.ntuser}) {
    if (!path->empty())
      *path = fs::path(*path).lexically_normal().lexically_relative(dir.dir()).generic_string();
  }
  return found;
}

TEST(LocateHives, FindsTheHivesOfEachFolderShape) {
  struct Case {
    std::vector<std::string> files;
    std::string folder;
    HiveFiles want;
  };
  // clang-format off
  const Case cases[] = {
      // An installation's root.
      {{"Windows/System32/config/SOFTWARE", "Windows/System32/config/SYSTEM",
        "Users/Default/NTUSER.DAT"},
       "",
       {"Windows/System32/config/SOFTWARE", "Windows/System32/config/SYSTEM",
        "Users/Default/NTUSER.DAT"}},
      // Its Windows folder: the user hive is found under the parent.
      {{"Windows/System32/config/SYSTEM", "Users/Default/NTUSER.DAT"},
       "Windows",
       {"", "Windows/System32/config/SYSTEM", "Users/Default/NTUSER.DAT"}},
      // An older layout, in other letter cases.
      {{"WINNT/system32/CONFIG/software", "documents and settings/DEFAULT USER/ntuser.dat"},
       "WINNT",
       {"WINNT/system32/CONFIG/software", "", "documents and settings/DEFAULT USER/ntuser.dat"}},
#ifndef _WIN32  // names that differ in case only need a file system that keeps them apart
      // A folder of hive files; the all-capitals spelling wins.
      {{"Software", "SOFTWARE", "software", "NTUSER.DAT", "Users/Default/NTUSER.DAT"},
       "",
       {"SOFTWARE", "", "NTUSER.DAT"}},
#endif
      // Both from the first config folder holding either: the folder's own
      // SYSTEM is not looked at once Windows/System32/config has SOFTWARE.
      {{"Windows/System32/config/SOFTWARE", "SYSTEM"}, "", {"Windows/System32/config/SOFTWARE", "", ""}},
      // A folder named like a hive is no hive; a file named like a folder no folder.
      {{"SOFTWARE/x", "Windows", "NTUSER.DAT/y", "SYSTEM"}, "", {"", "SYSTEM", ""}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const HiveFiles found = Locate(c.files, c.folder);
    EXPECT_EQ(found.software, c.want.software) << c.files[0];
    EXPECT_EQ(found.system, c.want.system) << c.files[0];
    EXPECT_EQ(found.ntuser, c.want.ntuser) << c.files[0];
  }
}

TEST(LocateHives, AFolderThatGivesNoHiveIsAFailureNamingIt) {
  EXPECT_THROW(Locate({"Windows/System32/config/SAM", "readme.txt"}), EFOpenError);
  EXPECT_NE(testing::FailureOf<EFOpenError>([] { Locate({}, "missing"); }).find("missing"),
            std::string::npos);
}

// Three memory stores stand in for the hive files.
TEST(MountHivesTest, PutsTheRootsOverTheHives) {
  auto software = std::make_unique<MemoryRegistry>();
  auto system = std::make_unique<MemoryRegistry>();
  auto ntuser = std::make_unique<MemoryRegistry>();
  software->SetValue(kHkeyCurrentUser, "Vendor", "v", kRegSz, Sz("sw"));
  software->SetValue(kHkeyCurrentUser, "Classes\\.txt", "", kRegSz, Sz("txtfile"));
  system->SetValue(kHkeyCurrentUser, "Select", "Current", kRegDword, Dword(2));
  ntuser->SetValue(kHkeyCurrentUser, "Environment", "TEMP", kRegSz, Sz("t"));
  MemoryRegistry* softwareStore = software.get();
  auto mounted = MountHives(std::move(software), std::move(system), std::move(ntuser));

  struct Read {
    std::uint32_t root;
    const char* key;
    const char* value;
    std::string data;  // empty: the key does not open
  };
  // clang-format off
  const Read reads[] = {
      {kHkeyLocalMachine, "SOFTWARE\\Vendor", "v", Sz("sw")},
      {kHkeyLocalMachine, "software\\vendor\\", "v", Sz("sw")},
      {kHkeyLocalMachine, "System\\Select", "Current", Dword(2)},
      {kHkeyClassesRoot, ".txt", "", Sz("txtfile")},
      {kHkeyCurrentUser, "Environment", "TEMP", Sz("t")},
      {kHkeyLocalMachine, "SAM\\x", "", ""},
      {kHkeyLocalMachine, "\\\\SOFTWARE", "", ""},
      {kHkeyUsers, ".DEFAULT", "", ""},
  };
  // clang-format on
  for (const Read& r : reads) {
    TRegistry registry(*mounted);
    registry.SetRoot(r.root);
    const bool opened = registry.OpenKeyRead(r.key);
    EXPECT_EQ(opened, !r.data.empty()) << r.key;
    if (!opened) continue;
    std::string data(64, '\0');
    std::uint32_t size = 64, type = 0;
    registry.ReadRawValue(r.value, reinterpret_cast<unsigned char*>(data.data()), size, type);
    EXPECT_EQ(data.substr(0, size), r.data) << r.key;
  }

  // HKEY_LOCAL_MACHINE itself lists the hives; its subkeys open.
  TRegistry machine(*mounted);
  machine.SetRoot(kHkeyLocalMachine);
  ASSERT_TRUE(machine.OpenKeyRead(""));
  TStringList names;
  machine.ListSubkeyNames(names);
  EXPECT_EQ(testing::Items(names), (std::vector<std::string>{"SOFTWARE", "SYSTEM"}));
  EXPECT_TRUE(machine.OpenKeyRead("SOFTWARE\\Classes"));
  machine.CloseCurrentKey();
  EXPECT_EQ(softwareStore->OpenHandles(), 0u);
}

TEST(MountHivesTest, AnAbsentHiveHasNoKeys) {
  auto mounted = MountHives(nullptr, std::make_unique<MemoryRegistry>(), nullptr);
  for (std::uint32_t root : {kHkeyClassesRoot, kHkeyCurrentUser}) {
    TRegistry registry(*mounted);
    registry.SetRoot(root);
    EXPECT_FALSE(registry.OpenKeyRead("")) << root;
  }
  TRegistry registry(*mounted);
  registry.SetRoot(kHkeyLocalMachine);
  EXPECT_FALSE(registry.OpenKeyRead("SOFTWARE"));
  EXPECT_TRUE(registry.OpenKeyRead("SYSTEM"));
}

}  // namespace
}  // namespace tovrix
