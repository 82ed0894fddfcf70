// Depth-first export of a registry key.
#include "liveexport/key_export.h"

#include <exception>

#include "liveexport/key_walk.h"
#include "registry/registry.h"
#include "rewrite/control_set.h"
#include "text/text_ops.h"

namespace tovrix {

namespace keywalk {

// The names of the values of `keyPath`, sorted; none when it does not open.
void ReadValueNames(TRegistry& registry, std::string_view keyPath, TStringList& names) {
  if (!registry.OpenKeyRead(keyPath)) return;
  registry.ListValueNames(names);
  registry.CloseCurrentKey();
  names.Sort();
}

}  // namespace keywalk

namespace {

using keywalk::ExportRun;

// One thread: each key is read and written in turn.
void ExportInTurn(ExportRun& run, std::uint32_t root, std::string_view keyPath) {
  auto visit = [&](TRegistry& registry, std::string_view path) {
    // A key whose names cannot be read still has its key line.
    TStringList names;
    std::exception_ptr failure;
    try {
      keywalk::ReadValueNames(registry, path, names);
    } catch (...) {
      failure = std::current_exception();
    }
    keywalk::WriteKeyLines(run, registry, root, path, names, failure ? 0 : names.Count(),
                           run.store.Unchanging(), failure);
  };
  keywalk::WalkTree(run, root, keyPath, 0, visit);
}

}  // namespace

std::string OutputKeyPath(std::uint32_t root, std::string_view keyPath,
                          const ConversionSettings& settings) {
  std::string path;
  if (root == kHkeyClassesRoot) {
    path = "Classes\\";
    path += keyPath;
  } else if (root == kHkeyLocalMachine) {
    // The first case-blind "Software\" (or "System\") of a path that begins
    // with it is its beginning: the prefix is dropped.
    if (BeginsWithUpperAscii(keyPath, "SOFTWARE\\")) {
      path = keyPath.substr(9);
    } else if (BeginsWithUpperAscii(keyPath, "SYSTEM\\")) {
      path = keyPath.substr(7);
    } else {
      path = keyPath;
    }
  } else {
    path = keyPath;
  }
  if (settings.normalizeControlSet) path = NormalizeControlSetPath(path);
  return path;
}

void ExportKey(platform::RegistryStore& store, TStringList& target, std::uint32_t root,
               std::string_view keyPath, const ConversionSettings& settings,
               TStringList& expanderList, Console& console, bool cutLines) {
  ExportKeyTrees(
      store, {KeyTree{root, std::string(keyPath)}},
      [&](std::size_t) -> TStringList& { return target; }, settings, expanderList, console,
      cutLines);
}

void ExportKeyTrees(platform::RegistryStore& store, const std::vector<KeyTree>& trees,
                    const std::function<TStringList&(std::size_t)>& targetFor,
                    const ConversionSettings& settings, TStringList& expanderList, Console& console,
                    bool cutLines) {
  ExportRun run{store, nullptr, settings, expanderList, console, cutLines};
  if (store.Unchanging()) {
    keywalk::ExportAhead(run, trees, targetFor);
    return;
  }
  for (std::size_t i = 0; i < trees.size(); ++i) {
    run.target = &targetFor(i);
    run.repeating = 0;
    run.repeatedKeys = 0;
    ExportInTurn(run, trees[i].root, trees[i].keyPath);
  }
}

}  // namespace tovrix
