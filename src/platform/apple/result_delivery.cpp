#include "platform/apple/result_delivery.h"

#include <utility>

namespace dictation_agent {

void ResultDelivery::deliver(const std::optional<TranscriptionReading>& reading,
                             RecognitionFailure failure) {
  if (failure == RecognitionFailure::kNoSpeech && audioEnded_) {
    const std::string text = reading ? transcript_.add(*reading) : transcript_.text();
    open_ = false;
    handler_(RecognitionResult{text, true}, std::nullopt);
    return;
  }
  const bool failed = failure != RecognitionFailure::kNone;
  std::optional<RecognitionResult> result;
  if (reading) {
    result = RecognitionResult{transcript_.add(*reading), reading->isFinal};
    if (reading->isFinal) open_ = false;
  }
  if (failed) open_ = false;
  handler_(std::move(result),
           failed ? std::optional<RecognitionError>(RecognitionError{}) : std::nullopt);
}

void ResultDelivery::finishIfStillOpen() {
  if (!open_) return;
  open_ = false;
  handler_(RecognitionResult{transcript_.text(), true}, std::nullopt);
}

}  // namespace dictation_agent
