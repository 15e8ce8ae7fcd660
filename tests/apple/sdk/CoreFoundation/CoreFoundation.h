// Subset of <CoreFoundation/CoreFoundation.h>.
#pragma once

#define CF_ASSUME_NONNULL_BEGIN _Pragma("clang assume_nonnull begin")
#define CF_ASSUME_NONNULL_END _Pragma("clang assume_nonnull end")
#define CF_RETURNS_RETAINED __attribute__((cf_returns_retained))

#ifdef __cplusplus
extern "C" {
#endif

CF_ASSUME_NONNULL_BEGIN

typedef signed long CFIndex;
typedef const void* CFTypeRef;
typedef unsigned short UniChar;

typedef struct {
  CFIndex location;
  CFIndex length;
} CFRange;

typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;

extern const CFAllocatorRef _Nullable kCFAllocatorDefault;
extern const CFAllocatorRef kCFAllocatorNull;

void CFRelease(CFTypeRef cf);

CFStringRef _Nullable CFStringCreateWithCharactersNoCopy(
    CFAllocatorRef _Nullable alloc, const UniChar* chars, CFIndex numChars,
    CFAllocatorRef _Nullable contentsDeallocator) CF_RETURNS_RETAINED;
CFIndex CFStringGetLength(CFStringRef theString);
CFRange CFStringGetRangeOfComposedCharactersAtIndex(CFStringRef theString, CFIndex theIndex);

CF_ASSUME_NONNULL_END

#ifdef __cplusplus
}
#endif
