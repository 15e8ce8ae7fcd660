#pragma once

#include "platform/authorization.h"
#include "platform/linux/answer_threads.h"
#include "platform/linux/pulse_connection.h"

namespace dictation_agent {

// Linux has no consent service for the microphone either: access is what the sound server
// allows. The status is always authorized (3); a request connects to the server once and is
// refused only when the server turns this client away (PA_ERR_ACCESS). A missing server is not
// a refusal: capture then fails on its own, as an unusable microphone.
class PulseMicrophoneAuthorization final : public MicrophoneAuthorization {
 public:
  static constexpr std::int64_t kAuthorized = 3;

  explicit PulseMicrophoneAuthorization(PulseSettings settings) : settings_(std::move(settings)) {}

  std::int64_t authorizationStatus() override { return kAuthorized; }
  void requestAccess(Handler handler) override {
    answers_.run([settings = settings_, handler = std::move(handler)] {
      const PulseConnection probe(settings);
      handler(probe.outcome() != PulseConnection::Outcome::kAccessDenied);
    });
  }

 private:
  const PulseSettings settings_;
  AnswerThreads answers_;
};

}  // namespace dictation_agent
