// The main queue on a GLib main context: FIFO tasks behind one GSource, so a burst of
// posts costs one wake-up of the loop rather than one source per task.
#pragma once

#include <glib.h>

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/glib/owned.h"
#include "platform/platform.h"

namespace platform {

class GlibMainQueue final : public MainQueue {
 public:
  // The thread that makes the queue is its main thread and must iterate context.
  explicit GlibMainQueue(GMainContext* context);
  ~GlibMainQueue() override;
  GlibMainQueue(const GlibMainQueue&) = delete;
  GlibMainQueue& operator=(const GlibMainQueue&) = delete;

  void async(Task task) override;
  void asyncAfter(std::chrono::milliseconds delay, Task task) override;
  [[nodiscard]] bool isCurrent() const override;

  // Drops what is waiting and everything posted later: the application is ending.
  void stop();

 private:
  struct Source;
  [[nodiscard]] bool hasTasks();
  void runWaitingTasks();

  const GMainContextPtr context_;
  const GSourcePtr source_;  // a Source
  const std::thread::id mainThread_;
  std::mutex mutex_;
  std::deque<Task> tasks_;         // guarded by mutex_
  std::vector<GSourcePtr> timers_;  // guarded by mutex_; destroyed with the queue
  bool stopped_ = false;           // written under mutex_, on the main thread only
};

}  // namespace platform
