// Detached, because nothing waits for a background task: the process may end while
// one is still blocked reading.
#include "platform/glib/background_queue.h"

#include <thread>

namespace platform {

void ThreadBackgroundQueue::async(Task task) { std::thread(std::move(task)).detach(); }

}  // namespace platform
