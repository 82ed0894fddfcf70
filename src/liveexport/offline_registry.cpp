// Hive files found below a folder, and the registry's roots put over them.
#include "liveexport/offline_registry.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry_path.h"
#include "registry/registry.h"
#include "rewrite/settings.h"
#include "text/errors.h"
#include "text/text_ops.h"

namespace tovrix {

namespace {

using platform::RegistryHandle;
using platform::RegistryStatus;
using platform::RegistryStore;

// --- Finding the files ------------------------------------------------------

char Separator() { return platform::PathSeparators().front(); }

std::string Join(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || platform::PathSeparators().find(path.back()) == std::string_view::npos) {
    path += Separator();
  }
  path.append(name);
  return path;
}

// The entry of `folder` named `name` in any letter case, of the wanted kind.
std::optional<std::string> Child(const std::string& folder, std::string_view name, bool directory) {
  std::vector<platform::DirectoryEntry> entries;
  std::string error;
  if (!platform::ListDirectory(folder, entries, error)) return std::nullopt;
  const std::string* best = nullptr;
  for (const platform::DirectoryEntry& entry : entries) {
    if (!(directory ? entry.isDirectory : entry.isFile)) continue;
    if (UpperAscii(entry.name) != UpperAscii(name)) continue;
    if (best == nullptr || entry.name < *best) best = &entry.name;
  }
  if (best == nullptr) return std::nullopt;
  return Join(folder, *best);
}

// The folder reached from `folder` through `names`, each in any case.
std::optional<std::string> Descend(const std::string& folder,
                                   std::initializer_list<std::string_view> names) {
  std::optional<std::string> path = folder;
  for (std::string_view name : names) {
    path = Child(*path, name, true);
    if (!path) break;
  }
  return path;
}

std::string ParentFolder(const std::string& folder) {
  std::string full = platform::FullPath(folder);
  const std::string_view separators = platform::PathSeparators();
  while (full.size() > 1 && separators.find(full.back()) != std::string_view::npos) {
    full.pop_back();
  }
  const std::size_t cut = full.find_last_of(separators);
  if (cut == std::string::npos) return Join(folder, "..");
  return full.substr(0, cut);
}

std::string FileOrEmpty(const std::optional<std::string>& folder, std::string_view name) {
  if (!folder) return std::string();
  return Child(*folder, name, false).value_or(std::string());
}

// --- The roots over the hives -------------------------------------------------

constexpr std::string_view kSoftware = "SOFTWARE";
constexpr std::string_view kSystem = "SYSTEM";

bool SameAsciiName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 0x20) : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 0x20) : b[i];
    if (x != y) return false;
  }
  return true;
}

// Handles of this store are the root values themselves and, for opened
// keys, 1 + an index into a table of (store, handle of that store). The
// table entry without a store is HKEY_LOCAL_MACHINE's own key.
class MountedHives : public RegistryStore {
 public:
  MountedHives(std::unique_ptr<RegistryStore> software, std::unique_ptr<RegistryStore> system,
               std::unique_ptr<RegistryStore> ntuser)
      : software_(std::move(software)), system_(std::move(system)), ntuser_(std::move(ntuser)) {
    if (software_) machine_.push_back({kSoftware, software_.get()});
    if (system_) machine_.push_back({kSystem, system_.get()});
  }
  ~MountedHives() override {
    for (const Opened& key : opened_) {
      if (key.store != nullptr) key.store->Close(key.inner);
    }
  }

  RegistryHandle Root(std::uint32_t root) override { return root; }

  RegistryStatus Open(RegistryHandle parent, std::string_view path, std::uint32_t access,
                      RegistryHandle& opened) override {
    if (parent >= kHkeyClassesRoot && parent <= 0xFFFFFFFFu) {
      switch (static_cast<std::uint32_t>(parent)) {
        case kHkeyLocalMachine:
          return OpenInMachine(path, access, opened);
        case kHkeyClassesRoot:
          if (!software_) return RegistryStatus::Failed;
          return OpenIn(software_.get(), software_->Root(platform::kHiveRoot),
                        path.empty() ? std::string("Classes") : "Classes\\" + std::string(path),
                        access, opened);
        case kHkeyCurrentUser:
          if (!ntuser_) return RegistryStatus::Failed;
          return OpenIn(ntuser_.get(), ntuser_->Root(platform::kHiveRoot), path, access, opened);
        default:
          return RegistryStatus::Failed;
      }
    }
    const Opened* key = Find(parent);
    if (key == nullptr) return RegistryStatus::Failed;
    if (key->store == nullptr) return OpenInMachine(path, access, opened);
    return OpenIn(key->store, key->inner, path, access, opened);
  }

  void Close(RegistryHandle handle) override {
    Opened* key = Find(handle);
    if (key == nullptr) return;
    if (key->store != nullptr) key->store->Close(key->inner);
    *key = Opened{};
    key->free = true;
    free_.push_back(handle - 1);
  }

  RegistryStatus QueryKeyInfo(RegistryHandle handle, platform::RegistryKeyInfo& info) override {
    const Opened* key = Find(handle);
    if (key == nullptr) return RegistryStatus::Failed;
    if (key->store == nullptr) {
      info = platform::RegistryKeyInfo{};
      info.subkeyCount = static_cast<std::uint32_t>(machine_.size());
      for (const Mount& mount : machine_) {
        info.maxSubkeyNameLength =
            std::max(info.maxSubkeyNameLength, static_cast<std::uint32_t>(mount.name.size()));
      }
      return RegistryStatus::Ok;
    }
    return Noted(key->store, key->store->QueryKeyInfo(key->inner, info));
  }

  RegistryStatus EnumValueName(RegistryHandle handle, std::uint32_t index, char* buffer,
                               std::uint32_t capacity) override {
    const Opened* key = Find(handle);
    if (key == nullptr || key->store == nullptr) return RegistryStatus::Failed;
    return Noted(key->store, key->store->EnumValueName(key->inner, index, buffer, capacity));
  }

  RegistryStatus EnumSubkeyName(RegistryHandle handle, std::uint32_t index, char* buffer,
                                std::uint32_t capacity) override {
    const Opened* key = Find(handle);
    if (key == nullptr) return RegistryStatus::Failed;
    if (key->store != nullptr) {
      return Noted(key->store, key->store->EnumSubkeyName(key->inner, index, buffer, capacity));
    }
    if (index >= machine_.size()) return RegistryStatus::Failed;
    const std::string_view name = machine_[index].name;
    if (name.size() + 1 > capacity) return RegistryStatus::MoreData;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return RegistryStatus::Ok;
  }

  RegistryStatus QueryValue(RegistryHandle handle, std::string_view name, std::uint32_t& type,
                            unsigned char* data, std::uint32_t& size) override {
    const Opened* key = Find(handle);
    if (key == nullptr || key->store == nullptr) return RegistryStatus::Failed;
    return Noted(key->store, key->store->QueryValue(key->inner, name, type, data, size));
  }

  std::string Damage() const override {
    return damaged_ != nullptr ? damaged_->Damage() : std::string();
  }
  bool Unchanging() const override {
    for (const RegistryStore* store : {software_.get(), system_.get(), ntuser_.get()}) {
      if (store != nullptr && !store->Unchanging()) return false;
    }
    return true;
  }

 private:
  struct Mount {
    std::string_view name;
    RegistryStore* store;
  };
  struct Opened {
    RegistryStore* store = nullptr;  // null: HKEY_LOCAL_MACHINE's own key
    RegistryHandle inner = 0;
    bool free = false;
  };

  Opened* Find(RegistryHandle handle) {
    if (handle == 0 || handle > opened_.size() || opened_[handle - 1].free) return nullptr;
    return &opened_[handle - 1];
  }

  RegistryHandle Add(const Opened& key) {
    if (!free_.empty()) {
      const std::size_t slot = free_.back();
      free_.pop_back();
      opened_[slot] = key;
      return slot + 1;
    }
    opened_.push_back(key);
    return opened_.size();
  }

  RegistryStatus Noted(RegistryStore* store, RegistryStatus status) {
    if (status == RegistryStatus::Damaged) damaged_ = store;
    return status;
  }

  RegistryStatus OpenIn(RegistryStore* store, RegistryHandle parent, std::string_view path,
                        std::uint32_t access, RegistryHandle& opened) {
    RegistryHandle inner = 0;
    const RegistryStatus status = Noted(store, store->Open(parent, path, access, inner));
    if (status == RegistryStatus::Ok) opened = Add(Opened{store, inner});
    return status;
  }

  // A path below HKEY_LOCAL_MACHINE: its first component picks the hive.
  RegistryStatus OpenInMachine(std::string_view path, std::uint32_t access,
                               RegistryHandle& opened) {
    std::vector<std::string_view>& parts = parts_;
    if (!platform::SplitRegistryPath(path, parts)) return RegistryStatus::Failed;
    if (parts.empty()) {
      opened = Add(Opened{});
      return RegistryStatus::Ok;
    }
    for (const Mount& mount : machine_) {
      if (!SameAsciiName(parts.front(), mount.name)) continue;
      const std::string_view rest =
          path.size() > parts.front().size() ? path.substr(parts.front().size() + 1) : "";
      return OpenIn(mount.store, mount.store->Root(platform::kHiveRoot), rest, access, opened);
    }
    return RegistryStatus::Failed;
  }

  std::unique_ptr<RegistryStore> software_;
  std::unique_ptr<RegistryStore> system_;
  std::unique_ptr<RegistryStore> ntuser_;
  std::vector<Mount> machine_;
  std::vector<Opened> opened_;
  std::vector<std::size_t> free_;
  RegistryStore* damaged_ = nullptr;
  std::vector<std::string_view> parts_;  // of the path being opened
};

std::unique_ptr<RegistryStore> OpenHive(const std::string& path) {
  if (path.empty()) return nullptr;
  // Reports name the file by its full path.
  platform::HiveOpenResult hive = platform::OpenHiveFile(platform::FullPath(path));
  if (!hive.store) ThrowHiveLoadError(path, hive.error);
  if (hive.dirty) {
    platform::WriteWarning("Warning: hive file \"" + platform::FullPath(path) +
                           "\" has changes waiting in its log files (.LOG1, .LOG2); it is read "
                           "as it stands, without them.\r\n");
  }
  return std::move(hive.store);
}

}  // namespace

HiveFiles LocateHives(const std::string& folder) {
  std::vector<platform::DirectoryEntry> entries;
  std::string error;
  if (!platform::ListDirectory(folder, entries, error)) ThrowRegistryFolderError(folder, error);

  HiveFiles files;
  const std::optional<std::string> systemConfig = Descend(folder, {"System32", "config"});
  for (const std::optional<std::string>& config :
       {Descend(folder, {"Windows", "System32", "config"}), systemConfig,
        std::optional<std::string>(folder)}) {
    files.software = FileOrEmpty(config, kSoftware);
    files.system = FileOrEmpty(config, kSystem);
    if (!files.software.empty() || !files.system.empty()) break;
  }

  files.ntuser = FileOrEmpty(folder, "NTUSER.DAT");
  if (files.ntuser.empty()) {
    const std::string root = systemConfig ? ParentFolder(folder) : folder;
    files.ntuser = FileOrEmpty(Descend(root, {"Users", "Default"}), "NTUSER.DAT");
    if (files.ntuser.empty()) {
      files.ntuser =
          FileOrEmpty(Descend(root, {"Documents and Settings", "Default User"}), "NTUSER.DAT");
    }
  }

  if (files.software.empty() && files.system.empty() && files.ntuser.empty()) {
    ThrowRegistryFolderError(folder,
                             "no hive file (SOFTWARE, SYSTEM, NTUSER.DAT) found in it, in "
                             "System32/config or in Windows/System32/config");
  }
  return files;
}

std::unique_ptr<RegistryStore> MountHives(std::unique_ptr<RegistryStore> software,
                                          std::unique_ptr<RegistryStore> system,
                                          std::unique_ptr<RegistryStore> ntuser) {
  return std::make_unique<MountedHives>(std::move(software), std::move(system), std::move(ntuser));
}

std::unique_ptr<RegistryStore> OpenOfflineRegistry(const std::string& folder) {
  const HiveFiles files = LocateHives(folder);
  auto software = OpenHive(files.software);
  auto system = OpenHive(files.system);
  auto ntuser = OpenHive(files.ntuser);
  return MountHives(std::move(software), std::move(system), std::move(ntuser));
}

}  // namespace tovrix
