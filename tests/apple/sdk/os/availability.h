// Subset of <os/availability.h>: API_AVAILABLE with up to four platforms, as Apple's headers
// write it, e.g. API_AVAILABLE(ios(10.0), macos(10.15)). Each platform becomes clang's
// availability attribute; those of other platforms than the target are ignored by clang.
#pragma once

#define __API_AVAILABLE_PLATFORM_macos(v) macos, introduced = v
#define __API_AVAILABLE_PLATFORM_ios(v) ios, introduced = v
#define __API_AVAILABLE_PLATFORM_tvos(v) tvos, introduced = v
#define __API_AVAILABLE_PLATFORM_watchos(v) watchos, introduced = v

#define __API_AVAILABLE_ONE(p) __attribute__((availability(__API_AVAILABLE_PLATFORM_##p)))
#define __API_AVAILABLE_1(a) __API_AVAILABLE_ONE(a)
#define __API_AVAILABLE_2(a, b) __API_AVAILABLE_ONE(a) __API_AVAILABLE_ONE(b)
#define __API_AVAILABLE_3(a, b, c) __API_AVAILABLE_2(a, b) __API_AVAILABLE_ONE(c)
#define __API_AVAILABLE_4(a, b, c, d) __API_AVAILABLE_3(a, b, c) __API_AVAILABLE_ONE(d)
#define __API_AVAILABLE_PICK(_1, _2, _3, _4, name, ...) name
#define API_AVAILABLE(...)                                                              \
  __API_AVAILABLE_PICK(__VA_ARGS__, __API_AVAILABLE_4, __API_AVAILABLE_3, __API_AVAILABLE_2, \
                       __API_AVAILABLE_1, unused)(__VA_ARGS__)
