#include "platform/linux/recognizer/decoding_sandbox.h"

#include <seccomp.h>

#include <cerrno>
#include <memory>

namespace dictation_agent {
namespace {

struct FilterRelease {
  void operator()(scmp_filter_ctx filter) const { seccomp_release(filter); }
};

// Reading audio and writing results; memory (the allocator's own calls); the clock and resource
// use that the decoder's timers read; signal returns and futexes that the C runtime makes; pipes,
// which the sanitizer runtimes use to probe memory (a pipe reaches nothing outside the process);
// and the end of the process.
constexpr int kAllowed[] = {
    SCMP_SYS(read),          SCMP_SYS(write),           SCMP_SYS(readv),
    SCMP_SYS(writev),        SCMP_SYS(recvfrom),        SCMP_SYS(sendto),
    SCMP_SYS(recvmsg),       SCMP_SYS(sendmsg),         SCMP_SYS(fstat),
    SCMP_SYS(newfstatat),    SCMP_SYS(lseek),           SCMP_SYS(brk),
    SCMP_SYS(mmap),          SCMP_SYS(munmap),          SCMP_SYS(mremap),
    SCMP_SYS(madvise),       SCMP_SYS(mprotect),        SCMP_SYS(futex),
    SCMP_SYS(clock_gettime), SCMP_SYS(gettimeofday),    SCMP_SYS(getrusage),
    SCMP_SYS(times),         SCMP_SYS(clock_nanosleep), SCMP_SYS(nanosleep),
    SCMP_SYS(sched_yield),   SCMP_SYS(getpid),          SCMP_SYS(gettid),
    SCMP_SYS(rt_sigreturn),  SCMP_SYS(rt_sigprocmask),  SCMP_SYS(sigaltstack),
    SCMP_SYS(pipe),          SCMP_SYS(pipe2),           SCMP_SYS(close),
    SCMP_SYS(exit),          SCMP_SYS(exit_group),
};

}  // namespace

bool confineToDecoding() {
  std::unique_ptr<void, FilterRelease> filter(seccomp_init(SCMP_ACT_ERRNO(EPERM)));
  if (!filter) return false;
  for (const int call : kAllowed) {
    if (seccomp_rule_add(filter.get(), SCMP_ACT_ALLOW, call, 0) != 0) return false;
  }
  return seccomp_load(filter.get()) == 0;
}

}  // namespace dictation_agent
