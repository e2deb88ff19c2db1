// The headless status bar on a GLib event loop: the Linux platform when no display can
// be used. URLs are parsed and opened through GIO, as on the desktop.
#pragma once

#include <memory>

#include "platform/glib/loop.h"
#include "platform/platform.h"
#include "platform/headless/status_bar.h"

namespace platform {

class HeadlessApplication : public Application {
 public:
  HeadlessApplication();

  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  void setActivationPolicy(ActivationPolicy) override {}  // nothing is shown
  void run() override { loop_.run(delegate_); }
  void terminate() override { loop_.end(); }
  void activateIgnoringOtherApps() override {}
  [[nodiscard]] std::unique_ptr<StatusItem> statusItemWithLength(double) override;
  [[nodiscard]] std::unique_ptr<Menu> makeMenu() override { return menus_.adopt(std::make_unique<HeadlessMenu>()); }
  [[nodiscard]] std::optional<std::string> openURL(const URL& url) override;
  [[nodiscard]] std::shared_ptr<MainQueue> mainQueue() override { return loop_.mainQueue(); }
  [[nodiscard]] BackgroundQueue& utilityQueue() override { return loop_.utilityQueue(); }

 protected:
  [[nodiscard]] bool acceptsURL(const std::string& text) const override;

  ApplicationDelegate* delegate_ = nullptr;
  GlibLoop loop_;
  MadeMenus<HeadlessMenu> menus_;
};

}  // namespace platform
