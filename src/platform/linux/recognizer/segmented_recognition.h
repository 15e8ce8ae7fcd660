#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/linux/recognizer/dictation_text.h"
#include "platform/linux/recognizer/utterance_decoder.h"

namespace dictation_agent {

// Recognises a dictation of any length as a run of utterances split at the pauses the decoder's
// voice activity detection finds: when speech ends, the utterance ends, its final hypothesis is
// committed and the next utterance starts. Every sample reaches the decoder, and the work per
// buffer depends on the utterance under way, never on how long the dictation has gone on.
class SegmentedRecognition {
 public:
  explicit SegmentedRecognition(UtteranceDecoder& decoder) : decoder_(decoder) {}

  // Starts the first utterance.
  bool start() { return decoder_.startUtterance(); }

  // Decodes the samples; ends the utterance when they close a stretch of speech.
  bool process(std::span<const std::int16_t> samples);

  // No more audio: ends the live utterance and commits what it heard.
  bool finish();

  // The whole dictation so far.
  std::string text() const { return text_.text(); }

 private:
  UtteranceDecoder& decoder_;
  DictationText text_;
  bool heardSpeech_ = false;  // in the live utterance
};

}  // namespace dictation_agent
