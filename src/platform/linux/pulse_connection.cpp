#include "platform/linux/pulse_connection.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>

#include "platform/linux/thread_sanitizer.h"

namespace dictation_agent {
namespace {

bool isSettled(pa_context_state_t state) {
  return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
}

struct Deadline {
  pa_threaded_mainloop* loop;
  bool passed = false;
};

void onDeadline(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
  auto* deadline = static_cast<Deadline*>(userdata);
  deadline->passed = true;
  pa_threaded_mainloop_signal(deadline->loop, 0);
}

}  // namespace

void PulseConnection::signalLoop(void* loop) {
  pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

PulseConnection::PulseConnection(const PulseSettings& settings) : timeout_(settings.timeout) {
  loop_ = pa_threaded_mainloop_new();
  if (loop_ == nullptr) return;
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "dictation-agent");
  if (context_ == nullptr) return;
  connect(settings);
}

void PulseConnection::connect(const PulseSettings& settings) {
  pa_context_set_state_callback(
      context_, [](pa_context*, void* loop) { signalLoop(loop); }, loop_);
  const char* server = settings.server.empty() ? nullptr : settings.server.c_str();
  // Nothing runs the loop yet, so no lock is needed for these two calls.
  if (pa_context_connect(context_, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    outcome_ = pa_context_errno(context_) == PA_ERR_ACCESS ? Outcome::kAccessDenied
                                                           : Outcome::kUnavailable;
    return;
  }
  if (pa_threaded_mainloop_start(loop_) < 0) return;
  loopRunning_ = true;

  Lock lock(*this);
  waitUntil([this] { return isSettled(pa_context_get_state(context_)); });
  if (pa_context_get_state(context_) == PA_CONTEXT_READY) {
    outcome_ = Outcome::kReady;
  } else if (pa_context_errno(context_) == PA_ERR_ACCESS) {
    outcome_ = Outcome::kAccessDenied;
  }
}

PulseConnection::~PulseConnection() {
  // Stopping the loop first means no callback runs while the context goes away.
  if (loopRunning_) pa_threaded_mainloop_stop(loop_);
  if (context_ != nullptr) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
  }
  if (loop_ != nullptr) pa_threaded_mainloop_free(loop_);
}

bool PulseConnection::isReady() {
  if (outcome_ != Outcome::kReady) return false;
  Lock lock(*this);
  return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::waitUntil(const std::function<bool()>& done) {
  if (done()) return true;
  Deadline deadline{loop_};
  const pa_usec_t due = pa_rtclock_now() + static_cast<pa_usec_t>(timeout_.count()) * 1000;
  pa_time_event* timer = pa_context_rttime_new(context_, due, onDeadline, &deadline);
  if (timer == nullptr) return false;
  while (!done() && !deadline.passed) pa_threaded_mainloop_wait(loop_);
  // Freed under the lock, so its callback cannot run once the deadline leaves scope.
  pa_threaded_mainloop_get_api(loop_)->time_free(timer);
  return done();
}

bool PulseConnection::complete(pa_operation* operation) {
  if (operation == nullptr) return false;
  pa_operation_set_state_callback(
      operation, [](pa_operation*, void* loop) { signalLoop(loop); }, loop_);
  const bool completed =
      waitUntil([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
  if (!completed) pa_operation_cancel(operation);
  const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
  pa_operation_set_state_callback(operation, nullptr, nullptr);
  pa_operation_unref(operation);
  return done;
}

std::optional<pa_sample_spec> PulseConnection::defaultSourceSpec() {
  if (outcome_ != Outcome::kReady) return std::nullopt;
  Lock lock(*this);
  if (pa_context_get_state(context_) != PA_CONTEXT_READY) return std::nullopt;

  std::string sourceName;
  const auto onServerInfo = [](pa_context*, const pa_server_info* info, void* userdata) {
    if (info != nullptr && info->default_source_name != nullptr) {
      *static_cast<std::string*>(userdata) = info->default_source_name;
    }
  };
  if (!complete(pa_context_get_server_info(context_, onServerInfo, &sourceName)) ||
      sourceName.empty()) {
    return std::nullopt;
  }

  std::optional<pa_sample_spec> spec;
  const auto onSourceInfo = [](pa_context*, const pa_source_info* info, int endOfList,
                               void* userdata) {
    if (endOfList == 0 && info != nullptr) {
      *static_cast<std::optional<pa_sample_spec>*>(userdata) = info->sample_spec;
    }
  };
  if (!complete(
          pa_context_get_source_info_by_name(context_, sourceName.c_str(), onSourceInfo, &spec))) {
    return std::nullopt;
  }
  return spec;
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
