// Subset of <objc/objc.h>: `id`, `Class`, `SEL` and `instancetype` are compiler builtins.
#pragma once

// BOOL is `bool` everywhere except on Intel Macs, where it stays `signed char`.
#if defined(__x86_64__)
typedef signed char BOOL;
#else
typedef bool BOOL;
#endif

// From Darwin's <sys/cdefs.h>, which framework headers rely on.
#define __nullable _Nullable

#define YES __objc_yes
#define NO __objc_no

#if defined(__cplusplus)
#define nil nullptr
#else
#define nil ((void*)0)
#endif
