#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace dictation_agent {

// The format of the input node's output: what the microphone delivers.
class AudioFormat {
 public:
  virtual ~AudioFormat() = default;

  // In Hz. Not greater than 0.0 (NaN included) means there is no usable input.
  virtual double sampleRate() const = 0;

  // 0 means there is no usable input.
  virtual std::uint32_t channelCount() const = 0;
};

// One captured buffer, in the input node's own format. Each backend defines what it holds; only
// the same backend's recognition request looks inside. Immutable once delivered, so it is shared
// between the audio thread and the recogniser without a copy.
class AudioPCMBuffer {
 public:
  virtual ~AudioPCMBuffer() = default;
  virtual std::uint32_t frameLength() const = 0;

  // True only for the one buffer that a backend hands the tap, in place of audio, when capture
  // has ended on its own (the device went away, the sound server failed or stopped delivering).
  // No audio follows it.
  virtual bool endsCapture() const { return false; }
};

// When a buffer was captured. Nothing in the agent uses it; it is part of the tap's signature.
struct AudioTime {
  std::int64_t sampleTime = 0;
};

// The node of the default input device.
class InputNode {
 public:
  // Called on an audio thread, once per captured buffer, until the tap is removed. It must not
  // block and must not touch anything owned by the main thread.
  using TapBlock =
      std::function<void(std::shared_ptr<const AudioPCMBuffer> buffer, AudioTime when)>;

  virtual ~InputNode() = default;

  // Main thread. Never absent: a missing device shows as 0 Hz or 0 channels.
  virtual std::shared_ptr<const AudioFormat> outputFormatForBus(int bus) = 0;

  // Main thread. The node owns the block until the tap is removed. `bufferSize` (in frames) is a
  // request, not a promise. Returns false when the platform refuses the tap (for example a
  // format the hardware does not accept); no block call is made then.
  virtual bool installTapOnBus(int bus, std::uint32_t bufferSize,
                               std::shared_ptr<const AudioFormat> format, TapBlock block) = 0;

  // Main thread. After it returns, the block is not called again and has been released.
  virtual void removeTapOnBus(int bus) = 0;
};

// The capture engine. Created stopped; all methods run on the main thread.
class AudioEngine {
 public:
  virtual ~AudioEngine() = default;

  // The node of the default input device; the engine owns it.
  virtual InputNode& inputNode() = 0;

  virtual void prepare() = 0;

  // Returns true once capture is running, false when it cannot start.
  virtual bool start() = 0;

  // Ends capture. Safe at any time, also when the engine never started, and more than once.
  virtual void stop() = 0;
};

}  // namespace dictation_agent
