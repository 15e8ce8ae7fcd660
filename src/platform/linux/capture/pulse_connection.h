#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/capture/pulse_library.h"

namespace dictation_agent {

// Which server to reach and how long to wait for it.
struct PulseSettings {
  std::string server;  // empty: libpulse's own choice (PULSE_SERVER, client.conf, the session's)
  std::chrono::milliseconds timeout{1000};
};

// The default source's own sample format and channel map.
struct PulseSourceFormat {
  pa_sample_spec spec;
  pa_channel_map map;
};

// A context on a threaded main loop of its own. Connecting (the constructor) and the format
// query wait on the server, at most the timeout each, so the agent does both off its main thread;
// a server is never started. Used from one thread at a time, never from the loop's own thread.
class PulseConnection {
 public:
  enum class Outcome { kReady, kAccessDenied, kUnavailable };

  // The loop lock: held around every libpulse call made outside the loop's own callbacks.
  class Lock {
   public:
    explicit Lock(PulseConnection& connection) : connection_(connection) {
      connection_.pulse_.pa_threaded_mainloop_lock(connection_.loop_);
    }
    ~Lock() { connection_.pulse_.pa_threaded_mainloop_unlock(connection_.loop_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

   private:
    PulseConnection& connection_;
  };

  PulseConnection(std::shared_ptr<const PulseLibrary> library, const PulseSettings& settings);
  ~PulseConnection();
  PulseConnection(const PulseConnection&) = delete;
  PulseConnection& operator=(const PulseConnection&) = delete;

  // How connecting ended: kAccessDenied when the server refused this client (PA_ERR_ACCESS).
  Outcome outcome() const { return outcome_; }

  // Still connected now (a server can go away). Takes the lock.
  bool isReady();

  // The default source's own format; none without a server or a default source. Takes the lock.
  std::optional<PulseSourceFormat> defaultSourceFormat();

  // With the lock held: waits, the lock released meanwhile, until `done` holds or the timeout
  // runs out; tells whether `done` holds. Callbacks that change what `done` reads must call
  // signal().
  bool waitUntil(const std::function<bool()>& done);

  // With the lock held: waits for the operation to complete, cancelling it (so that its
  // callback can no longer run) when it does not in time; releases it. True when it completed.
  bool complete(pa_operation* operation);

  // With the lock held, or on the loop thread: wakes waitUntil.
  void signal() { pulse_.pa_threaded_mainloop_signal(loop_, 0); }

  const PulseLibrary& pulse() const { return pulse_; }
  pa_context* context() { return context_; }
  pa_mainloop_api* mainloopApi() { return pulse_.pa_threaded_mainloop_get_api(loop_); }

 private:
  void connect(const PulseSettings& settings);

  const std::shared_ptr<const PulseLibrary> library_;
  const PulseLibrary& pulse_;
  std::chrono::milliseconds timeout_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool loopRunning_ = false;
  Outcome outcome_ = Outcome::kUnavailable;
};

}  // namespace dictation_agent
