// Subset of <objc/NSObject.h>.
#pragma once

#include <objc/objc.h>

@protocol NSObject
@end

__attribute__((objc_root_class))
@interface NSObject <NSObject> {
  Class isa;
}
+ (instancetype)alloc;
- (instancetype)init;
@end
