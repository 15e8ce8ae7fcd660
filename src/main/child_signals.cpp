#include "main/child_signals.h"

#include <pthread.h>

#include "main/termination_signals.h"

namespace dictation_agent {

sigset_t signalsBlockedInEveryThread() {
  return terminationSignals();
}

sigset_t signalsIgnoredByTheAgent() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGPIPE);
  return signals;
}

int resetInheritedSignals(posix_spawnattr_t& attributes) {
  sigset_t mask;
  if (const int error = ::pthread_sigmask(SIG_BLOCK, nullptr, &mask); error != 0) return error;
  const sigset_t blocked = signalsBlockedInEveryThread();
  for (int signal = 1; signal < NSIG; ++signal) {
    if (sigismember(&blocked, signal) == 1) sigdelset(&mask, signal);
  }
  const sigset_t ignored = signalsIgnoredByTheAgent();
  short flags = 0;
  if (const int error = ::posix_spawnattr_getflags(&attributes, &flags); error != 0) return error;
  flags |= POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
  if (const int error = ::posix_spawnattr_setflags(&attributes, flags); error != 0) return error;
  if (const int error = ::posix_spawnattr_setsigmask(&attributes, &mask); error != 0) return error;
  return ::posix_spawnattr_setsigdefault(&attributes, &ignored);
}

void ignoreBrokenPipes() {
  ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace dictation_agent
