// Subset of <dispatch/dispatch.h> as seen from Objective-C with ARC, where dispatch objects are
// Objective-C objects (OS_OBJECT_USE_OBJC).
#pragma once

#include <stdint.h>

#include <objc/NSObject.h>

@protocol OS_dispatch_object <NSObject>
@end
typedef NSObject<OS_dispatch_object>* dispatch_object_t;

@protocol OS_dispatch_queue <OS_dispatch_object>
@end
typedef NSObject<OS_dispatch_queue>* dispatch_queue_t;

@protocol OS_dispatch_queue_serial <OS_dispatch_queue>
@end
typedef NSObject<OS_dispatch_queue_serial>* dispatch_queue_serial_t;

@protocol OS_dispatch_queue_main <OS_dispatch_queue_serial>
@end
typedef NSObject<OS_dispatch_queue_main>* dispatch_queue_main_t;

@protocol OS_dispatch_queue_global <OS_dispatch_queue>
@end
typedef NSObject<OS_dispatch_queue_global>* dispatch_queue_global_t;

#define DISPATCH_QUEUE_PRIORITY_DEFAULT 0

typedef void (^dispatch_block_t)(void);

typedef uint64_t dispatch_time_t;
#define DISPATCH_TIME_NOW (0ull)

#if defined(__cplusplus)
extern "C" {
#endif

__attribute__((__const__, __nothrow__)) dispatch_queue_main_t dispatch_get_main_queue(void);

__attribute__((__const__, __warn_unused_result__, __nothrow__)) dispatch_queue_global_t
dispatch_get_global_queue(intptr_t identifier, uintptr_t flags);

__attribute__((__nonnull__, __nothrow__)) void dispatch_async(dispatch_queue_t queue,
                                                                dispatch_block_t block);

__attribute__((__nonnull__(2, 3), __nothrow__)) void dispatch_after(dispatch_time_t when,
                                                                      dispatch_queue_t queue,
                                                                      dispatch_block_t block);

__attribute__((__warn_unused_result__, __nothrow__)) dispatch_time_t dispatch_time(
    dispatch_time_t when, int64_t delta);

#if defined(__cplusplus)
}
#endif
