// Reading a tree of an unchanging store ahead, on a thread of its own.
#include <cstring>
#include <exception>
#include <memory>
#include <utility>
#include <vector>

#include "liveexport/key_walk.h"
#include "text/handoff.h"

namespace tovrix::keywalk {

namespace {

// Two threads, for a store that cannot change: it gives the same answers on
// any thread and at any time, so a reader thread walks the tree and reads
// every key's values ahead of the lines written from them on the calling
// thread. The lines, the progress lines and the failures come in the order
// and at the points they come in turn.
//
// The reader fills batches of keys, each held in a few flat buffers that go
// back to it once written, so the threads share no allocations.
struct SnapshotBatch {
  struct Value {
    std::size_t name, nameLength;  // in `bytes`
    platform::RegistryStatus status;
    std::uint32_t type;
    std::size_t data, dataLength;  // in `bytes`
  };
  struct Key {
    std::size_t tree;              // which of the trees it lies in
    std::size_t path, pathLength;  // in `bytes`
    bool opened;
    std::size_t firstValue;      // its values are `values` [firstValue, firstValue + read)
    std::size_t read;            // how many of them were read: all but after a failure
    std::exception_ptr failure;  // reading the key failed after those
  };
  std::string bytes;
  std::vector<Value> values;
  std::vector<Key> keys;

  std::string_view Text(std::size_t at, std::size_t length) const {
    return std::string_view(bytes).substr(at, length);
  }
  std::size_t Append(std::string_view text) {
    const std::size_t at = bytes.size();
    bytes.append(text);
    return at;
  }
  void Clear() {
    bytes.clear();
    values.clear();
    keys.clear();
  }
};

// The value names of one key of a batch, as WriteKeyLines reads them.
struct SnapshotNames {
  const SnapshotBatch& batch;
  const SnapshotBatch::Key& key;
  std::string_view View(int i) const {
    const SnapshotBatch::Value& value = batch.values[key.firstValue + static_cast<std::size_t>(i)];
    return batch.Text(value.name, value.nameLength);
  }
};

// Serves the values of one key of a batch through the store interface, as
// the store they were read from answered; every key path opens that key.
class SnapshotStore : public platform::RegistryStore {
 public:
  void Show(const SnapshotBatch& batch, const SnapshotBatch::Key& key) {
    batch_ = &batch;
    key_ = &key;
    at_ = 0;
  }

  platform::RegistryHandle Root(std::uint32_t root) override { return root; }
  platform::RegistryStatus Open(platform::RegistryHandle, std::string_view, std::uint32_t,
                                platform::RegistryHandle& opened) override {
    if (!key_->opened) return platform::RegistryStatus::Failed;
    opened = 1;
    return platform::RegistryStatus::Ok;
  }
  void Close(platform::RegistryHandle) override {}
  platform::RegistryStatus QueryKeyInfo(platform::RegistryHandle,
                                        platform::RegistryKeyInfo&) override {
    return platform::RegistryStatus::Failed;
  }
  platform::RegistryStatus EnumValueName(platform::RegistryHandle, std::uint32_t, char*,
                                         std::uint32_t) override {
    return platform::RegistryStatus::Failed;
  }
  platform::RegistryStatus EnumSubkeyName(platform::RegistryHandle, std::uint32_t, char*,
                                          std::uint32_t) override {
    return platform::RegistryStatus::Failed;
  }
  // The values are asked for in the order of their names, each a few times.
  platform::RegistryStatus QueryValue(platform::RegistryHandle, std::string_view name,
                                      std::uint32_t& type, unsigned char* data,
                                      std::uint32_t& size) override {
    const std::size_t count = key_->read;
    auto nameAt = [&](std::size_t i) {
      const SnapshotBatch::Value& value = batch_->values[key_->firstValue + i];
      return batch_->Text(value.name, value.nameLength);
    };
    if (at_ >= count || nameAt(at_) != name) {
      at_ = 0;
      while (at_ < count && nameAt(at_) != name) ++at_;
      if (at_ == count) return platform::RegistryStatus::Failed;
    }
    const SnapshotBatch::Value& value = batch_->values[key_->firstValue + at_];
    if (value.status != platform::RegistryStatus::Ok) return value.status;
    type = value.type;
    const auto needed = static_cast<std::uint32_t>(value.dataLength);
    if (data != nullptr && needed > size) {
      size = needed;
      return platform::RegistryStatus::MoreData;
    }
    if (data != nullptr && needed > 0) std::memcpy(data, batch_->bytes.data() + value.data, needed);
    size = needed;
    return platform::RegistryStatus::Ok;
  }
  bool Unchanging() const override { return true; }

 private:
  const SnapshotBatch* batch_ = nullptr;
  const SnapshotBatch::Key* key_ = nullptr;
  std::size_t at_ = 0;
};

using SnapshotQueue = Handoff<SnapshotBatch>;

// The reader thread's walk.
class SnapshotReader {
 public:
  // The reader walks with a copy of `run` of its own.
  SnapshotReader(const ExportRun& run, SnapshotQueue& queue) : run_(run), queue_(queue) {}

  void Run(const std::vector<KeyTree>& trees) {
    try {
      batch_ = queue_.Empty();
      auto visit = [&](TRegistry& registry, std::string_view path) { Read(registry, path); };
      for (tree_ = 0; tree_ < trees.size(); ++tree_) {
        run_.repeating = 0;
        run_.repeatedKeys = 0;
        WalkTree(run_, trees[tree_].root, trees[tree_].keyPath, 0, visit);
      }
      Send();
    } catch (const Stopped&) {
      // the writer gave up, or the failure went with its key
    } catch (...) {
      // A failure between keys comes after every key read before it.
      std::exception_ptr failure = std::current_exception();
      try {
        if (batch_) queue_.Put(std::move(batch_));
      } catch (...) {
        failure = std::current_exception();  // out of memory: that is the failure then
      }
      queue_.Close(failure);
      return;
    }
    queue_.Close(nullptr);
  }

 private:
  struct Stopped {};
  static constexpr std::size_t kBatchKeys = 1024;
  static constexpr std::size_t kBatchBytes = std::size_t{1} << 20;

  void Read(TRegistry& registry, std::string_view path) {
    SnapshotBatch& batch = *batch_;
    SnapshotBatch::Key key{tree_,  batch.Append(path), path.size(), false, batch.values.size(), 0,
                           nullptr};
    try {
      // Opened once for the names and the values: the store cannot change.
      names_.Clear();
      key.opened = registry.OpenKeyRead(path);
      if (key.opened) {
        registry.ListValueNames(names_);
        names_.Sort();
      }
      for (int i = 0; key.opened && i < names_.Count(); ++i) {
        const std::string_view name = names_.View(i);
        std::uint32_t type = 0;
        const platform::RegistryStatus status = registry.ReadWholeValue(name, type, data_);
        batch.values.push_back(SnapshotBatch::Value{batch.Append(name), name.size(), status, type,
                                                    batch.Append(data_), data_.size()});
        ++key.read;
      }
      // Left open for the subkeys.
    } catch (...) {
      key.failure = std::current_exception();
      batch.keys.push_back(std::move(key));
      Send();
      throw Stopped{};
    }
    batch.keys.push_back(std::move(key));
    if (batch.keys.size() >= kBatchKeys || batch.bytes.size() >= kBatchBytes) {
      Send();
      batch_ = queue_.Empty();
    }
  }

  void Send() {
    if (!queue_.Put(std::move(batch_))) throw Stopped{};
  }

  ExportRun run_;
  SnapshotQueue& queue_;
  SnapshotQueue::Pointer batch_;
  std::size_t tree_ = 0;  // the tree being walked
  TStringList names_;
  std::string data_;
};

}  // namespace

void ExportAhead(ExportRun& run, const std::vector<KeyTree>& trees,
                 const std::function<TStringList&(std::size_t)>& targetFor) {
  SnapshotQueue queue;
  SnapshotReader reader(run, queue);
  JoinedThreads<SnapshotQueue> threads(queue);
  threads.Start([&] { reader.Run(trees); });

  SnapshotStore snapshots;
  TRegistry registry(snapshots);
  std::size_t tree = trees.size();  // none yet
  while (SnapshotQueue::Pointer batch = queue.Take()) {
    for (const SnapshotBatch::Key& key : batch->keys) {
      if (key.tree != tree) {
        tree = key.tree;
        run.target = &targetFor(tree);
        registry.SetRoot(trees[tree].root);
      }
      snapshots.Show(*batch, key);
      WriteKeyLines(run, registry, trees[tree].root, batch->Text(key.path, key.pathLength),
                    SnapshotNames{*batch, key}, static_cast<int>(key.read), /*once=*/true,
                    key.failure);
    }
    queue.Return(std::move(batch));
  }
  queue.ThrowFailure();
}

}  // namespace tovrix::keywalk
