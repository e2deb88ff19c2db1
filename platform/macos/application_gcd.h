// What both macOS application objects share: Grand Central Dispatch's queues and the
// workspace (Foundation's URL parser, NSWorkspace's opener).
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/macos/main_queue.h"
#include "platform/platform.h"
#include "platform/workspace.h"

namespace platform {

class GCDApplication : public Application {
 public:
  explicit GCDApplication(std::shared_ptr<GCDMainQueue> mainQueue) : mainQueue_(std::move(mainQueue)) {}
  [[nodiscard]] std::optional<std::string> openURL(const URL& url) override { return workspace::openURL(url.string()); }
  [[nodiscard]] std::shared_ptr<MainQueue> mainQueue() override { return mainQueue_; }
  [[nodiscard]] BackgroundQueue& utilityQueue() override { return utilityQueue_; }

 protected:
  [[nodiscard]] bool acceptsURL(const std::string& text) const override { return workspace::acceptsURL(text); }

 private:
  const std::shared_ptr<GCDMainQueue> mainQueue_;
  GCDUtilityQueue utilityQueue_;
};

}  // namespace platform
