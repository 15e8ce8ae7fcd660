#include "platform/apple/gcd_main_queue.h"

#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>

#include "platform/apple/dispatch_delay.h"

namespace dictation_agent {

void GcdMainQueue::post(Task task) {
  dispatch_async(dispatch_get_main_queue(), ^{
    task();
  });
}

void GcdMainQueue::postAfter(double seconds, Task task) {
  // The deadline is taken now, on the caller's thread; DISPATCH_TIME_NOW counts on a monotonic
  // clock.
  const dispatch_time_t deadline =
      dispatch_time(DISPATCH_TIME_NOW, dispatchDelayNanoseconds(seconds));
  dispatch_after(deadline, dispatch_get_main_queue(), ^{
    task();
  });
}

void GcdMainQueue::run() {
  // The main run loop counts the main dispatch queue as work, so this does not return while the
  // process lives; the process ends through ProcessExit.
  [[NSRunLoop mainRunLoop] run];
}

}  // namespace dictation_agent
