#pragma once

#include <cstdint>

#include "platform/audio_engine.h"

namespace dictation_agent {

// A sample rate and a channel count; 0 Hz and 0 channels stand for "no usable input".
class PcmFormat final : public AudioFormat {
 public:
  PcmFormat(double sampleRate, std::uint32_t channelCount)
      : sampleRate_(sampleRate), channelCount_(channelCount) {}

  double sampleRate() const override { return sampleRate_; }
  std::uint32_t channelCount() const override { return channelCount_; }

 private:
  double sampleRate_;
  std::uint32_t channelCount_;
};

}  // namespace dictation_agent
