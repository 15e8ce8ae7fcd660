#include "platform/linux/pulse_audio_engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/linux/float_pcm_buffer.h"
#include "platform/linux/pcm_format.h"

namespace dictation_agent {
namespace {

constexpr std::uint32_t kDefaultBufferFrames = 1024;

std::optional<pa_sample_spec> floatSpec(double rate, std::uint32_t channels) {
  if (!(rate > 0.0) || rate > PA_RATE_MAX || channels == 0 || channels > PA_CHANNELS_MAX) {
    return std::nullopt;
  }
  pa_sample_spec spec{};
  spec.format = PA_SAMPLE_FLOAT32NE;
  spec.rate = static_cast<std::uint32_t>(std::lround(rate));
  spec.channels = static_cast<std::uint8_t>(channels);
  if (pa_sample_spec_valid(&spec) == 0) return std::nullopt;
  return spec;
}

}  // namespace

PulseAudioEngine::PulseAudioEngine(PulseSettings settings) : settings_(std::move(settings)) {}

PulseAudioEngine::~PulseAudioEngine() {
  stop();
}

PulseConnection* PulseAudioEngine::connection() {
  if (connection_ && connection_->isReady()) return connection_.get();
  // A server that went away takes its stream with it; the next use connects again.
  stop();
  connection_.reset();
  auto fresh = std::make_unique<PulseConnection>(settings_);
  if (fresh->outcome() != PulseConnection::Outcome::kReady) return nullptr;
  connection_ = std::move(fresh);
  return connection_.get();
}

void PulseAudioEngine::prepare() {
  connection();
}

std::shared_ptr<const AudioFormat> PulseAudioEngine::outputFormatForBus(int bus) {
  PulseConnection* pulse = bus == 0 ? connection() : nullptr;
  const auto spec = pulse != nullptr ? pulse->defaultSourceSpec() : std::nullopt;
  if (!spec) return std::make_shared<PcmFormat>(0.0, 0);
  return std::make_shared<PcmFormat>(spec->rate, spec->channels);
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

bool PulseAudioEngine::start() {
  if (stream_ != nullptr) return true;
  PulseConnection* pulse = connection();
  if (pulse == nullptr) return false;
  std::optional<pa_sample_spec> spec;
  if (tap_) {
    spec = tapSpec_;
  } else if (const auto source = pulse->defaultSourceSpec()) {
    spec = floatSpec(source->rate, source->channels);
  }
  if (!spec) return false;

  PulseConnection::Lock lock(*pulse);
  stream_ = pa_stream_new(pulse->context(), "Dictation", &*spec, nullptr);
  if (stream_ == nullptr) return false;
  pa_stream_set_state_callback(
      stream_, [](pa_stream*, void* loop) { PulseConnection::signalLoop(loop); }, pulse->loop());
  pa_stream_set_read_callback(
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
      (tapFrames_ == 0 ? kDefaultBufferFrames : tapFrames_) * pa_frame_size(&*spec));
  sampleTime_ = 0;
  if (pa_stream_connect_record(stream_, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY) < 0 ||
      !waitForReadyStream()) {
    releaseStream();
    return false;
  }
  return true;
}

bool PulseAudioEngine::waitForReadyStream() {
  const auto settled = [this] {
    const pa_stream_state_t state = pa_stream_get_state(stream_);
    return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
  };
  return connection_->waitUntil(settled) && pa_stream_get_state(stream_) == PA_STREAM_READY;
}

void PulseAudioEngine::stop() {
  if (stream_ == nullptr) return;
  PulseConnection::Lock lock(*connection_);
  releaseStream();
}

void PulseAudioEngine::releaseStream() {
  pa_stream_set_state_callback(stream_, nullptr, nullptr);
  pa_stream_set_read_callback(stream_, nullptr, nullptr);
  pa_stream_disconnect(stream_);
  pa_stream_unref(stream_);
  stream_ = nullptr;
}

// On the loop thread, with its lock held.
void PulseAudioEngine::deliverCaptured(pa_stream* stream) {
  const pa_sample_spec& spec = *pa_stream_get_sample_spec(stream);
  const std::size_t frameBytes = pa_frame_size(&spec);
  const std::size_t pieceFrames = tapFrames_ == 0 ? kDefaultBufferFrames : tapFrames_;
  while (true) {
    const void* data = nullptr;
    std::size_t bytes = 0;
    // Nothing queued (no data, no size) must not be dropped.
    if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0) return;
    const std::size_t frames = bytes / frameBytes;
    // No data with a size is a hole: audio the server lost. It is skipped, not filled.
    for (std::size_t first = 0; data != nullptr && tap_ && first < frames; first += pieceFrames) {
      const std::size_t count = std::min(pieceFrames, frames - first);
      std::vector<float> samples(count * spec.channels);
      std::memcpy(samples.data(), static_cast<const char*>(data) + first * frameBytes,
                  count * frameBytes);
      tap_(std::make_shared<const FloatPcmBuffer>(spec.rate, spec.channels, std::move(samples)),
           AudioTime{sampleTime_ + static_cast<std::int64_t>(first)});
    }
    sampleTime_ += static_cast<std::int64_t>(frames);
    pa_stream_drop(stream);
  }
}

}  // namespace dictation_agent
