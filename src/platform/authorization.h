#pragma once

#include <cstdint>
#include <functional>

namespace dictation_agent {

// Speech-recognition authorization. Raw statuses: 0 not determined, 1 denied, 2 restricted,
// 3 authorized; any other value is passed through unchanged.
class SpeechAuthorization {
 public:
  using Handler = std::function<void(std::int64_t status)>;

  virtual ~SpeechAuthorization() = default;

  // Main thread. Answers at once, reports no error, asks nobody.
  virtual std::int64_t authorizationStatus() = 0;

  // Main thread. The handler is called exactly once, on a thread of the service's choosing
  // (possibly the main one, after this call has returned), with the resulting status; the user
  // may be asked first. The service owns the handler until it has been called. The handler only
  // posts to the main queue, so it depends on nothing more.
  virtual void requestAuthorization(Handler handler) = 0;
};

// Microphone access. Raw statuses: 0 not determined, 1 restricted, 2 denied, 3 authorized;
// note that 1 and 2 are the other way round from the speech statuses.
class MicrophoneAuthorization {
 public:
  using Handler = std::function<void(bool granted)>;

  virtual ~MicrophoneAuthorization() = default;

  // Main thread. Answers at once, reports no error, asks nobody.
  virtual std::int64_t authorizationStatus() = 0;

  // Main thread. The handler is called exactly once, on a thread of the service's choosing
  // (possibly the main one, after this call has returned), with true when access is granted;
  // the user may be asked first.
  virtual void requestAccess(Handler handler) = 0;
};

}  // namespace dictation_agent
