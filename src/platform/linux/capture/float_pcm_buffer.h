#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/audio_engine.h"

namespace dictation_agent {

// Captured audio as interleaved 32-bit float frames, with the rate and channel count it was
// captured at. The only buffer type that the Linux backend delivers and recognises.
class FloatPcmBuffer final : public AudioPCMBuffer {
 public:
  FloatPcmBuffer(double sampleRate, std::uint32_t channelCount, std::vector<float> samples)
      : sampleRate_(sampleRate), channelCount_(channelCount), samples_(std::move(samples)) {}

  std::uint32_t frameLength() const override {
    return channelCount_ == 0 ? 0 : static_cast<std::uint32_t>(samples_.size() / channelCount_);
  }
  double sampleRate() const { return sampleRate_; }
  std::uint32_t channelCount() const { return channelCount_; }
  std::span<const float> samples() const { return samples_; }

 private:
  double sampleRate_;
  std::uint32_t channelCount_;
  std::vector<float> samples_;
};

}  // namespace dictation_agent
