// Stub of the AppKit subset used by the indicator (see ../README.md).
#pragma once

#import <Foundation/Foundation.h>

#pragma clang assume_nonnull begin

@class NSMenu;
@class NSStatusBarButton;
@class NSWindow;

@interface NSResponder : NSObject
@end

@interface NSView : NSResponder
@property NSRect frame;
@property(readonly, copy) NSArray<__kindof NSView*>* subviews;
@property(nullable, readonly, weak) NSWindow* window;
@property(readonly) NSSize fittingSize FOUNDATION_STUB_AVAILABLE(10.7);
@property(nullable, copy) NSString* toolTip;
@end

@interface NSControl : NSView
@end

typedef enum NSCellImagePosition : NSUInteger { NSNoImage = 0, NSImageOnly = 1, NSImageLeft = 2 } NSCellImagePosition;

@interface NSButton : NSControl
@property(copy) NSAttributedString* attributedTitle;
@property NSCellImagePosition imagePosition;
- (void)performClick:(nullable id)sender;
@end

@interface NSStatusBarButton : NSButton
@end

typedef CGFloat NSFontWeight;
extern const NSFontWeight NSFontWeightRegular FOUNDATION_STUB_AVAILABLE(10.11);
extern const NSFontWeight NSFontWeightSemibold FOUNDATION_STUB_AVAILABLE(10.11);

@interface NSFont : NSObject
+ (NSFont*)systemFontOfSize:(CGFloat)size weight:(NSFontWeight)weight FOUNDATION_STUB_AVAILABLE(10.11);
+ (NSFont*)monospacedDigitSystemFontOfSize:(CGFloat)size
                                    weight:(NSFontWeight)weight FOUNDATION_STUB_AVAILABLE(10.11);
+ (NSFont*)monospacedSystemFontOfSize:(CGFloat)size weight:(NSFontWeight)weight FOUNDATION_STUB_AVAILABLE(10.15);
@end

typedef NSString* NSAppearanceName;
extern NSAppearanceName const NSAppearanceNameAqua FOUNDATION_STUB_AVAILABLE(10.9);
extern NSAppearanceName const NSAppearanceNameDarkAqua FOUNDATION_STUB_AVAILABLE(10.14);

@interface NSAppearance : NSObject
+ (nullable NSAppearance*)appearanceNamed:(NSAppearanceName)name;
- (void)performAsCurrentDrawingAppearance:(void (^)(void))block FOUNDATION_STUB_AVAILABLE(11.0);
@end

@interface NSColorSpace : NSObject
@property(class, readonly, strong) NSColorSpace* sRGBColorSpace FOUNDATION_STUB_AVAILABLE(10.5);
@property(class, readonly, strong) NSColorSpace* genericRGBColorSpace;
@end

typedef NSString* NSColorName;

@interface NSColor : NSObject
@property(class, strong, readonly) NSColor* labelColor FOUNDATION_STUB_AVAILABLE(10.10);
@property(class, strong, readonly) NSColor* secondaryLabelColor FOUNDATION_STUB_AVAILABLE(10.10);
@property(class, strong, readonly) NSColor* systemGreenColor FOUNDATION_STUB_AVAILABLE(10.10);
@property(class, strong, readonly) NSColor* systemBlueColor FOUNDATION_STUB_AVAILABLE(10.10);
@property(class, strong, readonly) NSColor* systemOrangeColor FOUNDATION_STUB_AVAILABLE(10.10);
@property(class, strong, readonly) NSColor* systemGrayColor FOUNDATION_STUB_AVAILABLE(10.10);
+ (NSColor*)colorWithName:(nullable NSColorName)name
          dynamicProvider:(NSColor* (^)(NSAppearance* appearance))provider FOUNDATION_STUB_AVAILABLE(10.15);
+ (NSColor*)colorWithCalibratedRed:(CGFloat)red green:(CGFloat)green blue:(CGFloat)blue alpha:(CGFloat)alpha;
- (nullable NSColor*)blendedColorWithFraction:(CGFloat)fraction ofColor:(NSColor*)color;
- (nullable NSColor*)colorUsingColorSpace:(NSColorSpace*)space FOUNDATION_STUB_AVAILABLE(10.6);
@property(readonly) CGFloat redComponent;
@property(readonly) CGFloat greenComponent;
@property(readonly) CGFloat blueComponent;
@end

extern NSAttributedStringKey const NSFontAttributeName;
extern NSAttributedStringKey const NSForegroundColorAttributeName;

@interface NSMenuItem : NSObject
+ (NSMenuItem*)separatorItem;
- (instancetype)initWithTitle:(NSString*)title action:(nullable SEL)action keyEquivalent:(NSString*)keyEquivalent;
@property(nullable, copy) NSAttributedString* attributedTitle;
@property(nullable, copy) NSString* toolTip;
@property(nullable, copy) NSString* accessibilityLabel;
@property(getter=isEnabled) BOOL enabled;
@property(nullable, weak) id target;
@end

@interface NSMenu : NSObject
- (instancetype)init;
@property BOOL autoenablesItems;
- (void)removeAllItems FOUNDATION_STUB_AVAILABLE(10.6);
- (void)addItem:(NSMenuItem*)item;
- (NSMenuItem*)addItemWithTitle:(NSString*)title action:(nullable SEL)action keyEquivalent:(NSString*)keyEquivalent;
@property(readonly) NSInteger numberOfItems;
- (nullable NSMenuItem*)itemAtIndex:(NSInteger)index;
- (void)performActionForItemAtIndex:(NSInteger)index FOUNDATION_STUB_AVAILABLE(10.6);
- (void)cancelTracking FOUNDATION_STUB_AVAILABLE(10.5);
@end

extern NSNotificationName const NSMenuDidBeginTrackingNotification;
extern NSNotificationName const NSMenuDidEndTrackingNotification;

@interface NSWindow : NSResponder
@property(getter=isVisible, readonly) BOOL visible;
@property(nullable, strong) __kindof NSView* contentView;
@end

static const CGFloat NSVariableStatusItemLength = -1;

@interface NSStatusItem : NSObject
@property(readonly, strong, nullable) NSStatusBarButton* button FOUNDATION_STUB_AVAILABLE(10.10);
@property(nullable, strong) NSMenu* menu;
@end

@interface NSStatusBar : NSObject
@property(class, readonly, strong) NSStatusBar* systemStatusBar;
- (NSStatusItem*)statusItemWithLength:(CGFloat)length;
@end

@class NSApplication;

@protocol NSApplicationDelegate <NSObject>
@optional
- (void)applicationDidFinishLaunching:(NSNotification*)notification;
- (BOOL)applicationSupportsSecureRestorableState:(NSApplication*)app FOUNDATION_STUB_AVAILABLE(12.0);
@end

typedef enum NSApplicationActivationPolicy : NSInteger {
  NSApplicationActivationPolicyRegular = 0,
  NSApplicationActivationPolicyAccessory = 1,
  NSApplicationActivationPolicyProhibited = 2,
} NSApplicationActivationPolicy;

@interface NSApplication : NSResponder
@property(class, readonly, strong) __kindof NSApplication* sharedApplication;
@property(nullable, weak) id<NSApplicationDelegate> delegate;
@property(readonly, copy) NSArray<NSWindow*>* windows;
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)policy;
- (void)run;
- (void)terminate:(nullable id)sender;
// Apple's API_TO_BE_DEPRECATED: listed as available, with activate the replacement from 14.
- (void)activateIgnoringOtherApps:(BOOL)flag FOUNDATION_STUB_DEPRECATED(10.0, 100000);
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= 140000
- (void)activate FOUNDATION_STUB_AVAILABLE(14.0);
#endif
@end

extern __kindof NSApplication* _Null_unspecified NSApp;

@interface NSWorkspace : NSObject
@property(class, readonly, strong) NSWorkspace* sharedWorkspace;
- (BOOL)openURL:(NSURL*)url;
@end

#pragma clang assume_nonnull end
