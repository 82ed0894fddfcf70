// Key paths as the registry functions read them: components separated by
// '\'. One rule for every store that parses paths itself.
#ifndef TOVRIX_PLATFORM_REGISTRY_PATH_H_
#define TOVRIX_PLATFORM_REGISTRY_PATH_H_

#include <string_view>
#include <vector>

namespace tovrix::platform {

// Cuts `path` into its components. A single trailing backslash is allowed;
// any other empty component (a leading or doubled backslash) makes the path
// malformed, and the answer is false. The empty path has no components.
bool SplitRegistryPath(std::string_view path, std::vector<std::string_view>& parts);

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_REGISTRY_PATH_H_
