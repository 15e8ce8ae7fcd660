#pragma once

#include <memory>
#include <utility>

#include "platform/authorization.h"
#include "platform/linux/answer_threads.h"
#include "platform/linux/pulse_connection.h"
#include "platform/linux/pulse_library.h"

namespace dictation_agent {

// Linux has no consent service for the microphone either: access is what the sound server
// allows. The status is always authorized (3) and asks nothing, libpulse not even loaded. A
// request loads libpulse on the calling thread, then connects to the server once on an answer
// thread and is refused only when the server turns this client away (PA_ERR_ACCESS). A missing
// library or server is not a refusal: capture then fails on its own, as an unusable microphone.
class PulseMicrophoneAuthorization final : public MicrophoneAuthorization {
 public:
  static constexpr std::int64_t kAuthorized = 3;

  explicit PulseMicrophoneAuthorization(
      PulseSettings settings,
      std::shared_ptr<PulseLibraryLoader> loader = std::make_shared<PulseLibraryLoader>())
      : settings_(std::move(settings)), loader_(std::move(loader)) {}

  std::int64_t authorizationStatus() override { return kAuthorized; }
  void requestAccess(Handler handler) override {
    answers_.run([settings = settings_, pulse = loader_->library(), handler = std::move(handler)] {
      if (!pulse) {
        handler(true);
        return;
      }
      const PulseConnection probe(*pulse, settings);
      handler(probe.outcome() != PulseConnection::Outcome::kAccessDenied);
    });
  }

 private:
  const PulseSettings settings_;
  const std::shared_ptr<PulseLibraryLoader> loader_;
  AnswerThreads answers_;
};

}  // namespace dictation_agent
