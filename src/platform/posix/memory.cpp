#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tovrix::platform {

void AdviseLargeBuffer(void* data, std::size_t size) {
  constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
  if (last <= first) return;
  // The whole large pages inside the buffer, by address.
  ::madvise(reinterpret_cast<void*>(first), last - first,  // NOLINT(performance-no-int-to-ptr)
            MADV_HUGEPAGE);
}

}  // namespace tovrix::platform
