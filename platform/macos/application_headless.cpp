// The headless status bar on macOS: Grand Central Dispatch's main queue as the loop, for
// a session with no window server, where AppKit cannot connect.
#include <dispatch/dispatch.h>

#include <cstdlib>
#include <memory>

#include "platform/macos/application_gcd.h"
#include "platform/macos/applications.h"
#include "platform/headless/status_bar.h"

namespace platform {
namespace {

class GCDHeadlessApplication final : public GCDApplication {
 public:
  GCDHeadlessApplication() : GCDApplication(std::make_shared<GCDMainQueue>()) {}
  void setDelegate(ApplicationDelegate* delegate) override { delegate_ = delegate; }
  void setActivationPolicy(ActivationPolicy) override {}  // nothing is shown
  void run() override {
    mainQueue()->async([this] {
      if (delegate_ != nullptr) delegate_->applicationDidFinishLaunching();
    });
    dispatch_main();
  }
  // Like AppKit's terminate:, it ends the process here, so nothing posted later runs.
  void terminate() override { std::exit(EXIT_SUCCESS); }
  void activateIgnoringOtherApps() override {}
  std::unique_ptr<StatusItem> statusItemWithLength(double) override {
    return std::make_unique<HeadlessStatusItem>(std::make_unique<HeadlessStatusButton>(), menus_);
  }
  std::unique_ptr<Menu> makeMenu() override { return menus_.adopt(std::make_unique<HeadlessMenu>()); }

 private:
  ApplicationDelegate* delegate_ = nullptr;
  MadeMenus<HeadlessMenu> menus_;
};

}  // namespace

Application* headlessGCDApplication() { return new GCDHeadlessApplication(); }

}  // namespace platform
