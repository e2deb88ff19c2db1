// The main queue and the utility queue on macOS: Grand Central Dispatch.
#pragma once

#include "platform/platform.h"

namespace platform {

class GCDMainQueue : public MainQueue {
 public:
  GCDMainQueue();
  void async(Task task) override;
  void asyncAfter(std::chrono::milliseconds delay, Task task) override;
  // Asks the queue, not the thread: under dispatch_main() the main thread has exited and
  // the main queue's tasks run on a worker thread.
  [[nodiscard]] bool isCurrent() const override;
};

// The main queue of an AppKit application, served by the main run loop. A delayed task
// runs from a run-loop timer in the common modes, not inside a main-queue task: one that
// tracks a menu (the self-test's click) leaves the queue free for the tasks posted
// meanwhile.
class RunLoopMainQueue final : public GCDMainQueue {
 public:
  void asyncAfter(std::chrono::milliseconds delay, Task task) override;
};

class GCDUtilityQueue final : public BackgroundQueue {
 public:
  void async(Task task) override;
};

}  // namespace platform
