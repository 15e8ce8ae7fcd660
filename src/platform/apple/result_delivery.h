#pragma once

#include <optional>
#include <string_view>

#include "platform/apple/transcript_accumulator.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// What the Speech framework's handler brought besides a result.
enum class RecognitionFailure {
  kNone,
  // "No speech detected" (kAFAssistantErrorDomain 1110): on-device recognition reports it when
  // the last stretch of audio held no speech, also after earlier words.
  kNoSpeech,
  kOther,
};

// Stands between the Speech framework's result handler and the seam's: every result goes on
// carrying the whole dictation's text (see TranscriptAccumulator); "no speech detected" once the
// audio has ended is the end of recognition, with the whole text so far as the final result (an
// error there would lose the words the host was shown); and a dictation whose capture ended
// without a host stop can be closed with the transcript so far.
//
// One per recognition task, used on the recogniser's serial queue only.
class ResultDelivery {
 public:
  ResultDelivery(std::string_view utteranceSeparator, SpeechRecognizer::ResultHandler handler)
      : transcript_(utteranceSeparator), handler_(std::move(handler)) {}

  // One call of the Speech framework's handler: a result or none, and what failure came with it.
  void deliver(const std::optional<TranscriptionReading>& reading, RecognitionFailure failure);

  // The request has been told that no more audio comes. Queued on the recogniser's queue before
  // the request itself is told, so it comes before anything the recogniser answers to that.
  void audioEnded() { audioEnded_ = true; }

  // Delivers the transcript so far as the final result, unless a final result or an error has
  // been delivered already. For capture that ended while the recogniser keeps silent.
  void finishIfStillOpen();

 private:
  TranscriptAccumulator transcript_;
  SpeechRecognizer::ResultHandler handler_;
  bool open_ = true;
  bool audioEnded_ = false;
};

}  // namespace dictation_agent
