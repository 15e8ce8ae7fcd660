#include "platform/linux/capture/pulse_audio_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/capture/capture_ended_buffer.h"
#include "platform/linux/capture/float_pcm_buffer.h"
#include "platform/linux/capture/pcm_format.h"

namespace dictation_agent {
namespace {

constexpr std::uint32_t kDefaultBufferFrames = 1024;

constexpr pa_usec_t usec(std::chrono::milliseconds duration) {
  return static_cast<pa_usec_t>(duration.count()) * PA_USEC_PER_MSEC;
}

// What pa_sample_spec_valid accepts, checked without libpulse so that a tap can be refused
// before the library is loaded.
std::optional<pa_sample_spec> floatSpec(double rate, std::uint32_t channels) {
  if (!(rate >= 1.0) || rate > PA_RATE_MAX || channels == 0 || channels > PA_CHANNELS_MAX) {
    return std::nullopt;
  }
  pa_sample_spec spec{};
  spec.format = PA_SAMPLE_FLOAT32NE;
  spec.rate = static_cast<std::uint32_t>(std::lround(rate));
  spec.channels = static_cast<std::uint8_t>(channels);
  return spec;
}

}  // namespace

PulseAudioEngine::PulseAudioEngine(std::shared_ptr<PulseSession> session)
    : session_(std::move(session)) {}

PulseAudioEngine::~PulseAudioEngine() {
  stop();
}

PulseConnection* PulseAudioEngine::connection() {
  std::shared_ptr<PulseConnection> current = session_->connection();
  if (current != connection_) {
    // A server that went away takes its stream with it.
    stop();
    connection_ = std::move(current);
  }
  return connection_.get();
}

void PulseAudioEngine::prepare() {
  connection();
}

std::shared_ptr<const AudioFormat> PulseAudioEngine::outputFormatForBus(int bus) {
  lastSource_ = bus == 0 && connection() != nullptr ? session_->sourceFormat() : std::nullopt;
  if (!lastSource_) return std::make_shared<PcmFormat>(0.0, 0);
  return std::make_shared<PcmFormat>(lastSource_->spec.rate, lastSource_->spec.channels);
}

bool PulseAudioEngine::installTapOnBus(int bus, std::uint32_t bufferSize,
                                       std::shared_ptr<const AudioFormat> format, TapBlock block) {
  if (bus != 0 || !format || !block || tap_) return false;
  const auto spec = floatSpec(format->sampleRate(), format->channelCount());
  if (!spec) return false;
  const auto install = [&] {
    tap_ = std::move(block);
    tapSpec_ = *spec;
    tapFrames_ = bufferSize == 0 ? kDefaultBufferFrames : bufferSize;
  };
  if (connection_) {
    PulseConnection::Lock lock(*connection_);
    install();
  } else {
    install();
  }
  return true;
}

void PulseAudioEngine::removeTapOnBus(int bus) {
  if (bus != 0) return;
  TapBlock removed;
  if (connection_) {
    PulseConnection::Lock lock(*connection_);
    removed.swap(tap_);
  } else {
    removed.swap(tap_);
  }
  // `removed` is released here, outside the lock: it may hold the last reference to a request.
}

// The source's own map when the counts agree, so that the server records without remixing.
// Otherwise the standard positions as far as they go and auxiliary channels beyond: libpulse
// has no default map for more than eight channels (nor for seven or eight, in its default
// order), and a stream without a map could not record from such a source.
pa_channel_map PulseAudioEngine::channelMapFor(const pa_sample_spec& spec) {
  const PulseLibrary& pulse = connection_->pulse();
  if (lastSource_ && lastSource_->spec.channels == spec.channels &&
      pulse.pa_channel_map_valid(&lastSource_->map) != 0) {
    return lastSource_->map;
  }
  pa_channel_map map{};
  pulse.pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);
  return map;
}

bool PulseAudioEngine::start() {
  if (stream_ != nullptr) return true;
  PulseConnection* connection = this->connection();
  if (connection == nullptr) return false;
  if (!tap_) lastSource_ = session_->sourceFormat();
  const std::optional<pa_sample_spec> spec =
      tap_          ? std::optional(tapSpec_)
      : lastSource_ ? floatSpec(lastSource_->spec.rate, lastSource_->spec.channels)
                    : std::nullopt;
  if (!spec) return false;
  const pa_channel_map map = channelMapFor(*spec);
  const PulseLibrary& pulse = connection->pulse();

  PulseConnection::Lock lock(*connection);
  stream_ = pulse.pa_stream_new(connection->context(), "Dictation", &*spec, &map);
  if (stream_ == nullptr) return false;
  pulse.pa_stream_set_state_callback(
      stream_,
      [](pa_stream* stream, void* engine) {
        static_cast<PulseAudioEngine*>(engine)->onStreamState(stream);
      },
      this);
  pulse.pa_stream_set_read_callback(
      stream_,
      [](pa_stream* stream, std::size_t, void* engine) {
        static_cast<PulseAudioEngine*>(engine)->deliverCaptured(stream);
      },
      this);
  // Left at its default the server would gather about two seconds per fragment.
  pa_buffer_attr attributes{};
  attributes.maxlength = static_cast<std::uint32_t>(-1);
  attributes.tlength = static_cast<std::uint32_t>(-1);
  attributes.prebuf = static_cast<std::uint32_t>(-1);
  attributes.minreq = static_cast<std::uint32_t>(-1);
  attributes.fragsize = static_cast<std::uint32_t>(
      (tapFrames_ == 0 ? kDefaultBufferFrames : tapFrames_) * pulse.pa_frame_size(&*spec));
  sampleTime_ = 0;
  ended_ = false;
  // Not moved elsewhere when its source goes away: the stream fails, and capture ends.
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
  if (pulse.pa_stream_connect_record(stream_, nullptr, &attributes, flags) < 0) {
    releaseStream();
    return false;
  }
  // The server's answer is not awaited: the loop thread goes on with the stream, and a stream
  // that the server refuses, or that never delivers, ends capture like any later failure.
  capturing_ = true;
  audioDue_ = pulse.pa_rtclock_now() + usec(kFirstAudioBound);
  silenceCheck_ = pulse.pa_context_rttime_new(
      connection->context(), audioDue_,
      [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* engine) {
        static_cast<PulseAudioEngine*>(engine)->onSilenceCheck();
      },
      this);
  return true;
}

void PulseAudioEngine::stop() {
  if (stream_ == nullptr) return;
  PulseConnection::Lock lock(*connection_);
  releaseStream();
}

void PulseAudioEngine::releaseStream() {
  const PulseLibrary& pulse = connection_->pulse();
  capturing_ = false;
  if (silenceCheck_ != nullptr) {
    connection_->mainloopApi()->time_free(silenceCheck_);
    silenceCheck_ = nullptr;
  }
  pulse.pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pulse.pa_stream_set_read_callback(stream_, nullptr, nullptr);
  pulse.pa_stream_disconnect(stream_);
  pulse.pa_stream_unref(stream_);
  stream_ = nullptr;
}

void PulseAudioEngine::onStreamState(pa_stream* stream) {
  if (!PA_STREAM_IS_GOOD(connection_->pulse().pa_stream_get_state(stream))) endCapture();
}

void PulseAudioEngine::onSilenceCheck() {
  const PulseLibrary& pulse = connection_->pulse();
  if (pulse.pa_rtclock_now() >= audioDue_) {
    endCapture();
  } else {
    pulse.pa_context_rttime_restart(connection_->context(), silenceCheck_, audioDue_);
  }
}

// Ends capture once, and only between start and stop. Both hold the lock while they change
// `capturing_`.
void PulseAudioEngine::endCapture() {
  if (!capturing_ || ended_) return;
  ended_ = true;
  if (tap_) tap_(std::make_shared<const CaptureEndedBuffer>(), AudioTime{sampleTime_});
}

void PulseAudioEngine::deliverCaptured(pa_stream* stream) {
  const PulseLibrary& pulse = connection_->pulse();
  const pa_sample_spec& spec = *pulse.pa_stream_get_sample_spec(stream);
  const std::size_t frameBytes = pulse.pa_frame_size(&spec);
  const std::size_t pieceFrames = tapFrames_ == 0 ? kDefaultBufferFrames : tapFrames_;
  while (true) {
    const void* data = nullptr;
    std::size_t bytes = 0;
    // Nothing queued (no data, no size) must not be dropped.
    if (pulse.pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
    audioDue_ = pulse.pa_rtclock_now() + usec(kSilenceBound);
    const std::size_t frames = bytes / frameBytes;
    // No data with a size is a hole: audio the server lost. It is skipped, not filled.
    const bool deliver = data != nullptr && !ended_ && tap_;
    for (std::size_t first = 0; deliver && first < frames; first += pieceFrames) {
      const std::size_t count = std::min(pieceFrames, frames - first);
      std::vector<float> samples(count * spec.channels);
      std::memcpy(samples.data(), static_cast<const char*>(data) + first * frameBytes,
                  count * frameBytes);
      tap_(std::make_shared<const FloatPcmBuffer>(spec.rate, spec.channels, std::move(samples)),
           AudioTime{sampleTime_ + static_cast<std::int64_t>(first)});
    }
    sampleTime_ += static_cast<std::int64_t>(frames);
    pulse.pa_stream_drop(stream);
  }
}

}  // namespace dictation_agent
