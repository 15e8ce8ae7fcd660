#pragma once

// AGENT_THREAD_SANITIZER is 1 in a ThreadSanitizer build (GCC or Clang), 0 otherwise: the
// backend tells the sanitizer what it cannot see for itself.
#if defined(__SANITIZE_THREAD__)
#define AGENT_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define AGENT_THREAD_SANITIZER 1
#endif
#endif
#ifndef AGENT_THREAD_SANITIZER
#define AGENT_THREAD_SANITIZER 0
#endif
