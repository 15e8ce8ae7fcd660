#include "platform/linux/capture/pulse_connection.h"

#include <utility>

#include "platform/linux/thread_sanitizer.h"

namespace dictation_agent {
namespace {

bool isSettled(pa_context_state_t state) {
  return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
}

// A libpulse callback whose userdata is the connection: wakes waitUntil.
void signalConnection(void* connection) {
  static_cast<PulseConnection*>(connection)->signal();
}

struct Deadline {
  PulseConnection* connection;
  bool passed = false;
};

void onDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
  auto* deadline = static_cast<Deadline*>(userdata);
  deadline->passed = true;
  deadline->connection->signal();
}

}  // namespace

PulseConnection::PulseConnection(std::shared_ptr<const PulseLibrary> library,
                                 const PulseSettings& settings)
    : library_(std::move(library)), pulse_(*library_), timeout_(settings.timeout) {
  loop_ = pulse_.pa_threaded_mainloop_new();
  if (loop_ == nullptr) return;
  context_ = pulse_.pa_context_new(pulse_.pa_threaded_mainloop_get_api(loop_), "dictation-agent");
  if (context_ == nullptr) return;
  connect(settings);
}

void PulseConnection::connect(const PulseSettings& settings) {
  pulse_.pa_context_set_state_callback(
      context_, [](pa_context*, void* connection) { signalConnection(connection); }, this);
  const char* server = settings.server.empty() ? nullptr : settings.server.c_str();
  // Nothing runs the loop yet, so no lock is needed for these two calls.
  if (pulse_.pa_context_connect(context_, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    outcome_ = pulse_.pa_context_errno(context_) == PA_ERR_ACCESS ? Outcome::kAccessDenied
                                                                  : Outcome::kUnavailable;
    return;
  }
  if (pulse_.pa_threaded_mainloop_start(loop_) < 0) return;
  loopRunning_ = true;

  Lock lock(*this);
  waitUntil([this] { return isSettled(pulse_.pa_context_get_state(context_)); });
  if (pulse_.pa_context_get_state(context_) == PA_CONTEXT_READY) {
    outcome_ = Outcome::kReady;
  } else if (pulse_.pa_context_errno(context_) == PA_ERR_ACCESS) {
    outcome_ = Outcome::kAccessDenied;
  }
}

PulseConnection::~PulseConnection() {
  // Stopping the loop first means no callback runs while the context goes away.
  if (loopRunning_) pulse_.pa_threaded_mainloop_stop(loop_);
  if (context_ != nullptr) {
    pulse_.pa_context_set_state_callback(context_, nullptr, nullptr);
    pulse_.pa_context_disconnect(context_);
    pulse_.pa_context_unref(context_);
  }
  if (loop_ != nullptr) pulse_.pa_threaded_mainloop_free(loop_);
}

bool PulseConnection::isReady() {
  if (outcome_ != Outcome::kReady) return false;
  Lock lock(*this);
  return pulse_.pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::waitUntil(const std::function<bool()>& done) {
  if (done()) return true;
  Deadline deadline{this};
  const pa_usec_t due =
      pulse_.pa_rtclock_now() + static_cast<pa_usec_t>(timeout_.count()) * PA_USEC_PER_MSEC;
  pa_time_event* timer = pulse_.pa_context_rttime_new(context_, due, onDeadline, &deadline);
  if (timer == nullptr) return false;
  while (!done() && !deadline.passed) pulse_.pa_threaded_mainloop_wait(loop_);
  // Freed under the lock, so its callback cannot run once the deadline leaves scope.
  mainloopApi()->time_free(timer);
  return done();
}

bool PulseConnection::complete(pa_operation* operation) {
  if (operation == nullptr) return false;
  pulse_.pa_operation_set_state_callback(
      operation, [](pa_operation*, void* connection) { signalConnection(connection); }, this);
  const bool completed =
      waitUntil([&] { return pulse_.pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
  if (!completed) pulse_.pa_operation_cancel(operation);
  const bool done = pulse_.pa_operation_get_state(operation) == PA_OPERATION_DONE;
  pulse_.pa_operation_set_state_callback(operation, nullptr, nullptr);
  pulse_.pa_operation_unref(operation);
  return done;
}

std::optional<PulseSourceFormat> PulseConnection::defaultSourceFormat() {
  if (outcome_ != Outcome::kReady) return std::nullopt;
  Lock lock(*this);
  if (pulse_.pa_context_get_state(context_) != PA_CONTEXT_READY) return std::nullopt;

  std::optional<PulseSourceFormat> format;
  const auto onSourceInfo = [](pa_context*, const pa_source_info* info, int endOfList,
                               void* userdata) {
    if (endOfList == 0 && info != nullptr) {
      *static_cast<std::optional<PulseSourceFormat>*>(userdata) =
          PulseSourceFormat{info->sample_spec, info->channel_map};
    }
  };
  // The server resolves the name to its default source itself: one round trip, not two.
  if (!complete(pulse_.pa_context_get_source_info_by_name(context_, "@DEFAULT_SOURCE@",
                                                          onSourceInfo, &format))) {
    return std::nullopt;
  }
  return format;
}

}  // namespace dictation_agent

#if AGENT_THREAD_SANITIZER
// libpulse is not built with ThreadSanitizer. It creates some of its mutexes lazily and
// publishes them with atomics that the sanitizer cannot see, so locking one on another thread
// than the one that made it reads as a race on the mutex itself. No pa_mutex is ours.
extern "C" const char* __tsan_default_suppressions() {
  return "race:pa_mutex_lock\n";
}
#endif
