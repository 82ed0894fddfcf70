// The registry stores of the Linux build: no live registry, and hive files
// read through hivex.
//
// hivex walks the structure (subkey and value lists, big data) and checks
// that every cell it follows is a used cell of the file. The names it
// would hand out are recoded to UTF-8, which cannot carry every UTF-16
// name, so the names are read here from the key and value records
// themselves (pread at the record's offset, after hivex has vouched for
// the record's length) and converted exactly as the ANSI registry
// functions convert them: unit by unit to the ANSI code page, best fit
// included. String data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) is converted
// the same way, an odd last byte dropped; other data is raw.
//
// A name is looked up as RegOpenKeyExA and RegQueryValueExA look it up: the
// ANSI name converted to UTF-16 through the code page, then compared with
// the stored names unit by unit after simple upper-casing over all of
// Unicode. The first match in the hive's order wins.
//
// The hive must be a tree: every subkey's record names the listing key as
// its parent, no list names a key twice, and no key lists the root. A file
// that breaks this, or a record hivex refuses, makes the store answer
// Damaged.
#include <errno.h>
#include <fcntl.h>
#include <hivex.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/ansi_tables.h"
#include "platform/registry.h"
#include "platform/registry_path.h"

namespace tovrix::platform {
namespace {

// Record layouts (offsets from the start of the cell, its size field
// included). Key record "nk":
constexpr std::size_t kNkFlags = 0x06;
constexpr std::size_t kNkParent = 0x14;
constexpr std::size_t kNkNameLength = 0x4C;
constexpr std::size_t kNkName = 0x50;
constexpr std::uint16_t kNkCompressedName = 0x0020;
// Value record "vk":
constexpr std::size_t kVkNameLength = 0x06;
constexpr std::size_t kVkFlags = 0x14;
constexpr std::size_t kVkName = 0x18;
constexpr std::uint16_t kVkCompressedName = 0x0001;
// Cell offsets inside the file count from the first hbin, 0x1000.
constexpr std::size_t kFirstHbin = 0x1000;
// Header: the two sequence numbers differ while changes wait in the logs.
constexpr std::size_t kHeaderSequence1 = 4;
constexpr std::size_t kHeaderSequence2 = 8;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegMultiSz = 7;

// Subkey and value tables of this many keys are kept; a depth-first export
// comes back to the keys on its current path again and again.
constexpr std::size_t kCachedKeys = 64;

// Bytes read at once from a record's start: the fixed part and the name of
// nearly every record.
constexpr std::size_t kRecordRead = 256;

std::uint16_t Le16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// UTF-16 units of a stored name: one byte per unit when compressed, else
// UTF-16LE with an odd last byte dropped.
std::u16string NameUnits(const unsigned char* bytes, std::size_t length, bool compressed) {
  std::u16string units;
  if (compressed) {
    units.assign(bytes, bytes + length);
  } else {
    units.resize(length / 2);
    for (std::size_t i = 0; i < units.size(); ++i) units[i] = Le16(bytes + 2 * i);
  }
  return units;
}

void FoldCase(std::u16string& units) {
  for (char16_t& unit : units) {
    const UChar32 upper = u_toupper(unit);
    if (upper <= 0xFFFF) unit = static_cast<char16_t>(upper);
  }
}

// The ANSI name as MultiByteToWideChar reads it, case folded. A byte the
// single-byte code page leaves undefined stands for the unit of its value,
// as in the Windows tables.
std::u16string FoldedLookupName(std::string_view ansi) {
  const posix::AnsiTables& tables = posix::Tables();
  std::u16string units;
  posix::AppendAnsiAsWide(tables, ansi, units);
  if (!tables.doubleByte) {
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (units[i] == u'\uFFFD') units[i] = static_cast<unsigned char>(ansi[i]);
    }
  }
  FoldCase(units);
  return units;
}

std::string UnitsToAnsi(const std::u16string& units) {
  std::string out;
  AppendWideAsAnsi(units.data(), units.size(), out);
  return out;
}

// The names of one key's subkeys or values, in the hive's order.
struct NameTable {
  std::vector<std::size_t> items;  // hivex node or value handles
  std::vector<std::string> ansi;
  std::uint32_t longest = 0;
  // Folded name -> first index with that name; made on the first lookup.
  std::unordered_map<std::u16string, std::size_t> index;
  bool indexed = false;
};

struct KeyTables {
  bool haveSubkeys = false;
  NameTable subkeys;
  std::vector<std::u16string> subkeyUnits;  // until indexed
  bool haveValues = false;
  NameTable values;
  std::vector<std::u16string> valueUnits;
  std::uint64_t lastUse = 0;
};

class HiveRegistry : public RegistryStore {
 public:
  HiveRegistry(hive_h* hive, int fd, std::string path)
      : hive_(hive), fd_(fd), path_(std::move(path)), root_(hivex_root(hive)) {}
  ~HiveRegistry() override {
    hivex_close(hive_);
    ::close(fd_);
  }
  HiveRegistry(const HiveRegistry&) = delete;
  HiveRegistry& operator=(const HiveRegistry&) = delete;

  RegistryHandle Root(std::uint32_t) override { return kRootHandle; }

  RegistryStatus Open(RegistryHandle parent, std::string_view path, std::uint32_t,
                      RegistryHandle& opened) override {
    std::size_t node = 0;
    if (!Resolve(parent, node)) return RegistryStatus::Failed;
    std::vector<std::string_view> parts;
    if (!SplitRegistryPath(path, parts)) return RegistryStatus::Failed;
    for (std::string_view part : parts) {
      KeyTables* tables = Subkeys(node);
      if (tables == nullptr) return RegistryStatus::Damaged;
      const std::size_t* found = Find(tables->subkeys, tables->subkeyUnits, part);
      if (found == nullptr) return RegistryStatus::Failed;
      node = tables->subkeys.items[*found];
    }
    opened = Handle(node);
    return RegistryStatus::Ok;
  }

  void Close(RegistryHandle key) override {
    if (key == kRootHandle || key == 0 || key > open_.size()) return;
    open_[key - 1] = 0;
    free_.push_back(key - 1);
  }

  RegistryStatus QueryKeyInfo(RegistryHandle key, RegistryKeyInfo& info) override {
    std::size_t node = 0;
    if (!Resolve(key, node)) return RegistryStatus::Failed;
    KeyTables* subkeys = Subkeys(node);
    if (subkeys == nullptr) return RegistryStatus::Damaged;
    info.subkeyCount = static_cast<std::uint32_t>(subkeys->subkeys.items.size());
    info.maxSubkeyNameLength = subkeys->subkeys.longest;
    KeyTables* values = Values(node);
    if (values == nullptr) return RegistryStatus::Damaged;
    info.valueCount = static_cast<std::uint32_t>(values->values.items.size());
    info.maxValueNameLength = values->values.longest;
    return RegistryStatus::Ok;
  }

  RegistryStatus EnumValueName(RegistryHandle key, std::uint32_t index, char* buffer,
                               std::uint32_t capacity) override {
    std::size_t node = 0;
    if (!Resolve(key, node)) return RegistryStatus::Failed;
    KeyTables* tables = Values(node);
    if (tables == nullptr) return RegistryStatus::Damaged;
    return CopyName(tables->values, index, buffer, capacity);
  }

  RegistryStatus EnumSubkeyName(RegistryHandle key, std::uint32_t index, char* buffer,
                                std::uint32_t capacity) override {
    std::size_t node = 0;
    if (!Resolve(key, node)) return RegistryStatus::Failed;
    KeyTables* tables = Subkeys(node);
    if (tables == nullptr) return RegistryStatus::Damaged;
    return CopyName(tables->subkeys, index, buffer, capacity);
  }

  RegistryStatus QueryValue(RegistryHandle key, std::string_view name, std::uint32_t& type,
                            unsigned char* data, std::uint32_t& size) override {
    std::size_t node = 0;
    if (!Resolve(key, node)) return RegistryStatus::Failed;
    KeyTables* tables = Values(node);
    if (tables == nullptr) return RegistryStatus::Damaged;
    const std::size_t* found = Find(tables->values, tables->valueUnits, name);
    if (found == nullptr) return RegistryStatus::Failed;
    const std::size_t value = tables->values.items[*found];
    if (value != dataValue_ && !LoadData(value)) return RegistryStatus::Damaged;
    type = dataType_;
    const auto needed = static_cast<std::uint32_t>(data_.size());
    if (data == nullptr) {
      size = needed;
      return RegistryStatus::Ok;
    }
    if (needed > size) {
      size = needed;
      return RegistryStatus::MoreData;
    }
    if (needed > 0) std::memcpy(data, data_.data(), needed);
    size = needed;
    return RegistryStatus::Ok;
  }

  std::string Damage() const override { return path_ + ": " + damage_; }

 private:
  static constexpr RegistryHandle kRootHandle = ~RegistryHandle{0};

  bool Resolve(RegistryHandle handle, std::size_t& node) const {
    if (handle == kRootHandle) {
      node = root_;
      return true;
    }
    if (handle == 0 || handle > open_.size() || open_[handle - 1] == 0) return false;
    node = open_[handle - 1];
    return true;
  }

  RegistryHandle Handle(std::size_t node) {
    if (!free_.empty()) {
      const std::size_t slot = free_.back();
      free_.pop_back();
      open_[slot] = node;
      return slot + 1;
    }
    open_.push_back(node);
    return open_.size();
  }

  bool Fail(const std::string& what) {
    if (damage_.empty()) damage_ = what;
    return false;
  }

  // Reads the record at `offset`, at least `length` bytes of it (more when
  // the file has them: names usually follow in the same read).
  bool ReadAt(std::size_t offset, std::size_t length, std::vector<unsigned char>& out) {
    out.resize(std::max(length, kRecordRead));
    std::size_t done = 0;
    while (done < length) {
      const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return Fail(std::string("the file cannot be read: ") + std::strerror(errno));
      if (got == 0) return Fail(Located("a record runs past the end of the file", offset));
      done += static_cast<std::size_t>(got);
    }
    out.resize(done);
    return true;
  }

  KeyTables& Slot(std::size_t node) {
    KeyTables& tables = cache_[node];
    tables.lastUse = ++clock_;
    if (cache_.size() > kCachedKeys) {
      auto oldest = cache_.end();
      for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->first != node && (oldest == cache_.end() || it->second.lastUse < oldest->second.lastUse)) {
          oldest = it;
        }
      }
      cache_.erase(oldest);
    }
    return cache_[node];
  }

  // The subkey table of `node`; null when the hive is damaged there.
  KeyTables* Subkeys(std::size_t node) {
    KeyTables& tables = Slot(node);
    if (tables.haveSubkeys) return &tables;
    errno = 0;
    hive_node_h* children = hivex_node_children(hive_, node);
    if (children == nullptr) {
      Fail(Located(errno == ERANGE ? "a key has more subkeys than the reader takes"
                                   : "the subkey list cannot be read",
                   node));
      return nullptr;
    }
    NameTable table;
    std::vector<std::u16string> units;
    bool sound = true;
    for (std::size_t i = 0; children[i] != 0 && sound; ++i) {
      std::u16string name;
      sound = ReadKeyName(children[i], node, name);
      table.items.push_back(children[i]);
      units.push_back(std::move(name));
    }
    std::free(children);
    if (sound) sound = Distinct(table.items, node);
    if (!sound) return nullptr;
    Finish(table, units);
    tables.subkeys = std::move(table);
    tables.subkeyUnits = std::move(units);
    tables.haveSubkeys = true;
    return &tables;
  }

  KeyTables* Values(std::size_t node) {
    KeyTables& tables = Slot(node);
    if (tables.haveValues) return &tables;
    errno = 0;
    hive_value_h* values = hivex_node_values(hive_, node);
    if (values == nullptr) {
      Fail(Located(errno == ERANGE ? "a key has more values than the reader takes"
                                   : "the value list cannot be read",
                   node));
      return nullptr;
    }
    NameTable table;
    std::vector<std::u16string> units;
    bool sound = true;
    for (std::size_t i = 0; values[i] != 0 && sound; ++i) {
      std::u16string name;
      sound = ReadValueName(values[i], name);
      table.items.push_back(values[i]);
      units.push_back(std::move(name));
    }
    std::free(values);
    if (!sound) return nullptr;
    Finish(table, units);
    tables.values = std::move(table);
    tables.valueUnits = std::move(units);
    tables.haveValues = true;
    return &tables;
  }

  static void Finish(NameTable& table, const std::vector<std::u16string>& units) {
    table.ansi.reserve(units.size());
    for (const std::u16string& name : units) {
      table.ansi.push_back(UnitsToAnsi(name));
      table.longest = std::max(table.longest, static_cast<std::uint32_t>(table.ansi.back().size()));
    }
  }

  static const std::size_t* Find(NameTable& table, std::vector<std::u16string>& units,
                                 std::string_view ansi) {
    if (!table.indexed) {
      for (std::size_t i = 0; i < units.size(); ++i) {
        FoldCase(units[i]);
        table.index.emplace(std::move(units[i]), i);  // the first of a name stays
      }
      units.clear();
      units.shrink_to_fit();
      table.indexed = true;
    }
    auto it = table.index.find(FoldedLookupName(ansi));
    return it == table.index.end() ? nullptr : &it->second;
  }

  static RegistryStatus CopyName(const NameTable& table, std::uint32_t index, char* buffer,
                                 std::uint32_t capacity) {
    if (index >= table.ansi.size()) return RegistryStatus::Failed;
    const std::string& name = table.ansi[index];
    if (name.size() + 1 > capacity) return RegistryStatus::MoreData;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return RegistryStatus::Ok;
  }

  bool ReadKeyName(std::size_t child, std::size_t parent, std::u16string& name) {
    // hivex checks that the cell is a used "nk" record that holds its name.
    const std::size_t length = hivex_node_struct_length(hive_, child);
    if (length < kNkName) return Fail(Located("a subkey record is not sound", child));
    std::vector<unsigned char> record;
    if (!ReadAt(child, length, record)) return false;
    if (Le32(record.data() + kNkParent) + kFirstHbin != parent) {
      return Fail(Located("a subkey names another key as its parent", child));
    }
    if (child == root_) return Fail(Located("a key lists the root key", parent));
    const std::size_t nameLength = Le16(record.data() + kNkNameLength);
    const bool compressed = (Le16(record.data() + kNkFlags) & kNkCompressedName) != 0;
    name = NameUnits(record.data() + kNkName, nameLength, compressed);
    return true;
  }

  bool ReadValueName(std::size_t value, std::u16string& name) {
    // hivex checks that the cell is a used one; the rest is checked here
    // (its own length check counts the name in UTF-8).
    std::vector<unsigned char> record;
    if (!ReadAt(value, kVkName, record)) return false;
    const std::size_t cell = static_cast<std::size_t>(
        std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(Le32(record.data())))));
    const std::size_t nameLength = Le16(record.data() + kVkNameLength);
    if (record[4] != 'v' || record[5] != 'k' || kVkName + nameLength > cell) {
      return Fail(Located("a value record is not sound", value));
    }
    if (!ReadAt(value, kVkName + nameLength, record)) return false;
    const bool compressed = (Le16(record.data() + kVkFlags) & kVkCompressedName) != 0;
    name = NameUnits(record.data() + kVkName, nameLength, compressed);
    return true;
  }

  bool Distinct(std::vector<std::size_t> items, std::size_t node) {
    std::sort(items.begin(), items.end());
    if (std::adjacent_find(items.begin(), items.end()) != items.end()) {
      return Fail(Located("a subkey list names a key twice", node));
    }
    return true;
  }

  // Reads the data of `value` into data_, strings converted.
  bool LoadData(std::size_t value) {
    hive_type type = hive_t_REG_NONE;
    std::size_t length = 0;
    errno = 0;
    char* raw = hivex_value_value(hive_, value, &type, &length);
    if (raw == nullptr) {
      return Fail(Located(errno == ERANGE ? "a value is larger than the reader takes (8 MB)"
                                          : "a value's data cannot be read",
                          value));
    }
    dataType_ = static_cast<std::uint32_t>(type);
    if (dataType_ == kRegSz || dataType_ == kRegExpandSz || dataType_ == kRegMultiSz) {
      std::u16string units(length / 2, u'\0');
      for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = Le16(reinterpret_cast<const unsigned char*>(raw) + 2 * i);
      }
      data_ = UnitsToAnsi(units);
    } else {
      data_.assign(raw, length);
    }
    std::free(raw);
    dataValue_ = value;
    return true;
  }

  static std::string Located(const char* what, std::size_t offset) {
    char where[32];
    std::snprintf(where, sizeof where, " (at offset 0x%zx)", offset);
    return std::string(what) + where;
  }

  hive_h* hive_;
  int fd_;
  std::string path_;
  std::size_t root_;
  std::vector<std::size_t> open_;  // handle - 1 -> node; 0 for a free slot
  std::vector<std::size_t> free_;
  std::unordered_map<std::size_t, KeyTables> cache_;
  std::uint64_t clock_ = 0;
  std::size_t dataValue_ = 0;  // the value whose data data_ holds
  std::uint32_t dataType_ = 0;
  std::string data_;
  std::string damage_;
};

std::string ErrnoText(int error) { return std::strerror(error); }

}  // namespace

std::unique_ptr<RegistryStore> OpenLiveRegistry() { return nullptr; }

HiveOpenResult OpenHiveFile(const std::string& path) {
  HiveOpenResult result;
  if (path.empty() || path.find('\0') != std::string::npos) {
    result.error = ErrnoText(ENOENT);
    return result;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    result.error = ErrnoText(errno);
    return result;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = errno;
    ::close(fd);
    result.error = S_ISDIR(info.st_mode) ? ErrnoText(EISDIR) : error != 0 ? ErrnoText(error)
                                                                          : "not a regular file";
    return result;
  }
  unsigned char header[kHeaderSequence2 + 4] = {};
  const bool headerRead = ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
  errno = 0;
  hive_h* hive = hivex_open(path.c_str(), 0);
  if (hive == nullptr) {
    const int error = errno;
    ::close(fd);
    result.error = (error == ENOTSUP || error == EINVAL || error == 0 || !headerRead)
                       ? "not a registry hive file, or a damaged one"
                       : ErrnoText(error);
    return result;
  }
  if (hivex_root(hive) == 0) {
    hivex_close(hive);
    ::close(fd);
    result.error = "the hive has no root key";
    return result;
  }
  result.dirty = Le32(header + kHeaderSequence1) != Le32(header + kHeaderSequence2);
  result.store = std::make_unique<HiveRegistry>(hive, fd, path);
  return result;
}

}  // namespace tovrix::platform
