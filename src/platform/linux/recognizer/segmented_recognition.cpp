#include "platform/linux/recognizer/segmented_recognition.h"

namespace dictation_agent {

bool SegmentedRecognition::process(std::span<const std::int16_t> samples) {
  if (samples.empty()) return true;
  if (!decoder_.process(samples)) return false;
  if (decoder_.inSpeech()) {
    heardSpeech_ = true;
    text_.setLive(decoder_.hypothesis());
    return true;
  }
  // Silence before any speech leaves the utterance open; silence after speech closes it.
  if (!heardSpeech_) return true;
  heardSpeech_ = false;
  if (!decoder_.endUtterance()) return false;
  text_.commit(decoder_.hypothesis());
  return decoder_.startUtterance();
}

bool SegmentedRecognition::finish() {
  if (!decoder_.endUtterance()) return false;
  text_.commit(decoder_.hypothesis());
  heardSpeech_ = false;
  return true;
}

}  // namespace dictation_agent
