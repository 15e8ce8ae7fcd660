#pragma once

#include <memory>
#include <utility>

#include "platform/authorization.h"
#include "platform/linux/answer_threads.h"
#include "platform/linux/capture/pulse_session.h"
#include "platform/main_queue.h"

namespace dictation_agent {

// Linux has no consent service for the microphone either: access is what the sound server
// allows. The status is always authorized (3) and asks nothing, libpulse not even loaded. A
// request visits the server on an answer thread, connecting and asking for the default source's
// format there, however long the server takes; what it found goes to the main queue, into the
// session, before the handler is called on the same thread (so the answer task that the handler
// posts runs after it, and the engine then records through that connection without a wait).
// Access is refused only when the server turns this client away (PA_ERR_ACCESS). A missing
// library or server is not a refusal: capture then fails on its own, as an unusable microphone.
class PulseMicrophoneAuthorization final : public MicrophoneAuthorization {
 public:
  static constexpr std::int64_t kAuthorized = 3;

  PulseMicrophoneAuthorization(std::shared_ptr<PulseSession> session, MainQueue& queue)
      : session_(std::move(session)), queue_(queue) {}

  std::int64_t authorizationStatus() override { return kAuthorized; }
  void requestAccess(Handler handler) override {
    answers_.run([session = session_, queue = &queue_, handler = std::move(handler)] {
      PulseLink link = session->connect();
      const bool refused =
          link.connection && link.connection->outcome() == PulseConnection::Outcome::kAccessDenied;
      queue->post([session, link = std::move(link)] { session->keep(link); });
      handler(!refused);
    });
  }

 private:
  const std::shared_ptr<PulseSession> session_;
  MainQueue& queue_;
  AnswerThreads answers_;
};

}  // namespace dictation_agent
