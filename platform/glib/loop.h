// The event loop both Linux status bars run on: a GLib main context with the main queue
// on it, the utility queue's threads, and the signals that end it.
#pragma once

#include <glib.h>

#include <functional>
#include <memory>

#include "platform/glib/background_queue.h"
#include "platform/glib/main_queue.h"
#include "platform/glib/owned.h"
#include "platform/platform.h"

namespace platform {

class GlibLoop {
 public:
  explicit GlibLoop(GMainContext* context);
  ~GlibLoop();
  GlibLoop(const GlibLoop&) = delete;
  GlibLoop& operator=(const GlibLoop&) = delete;

  // Tells the delegate, from the loop, that launching has finished; once only.
  void launch(ApplicationDelegate* delegate);
  // Launches, runs until end(), lets the status bar take itself down, and then, when
  // SIGINT, SIGTERM or SIGHUP ended the loop, ends the process by that signal.
  void run(ApplicationDelegate* delegate, const std::function<void()>& takeDown = {});
  // No task posted to the main queue runs after this.
  void end();

  [[nodiscard]] bool ended() const { return ended_; }
  [[nodiscard]] GMainContext* context() const { return context_.get(); }
  [[nodiscard]] std::shared_ptr<MainQueue> mainQueue() const { return mainQueue_; }
  [[nodiscard]] BackgroundQueue& utilityQueue() { return utilityQueue_; }

 private:
  const GMainContextPtr context_;
  const GMainLoopPtr loop_;
  const std::shared_ptr<GlibMainQueue> mainQueue_;
  ThreadBackgroundQueue utilityQueue_;
  bool launched_ = false;
  bool ended_ = false;
};

}  // namespace platform
