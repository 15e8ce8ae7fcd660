#pragma once

#ifndef __OBJC__
#error "captured_pcm_buffer.h holds an Objective-C object: include it from .mm files only"
#endif

#import <AVFoundation/AVFoundation.h>

#include "platform/audio_engine.h"

namespace dictation_agent {

// A buffer from the input tap, crossing the seam without a copy: it only holds the
// AVAudioPCMBuffer, which the recognition request takes as it is.
class CapturedPCMBuffer final : public AudioPCMBuffer {
 public:
  explicit CapturedPCMBuffer(AVAudioPCMBuffer* buffer) : buffer_(buffer) {}

  std::uint32_t frameLength() const override { return buffer_.frameLength; }
  AVAudioPCMBuffer* avBuffer() const { return buffer_; }

 private:
  AVAudioPCMBuffer* __strong buffer_;
};

}  // namespace dictation_agent
