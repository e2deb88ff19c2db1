// Stub of the Foundation subset used by the indicator (see ../README.md).
#pragma once

#include <stddef.h>
#include <stdint.h>

#import <CoreFoundation/CoreFoundation.h>
#import <objc/NSObject.h>

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
typedef CGSize NSSize;

typedef struct _NSRange {
  NSUInteger location;
  NSUInteger length;
} NSRange;
typedef NSRange* NSRangePointer;
typedef double NSTimeInterval;

@protocol NSCopying
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

#pragma clang assume_nonnull end
