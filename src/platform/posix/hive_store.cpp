// The registry stores of the Linux build: no live registry, and hive files
// read through hivex.
//
// hivex walks the structure (subkey and value lists, big data) and checks
// that every cell it follows is a used cell of the file. The names it
// would hand out are recoded to UTF-8, which cannot carry every UTF-16
// name, so the names are read here from the key and value records
// themselves (in the file, mapped read-only as hivex maps it, after hivex
// has vouched for the record's length) and converted exactly as the ANSI registry
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
#include <sys/mman.h>
#include <sys/stat.h>
#include <unicode/uchar.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/posix/ansi_tables.h"
#include "platform/registry.h"
#include "platform/registry_path.h"
#include "registry/registry.h"

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
constexpr std::size_t kVkDataLength = 0x08;
constexpr std::size_t kVkDataOffset = 0x0C;
constexpr std::size_t kVkType = 0x10;
constexpr std::size_t kVkFlags = 0x14;
constexpr std::size_t kVkName = 0x18;
constexpr std::uint16_t kVkCompressedName = 0x0001;
// Big-data record "db": the count of segments and the cell listing them.
constexpr std::size_t kDbCount = 0x06;
constexpr std::size_t kDbList = 0x08;
constexpr std::size_t kDbFixed = 0x0C;
// Cell offsets inside the file count from the first hbin, 0x1000.
constexpr std::size_t kFirstHbin = 0x1000;
// Header: the two sequence numbers differ while changes wait in the logs.
constexpr std::size_t kHeaderSequence1 = 4;
constexpr std::size_t kHeaderSequence2 = 8;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegMultiSz = 7;

// Subkey and value tables are kept for recently used keys in this many
// slots, a key's slot chosen by its place in the file; a key whose slot is
// taken replaces the one there. A depth-first export comes back to the keys
// on its current path again and again, but reaches them mostly through the
// path it opened last (see Open).
constexpr std::size_t kTableSlots = 4096;

// Up to this many names, a name is looked up by comparing it with each in
// turn; longer tables are ordered by hash.
constexpr std::size_t kSearchedInOrder = 8;

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
// The size of the cell starting at `p`, used or free.
std::size_t CellSize(const unsigned char* p) {
  return static_cast<std::size_t>(
      std::abs(static_cast<std::int64_t>(static_cast<std::int32_t>(Le32(p)))));
}

// UTF-16 units of a stored name: one byte per unit when compressed, else
// UTF-16LE with an odd last byte dropped.
void AppendNameUnits(const unsigned char* bytes, std::size_t length, bool compressed,
                     std::u16string& units) {
  if (compressed) {
    units.append(bytes, bytes + length);
  } else {
    for (std::size_t i = 0; i + 1 < length; i += 2) units.push_back(Le16(bytes + i));
  }
}

void FoldCase(char16_t* begin, char16_t* end) {
  for (char16_t* p = begin; p != end; ++p) {
    char16_t& unit = *p;
    if (unit < 0x80) {
      if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 0x20);
      continue;
    }
    const UChar32 upper = u_toupper(unit);
    if (upper <= 0xFFFF) unit = static_cast<char16_t>(upper);
  }
}

// The ANSI name as MultiByteToWideChar reads it, case folded, into
// `units`. A byte the single-byte code page leaves undefined stands for the
// unit of its value, as in the Windows tables.
void FoldedLookupName(std::string_view ansi, std::u16string& units) {
  const posix::AnsiTables& tables = posix::Tables();
  units.clear();
  posix::AppendAnsiAsWide(tables, ansi, units);
  if (!tables.doubleByte) {
    for (std::size_t i = 0; i < units.size(); ++i) {
      if (units[i] == u'\uFFFD') units[i] = static_cast<unsigned char>(ansi[i]);
    }
  }
  FoldCase(units.data(), units.data() + units.size());
}

// FNV-1a over UTF-16 units.
constexpr std::uint64_t kHashSeed = 14695981039346656037u;
constexpr std::uint64_t kHashPrime = 1099511628211u;

std::uint64_t HashUnits(std::u16string_view units) {
  std::uint64_t hash = kHashSeed;
  for (char16_t unit : units) hash = (hash ^ unit) * kHashPrime;
  return hash;
}

// The folded unit of an ASCII byte, as FoldCase folds it.
char16_t AsciiUpper(char c) {
  return static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 0x20 : static_cast<unsigned char>(c));
}

// The names of one key's subkeys or values, in the hive's order: in ANSI as
// enumerated, and folded for lookups, each kind one after the other in one
// buffer. `byHash` orders the names by the hash of the folded name, then
// by place, so the first of equal names comes first (empty for tables of
// kSearchedInOrder names or fewer).
struct NameTable {
  std::vector<std::size_t> items;  // hivex node or value handles
  std::string ansi;
  std::vector<std::uint32_t> ansiEnd;
  std::u16string folded;
  std::vector<std::uint32_t> foldedEnd;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> byHash;
  std::uint32_t longest = 0;

  std::string_view Ansi(std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : ansiEnd[i - 1];
    return std::string_view(ansi).substr(begin, ansiEnd[i] - begin);
  }
  std::u16string_view Folded(std::size_t i) const {
    const std::uint32_t begin = i == 0 ? 0 : foldedEnd[i - 1];
    return std::u16string_view(folded).substr(begin, foldedEnd[i] - begin);
  }
  // Empties the table, keeping its memory for the next key.
  void Clear() {
    items.clear();
    ansi.clear();
    ansiEnd.clear();
    folded.clear();
    foldedEnd.clear();
    byHash.clear();
    longest = 0;
  }
};

struct KeyTables {
  bool haveSubkeys = false;
  NameTable subkeys;
  bool haveValues = false;
  NameTable values;
};

class HiveRegistry : public RegistryStore {
 public:
  // `bytes` maps the whole file, `size` bytes; the store unmaps it.
  HiveRegistry(hive_h* hive, int fd, const unsigned char* bytes, std::size_t size, std::string path)
      : hive_(hive),
        fd_(fd),
        bytes_at_(bytes),
        size_(size),
        path_(std::move(path)),
        root_(hivex_root(hive)) {}
  ~HiveRegistry() override {
    hivex_close(hive_);
    ::munmap(const_cast<unsigned char*>(bytes_at_), size_);
    ::close(fd_);
  }
  HiveRegistry(const HiveRegistry&) = delete;
  HiveRegistry& operator=(const HiveRegistry&) = delete;

  RegistryHandle Root(std::uint32_t) override { return kRootHandle; }

  RegistryStatus Open(RegistryHandle parent, std::string_view path, std::uint32_t,
                      RegistryHandle& opened) override {
    std::size_t node = 0;
    if (!Resolve(parent, node)) return RegistryStatus::Failed;
    // An export opens one key once for each of its values.
    if (node == lastOpen_.from && path == lastOpen_.path) {
      opened = Handle(lastOpen_.node);
      return RegistryStatus::Ok;
    }
    std::vector<std::string_view>& parts = parts_;
    if (!SplitRegistryPath(path, parts)) return RegistryStatus::Failed;
    // Start from the longest leading part the path shares with the one
    // opened last from the same key: a depth-first export opens a key's
    // subkeys, and their subkeys, one after the other.
    if (node != steps_.from) {
      steps_.from = node;
      steps_.names.clear();
      steps_.nodes.clear();
    }
    const std::size_t start = node;
    std::size_t done = 0;
    while (done < parts.size() && done < steps_.names.size() && parts[done] == steps_.names[done]) {
      ++done;
    }
    if (done > 0) node = steps_.nodes[done - 1];
    steps_.names.resize(done);
    steps_.nodes.resize(done);
    for (std::size_t n = done; n < parts.size(); ++n) {
      KeyTables* tables = Subkeys(node);
      if (tables == nullptr) return RegistryStatus::Damaged;
      const std::size_t* found = Find(tables->subkeys, parts[n]);
      if (found == nullptr) return RegistryStatus::Failed;
      node = tables->subkeys.items[*found];
      steps_.names.emplace_back(parts[n]);
      steps_.nodes.push_back(node);
    }
    lastOpen_.from = start;
    lastOpen_.path.assign(path);
    lastOpen_.node = node;
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
    // A value is asked for its type, its size and its data in turn.
    std::size_t value = 0;
    if (node == lastQuery_.node && name == lastQuery_.name) {
      value = lastQuery_.value;
    } else {
      KeyTables* tables = Values(node);
      if (tables == nullptr) return RegistryStatus::Damaged;
      const std::size_t* found = Find(tables->values, name);
      if (found == nullptr) return RegistryStatus::Failed;
      value = tables->values.items[*found];
      lastQuery_.node = node;
      lastQuery_.name.assign(name);
      lastQuery_.value = value;
    }
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
  bool Unchanging() const override { return true; }

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

  // The `length` bytes at `offset` of the mapped file, or null (damage) when
  // they run past its end.
  const unsigned char* At(std::size_t offset, std::size_t length) {
    if (offset > size_ || length > size_ - offset) {
      Fail(Located("a record runs past the end of the file", offset));
      return nullptr;
    }
    return bytes_at_ + offset;
  }

  KeyTables& Slot(std::size_t node) {
    auto& slot = tables_[(node >> 3) % tables_.size()];
    if (slot.first != node) {
      slot.first = node;
      slot.second.haveSubkeys = false;
      slot.second.haveValues = false;
    }
    return slot.second;
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
    NameTable& table = tables.subkeys;
    table.Clear();
    bool sound = true;
    for (std::size_t i = 0; children[i] != 0 && sound; ++i) {
      sound = ReadKeyName(children[i], node, table.folded);
      table.items.push_back(children[i]);
      table.foldedEnd.push_back(static_cast<std::uint32_t>(table.folded.size()));
    }
    std::free(children);
    if (sound) sound = Distinct(table.items, node);
    // Windows keeps no two subkeys whose names differ only in case; such a
    // list is a damaged one.
    if (sound && !Finish(table)) {
      sound = Fail(Located("two subkeys have one name in different letter case", node));
    }
    if (!sound) return nullptr;
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
    NameTable& table = tables.values;
    table.Clear();
    bool sound = true;
    for (std::size_t i = 0; values[i] != 0 && sound; ++i) {
      sound = ReadValueName(values[i], table.folded);
      table.items.push_back(values[i]);
      table.foldedEnd.push_back(static_cast<std::uint32_t>(table.folded.size()));
    }
    std::free(values);
    if (!sound) return nullptr;
    Finish(table);  // of two values of one name the first is found
    tables.haveValues = true;
    return &tables;
  }

  // `table.folded` holds the names as stored: makes the ANSI names, folds
  // the stored ones and orders them for lookups. False when two names fold
  // alike (lookups find the first).
  static bool Finish(NameTable& table) {
    const std::size_t count = table.items.size();
    table.ansiEnd.reserve(count);
    table.byHash.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t begin = i == 0 ? 0 : table.foldedEnd[i - 1];
      const std::uint32_t end = table.foldedEnd[i];
      const std::size_t before = table.ansi.size();
      AppendWideAsAnsi(table.folded.data() + begin, end - begin, table.ansi);
      table.ansiEnd.push_back(static_cast<std::uint32_t>(table.ansi.size()));
      table.longest =
          std::max(table.longest, static_cast<std::uint32_t>(table.ansi.size() - before));
      FoldCase(table.folded.data() + begin, table.folded.data() + end);
    }
    // A few names are looked up one by one (Find).
    if (count <= kSearchedInOrder) {
      for (std::size_t a = 0; a < count; ++a) {
        for (std::size_t b = a + 1; b < count; ++b) {
          if (table.Folded(a) == table.Folded(b)) return false;
        }
      }
      return true;
    }
    for (std::size_t i = 0; i < count; ++i) {
      table.byHash.emplace_back(HashUnits(table.Folded(i)), static_cast<std::uint32_t>(i));
    }
    std::sort(table.byHash.begin(), table.byHash.end());
    bool distinct = true;
    for (std::size_t k = 1; k < count && distinct; ++k) {
      distinct =
          !(table.byHash[k].first == table.byHash[k - 1].first &&
            table.Folded(table.byHash[k].second) == table.Folded(table.byHash[k - 1].second));
    }
    return distinct;
  }

  // The place of the first name `ansi` finds, or null.
  const std::size_t* Find(const NameTable& table, std::string_view ansi) {
    // An ASCII name is its own units (every ANSI code page keeps ASCII),
    // folded by ASCII rules: hashed and compared without converting it.
    const bool ascii = std::all_of(ansi.begin(), ansi.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) FoldedLookupName(ansi, lookup_);
    auto same = [&](std::u16string_view folded) {
      if (!ascii) return folded == lookup_;
      if (folded.size() != ansi.size()) return false;
      for (std::size_t i = 0; i < ansi.size(); ++i) {
        if (folded[i] != AsciiUpper(ansi[i])) return false;
      }
      return true;
    };
    if (table.items.size() <= kSearchedInOrder) {
      for (std::size_t i = 0; i < table.items.size(); ++i) {
        if (same(table.Folded(i))) {
          found_ = i;
          return &found_;
        }
      }
      return nullptr;
    }
    std::uint64_t hash = kHashSeed;
    if (ascii) {
      for (char c : ansi) hash = (hash ^ AsciiUpper(c)) * kHashPrime;
    } else {
      hash = HashUnits(lookup_);
    }
    auto it = std::lower_bound(table.byHash.begin(), table.byHash.end(),
                               std::make_pair(hash, std::uint32_t{0}));
    for (; it != table.byHash.end() && it->first == hash; ++it) {
      if (same(table.Folded(it->second))) {
        found_ = it->second;
        return &found_;
      }
    }
    return nullptr;
  }

  static RegistryStatus CopyName(const NameTable& table, std::uint32_t index, char* buffer,
                                 std::uint32_t capacity) {
    if (index >= table.items.size()) return RegistryStatus::Failed;
    const std::string_view name = table.Ansi(index);
    if (name.size() + 1 > capacity) return RegistryStatus::MoreData;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return RegistryStatus::Ok;
  }

  // Appends the child's stored name to `names`.
  bool ReadKeyName(std::size_t child, std::size_t parent, std::u16string& names) {
    // hivex reads the fixed part of a record without checking that its cell
    // holds it (it keeps cells inside their hbin): the cell is checked first.
    const unsigned char* record = At(child, kNkName);
    if (record == nullptr) return false;
    if (CellSize(record) < kNkName) {
      return Fail(Located("a subkey record is not sound", child));
    }
    // hivex checks that the cell is a used "nk" record that holds its name.
    const std::size_t length = hivex_node_struct_length(hive_, child);
    if (length < kNkName) return Fail(Located("a subkey record is not sound", child));
    record = At(child, length);
    if (record == nullptr) return false;
    if (Le32(record + kNkParent) + kFirstHbin != parent) {
      return Fail(Located("a subkey names another key as its parent", child));
    }
    if (child == root_) return Fail(Located("a key lists the root key", parent));
    const std::size_t nameLength =
        std::min<std::size_t>(Le16(record + kNkNameLength), length - kNkName);
    const bool compressed = (Le16(record + kNkFlags) & kNkCompressedName) != 0;
    AppendNameUnits(record + kNkName, nameLength, compressed, names);
    return true;
  }

  // Appends the value's stored name to `names`.
  bool ReadValueName(std::size_t value, std::u16string& names) {
    // hivex checks that the cell is a used one; the rest is checked here
    // (its own length check counts the name in UTF-8).
    const unsigned char* record = At(value, kVkName);
    if (record == nullptr) return false;
    const std::size_t cell = CellSize(record);
    const std::size_t nameLength = Le16(record + kVkNameLength);
    if (record[4] != 'v' || record[5] != 'k' || kVkName + nameLength > cell) {
      return Fail(Located("a value record is not sound", value));
    }
    record = At(value, kVkName + nameLength);
    if (record == nullptr) return false;
    const bool compressed = (Le16(record + kVkFlags) & kVkCompressedName) != 0;
    AppendNameUnits(record + kVkName, nameLength, compressed, names);
    return true;
  }

  bool Distinct(const std::vector<std::size_t>& list, std::size_t node) {
    std::vector<std::size_t>& items = sorted_;
    items.assign(list.begin(), list.end());
    std::sort(items.begin(), items.end());
    if (std::adjacent_find(items.begin(), items.end()) != items.end()) {
      return Fail(Located("a subkey list names a key twice", node));
    }
    return true;
  }

  // hivex reads a big-data record and its segment list without checking
  // that their cells hold them: checked here from the value record `vk`.
  bool BigDataSound(std::size_t value, const unsigned char* vk) {
    const std::uint32_t length = Le32(vk + kVkDataLength);
    if ((length & 0x80000000u) != 0) return true;  // inline
    const std::size_t data = Le32(vk + kVkDataOffset) + kFirstHbin;
    const unsigned char* cell = At(data, 4);
    if (cell == nullptr) return false;
    const std::size_t size = CellSize(cell);
    if (size >= 4 && length <= size - 4) return true;  // one cell holds the data
    if (size < kDbFixed) return true;                  // no big-data record: hivex refuses it
    cell = At(data, kDbFixed);
    if (cell == nullptr) return false;
    if (cell[4] != 'd' || cell[5] != 'b') return true;
    const std::size_t count = Le16(cell + kDbCount);
    const unsigned char* list = At(Le32(cell + kDbList) + kFirstHbin, 4);
    if (list == nullptr) return false;
    if (CellSize(list) < 4 + 4 * count) {
      return Fail(Located("a big value's segment list is too short", value));
    }
    return true;
  }

  // Reads the data of `value` into data_, strings converted. The type is
  // read from the record: hivex's enum holds only the types it names. Data
  // in the record itself or in one cell is read here, from the cell hivex
  // vouches for; data in segments (a big-data record) through hivex.
  bool LoadData(std::size_t value) {
    const unsigned char* vk = At(value, kVkName);
    if (vk == nullptr) return false;
    dataType_ = Le32(vk + kVkType);
    const std::uint32_t declared = Le32(vk + kVkDataLength);
    const std::size_t length = declared & 0x7FFFFFFFu;
    const unsigned char* bytes = nullptr;
    std::size_t count = 0;
    if ((declared & 0x80000000u) != 0) {
      if (length > 4) return Fail(Located("a value's data cannot be read", value));
      bytes = vk + kVkDataOffset;
      count = length;
    } else {
      std::size_t withHeader = 0;
      const std::size_t cell = hivex_value_data_cell_offset(hive_, value, &withHeader);
      const unsigned char* header = cell == 0 ? nullptr : At(cell, 4);
      if (header == nullptr) return Fail(Located("a value's data cannot be read", value));
      const std::size_t size = CellSize(header);
      if (size >= 4 && length <= size - 4) {
        bytes = length > 0 ? At(cell + 4, length) : header;
        if (bytes == nullptr) return false;
        count = length;
      } else {
        if (!ReadBigData(value, vk)) return false;
        bytes = big_.data();
        count = big_.size();
      }
    }
    data_.clear();
    if (dataType_ == kRegSz || dataType_ == kRegExpandSz || dataType_ == kRegMultiSz) {
      units_.resize(count / 2);
      for (std::size_t i = 0; i < units_.size(); ++i) units_[i] = Le16(bytes + 2 * i);
      AppendWideAsAnsi(units_.data(), units_.size(), data_);
    } else {
      data_.assign(reinterpret_cast<const char*>(bytes), count);
    }
    dataValue_ = value;
    return true;
  }

  bool ReadBigData(std::size_t value, const unsigned char* vk) {
    if (!BigDataSound(value, vk)) return false;
    std::size_t length = 0;
    errno = 0;
    char* raw = hivex_value_value(hive_, value, nullptr, &length);
    if (raw == nullptr) {
      return Fail(Located(errno == ERANGE ? "a value is larger than the reader takes (8 MB)"
                                          : "a value's data cannot be read",
                          value));
    }
    big_.assign(raw, raw + length);
    std::free(raw);
    return true;
  }

  static std::string Located(const char* what, std::size_t offset) {
    char where[32];
    std::snprintf(where, sizeof where, " (at offset 0x%zx)", offset);
    return std::string(what) + where;
  }

  hive_h* hive_;
  int fd_;
  // The file, mapped read-only as hivex maps it: records are read where
  // they lie.
  const unsigned char* bytes_at_;
  std::size_t size_;
  std::string path_;
  std::size_t root_;
  std::vector<std::size_t> open_;  // handle - 1 -> node; 0 for a free slot
  std::vector<std::size_t> free_;
  std::vector<std::pair<std::size_t, KeyTables>> tables_ =
      std::vector<std::pair<std::size_t, KeyTables>>(kTableSlots);  // node -> its tables
  struct {
    std::size_t from = 0;            // the key the path was opened from
    std::vector<std::string> names;  // its parts, as spelt
    std::vector<std::size_t> nodes;  // the key each part leads to
  } steps_;
  std::size_t dataValue_ = 0;  // the value whose data data_ holds
  std::uint32_t dataType_ = 0;
  std::string data_;
  std::string damage_;
  std::u16string lookup_;                // the name being looked up
  std::vector<unsigned char> big_;       // data read through hivex
  std::vector<std::size_t> sorted_;      // a subkey list in file order
  std::u16string units_;                 // string data as stored
  std::size_t found_ = 0;                // where Find found it
  std::vector<std::string_view> parts_;  // of the path being opened
  struct {
    std::size_t from = 0;  // node the path starts at
    std::string path;
    std::size_t node = 0;
  } lastOpen_;
  struct {
    std::size_t node = 0;
    std::string name;
    std::size_t value = 0;
  } lastQuery_;
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
    result.error = S_ISDIR(info.st_mode) ? ErrnoText(EISDIR)
                   : error != 0          ? ErrnoText(error)
                                         : "not a regular file";
    return result;
  }
  unsigned char header[kHeaderSequence2 + 4] = {};
  const bool headerRead =
      ::pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header);
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
  unsigned char root[4] = {};
  if (hivex_root(hive) == 0 ||
      ::pread(fd, root, sizeof root, static_cast<off_t>(hivex_root(hive))) != sizeof root ||
      CellSize(root) < kNkName) {
    hivex_close(hive);
    ::close(fd);
    result.error = "the hive has no root key";
    return result;
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  // Mapped whole at once: every record is read, most of them once.
  void* bytes = ::mmap(nullptr, size, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, 0);
  if (bytes == MAP_FAILED) {
    const int error = errno;
    hivex_close(hive);
    ::close(fd);
    result.error = ErrnoText(error);
    return result;
  }
  result.dirty = Le32(header + kHeaderSequence1) != Le32(header + kHeaderSequence2);
  result.store = std::make_unique<HiveRegistry>(hive, fd, static_cast<const unsigned char*>(bytes),
                                                size, path);
  return result;
}

}  // namespace tovrix::platform
