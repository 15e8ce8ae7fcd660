// Subset of <Foundation/Foundation.h>.
#pragma once

#include <objc/NSObject.h>
#include <dispatch/dispatch.h>

typedef long NSInteger;
typedef unsigned long NSUInteger;

#define NS_ASSUME_NONNULL_BEGIN _Pragma("clang assume_nonnull begin")
#define NS_ASSUME_NONNULL_END _Pragma("clang assume_nonnull end")
#define NS_DESIGNATED_INITIALIZER __attribute__((objc_designated_initializer))
#define NS_TYPED_ENUM __attribute__((swift_wrapper(enum)))
#define NS_ENUM(_type, _name)                                         \
  enum __attribute__((enum_extensibility(open))) _name : _type _name; \
  enum _name : _type

NS_ASSUME_NONNULL_BEGIN

typedef unsigned short unichar;

typedef struct _NSRange {
  NSUInteger location;
  NSUInteger length;
} NSRange;

static inline NSRange NSMakeRange(NSUInteger loc, NSUInteger len) {
  NSRange r;
  r.location = loc;
  r.length = len;
  return r;
}

typedef NSUInteger NSStringEncoding;
enum : NSStringEncoding {
  NSUTF8StringEncoding = 4,
};

@interface NSString : NSObject
@property(readonly) NSUInteger length;
- (void)getCharacters:(unichar*)buffer range:(NSRange)range;
- (nullable instancetype)initWithBytes:(const void*)bytes
                                length:(NSUInteger)len
                              encoding:(NSStringEncoding)encoding;
@end

@interface NSError : NSObject
@end

@interface NSLocale : NSObject
+ (instancetype)localeWithLocaleIdentifier:(NSString*)ident;
@end

@interface NSRunLoop : NSObject
@property(class, readonly, strong) NSRunLoop* mainRunLoop;
@end

@interface NSRunLoop (NSRunLoopConveniences)
- (void)run;
@end

NS_ASSUME_NONNULL_END
