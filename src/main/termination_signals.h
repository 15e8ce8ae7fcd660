#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

namespace dictation_agent {

// SIGTERM, SIGINT and SIGHUP, less any of them that is ignored: one ignored when the process
// started (a background job's SIGINT, say) stays ignored and is never watched.
sigset_t terminationSignals();

// Blocks the termination signals in the calling thread, and so in every thread started after it,
// for its lifetime. Made before any thread exists, it leaves them to the watcher alone: no other
// thread takes one and no system call anywhere is interrupted by them. A signal that arrives
// while no watcher runs stays pending. Children inherit the mask: a spawner gives them their own
// (the recogniser process starts with none blocked and every signal at its default).
class BlockedTerminationSignals {
 public:
  BlockedTerminationSignals();
  ~BlockedTerminationSignals();  // gives the calling thread its signal mask back
  BlockedTerminationSignals(const BlockedTerminationSignals&) = delete;
  BlockedTerminationSignals& operator=(const BlockedTerminationSignals&) = delete;

  const sigset_t& signals() const { return blocked_; }

 private:
  sigset_t blocked_;
  sigset_t previousMask_;
};

// Waits on a thread of its own for the blocked termination signals, pending ones included, and
// calls `onSignal` there once per signal taken. Destruction stops and joins the thread.
class TerminationSignalWatcher {
 public:
  using Handler = std::function<void()>;

  TerminationSignalWatcher(const BlockedTerminationSignals& blocked, Handler onSignal);
  ~TerminationSignalWatcher();
  TerminationSignalWatcher(const TerminationSignalWatcher&) = delete;
  TerminationSignalWatcher& operator=(const TerminationSignalWatcher&) = delete;

 private:
  void waitLoop();

  sigset_t watched_;
  Handler onSignal_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace dictation_agent
