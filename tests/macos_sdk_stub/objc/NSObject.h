// Stub of the Objective-C runtime's root class and basic types (see ../README.md).
#pragma once

#pragma clang assume_nonnull begin

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

@class NSString;

@protocol NSObject
- (BOOL)isEqual:(nullable id)object;
@end

__attribute__((objc_root_class))
@interface NSObject <NSObject>
+ (instancetype)alloc;
- (instancetype)init;
+ (Class)class;
- (BOOL)isKindOfClass:(Class)aClass;
@end

#pragma clang assume_nonnull end
