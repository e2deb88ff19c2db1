// Stub of the Foundation subset used by the indicator (see ../README.md).
#pragma once

#include <stddef.h>
#include <stdint.h>

#pragma clang assume_nonnull begin

// The SDK the stub stands for; the check also compiles against an older one
// (-D__MAC_OS_X_VERSION_MAX_ALLOWED=130000), where macOS 14's declarations are missing.
#ifndef __MAC_OS_X_VERSION_MAX_ALLOWED
#define __MAC_OS_X_VERSION_MAX_ALLOWED 140000
#endif

#define FOUNDATION_STUB_AVAILABLE(version) __attribute__((availability(macos, introduced = version)))
#define FOUNDATION_STUB_DEPRECATED(introducedIn, deprecatedIn) \
  __attribute__((availability(macos, introduced = introducedIn, deprecated = deprecatedIn)))

typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef double CGFloat;
// Apple's BOOL is bool on ARM and signed char on Intel, where mixing it with bool shows.
#if defined(__arm64__) || defined(__aarch64__)
typedef bool BOOL;
#else
typedef signed char BOOL;
#endif
#define YES __objc_yes
#define NO __objc_no
#ifndef nil
#define nil nullptr
#endif

typedef struct CGPoint {
  CGFloat x;
  CGFloat y;
} CGPoint;
typedef struct CGSize {
  CGFloat width;
  CGFloat height;
} CGSize;
typedef struct CGRect {
  CGPoint origin;
  CGSize size;
} CGRect;
typedef CGRect NSRect;
typedef const void* CFTypeRef;
typedef CGSize NSSize;

@class NSString;

typedef struct _NSRange {
  NSUInteger location;
  NSUInteger length;
} NSRange;
typedef NSRange* NSRangePointer;
typedef double NSTimeInterval;

@protocol NSObject
- (BOOL)isEqual:(nullable id)object;
@end

@protocol NSCopying
@end

__attribute__((objc_root_class))
@interface NSObject <NSObject>
+ (instancetype)alloc;
- (instancetype)init;
+ (Class)class;
- (BOOL)isKindOfClass:(Class)aClass;
@end

typedef struct {
  unsigned long state;
  id _Nullable __unsafe_unretained* _Nullable itemsPtr;
  unsigned long* _Nullable mutationsPtr;
  unsigned long extra[5];
} NSFastEnumerationState;

@protocol NSFastEnumeration
- (NSUInteger)countByEnumeratingWithState:(NSFastEnumerationState*)state
                                  objects:(id _Nullable __unsafe_unretained[_Nonnull])buffer
                                    count:(NSUInteger)len;
@end

@interface NSArray<__covariant ObjectType> : NSObject <NSFastEnumeration>
+ (instancetype)arrayWithObjects:(const ObjectType _Nonnull[_Nonnull])objects count:(NSUInteger)count;
@end

typedef NSUInteger NSStringEncoding;
enum : NSStringEncoding { NSUTF8StringEncoding = 4 };

@interface NSString : NSObject <NSCopying>
- (nullable instancetype)initWithBytes:(const void*)bytes
                                length:(NSUInteger)length
                              encoding:(NSStringEncoding)encoding;
@end

@interface NSDictionary<__covariant KeyType, __covariant ObjectType> : NSObject
+ (instancetype)dictionaryWithObjects:(const ObjectType _Nonnull[_Nullable])objects
                              forKeys:(const KeyType<NSCopying> _Nonnull[_Nullable])keys
                                count:(NSUInteger)count;
@end

typedef NSString* NSAttributedStringKey;

@interface NSAttributedString : NSObject
- (instancetype)initWithString:(NSString*)string
                    attributes:(nullable NSDictionary<NSAttributedStringKey, id>*)attributes;
- (NSSize)size;
- (nullable id)attribute:(NSAttributedStringKey)name
                 atIndex:(NSUInteger)location
          effectiveRange:(nullable NSRangePointer)range;
@end

@interface NSMutableAttributedString : NSAttributedString
- (void)appendAttributedString:(NSAttributedString*)string;
@end

@interface NSURL : NSObject
+ (nullable instancetype)URLWithString:(NSString*)string;
#if __MAC_OS_X_VERSION_MAX_ALLOWED >= 140000
+ (nullable instancetype)URLWithString:(NSString*)URLString
             encodingInvalidCharacters:(BOOL)encodingInvalidCharacters FOUNDATION_STUB_AVAILABLE(14.0);
#endif
@end

@interface NSNotification : NSObject
@property(nullable, readonly, strong) id object;
@end

typedef NSString* NSNotificationName;

@interface NSOperationQueue : NSObject
@end

@interface NSNotificationCenter : NSObject
@property(class, readonly, strong) NSNotificationCenter* defaultCenter;
- (id<NSObject>)addObserverForName:(nullable NSNotificationName)name
                            object:(nullable id)object
                             queue:(nullable NSOperationQueue*)queue
                        usingBlock:(void (^)(NSNotification* notification))block FOUNDATION_STUB_AVAILABLE(10.6);
@end

@interface NSTimer : NSObject
+ (NSTimer*)scheduledTimerWithTimeInterval:(NSTimeInterval)interval
                                   repeats:(BOOL)repeats
                                     block:(void (^)(NSTimer* timer))block FOUNDATION_STUB_AVAILABLE(10.12);
@end

typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopTimer* CFRunLoopTimerRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef CFStringRef CFRunLoopMode;
typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;
typedef unsigned long CFOptionFlags;
typedef long CFIndex;
extern "C" {
extern const CFRunLoopMode kCFRunLoopCommonModes;
extern const CFAllocatorRef _Nullable kCFAllocatorDefault;
CFRunLoopRef CFRunLoopGetMain(void);
void CFRunLoopPerformBlock(CFRunLoopRef rl, CFTypeRef _Nullable mode, void (^block)(void));
void CFRunLoopWakeUp(CFRunLoopRef rl);
CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);
CFRunLoopTimerRef CFRunLoopTimerCreateWithHandler(CFAllocatorRef _Nullable allocator, CFAbsoluteTime fireDate,
                                                  CFTimeInterval interval, CFOptionFlags flags, CFIndex order,
                                                  void (^block)(CFRunLoopTimerRef timer))
    FOUNDATION_STUB_AVAILABLE(10.7);
void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
void CFRelease(CFTypeRef cf);
}

#pragma clang assume_nonnull end
