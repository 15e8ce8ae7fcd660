#pragma once

#include <cstdint>

#include "platform/audio_engine.h"

namespace dictation_agent {

// Handed to the tap once, in place of audio, when capture has ended on its own (the source went
// away, the server failed or stopped delivering): no audio follows it. It holds no frames.
class CaptureEndedBuffer final : public AudioPCMBuffer {
 public:
  std::uint32_t frameLength() const override { return 0; }
  bool endsCapture() const override { return true; }
};

}  // namespace dictation_agent
