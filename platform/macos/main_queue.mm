// The function-pointer forms of dispatch take the task on the heap, so a Report moves
// into its hand-over once instead of being copied into a block. Objective-C++ for the
// autorelease pool each task drains: the main queue gives its tasks none of their own
// until the run loop idles, and a burst of reports would pile up autoreleased objects.
#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>

#include "platform/macos/main_queue.h"

#include <memory>

namespace platform {
namespace {

// The main queue carries this key's address as its own value.
char mainQueueKey;

void* onHeap(Task task) { return new Task(std::move(task)); }

void runOnce(void* context) {
  @autoreleasepool {
    const std::unique_ptr<Task> task(static_cast<Task*>(context));
    callFromPlatform(*task);
  }
}

}  // namespace

GCDMainQueue::GCDMainQueue() { dispatch_queue_set_specific(dispatch_get_main_queue(), &mainQueueKey, &mainQueueKey, nullptr); }

bool GCDMainQueue::isCurrent() const { return dispatch_get_specific(&mainQueueKey) == &mainQueueKey; }

void GCDMainQueue::async(Task task) { dispatch_async_f(dispatch_get_main_queue(), onHeap(std::move(task)), runOnce); }

void GCDMainQueue::asyncAfter(std::chrono::milliseconds delay, Task task) {
  const dispatch_time_t deadline = dispatch_time(DISPATCH_TIME_NOW, static_cast<int64_t>(delay.count()) * NSEC_PER_MSEC);
  dispatch_after_f(deadline, dispatch_get_main_queue(), onHeap(std::move(task)), runOnce);
}

void RunLoopMainQueue::asyncAfter(std::chrono::milliseconds delay, Task task) {
  void* context = onHeap(std::move(task));
  CFRunLoopTimerRef timer = CFRunLoopTimerCreateWithHandler(
      kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + static_cast<double>(delay.count()) / 1000, 0, 0, 0,
      ^(CFRunLoopTimerRef) { runOnce(context); });
  CFRunLoopAddTimer(CFRunLoopGetMain(), timer, kCFRunLoopCommonModes);
  CFRelease(timer);  // the run loop holds a one-shot timer until it has fired
}

void GCDUtilityQueue::async(Task task) {
  dispatch_async_f(dispatch_get_global_queue(QOS_CLASS_UTILITY, 0), onHeap(std::move(task)), runOnce);
}

}  // namespace platform
