// The AppKit layer in a real NSApplication on a Mac: what the review of the layer could
// only guess from Apple's documentation. Built and run by ctest on macOS only.
#import <AppKit/AppKit.h>
#include <CoreGraphics/CoreGraphics.h>
#include <dispatch/dispatch.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/macos/applications.h"
#include "platform/platform.h"
#include "render/render.h"

namespace {

int passed = 0;
int failed = 0;

void check(bool condition, const char* what) {
  if (condition) {
    ++passed;
  } else {
    ++failed;
    std::fprintf(stderr, "FAIL: %s\n", what);
  }
}

struct Target final : platform::MenuTarget {
  int consoles = 0;
  int quits = 0;
  void openConsole() override { ++consoles; }
  void quit() override { ++quits; }
};

report::Report sample() {
  report::Row row{.label = "cpu", .bar = "##--", .value = "42%", .tone = "good"};
  return report::Report{.title = "42%",
                .sections = std::vector<report::Report::Section>{{"Now", {row}}},
                .console = "http://127.0.0.1:8180"};
}

// The status bar's own window holds the button, somewhere in its views; AppKit gives no
// other way to it from outside the layer.
NSStatusBarButton* statusButtonIn(NSView* view) {
  if ([view isKindOfClass:[NSStatusBarButton class]]) return (NSStatusBarButton*)view;
  for (NSView* subview in view.subviews) {
    if (NSStatusBarButton* button = statusButtonIn(subview)) return button;
  }
  return nil;
}

NSStatusBarButton* statusButton() {
  for (NSWindow* window in NSApp.windows) {
    if (NSStatusBarButton* button = statusButtonIn(window.contentView)) return button;
  }
  return nil;
}

// Closes the open menu from its own tracking loop, as a click elsewhere would.
void closeLater(NSMenu* menu, double seconds) {
  CFRunLoopTimerRef timer = CFRunLoopTimerCreateWithHandler(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + seconds,
                                                            0, 0, 0, ^(CFRunLoopTimerRef) { [menu cancelTracking]; });
  CFRunLoopAddTimer(CFRunLoopGetMain(), timer, kCFRunLoopCommonModes);
  CFRelease(timer);
}

NSColor* inAppearance(NSColor* color, NSAppearanceName name, NSColorSpace* space) {
  __block NSColor* resolved = nil;
  [[NSAppearance appearanceNamed:name] performAsCurrentDrawingAppearance:^{
    resolved = [color colorUsingColorSpace:space];
  }];
  return resolved;
}

class Test final : public platform::ApplicationDelegate {
 public:
  explicit Test(platform::Application& app) : app_(app) {}

  void applicationDidFinishLaunching() override {
    item_ = app_.statusItemWithLength(platform::variableStatusItemLength);
    menu_ = app_.makeMenu();
    menu_->setAutoenablesItems(false);
    item_->setMenu(*menu_);
    platform::StatusButton* button = item_->button();
    check(button != nullptr, "the status item has a button");
    NSStatusBarButton* native = statusButton();
    check(native != nil && native.window.isVisible, "the status button's window is visible");

    // The width logged is the width the title just set needs: its text's, and a margin.
    button->setAttributedTitle(rendering::statusTitle("\u2301 23%"));
    const double shortWidth = button->frameWidth();
    const double textWidth = native.attributedTitle.size.width;
    check(textWidth > 0 && shortWidth >= textWidth && shortWidth <= textWidth + 40, "the width is the new title's");
    button->setAttributedTitle(rendering::statusTitle("\u2301 23% of everything"));
    check(button->frameWidth() > shortWidth, "a longer title is wider");

    // Items keep reaching the C++ target through pools drained and many re-renders.
    for (int i = 0; i < 1000; ++i) {
      @autoreleasepool {
        menu_->removeAllItems();
        rendering::buildMenu(sample(), [&](model::MenuItem&& entry) { menu_->addItem(std::move(entry), target_); });
      }
    }

    check(!app_.urlFromString(std::string("a\0b", 3)), "a NUL is no URL");
    check(!app_.urlFromString("a b"), "a space is no URL");
    check(app_.urlFromString("http://127.0.0.1:8180").has_value(), "an address is a URL");

    // While the menu is open, a task posted to the main queue closes it; should none run,
    // a timer closes it a little later.
    [NSNotificationCenter.defaultCenter addObserverForName:NSMenuDidBeginTrackingNotification object:nil queue:nil
                                                usingBlock:^(NSNotification* note) {
      began_ = ++clock_;
      tracked_ = note.object;
      app_.mainQueue()->async([this] {
        posted_ = ++clock_;
        [tracked_ cancelTracking];
      });
      closeLater(tracked_, 2);
    }];
    [NSNotificationCenter.defaultCenter addObserverForName:NSMenuDidEndTrackingNotification object:nil queue:nil
                                                usingBlock:^(NSNotification*) { ended_ = ++clock_; }];
    // The self-test's way: a delayed task on the main queue.
    app_.mainQueue()->asyncAfter(std::chrono::milliseconds(200), [this] {
      check(app_.mainQueue()->isCurrent(), "a delayed task runs on the main queue");
      clickAndCheck("from a delayed task");
      check(began_ < posted_ && posted_ < ended_, "the main queue runs while a delayed task's menu is open");
      dispatch_async(dispatch_get_main_queue(), ^{
        clickAndCheck("from the main queue");
        colours();
        actions();
        std::printf("%d passed, %d failed\n", passed, failed);
        std::exit(failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE);
      });
    });
  }

 private:
  void clickAndCheck(const char* where) {
    began_ = ended_ = posted_ = 0;
    item_->button()->performClick();
    const int returned = ++clock_;
    std::fprintf(stderr, "performClick %s: began %d, posted %d, ended %d, returned %d\n", where, began_, posted_,
                 ended_, returned);
    check(began_ > 0 && began_ < ended_ && ended_ < returned, "performClick returns once the menu has closed");
  }

  // A tone colour is the base blended a quarter with grey, in light and dark alike. The
  // blend is blendedColorWithFraction:ofColor:'s, which mixes in calibrated RGB (NSColor.h):
  // the two mixed there is what must be drawn. Both are read back in sRGB; 0.01 is room
  // for the rounding of the colour-space conversions on each side, under 1/255 each.
  void colours() {
    NSMenuItem* row = [tracked_ itemAtIndex:1];
    NSColor* bar = [row.attributedTitle attribute:NSForegroundColorAttributeName atIndex:5 effectiveRange:nullptr];
    for (NSAppearanceName name in @[ NSAppearanceNameAqua, NSAppearanceNameDarkAqua ]) {
      NSColor* base = inAppearance(NSColor.systemBlueColor, name, NSColorSpace.genericRGBColorSpace);
      NSColor* grey = inAppearance(NSColor.systemGrayColor, name, NSColorSpace.genericRGBColorSpace);
      NSColor* mixed = [NSColor colorWithCalibratedRed:0.75 * base.redComponent + 0.25 * grey.redComponent
                                                 green:0.75 * base.greenComponent + 0.25 * grey.greenComponent
                                                  blue:0.75 * base.blueComponent + 0.25 * grey.blueComponent
                                                 alpha:1];
      NSColor* expected = [mixed colorUsingColorSpace:NSColorSpace.sRGBColorSpace];
      NSColor* drawn = inAppearance(bar, name, NSColorSpace.sRGBColorSpace);
      const bool close = std::fabs(drawn.redComponent - expected.redComponent) < 0.01 &&
                         std::fabs(drawn.greenComponent - expected.greenComponent) < 0.01 &&
                         std::fabs(drawn.blueComponent - expected.blueComponent) < 0.01;
      check(close, "a tone colour is 0.75 base + 0.25 grey, mixed in calibrated RGB");
    }
  }

  void actions() {
    const NSInteger items = tracked_.numberOfItems;
    [tracked_ performActionForItemAtIndex:items - 2];  // the console command
    check(target_.consoles == 1, "the console command reaches the C++ target");
    [tracked_ performActionForItemAtIndex:items - 1];  // quit
    check(target_.quits == 1, "the quit command reaches the C++ target");
  }

  platform::Application& app_;
  std::unique_ptr<platform::StatusItem> item_;
  std::unique_ptr<platform::Menu> menu_;
  Target target_;
  NSMenu* tracked_ = nil;
  int clock_ = 0;
  int began_ = 0;
  int posted_ = 0;
  int ended_ = 0;
};

}  // namespace

int main() {
  // Over SSH, or as a LaunchDaemon, there is no window server to show anything on.
  CFDictionaryRef session = CGSessionCopyCurrentDictionary();
  if (session == nullptr) {
    std::printf("skipped: not in a graphical login session\n");
    return 77;
  }
  CFRelease(session);
  platform::Application& app = *platform::appKitApplication();
  static Test test(app);
  app.setDelegate(&test);
  app.setActivationPolicy(platform::ActivationPolicy::accessory);
  app.run();
  return EXIT_FAILURE;  // run returns only if the test did not finish
}
