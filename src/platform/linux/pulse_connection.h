#pragma once

#include <pulse/context.h>
#include <pulse/sample.h>
#include <pulse/thread-mainloop.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace dictation_agent {

// Which server to reach and how long to wait for it.
struct PulseSettings {
  std::string server;  // empty: libpulse's own choice (PULSE_SERVER, client.conf, the session's)
  std::chrono::milliseconds timeout{1000};
};

// A context on a threaded main loop of its own. Connecting waits at most the timeout and never
// starts a server. Used from the one thread that made it, never from the loop's own thread.
class PulseConnection {
 public:
  enum class Outcome { kReady, kAccessDenied, kUnavailable };

  // The loop lock: held around every libpulse call made outside the loop's own callbacks.
  class Lock {
   public:
    explicit Lock(PulseConnection& connection) : loop_(connection.loop_) {
      pa_threaded_mainloop_lock(loop_);
    }
    ~Lock() { pa_threaded_mainloop_unlock(loop_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    pa_threaded_mainloop* loop_;
  };

  explicit PulseConnection(const PulseSettings& settings);
  ~PulseConnection();
  PulseConnection(const PulseConnection&) = delete;
  PulseConnection& operator=(const PulseConnection&) = delete;

  // How connecting ended: kAccessDenied when the server refused this client (PA_ERR_ACCESS).
  Outcome outcome() const { return outcome_; }

  // Still connected now (a server can go away). Takes the lock.
  bool isReady();

  // The default source's own sample format; none without a server or a default source.
  // Takes the lock.
  std::optional<pa_sample_spec> defaultSourceSpec();

  // With the lock held: waits, the lock released meanwhile, until `done` holds or the timeout
  // runs out; tells whether `done` holds. Callbacks that change what `done` reads must signal
  // the loop (signalLoop).
  bool waitUntil(const std::function<bool()>& done);

  // With the lock held: waits for the operation to complete, cancelling it (so that its
  // callback can no longer run) when it does not in time; releases it. True when it completed.
  bool complete(pa_operation* operation);

  pa_context* context() { return context_; }

  // A callback for libpulse whose userdata is the loop: wakes waitUntil.
  static void signalLoop(void* loop);
  pa_threaded_mainloop* loop() { return loop_; }

 private:
  void connect(const PulseSettings& settings);

  std::chrono::milliseconds timeout_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool loopRunning_ = false;
  Outcome outcome_ = Outcome::kUnavailable;
};

}  // namespace dictation_agent
