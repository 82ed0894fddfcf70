// Hints about how the program uses its memory.
#ifndef TOVRIX_PLATFORM_MEMORY_H_
#define TOVRIX_PLATFORM_MEMORY_H_

#include <cstddef>

namespace tovrix::platform {

// `data` is a large buffer that will be filled from start to end: the
// system may back it with large pages, so that filling it takes far fewer
// page faults (Linux: MADV_HUGEPAGE over its 2 MiB-aligned part; Windows:
// nothing). Contents are unchanged.
void AdviseLargeBuffer(void* data, std::size_t size);

}  // namespace tovrix::platform

#endif  // TOVRIX_PLATFORM_MEMORY_H_
