#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace dictation_agent {

// A streaming decoder that recognises one utterance at a time and tells whether the audio it
// was last given holds speech. Input is 16 kHz mono signed 16-bit audio.
class UtteranceDecoder {
 public:
  virtual ~UtteranceDecoder() = default;

  virtual bool startUtterance() = 0;
  virtual bool process(std::span<const std::int16_t> samples) = 0;

  // The samples given last were speech, or the silence that follows speech is still short.
  virtual bool inSpeech() = 0;

  virtual bool endUtterance() = 0;

  // The best hypothesis of the utterance so far, or its final one once it has ended; "" when
  // there is none.
  virtual std::string hypothesis() = 0;
};

}  // namespace dictation_agent
