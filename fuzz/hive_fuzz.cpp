// Fuzz target of the hive-file store and the key export over it.
//
// The input is a hive file. Its header checksum is set right (so that
// mutations reach past the header's check), it is written to one in-memory
// file reused by every run and opened twice: as SOFTWARE, which also gives
// HKEY_CLASSES_ROOT, and as NTUSER.DAT. HKLM\SOFTWARE, HKCR and HKCU are
// exported whole, verbose and with expander entries; the replace mode and
// target come from the first byte of the header's file name, which the
// reader ignores. A damaged hive ends the export with a TovrixError, an
// orderly outcome. Every line written must be an INF line ("0x...") or the
// comment before a replaced type, and every progress line must name a key.
//
// hivex maps the file and reads the fixed fields of a record without
// checking that its cell holds them, so a read past the file's end would
// land silently in whatever is mapped next. hivex_open is wrapped (linked
// with --wrap=hivex_open) to map the hive into a hole of the address space
// that ends at an inaccessible page: such a read faults.
#include <hivex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "liveexport/key_export.h"
#include "liveexport/offline_registry.h"
#include "platform/registry.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/console.h"
#include "text/errors.h"
#include "text/string_list.h"

namespace {

constexpr std::size_t kChecksum = 0x1FC;
constexpr std::size_t kSettingsByte = 0x30;

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckLines(const tovrix::TStringList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    const std::string_view item = list.View(i);
    Check(item.substr(0, 2) == "0x" || item.substr(0, 11) == "; Replaced ");
  }
}

void CheckConsole(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find("\r\n");
    Check(end != std::string_view::npos && text.substr(0, 13) == "Processing - ");
    text.remove_prefix(end + 2);
  }
}

std::vector<std::pair<void*, std::size_t>> guards;  // of this run's opens

void DropGuards() {
  for (const auto& [at, size] : guards) munmap(at, size);
  guards.clear();
}

// The path of the in-memory file holding this run's input.
const std::string& WriteInput(const std::uint8_t* data, std::size_t size) {
  static const int fd = memfd_create("hive_fuzz", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  Check(fd >= 0 && ftruncate(fd, 0) == 0);
  Check(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
  if (size >= kChecksum + 4) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kChecksum; i += 4) {
      sum ^= static_cast<std::uint32_t>(data[i]) | static_cast<std::uint32_t>(data[i + 1]) << 8 |
             static_cast<std::uint32_t>(data[i + 2]) << 16 |
             static_cast<std::uint32_t>(data[i + 3]) << 24;
    }
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(sum), static_cast<unsigned char>(sum >> 8),
        static_cast<unsigned char>(sum >> 16), static_cast<unsigned char>(sum >> 24)};
    Check(pwrite(fd, bytes, 4, kChecksum) == 4);
  }
  return path;
}

}  // namespace

extern "C" hive_h* __real_hivex_open(const char* path, int flags);

extern "C" hive_h* __wrap_hivex_open(const char* path, int flags) {
  static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  struct stat info;
  if (stat(path, &info) != 0 || info.st_size <= 0) return __real_hivex_open(path, flags);
  const std::size_t span = (static_cast<std::size_t>(info.st_size) + page - 1) / page * page;
  std::vector<void*> fillers;  // holes above ours that the mapping took instead
  hive_h* hive = nullptr;
  for (int attempt = 0; attempt < 16; ++attempt) {
    auto* area = static_cast<char*>(
        mmap(nullptr, span + page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    Check(area != MAP_FAILED && munmap(area, span) == 0);
    guards.emplace_back(area + span, page);
    hive = __real_hivex_open(path, flags);
    if (hive == nullptr) break;
    void* probe =
        mmap(area, page, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (probe == MAP_FAILED) break;  // the hive fills the hole
    munmap(probe, page);
    hivex_close(hive);
    hive = nullptr;
    fillers.push_back(mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  }
  for (void* filler : fillers) munmap(filler, span);
  return hive != nullptr ? hive : __real_hivex_open(path, flags);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DropGuards();
  const std::string& path = WriteInput(data, size);
  tovrix::platform::HiveOpenResult software = tovrix::platform::OpenHiveFile(path);
  if (!software.store) return 0;
  tovrix::platform::HiveOpenResult ntuser = tovrix::platform::OpenHiveFile(path);
  Check(ntuser.store != nullptr && ntuser.dirty == software.dirty);
  auto registry = tovrix::MountHives(std::move(software.store), nullptr, std::move(ntuser.store));

  tovrix::ConversionSettings settings;
  const std::uint8_t flags = size > kSettingsByte ? data[kSettingsByte] : 0;
  settings.replaceMode = static_cast<std::uint8_t>(flags % 3);
  settings.replaceTarget = static_cast<std::uint8_t>((flags >> 2) % 7 + 1);
  settings.verbose = true;
  settings.addExpanderEntries = true;

  tovrix::TStringList lines;
  tovrix::TStringList expanders;
  tovrix::CapturingConsole console;
  const struct {
    std::uint32_t root;
    std::string_view path;
  } exports[] = {{tovrix::kHkeyLocalMachine, "SOFTWARE"},
                 {tovrix::kHkeyClassesRoot, ""},
                 {tovrix::kHkeyCurrentUser, ""}};
  try {
    for (const auto& key : exports) {
      tovrix::ExportKey(*registry, lines, key.root, key.path, settings, expanders, console);
    }
  } catch (const tovrix::TovrixError&) {
  }
  CheckLines(lines);
  for (int i = 0; i < expanders.Count(); ++i) {
    Check(expanders.View(i).substr(0, 23) == "0x7,\"Valmora\\Tessaly\\HK");
  }
  CheckConsole(console.text);
  return 0;
}
