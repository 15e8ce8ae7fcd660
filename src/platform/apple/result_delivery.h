#pragma once

#include <optional>
#include <string_view>

#include "platform/apple/transcript_accumulator.h"
#include "platform/speech_recognizer.h"

namespace dictation_agent {

// Stands between the Speech framework's result handler and the seam's: every result goes on
// carrying the whole dictation's text (see TranscriptAccumulator), and a dictation whose capture
// ended without a host stop can be closed with the transcript so far.
//
// One per recognition task, used on the recogniser's serial queue only.
class ResultDelivery {
 public:
  ResultDelivery(std::string_view utteranceSeparator, SpeechRecognizer::ResultHandler handler)
      : transcript_(utteranceSeparator), handler_(std::move(handler)) {}

  // One call of the Speech framework's handler: a result or none, and whether an error came.
  void deliver(const std::optional<TranscriptionReading>& reading, bool failed);

  // Delivers the transcript so far as the final result, unless a final result or an error has
  // been delivered already. For capture that ended while the recogniser keeps silent.
  void finishIfStillOpen();

 private:
  TranscriptAccumulator transcript_;
  SpeechRecognizer::ResultHandler handler_;
  bool open_ = true;
};

}  // namespace dictation_agent
