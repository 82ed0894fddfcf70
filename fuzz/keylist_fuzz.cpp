// Fuzz target of key-list files: the input is the file (8-bit, UTF-8 with
// its mark, or UTF-16LE after FF FE), processed against a small registry
// held in memory that has a key under every root the lists may name, with
// a current control set of 2 and values of every kind. The first byte
// chooses the settings.
//
// Checks besides the sanitizers': every line written has the shape of an
// INF line (a key or AddReg line "0x...", or a replacement comment), and
// the key-list file is only read.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "inf/output.h"
#include "liveexport/key_list.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "support/memory_registry.h"
#include "text/console.h"
#include "text/errors.h"

namespace {

constexpr std::uint32_t kSz = 1, kExpand = 2, kBinary = 3, kDword = 4, kMulti = 7;

tovrix::testing::MemoryRegistry& Store() {
  static tovrix::testing::MemoryRegistry* store = [] {
    auto* s = new tovrix::testing::MemoryRegistry();
    using tovrix::kHkeyClassesRoot;
    using tovrix::kHkeyCurrentUser;
    using tovrix::kHkeyLocalMachine;
    s->SetValue(kHkeyLocalMachine, "SYSTEM\\Select", "Current", kDword, std::string("\2\0\0\0", 4));
    s->SetValue(kHkeyLocalMachine, "SYSTEM\\ControlSet002\\Services\\X", "ImagePath", kExpand,
                std::string("%SystemRoot%\\x.sys\0", 19));
    s->SetValue(kHkeyLocalMachine, "SOFTWARE\\V\\A", "", kSz,
                std::string("C:\\Program Files\\a\0", 20));
    s->SetValue(kHkeyLocalMachine, "SOFTWARE\\V\\A\\B", "M", kMulti, std::string("a\0\"b\0\0", 6));
    s->SetValue(kHkeyLocalMachine, "SOFTWARE\\V\\A\\B", "Q", 11, std::string(8, '\1'));
    s->SetValue(kHkeyClassesRoot, ".t", "", kSz, std::string("tfile\0", 6));
    s->SetValue(kHkeyCurrentUser, "Software\\V", "Bin", kBinary, std::string(60, '\x7F'));
    s->SetValue(kHkeyCurrentUser, "Software\\V", "Short", kDword, std::string("\1", 1));
    return s;
  }();
  return *store;
}

void CheckLines(const tovrix::TStringList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const std::string_view item = list.View(i);
    if (item.substr(0, 2) == "0x" || item.substr(0, 11) == "; Replaced " ||
        item.substr(0, 2) == "  ") {
      continue;
    }
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("keys.txt", 0);
  if (fd < 0) std::abort();
  tovrix::ConversionSettings settings;
  if (size > 0) {
    settings.replaceMode = static_cast<std::uint8_t>(data[0] % 3);
    settings.replaceTarget = static_cast<std::uint8_t>((data[0] >> 2) % 7 + 1);
    settings.verbose = (data[0] & 0x20) != 0;
    settings.addExpanderEntries = (data[0] & 0x40) != 0;
    ++data;
    --size;
  }
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
    std::abort();
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  tovrix::OutputLists lists;
  tovrix::CapturingConsole console;
  tovrix::ProcessKeyList(path, Store(), settings, lists, console);
  CheckLines(lists.softwareAddReg);
  CheckLines(lists.defaultAddReg);
  CheckLines(lists.setupRegAddReg);
  if (lists.softwareDelReg.Count() != 0 || lists.defaultDelReg.Count() != 0) std::abort();
  if (Store().OpenHandles() != 0) std::abort();
  (void)tovrix::AssembleOutputDocument(lists);
  return 0;
}
