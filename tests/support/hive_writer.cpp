#include "support/hive_writer.h"

#include <hivex.h>
#include <unicode/ustring.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>

namespace tovrix::testing {

namespace {

constexpr std::size_t kHeaderSize = 0x1000;
constexpr std::size_t kHbinSize = 0x1000;
constexpr std::size_t kHbinHeader = 0x20;
constexpr std::size_t kChecksumOffset = 0x1FC;

void Put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t Get32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i)
    v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}

void SetChecksum(std::string& file) {
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < kChecksumOffset; at += 4) sum ^= Get32(file, at);
  Put32(file, kChecksumOffset, sum);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

[[noreturn]] void HivexFailed(const char* what, const std::string& path) {
  throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(errno));
}

class Hive {
 public:
  explicit Hive(const std::string& path)
      : path_(path), h_(hivex_open(path.c_str(), HIVEX_OPEN_WRITE)) {
    if (h_ == nullptr) HivexFailed("hivex_open", path);
  }
  ~Hive() { hivex_close(h_); }
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  hive_node_h Key(std::string_view path) {
    hive_node_h node = hivex_root(h_);
    std::size_t start = 0;
    while (start < path.size()) {
      std::size_t end = path.find('\\', start);
      if (end == std::string_view::npos) end = path.size();
      const std::string name(path.substr(start, end - start));
      hive_node_h child = hivex_node_get_child(h_, node, name.c_str());
      if (child == 0) child = hivex_node_add_child(h_, node, name.c_str());
      if (child == 0) HivexFailed("hivex_node_add_child", name);
      node = child;
      start = end + 1;
    }
    return node;
  }

  void SetValues(hive_node_h node, const std::vector<HiveValue>& values) {
    std::vector<hive_set_value> set;
    set.reserve(values.size());
    for (const HiveValue& v : values) {
      set.push_back(hive_set_value{const_cast<char*>(v.name.c_str()),
                                   static_cast<hive_type>(v.type), v.data.size(),
                                   const_cast<char*>(v.data.data())});
    }
    if (hivex_node_set_values(h_, node, set.size(), set.data(), 0) != 0) {
      HivexFailed("hivex_node_set_values", path_);
    }
  }

  void Commit() {
    if (hivex_commit(h_, nullptr, 0) != 0) HivexFailed("hivex_commit", path_);
  }

 private:
  std::string path_;
  hive_h* h_;
};

}  // namespace

void WriteEmptyHive(const std::string& path) {
  std::string file(kHeaderSize + kHbinSize, '\0');
  // Header.
  file.replace(0, 4, "regf");
  Put32(file, 0x04, 1);  // sequence numbers, equal: nothing waits in a log
  Put32(file, 0x08, 1);
  Put32(file, 0x14, 1);  // version 1.5
  Put32(file, 0x18, 5);
  Put32(file, 0x20, 1);            // format: direct memory load
  Put32(file, 0x24, kHbinHeader);  // root cell, counted from the first hbin
  Put32(file, 0x28, kHbinSize);    // size of the hbins
  Put32(file, 0x2C, 1);
  SetChecksum(file);
  // The hbin.
  const std::size_t bin = kHeaderSize;
  file.replace(bin, 4, "hbin");
  Put32(file, bin + 0x04, 0);  // its offset from the first hbin
  Put32(file, bin + 0x08, kHbinSize);
  // Root key: cell size (negative while used), "nk", flags hive entry, no
  // delete, compressed name.
  const std::size_t nk = bin + kHbinHeader;
  const std::size_t nkSize = 0x58;
  const std::size_t sk = nk + nkSize;
  const std::size_t skSize = 0x30;
  Put32(file, nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nkSize)));
  file.replace(nk + 4, 2, "nk");
  Put16(file, nk + 0x06, 0x2C);
  Put32(file, nk + 0x20, 0xFFFFFFFF);  // no subkey lists, no values, no class
  Put32(file, nk + 0x24, 0xFFFFFFFF);
  Put32(file, nk + 0x2C, 0xFFFFFFFF);
  Put32(file, nk + 0x30, static_cast<std::uint32_t>(sk - bin));
  Put32(file, nk + 0x34, 0xFFFFFFFF);
  Put16(file, nk + 0x4C, 4);
  file.replace(nk + 0x50, 4, "ROOT");
  // Security record: a list of one (it links to itself), one user, and an
  // empty self-relative security descriptor.
  Put32(file, sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(skSize)));
  file.replace(sk + 4, 2, "sk");
  Put32(file, sk + 0x08, static_cast<std::uint32_t>(sk - bin));
  Put32(file, sk + 0x0C, static_cast<std::uint32_t>(sk - bin));
  Put32(file, sk + 0x10, 1);
  Put32(file, sk + 0x14, 20);
  file[sk + 0x18] = 1;             // revision
  Put16(file, sk + 0x1A, 0x8000);  // self-relative
  // The rest of the hbin is one free cell (positive size).
  const std::size_t rest = sk + skSize;
  Put32(file, rest, static_cast<std::uint32_t>(bin + kHbinSize - rest));
  WriteAll(path, file);
}

void WriteHive(const std::string& path, const std::vector<HiveKey>& keys) {
  WriteEmptyHive(path);
  Hive hive(path);
  // hivex replaces a key's values as a whole: gather them first.
  std::vector<std::pair<hive_node_h, std::vector<HiveValue>>> values;
  std::map<hive_node_h, std::size_t> slot;
  for (const HiveKey& key : keys) {
    const hive_node_h node = hive.Key(key.path);
    auto [it, added] = slot.emplace(node, values.size());
    if (added) values.emplace_back(node, std::vector<HiveValue>());
    auto& list = values[it->second].second;
    list.insert(list.end(), key.values.begin(), key.values.end());
  }
  for (const auto& [node, list] : values) {
    if (!list.empty()) hive.SetValues(node, list);
  }
  hive.Commit();
}

void MarkHiveDirty(const std::string& path) {
  std::string file = ReadAll(path);
  if (file.size() < kHeaderSize) throw std::runtime_error("no hive: " + path);
  Put32(file, 0x08, Get32(file, 0x04) + 1);
  SetChecksum(file);
  WriteAll(path, file);
}

void StoreAsBigData(const std::string& path) {
  constexpr std::uint32_t kSegment = 16344;
  std::string file = ReadAll(path);
  if (file.size() < kHeaderSize + kHbinSize) throw std::runtime_error("no hive: " + path);
  auto align8 = [](std::size_t n) { return (n + 7) & ~std::size_t{7}; };
  std::vector<std::size_t> big;  // vk records
  for (std::size_t bin = kHeaderSize, end = 0; bin + kHbinHeader <= file.size(); bin = end) {
    if (file.compare(bin, 4, "hbin") != 0 || Get32(file, bin + 8) == 0) break;
    end = bin + Get32(file, bin + 8);
    for (std::size_t cell = bin + kHbinHeader; cell + 8 <= end;) {
      const auto size = static_cast<std::int32_t>(Get32(file, cell));
      if (size == 0) break;
      if (size < 0 && file.compare(cell + 4, 2, "vk") == 0 && Get32(file, cell + 8) > kSegment &&
          Get32(file, cell + 8) < 0x80000000u) {
        big.push_back(cell);
      }
      cell += static_cast<std::size_t>(size < 0 ? -size : size);
    }
  }
  for (const std::size_t vk : big) {
    const std::uint32_t length = Get32(file, vk + 8);
    const std::size_t old = kHeaderSize + Get32(file, vk + 12);
    const std::string data = file.substr(old + 4, length);
    Put32(file, old, 0u - Get32(file, old));  // the old data cell becomes free
    const std::size_t count = (length + kSegment - 1) / kSegment;
    std::string bin(kHbinHeader, '\0');
    const std::size_t at = file.size();
    auto cell = [&](std::size_t size) {
      const std::size_t offset = bin.size();
      bin.resize(offset + align8(size), '\0');
      Put32(bin, offset, static_cast<std::uint32_t>(0 - align8(size)));  // used
      return offset;
    };
    const std::size_t db = cell(16);
    const std::size_t list = cell(4 + 4 * count);
    bin.replace(db + 4, 2, "db");
    Put16(bin, db + 6, static_cast<std::uint16_t>(count));
    Put32(bin, db + 8, static_cast<std::uint32_t>(at + list - kHeaderSize));
    for (std::size_t i = 0; i < count; ++i) {
      const std::string part = data.substr(i * kSegment, kSegment);
      // hivex reads a segment's cell without its last 4 bytes.
      const std::size_t segment = cell(4 + part.size() + 4);
      bin.replace(segment + 4, part.size(), part);
      Put32(bin, list + 4 + 4 * i, static_cast<std::uint32_t>(at + segment - kHeaderSize));
    }
    const std::size_t rest = bin.size();
    bin.resize((rest + 8 + kHbinSize - 1) / kHbinSize * kHbinSize, '\0');
    Put32(bin, rest, static_cast<std::uint32_t>(bin.size() - rest));  // free
    bin.replace(0, 4, "hbin");
    Put32(bin, 4, static_cast<std::uint32_t>(at - kHeaderSize));
    Put32(bin, 8, static_cast<std::uint32_t>(bin.size()));
    file += bin;
    Put32(file, vk + 12, static_cast<std::uint32_t>(at + db - kHeaderSize));
  }
  Put32(file, 0x28, static_cast<std::uint32_t>(file.size() - kHeaderSize));
  SetChecksum(file);
  WriteAll(path, file);
}

std::string Utf16(std::string_view utf8, bool terminated) {
  std::u16string units(utf8.size() + 1, u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8(reinterpret_cast<UChar*>(units.data()), static_cast<int32_t>(units.size()), &length,
                utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) throw std::runtime_error("no UTF-8: " + std::string(utf8));
  units.resize(static_cast<std::size_t>(length) + (terminated ? 1 : 0), u'\0');
  std::string out;
  for (char16_t unit : units) out += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return out;
}

std::string DwordData(std::uint32_t value) {
  std::string out(4, '\0');
  Put32(out, 0, value);
  return out;
}

}  // namespace tovrix::testing
