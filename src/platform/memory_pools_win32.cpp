#include "platform/memory_pools.h"

namespace compila::platform {

// The Windows heap is shared by the threads already.
void share_one_memory_pool() {}

}  // namespace compila::platform
