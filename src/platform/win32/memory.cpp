#include "platform/memory.h"

namespace tovrix::platform {

// Large pages need a privilege ordinary users lack; nothing is asked.
void AdviseLargeBuffer(void*, std::size_t) {}

}  // namespace tovrix::platform
