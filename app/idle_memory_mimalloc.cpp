// mimalloc: blocks that the main thread freed for the reader's heap are only taken back
// when the reader's thread collects them, and it is blocked in read while input pauses.
#include <mimalloc.h>

#include "app/idle_memory.h"

namespace app {

void releaseIdleMemory() noexcept { mi_collect(true); }

}  // namespace app
