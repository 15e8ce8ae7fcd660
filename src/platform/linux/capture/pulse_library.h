#pragma once

#include <pulse/channelmap.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <pulse/rtclock.h>
#include <pulse/sample.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <pulse/timeval.h>

#include <memory>

namespace dictation_agent {

// Every libpulse function the capture calls, by name.
#define AGENT_PULSE_FUNCTIONS(X)        \
  X(pa_channel_map_init_extend)         \
  X(pa_channel_map_valid)               \
  X(pa_context_connect)                 \
  X(pa_context_disconnect)              \
  X(pa_context_errno)                   \
  X(pa_context_get_source_info_by_name) \
  X(pa_context_get_state)               \
  X(pa_context_new)                     \
  X(pa_context_rttime_new)              \
  X(pa_context_rttime_restart)          \
  X(pa_context_set_state_callback)      \
  X(pa_context_unref)                   \
  X(pa_frame_size)                      \
  X(pa_operation_cancel)                \
  X(pa_operation_get_state)             \
  X(pa_operation_set_state_callback)    \
  X(pa_operation_unref)                 \
  X(pa_rtclock_now)                     \
  X(pa_sample_spec_valid)               \
  X(pa_stream_connect_record)           \
  X(pa_stream_disconnect)               \
  X(pa_stream_drop)                     \
  X(pa_stream_get_sample_spec)          \
  X(pa_stream_get_state)                \
  X(pa_stream_new)                      \
  X(pa_stream_peek)                     \
  X(pa_stream_set_read_callback)        \
  X(pa_stream_set_state_callback)       \
  X(pa_stream_unref)                    \
  X(pa_threaded_mainloop_free)          \
  X(pa_threaded_mainloop_get_api)       \
  X(pa_threaded_mainloop_lock)          \
  X(pa_threaded_mainloop_new)           \
  X(pa_threaded_mainloop_signal)        \
  X(pa_threaded_mainloop_start)         \
  X(pa_threaded_mainloop_stop)          \
  X(pa_threaded_mainloop_unlock)        \
  X(pa_threaded_mainloop_wait)

// libpulse, loaded at run time rather than linked, so that a process that never captures (the
// status probe, a dictation that ends before it asks for the microphone) never loads it and its
// dozens of dependencies, and a machine without it gets an unusable microphone instead of a
// process that cannot start. Each member has the type the headers give the function it stands
// for, so every call through the table is checked as a direct call would be.
class PulseLibrary {
 public:
  static constexpr const char* kSoname = "libpulse.so.0";

  // The library with every function resolved, or nullptr when it cannot be loaded or lacks one
  // of them. The loader's message is dropped: nothing here reports. Once loaded, the library
  // stays for the life of the process (libpulse is marked so anyway): threads that used it run
  // its thread-local destructors when they end, whoever still holds the table.
  static std::shared_ptr<const PulseLibrary> load(const char* soname = kSoname);

  PulseLibrary(const PulseLibrary&) = delete;
  PulseLibrary& operator=(const PulseLibrary&) = delete;

#define AGENT_PULSE_FUNCTION_POINTER(name) decltype(&::name) name = nullptr;
  AGENT_PULSE_FUNCTIONS(AGENT_PULSE_FUNCTION_POINTER)
#undef AGENT_PULSE_FUNCTION_POINTER

 private:
  PulseLibrary() = default;
  bool resolveAll(void* handle);
};

}  // namespace dictation_agent
