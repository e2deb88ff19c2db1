// Giving memory back to the system while input pauses: the allocator's own call, chosen
// by CMake with the allocator the indicator is linked with.
#pragma once

namespace app {

// Returns free memory that the allocator holds for the calling thread (and, where the
// allocator can, for every thread) to the system.
void releaseIdleMemory() noexcept;

}  // namespace app
