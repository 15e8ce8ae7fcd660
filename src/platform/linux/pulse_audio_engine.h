#pragma once

#include <pulse/sample.h>
#include <pulse/stream.h>

#include <cstdint>
#include <memory>

#include "platform/audio_engine.h"
#include "platform/linux/pulse_connection.h"

namespace dictation_agent {

// Capture from the default source of a PulseAudio server (or PipeWire's pulse server) through a
// record stream. The engine is its own input node. It connects on first use and only waits the
// settings' timeout for a server; without one the node reports 0 Hz and 0 channels and start
// fails. The tap block runs on the connection's loop thread with its lock held, once per
// captured piece of at most the requested number of frames; holes in the stream (lost audio)
// are dropped.
class PulseAudioEngine final : public AudioEngine, public InputNode {
 public:
  explicit PulseAudioEngine(PulseSettings settings = {});
  ~PulseAudioEngine() override;
  PulseAudioEngine(const PulseAudioEngine&) = delete;
  PulseAudioEngine& operator=(const PulseAudioEngine&) = delete;

  InputNode& inputNode() override { return *this; }
  void prepare() override;
  bool start() override;
  void stop() override;

  // The default source's own rate and channel count, asked afresh on each call.
  std::shared_ptr<const AudioFormat> outputFormatForBus(int bus) override;

  // Bus 0 only, one tap at a time, and a format libpulse can record: the stream records in
  // that format (the server converts) as 32-bit float samples.
  bool installTapOnBus(int bus, std::uint32_t bufferSize, std::shared_ptr<const AudioFormat> format,
                       TapBlock block) override;
  void removeTapOnBus(int bus) override;

 private:
  PulseConnection* connection();
  bool waitForReadyStream();
  void releaseStream();
  void deliverCaptured(pa_stream* stream);

  const PulseSettings settings_;
  std::unique_ptr<PulseConnection> connection_;
  pa_stream* stream_ = nullptr;

  // Read on the loop thread; written on the main thread with the loop lock held (or before
  // there is a loop).
  TapBlock tap_;
  pa_sample_spec tapSpec_{};
  std::uint32_t tapFrames_ = 0;
  std::int64_t sampleTime_ = 0;
};

}  // namespace dictation_agent
