#pragma once

#include <memory>
#include <utility>

#include "platform/authorization.h"
#include "platform/linux/answer_threads.h"
#include "platform/linux/capture/pulse_session.h"

namespace dictation_agent {

// Linux has no consent service for the microphone either: access is what the sound server
// allows. The status is always authorized (3) and asks nothing, libpulse not even loaded. A
// request connects to the server, on the calling thread (the engine then records through the
// same connection), and is refused only when the server turns this client away (PA_ERR_ACCESS);
// the answer comes on an answer thread. A missing library or server is not a refusal: capture
// then fails on its own, as an unusable microphone.
class PulseMicrophoneAuthorization final : public MicrophoneAuthorization {
 public:
  static constexpr std::int64_t kAuthorized = 3;

  explicit PulseMicrophoneAuthorization(std::shared_ptr<PulseSession> session)
      : session_(std::move(session)) {}
  explicit PulseMicrophoneAuthorization(PulseSettings settings)
      : PulseMicrophoneAuthorization(std::make_shared<PulseSession>(std::move(settings))) {}

  std::int64_t authorizationStatus() override { return kAuthorized; }
  void requestAccess(Handler handler) override {
    const auto connection = session_->connection();
    const bool refused =
        connection && connection->outcome() == PulseConnection::Outcome::kAccessDenied;
    answers_.run([granted = !refused, handler = std::move(handler)] { handler(granted); });
  }

 private:
  const std::shared_ptr<PulseSession> session_;
  AnswerThreads answers_;
};

}  // namespace dictation_agent
