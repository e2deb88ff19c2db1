// The main queue and the utility queue on macOS: Grand Central Dispatch.
#pragma once

#include <thread>

#include "platform/platform.h"

namespace platform {

class GCDMainQueue final : public MainQueue {
 public:
  void async(Task task) override;
  void asyncAfter(std::chrono::milliseconds delay, Task task) override;
  // Made on the main thread, in main, before the event loop starts.
  [[nodiscard]] bool isCurrent() const override { return std::this_thread::get_id() == mainThread_; }

 private:
  const std::thread::id mainThread_ = std::this_thread::get_id();
};

class GCDUtilityQueue final : public BackgroundQueue {
 public:
  void async(Task task) override;
};

}  // namespace platform
