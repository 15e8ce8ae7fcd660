#pragma once

#include "platform/authorization.h"
#include "platform/linux/answer_threads.h"

namespace dictation_agent {

// Linux has no consent service for speech recognition, and recognition never leaves the
// machine: it is always authorized (3).
class GrantedSpeechAuthorization final : public SpeechAuthorization {
 public:
  static constexpr std::int64_t kAuthorized = 3;

  std::int64_t authorizationStatus() override { return kAuthorized; }
  void requestAuthorization(Handler handler) override {
    answers_.run([handler = std::move(handler)] { handler(kAuthorized); });
  }

 private:
  AnswerThreads answers_;
};

}  // namespace dictation_agent
