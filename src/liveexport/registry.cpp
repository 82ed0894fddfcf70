// TRegistry over the platform's registry store.
#include "liveexport/registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/codepage.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/errors.h"

namespace tovrix {

namespace {

// Under a double-byte code page a name of n characters may take 2n bytes.
bool MultiByteCodePage() {
  static const bool multiByte = [] {
    for (int b = 0x80; b <= 0xFF; ++b) {
      if (platform::IsLeadByte(static_cast<unsigned char>(b))) return true;
    }
    return false;
  }();
  return multiByte;
}

}  // namespace

TRegistry::TRegistry(platform::RegistryStore& store) : store_(store), root_(kHkeyCurrentUser) {}

platform::RegistryStatus TRegistry::Checked(platform::RegistryStatus status) const {
  if (status == platform::RegistryStatus::Damaged) ThrowDamagedHiveError(store_.Damage());
  return status;
}

TRegistry::~TRegistry() { CloseCurrentKey(); }

void TRegistry::SetRoot(std::uint32_t root) {
  if (root == root_) return;
  CloseCurrentKey();
  root_ = root;
}

bool TRegistry::OpenKeyRead(std::string_view path) {
  platform::RegistryHandle parent = store_.Root(root_);
  if (!path.empty() && path.front() == '\\') {
    path.remove_prefix(1);
  } else if (open_) {
    parent = key_;
  }
  for (std::uint32_t access : {kKeyRead, kKeyReadNoNotify, kKeyQueryValue}) {
    platform::RegistryHandle opened = 0;
    if (Checked(store_.Open(parent, path, access, opened)) == platform::RegistryStatus::Ok) {
      CloseCurrentKey();
      key_ = opened;
      access_ = access;
      open_ = true;
      return true;
    }
  }
  return false;
}

void TRegistry::CloseCurrentKey() {
  if (!open_) return;
  store_.Close(key_);
  open_ = false;
  key_ = 0;
  access_ = 0;
}

void TRegistry::ListValueNames(TStringList& list) const { ListNames(true, list); }

void TRegistry::ListSubkeyNames(TStringList& list) const { ListNames(false, list); }

// Enumerates the names into a buffer sized for the longest one. A name the
// store no longer delivers at its index (the key changed since it was
// counted) is left out rather than repeated from the buffer.
void TRegistry::ListNames(bool values, TStringList& list) const {
  list.Clear();
  platform::RegistryKeyInfo info;
  if (!open_ || Checked(store_.QueryKeyInfo(key_, info)) != platform::RegistryStatus::Ok) return;
  const std::uint32_t count = values ? info.valueCount : info.subkeyCount;
  const std::uint32_t longest = values ? info.maxValueNameLength : info.maxSubkeyNameLength;
  const std::uint32_t capacity = MultiByteCodePage() ? 2 * longest + 1 : longest + 1;
  // Most names fit a buffer on the stack.
  char small[512];
  std::vector<char> large(capacity > sizeof small ? capacity : 0);
  char* buffer = large.empty() ? small : large.data();
  for (std::uint32_t i = 0; i < count; ++i) {
    const platform::RegistryStatus status = values
                                                ? store_.EnumValueName(key_, i, buffer, capacity)
                                                : store_.EnumSubkeyName(key_, i, buffer, capacity);
    if (Checked(status) != platform::RegistryStatus::Ok) continue;
    list.Add(std::string_view(buffer, strnlen(buffer, capacity)));
  }
}

bool TRegistry::GetValueInfo(std::string_view name, RegistryValueInfo& info) const {
  if (!open_) return false;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (Checked(store_.QueryValue(key_, name, type, nullptr, size)) != platform::RegistryStatus::Ok) {
    return false;
  }
  info.type = type;
  info.size = size;
  return true;
}

std::uint32_t TRegistry::GetValueType(std::string_view name) const {
  RegistryValueInfo info;
  return GetValueInfo(name, info) ? info.type : kRegNone;
}

std::uint32_t TRegistry::GetValueDataSize(std::string_view name) const {
  RegistryValueInfo info;
  return GetValueInfo(name, info) ? info.size : 0;
}

std::string TRegistry::ReadStringValue(std::string_view name) const {
  RegistryValueInfo info;
  if (!GetValueInfo(name, info) || info.size == 0) return std::string();
  std::vector<unsigned char> buffer(info.size);
  std::uint32_t size = info.size;
  std::uint32_t type = 0;
  if (!open_ || Checked(store_.QueryValue(key_, name, type, buffer.data(), size)) !=
                    platform::RegistryStatus::Ok) {
    ThrowRegistryReadError(std::string(name));
  }
  if (type != kRegSz && type != kRegExpandSz) ThrowRegistryTypeError(std::string(name));
  const char* text = reinterpret_cast<const char*>(buffer.data());
  return std::string(text, strnlen(text, std::min<std::size_t>(size, buffer.size())));
}

std::int32_t TRegistry::ReadDwordValue(std::string_view name) const {
  unsigned char bytes[4] = {0, 0, 0, 0};
  std::uint32_t size = sizeof bytes;
  std::uint32_t type = 0;
  if (!open_ ||
      Checked(store_.QueryValue(key_, name, type, bytes, size)) != platform::RegistryStatus::Ok) {
    ThrowRegistryReadError(std::string(name));
  }
  if (type != kRegDword) ThrowRegistryTypeError(std::string(name));
  // Little-endian; the bytes a short value lacks stay 0.
  const std::uint32_t value =
      static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
      (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  return static_cast<std::int32_t>(value);
}

std::uint32_t TRegistry::ReadBinaryValue(std::string_view name, unsigned char* buffer,
                                         std::uint32_t capacity) const {
  RegistryValueInfo info;
  if (!GetValueInfo(name, info)) return 0;
  if (info.type == kRegSz || info.type == kRegExpandSz || info.type == kRegDword ||
      info.size > capacity) {
    ThrowRegistryTypeError(std::string(name));
  }
  std::uint32_t size = info.size;
  std::uint32_t type = 0;
  if (Checked(store_.QueryValue(key_, name, type, buffer, size)) != platform::RegistryStatus::Ok) {
    ThrowRegistryReadError(std::string(name));
  }
  return info.size;
}

void TRegistry::ReadRawValue(std::string_view name, unsigned char* buffer, std::uint32_t& size,
                             std::uint32_t& type) const {
  if (!open_) return;
  Checked(store_.QueryValue(key_, name, type, buffer, size));
}

platform::RegistryStatus TRegistry::ReadWholeValue(std::string_view name, std::uint32_t& type,
                                                   std::string& data) const {
  data.clear();
  if (!open_) return platform::RegistryStatus::Failed;
  std::uint32_t size = 0;
  platform::RegistryStatus status = Checked(store_.QueryValue(key_, name, type, nullptr, size));
  if (status != platform::RegistryStatus::Ok) return status;
  data.resize(size);
  status = Checked(
      store_.QueryValue(key_, name, type, reinterpret_cast<unsigned char*>(data.data()), size));
  if (status == platform::RegistryStatus::Ok) data.resize(size);
  return status;
}

}  // namespace tovrix
