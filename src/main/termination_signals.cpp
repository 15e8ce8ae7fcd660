#include "main/termination_signals.h"

#include <pthread.h>

namespace dictation_agent {
namespace {

constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The first termination signal in the set, or 0 when it holds none.
int firstOf(const sigset_t& signals) {
  for (const int signal : kTerminationSignals) {
    if (sigismember(&signals, signal) == 1) return signal;
  }
  return 0;
}

}  // namespace

sigset_t terminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : kTerminationSignals) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaddset(&signals, signal);
  }
  return signals;
}

BlockedTerminationSignals::BlockedTerminationSignals() : blocked_(terminationSignals()) {
  ::pthread_sigmask(SIG_BLOCK, &blocked_, &previousMask_);
}

BlockedTerminationSignals::~BlockedTerminationSignals() {
  ::pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

TerminationSignalWatcher::TerminationSignalWatcher(const BlockedTerminationSignals& blocked,
                                                   Handler onSignal)
    : watched_(blocked.signals()), onSignal_(std::move(onSignal)) {
  if (firstOf(watched_) == 0) return;  // all of them ignored: nothing to wait for
  thread_ = std::thread([this] { waitLoop(); });
}

TerminationSignalWatcher::~TerminationSignalWatcher() {
  if (!thread_.joinable()) return;
  // The watcher's own wait is the only way in: one of its signals, aimed at its thread.
  stopping_ = true;
  ::pthread_kill(thread_.native_handle(), firstOf(watched_));
  thread_.join();
}

void TerminationSignalWatcher::waitLoop() {
  for (;;) {
    int signal = 0;
    if (::sigwait(&watched_, &signal) != 0 || stopping_) return;
    onSignal_();
  }
}

}  // namespace dictation_agent
