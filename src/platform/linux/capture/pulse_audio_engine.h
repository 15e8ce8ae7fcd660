#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>

#include "platform/audio_engine.h"
#include "platform/linux/capture/pulse_connection.h"
#include "platform/linux/capture/pulse_session.h"

namespace dictation_agent {

// Capture from the default source of a PulseAudio server (or PipeWire's pulse server) through a
// record stream. The engine is its own input node. It records through the session's connection,
// which the microphone request has made off the main thread, and never waits on the server
// itself: the node reports the format that request found, and start hands the new stream to the
// connection's loop and returns. Without libpulse, a server or a default source the node reports
// 0 Hz and 0 channels and start fails. The tap block runs on the connection's loop thread with
// its lock held, once per captured piece of at most the requested number of frames, all channels
// interleaved; holes in the stream (lost audio) are dropped.
//
// Once started, capture stays with the source it started on. When the stream cannot be set up,
// that source goes away, the stream or the server fails, or no audio arrives for kSilenceBound
// (kFirstAudioBound for the first), capture ends on its own: the tap receives one
// CaptureEndedBuffer and no audio after it.
class PulseAudioEngine final : public AudioEngine, public InputNode {
 public:
  // A running source delivers every few tens of milliseconds: this long without audio means a
  // server that has stopped answering, yet the words already heard come back well inside a
  // host's patience.
  static constexpr std::chrono::milliseconds kSilenceBound{2000};
  // The first delivery may take longer: a source that was idle (a null sink's monitor, say)
  // can take over two seconds before its first block on a busy machine.
  static constexpr std::chrono::milliseconds kFirstAudioBound{5000};

  explicit PulseAudioEngine(std::shared_ptr<PulseSession> session);
  ~PulseAudioEngine() override;
  PulseAudioEngine(const PulseAudioEngine&) = delete;
  PulseAudioEngine& operator=(const PulseAudioEngine&) = delete;

  InputNode& inputNode() override { return *this; }
  void prepare() override;
  bool start() override;
  void stop() override;

  // The default source's own rate and channel count, as the microphone request found them.
  std::shared_ptr<const AudioFormat> outputFormatForBus(int bus) override;

  // Bus 0 only, one tap at a time, and a format libpulse can record (1 to 32 channels): the
  // stream records in that format (the server converts) as 32-bit float samples.
  bool installTapOnBus(int bus, std::uint32_t bufferSize, std::shared_ptr<const AudioFormat> format,
                       TapBlock block) override;
  void removeTapOnBus(int bus) override;

 private:
  PulseConnection* connection();
  pa_channel_map channelMapFor(const pa_sample_spec& spec);
  void releaseStream();

  // On the loop thread, with its lock held.
  void deliverCaptured(pa_stream* stream);
  void onStreamState(pa_stream* stream);
  void onSilenceCheck();
  void endCapture();

  const std::shared_ptr<PulseSession> session_;
  std::shared_ptr<PulseConnection> connection_;  // the session's, when last looked at
  std::optional<PulseSourceFormat> lastSource_;  // what outputFormatForBus last reported
  pa_stream* stream_ = nullptr;
  pa_time_event* silenceCheck_ = nullptr;

  // Read on the loop thread; written on the main thread with the loop lock held (or before
  // there is a loop).
  TapBlock tap_;
  pa_sample_spec tapSpec_{};
  std::uint32_t tapFrames_ = 0;
  std::int64_t sampleTime_ = 0;
  bool capturing_ = false;  // start made the stream, and stop has not run since
  bool ended_ = false;      // capture ended on its own: no audio is delivered after the end
  pa_usec_t audioDue_ = 0;  // capture ends when no audio has arrived by then
};

}  // namespace dictation_agent
