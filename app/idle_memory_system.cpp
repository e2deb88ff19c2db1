// Allocators that return free memory by themselves (macOS's, and the sanitizers').
#include "app/idle_memory.h"

namespace app {

void releaseIdleMemory() noexcept {}

}  // namespace app
