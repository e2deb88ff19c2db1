// The platform on macOS: AppKit behind the plain C++ interface. Each method forwards to
// one AppKit call or converts one value; every decision lives in the C++ core.
#import <AppKit/AppKit.h>

#include "platform/macos/application_gcd.h"
#include "platform/macos/applications.h"
#include "platform/macos/foundation_text.h"
#include "platform/platform.h"

// The application delegate AppKit talks to; it forwards to the C++ delegate it points to.
@interface IndicatorApplicationDelegate : NSObject <NSApplicationDelegate>
- (instancetype)initWithDelegate:(platform::ApplicationDelegate*)delegate;
@end

@implementation IndicatorApplicationDelegate {
  platform::ApplicationDelegate* _delegate;  // not owned
}

- (instancetype)initWithDelegate:(platform::ApplicationDelegate*)delegate {
  if ((self = [super init])) _delegate = delegate;
  return self;
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
  platform::callFromPlatform([&] { _delegate->applicationDidFinishLaunching(); });
}

// Without it, macOS 14 and later print a warning about restorable state on standard
// error, which carries only the indicator's own lines. There is no state to restore.
- (BOOL)applicationSupportsSecureRestorableState:(NSApplication*)application {
  return YES;
}
@end

// The target of the menu's commands; it forwards each action to the C++ target.
@interface IndicatorMenuTarget : NSObject
- (instancetype)initWithTarget:(platform::MenuTarget*)target;
- (platform::MenuTarget*)menuTarget;
- (void)openConsole;
- (void)quit;
@end

@implementation IndicatorMenuTarget {
  platform::MenuTarget* _target;  // not owned
}

- (instancetype)initWithTarget:(platform::MenuTarget*)target {
  if ((self = [super init])) _target = target;
  return self;
}

// Not -target, which Cocoa's controls declare as returning id.
- (platform::MenuTarget*)menuTarget {
  return _target;
}

- (void)openConsole {
  platform::callFromPlatform([&] { _target->openConsole(); });
}

- (void)quit {
  platform::callFromPlatform([&] { _target->quit(); });
}
@end

namespace platform {
namespace {

NSFont* toNSFont(const model::Font& font) {
  const NSFontWeight weight = font.weight == model::FontWeight::semibold ? NSFontWeightSemibold : NSFontWeightRegular;
  switch (font.design) {
    case model::FontDesign::system: return [NSFont systemFontOfSize:font.size weight:weight];
    case model::FontDesign::monospaced: return [NSFont monospacedSystemFontOfSize:font.size weight:weight];
    case model::FontDesign::monospacedDigit: return [NSFont monospacedDigitSystemFontOfSize:font.size weight:weight];
  }
}

NSColor* toNSColor(model::NamedColor color) {
  switch (color) {
    case model::NamedColor::label: return NSColor.labelColor;
    case model::NamedColor::secondaryLabel: return NSColor.secondaryLabelColor;
    case model::NamedColor::systemGreen: return NSColor.systemGreenColor;
    case model::NamedColor::systemBlue: return NSColor.systemBlueColor;
    case model::NamedColor::systemOrange: return NSColor.systemOrangeColor;
    case model::NamedColor::systemGray: return NSColor.systemGrayColor;
  }
}

// blendedColorWithFraction:ofColor: resolves dynamic colours once, for the appearance of
// that moment; a dynamic colour blends again for whichever appearance it is drawn in. The
// call blends in calibrated RGB, whatever space its colours come in.
NSColor* toNSColor(const model::Color& color) {
  NSColor* base = toNSColor(color.base);
  if (!color.blend) return base;
  NSColor* with = toNSColor(color.blend->with);
  const CGFloat fraction = color.blend->fraction;
  return [NSColor colorWithName:nil
                dynamicProvider:^NSColor*(NSAppearance* appearance) {
                  __block NSColor* blended = nil;
                  [appearance performAsCurrentDrawingAppearance:^{
                    blended = [base blendedColorWithFraction:fraction ofColor:with];
                  }];
                  return blended != nil ? blended : base;
                }];
}

NSAttributedString* toNSAttributedString(const model::StyledText& text) {
  NSMutableAttributedString* result = [[NSMutableAttributedString alloc] init];
  for (const model::StyledRun& run : text) {
    NSDictionary<NSAttributedStringKey, id>* attributes =
        @{NSFontAttributeName : toNSFont(run.font), NSForegroundColorAttributeName : toNSColor(run.color)};
    std::string runText;
    run.appendTo(runText);
    [result appendAttributedString:[[NSAttributedString alloc] initWithString:toNSString(runText)
                                                                   attributes:attributes]];
  }
  return result;
}

SEL toSelector(model::MenuAction action) {
  switch (action) {
    case model::MenuAction::none: return nil;
    case model::MenuAction::openConsole: return @selector(openConsole);
    case model::MenuAction::quit: return @selector(quit);
  }
}

class AppKitMenu final : public Menu {
 public:
  NSMenu* const menu = [[NSMenu alloc] init];

  void setAutoenablesItems(bool autoenables) override { menu.autoenablesItems = autoenables; }
  void removeAllItems() override { [menu removeAllItems]; }

  void addItem(const model::MenuItem& item, MenuTarget& target) override {
    if (item.isSeparator) {
      [menu addItem:[NSMenuItem separatorItem]];
      return;
    }
    NSMenuItem* native = [[NSMenuItem alloc] initWithTitle:toNSString(item.title)
                                                    action:toSelector(item.action)
                                             keyEquivalent:toNSString(item.keyEquivalent)];
    if (item.attributedTitle) native.attributedTitle = toNSAttributedString(*item.attributedTitle);
    native.toolTip = item.toolTip ? toNSString(*item.toolTip) : nil;
    // VoiceOver would read the bar character by character.
    if (const auto name = model::accessibleName(item)) native.accessibilityLabel = toNSString(*name);
    native.enabled = item.enabled;
    if (item.action != model::MenuAction::none) native.target = objectFor(target);
    [menu addItem:native];
  }

 private:
  // A menu item holds its target weakly, so the menu keeps it.
  IndicatorMenuTarget* objectFor(MenuTarget& target) {
    if (target_ == nil || [target_ menuTarget] != &target) target_ = [[IndicatorMenuTarget alloc] initWithTarget:&target];
    return target_;
  }

  IndicatorMenuTarget* target_ = nil;
};

class AppKitStatusButton final : public StatusButton {
 public:
  explicit AppKitStatusButton(NSStatusBarButton* button) : button_(button) {}

  void setAttributedTitle(model::StyledText title) override { button_.attributedTitle = toNSAttributedString(title); }
  void setImagePosition(ImagePosition) override { button_.imagePosition = NSNoImage; }
  void setToolTip(const std::string& toolTip) override { button_.toolTip = toNSString(toolTip); }
  // The width the new title needs: the status item's window is resized only in the next
  // layout pass, so the frame would still have the previous title's width.
  double frameWidth() const override { return button_.fittingSize.width; }
  // Tracks the menu and returns once it has closed.
  void performClick() override { [button_ performClick:nil]; }

 private:
  NSStatusBarButton* const button_;
};

class AppKitStatusItem final : public StatusItem {
 public:
  AppKitStatusItem(NSStatusItem* item, const MadeMenus<AppKitMenu>& menus)
      : item_(item), menus_(menus), button_(item.button ? std::make_unique<AppKitStatusButton>(item.button) : nullptr) {}

  StatusButton* button() override { return button_.get(); }
  void setMenu(Menu& menu) override {
    if (AppKitMenu* made = menus_.find(menu)) item_.menu = made->menu;
  }

 private:
  NSStatusItem* const item_;  // in the status bar for as long as it is held
  const MadeMenus<AppKitMenu>& menus_;
  const std::unique_ptr<AppKitStatusButton> button_;
};

class AppKitApplication final : public GCDApplication {
 public:
  // The shared application connects to the window server, and comes before any other
  // AppKit object.
  AppKitApplication() : GCDApplication(std::make_shared<RunLoopMainQueue>()) { [NSApplication sharedApplication]; }

  void setDelegate(ApplicationDelegate* delegate) override {
    delegate_ = [[IndicatorApplicationDelegate alloc] initWithDelegate:delegate];
    NSApplication.sharedApplication.delegate = delegate_;  // held weakly by AppKit
  }

  void setActivationPolicy(ActivationPolicy policy) override {
    [NSApplication.sharedApplication setActivationPolicy:policy == ActivationPolicy::accessory
                                                             ? NSApplicationActivationPolicyAccessory
                                                             : NSApplicationActivationPolicyRegular];
  }

  void run() override { [NSApplication.sharedApplication run]; }
  void terminate() override { [NSApp terminate:nil]; }

  void activateIgnoringOtherApps() override {
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= 140000
    if (@available(macOS 14, *)) {
      [NSApp activate];
      return;
    }
#endif
    [NSApp activateIgnoringOtherApps:YES];
  }

  std::unique_ptr<StatusItem> statusItemWithLength(double length) override {
    return std::make_unique<AppKitStatusItem>([NSStatusBar.systemStatusBar statusItemWithLength:length], menus_);
  }

  std::unique_ptr<Menu> makeMenu() override { return menus_.adopt(std::make_unique<AppKitMenu>()); }

 private:
  IndicatorApplicationDelegate* delegate_ = nil;
  MadeMenus<AppKitMenu> menus_;
};

}  // namespace

Application* appKitApplication() { return new AppKitApplication(); }

}  // namespace platform
