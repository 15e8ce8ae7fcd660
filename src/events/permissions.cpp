#include "events/permissions.h"

namespace dictation_agent {

std::string speechStatusName(std::int64_t rawStatus) {
  switch (rawStatus) {
    case 0: return "not-determined";
    case 1: return "denied";
    case 2: return "restricted";
    case 3: return "granted";
    default: return "unknown";
  }
}

std::string microphoneStatusName(std::int64_t rawStatus) {
  switch (rawStatus) {
    case 0: return "not-determined";
    case 1: return "restricted";
    case 2: return "denied";
    case 3: return "granted";
    default: return "unknown";
  }
}

std::string speechPermission(SpeechAuthorization& speech) {
  return speechStatusName(speech.authorizationStatus());
}

std::string microphonePermission(MicrophoneAuthorization& microphone) {
  return microphoneStatusName(microphone.authorizationStatus());
}

PermissionSnapshot permissions(SpeechAuthorization& speech, MicrophoneAuthorization& microphone) {
  std::string speechName = speechPermission(speech);
  std::string microphoneName = microphonePermission(microphone);
  return {{"speech", std::move(speechName)}, {"microphone", std::move(microphoneName)}};
}

}  // namespace dictation_agent
