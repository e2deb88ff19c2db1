// glibc: freed blocks sit in the arena of the thread that allocated them; trimming
// consolidates and returns free pages of every arena.
#include <malloc.h>

#include "app/idle_memory.h"

namespace app {

void releaseIdleMemory() noexcept { malloc_trim(0); }

}  // namespace app
