// Stub of the dispatch subset used by the indicator (see ../README.md), as C++ sees it.
#pragma once

#include <stdint.h>

#include <os/object.h>

#pragma clang assume_nonnull begin

#ifdef __OBJC__
// In Objective-C, dispatch objects are Objective-C objects: ARC owns them, and releasing
// one by hand does not compile.
@protocol OS_dispatch_object <NSObject>
@end
@protocol OS_dispatch_queue <OS_dispatch_object>
@end
@protocol OS_dispatch_queue_main <OS_dispatch_queue>
@end
@protocol OS_dispatch_queue_global <OS_dispatch_queue>
@end
@protocol OS_dispatch_source <OS_dispatch_object>
@end
typedef NSObject<OS_dispatch_object>* dispatch_object_t;
typedef NSObject<OS_dispatch_queue>* dispatch_queue_t;
typedef NSObject<OS_dispatch_queue_main>* dispatch_queue_main_t;
typedef NSObject<OS_dispatch_queue_global>* dispatch_queue_global_t;
typedef NSObject<OS_dispatch_source>* dispatch_source_t;
#if __has_feature(objc_arc)
#define DISPATCH_STUB_UNDER_ARC __attribute__((unavailable("not available in automatic reference counting mode")))
#endif
#else
struct dispatch_object_s {};
struct dispatch_queue_s : dispatch_object_s {};
struct dispatch_queue_main_s : dispatch_queue_s {};
struct dispatch_queue_global_s : dispatch_queue_s {};
struct dispatch_source_s : dispatch_object_s {};
typedef dispatch_object_s* dispatch_object_t;
typedef dispatch_queue_s* dispatch_queue_t;
typedef dispatch_queue_main_s* dispatch_queue_main_t;
typedef dispatch_queue_global_s* dispatch_queue_global_t;
typedef dispatch_source_s* dispatch_source_t;
#endif
#ifndef DISPATCH_STUB_UNDER_ARC
#define DISPATCH_STUB_UNDER_ARC
#endif

typedef void (*dispatch_function_t)(void* _Nullable);
typedef uint64_t dispatch_time_t;
#define DISPATCH_TIME_NOW (0ull)
#define NSEC_PER_MSEC 1000000ull

typedef enum : unsigned int {
  QOS_CLASS_USER_INTERACTIVE = 0x21,
  QOS_CLASS_USER_INITIATED = 0x19,
  QOS_CLASS_DEFAULT = 0x15,
  QOS_CLASS_UTILITY = 0x11,
  QOS_CLASS_BACKGROUND = 0x09,
  QOS_CLASS_UNSPECIFIED = 0x00,
} qos_class_t;

typedef const struct dispatch_source_type_s* dispatch_source_type_t;

extern "C" {
extern const struct dispatch_source_type_s _dispatch_source_type_signal;
#define DISPATCH_SOURCE_TYPE_SIGNAL (&_dispatch_source_type_signal)
dispatch_source_t dispatch_source_create(dispatch_source_type_t type, uintptr_t handle, uintptr_t mask,
                                         dispatch_queue_t _Nullable queue);
void dispatch_source_set_event_handler_f(dispatch_source_t source, dispatch_function_t _Nullable handler);
void dispatch_set_context(dispatch_object_t object, void* _Nullable context);
void dispatch_resume(dispatch_object_t object);
dispatch_queue_main_t dispatch_get_main_queue(void);
dispatch_queue_global_t dispatch_get_global_queue(intptr_t identifier, uintptr_t flags);
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);
void dispatch_async_f(dispatch_queue_t queue, void* _Nullable context, dispatch_function_t work);
void dispatch_after_f(dispatch_time_t when, dispatch_queue_t queue, void* _Nullable context,
                      dispatch_function_t work);
void dispatch_retain(dispatch_object_t object) DISPATCH_STUB_UNDER_ARC;
void dispatch_release(dispatch_object_t object) DISPATCH_STUB_UNDER_ARC;
void dispatch_queue_set_specific(dispatch_queue_t queue, const void* key, void* _Nullable context,
                                 dispatch_function_t _Nullable destructor);
void* _Nullable dispatch_get_specific(const void* key);
#ifdef __BLOCKS__
typedef void (^dispatch_block_t)(void);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
#endif
// Runs the main queue; never returns.
__attribute__((noreturn)) void dispatch_main(void);
}

#pragma clang assume_nonnull end
