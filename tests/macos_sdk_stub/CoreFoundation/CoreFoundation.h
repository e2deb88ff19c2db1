// Stub of the CoreFoundation subset used by the indicator (see ../README.md).
#pragma once

#pragma clang assume_nonnull begin

typedef const void* CFTypeRef;
typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopTimer* CFRunLoopTimerRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef CFStringRef CFRunLoopMode;
typedef double CFTimeInterval;
typedef CFTimeInterval CFAbsoluteTime;
typedef unsigned long CFOptionFlags;
typedef long CFIndex;

#ifdef __cplusplus
extern "C" {
#endif
extern const CFRunLoopMode kCFRunLoopCommonModes;
extern const CFAllocatorRef _Nullable kCFAllocatorDefault;
void CFRelease(CFTypeRef cf);
CFRunLoopRef CFRunLoopGetMain(void);
CFAbsoluteTime CFAbsoluteTimeGetCurrent(void);
#ifdef __BLOCKS__
CFRunLoopTimerRef CFRunLoopTimerCreateWithHandler(CFAllocatorRef _Nullable allocator, CFAbsoluteTime fireDate,
                                                  CFTimeInterval interval, CFOptionFlags flags, CFIndex order,
                                                  void (^block)(CFRunLoopTimerRef timer))
    __attribute__((availability(macos, introduced = 10.7)));
#endif
void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFRunLoopMode mode);
#ifdef __cplusplus
}
#endif

#pragma clang assume_nonnull end
