#include "main/status_probe.h"

#include "events/permissions.h"

namespace dictation_agent {

void runStatusProbe(SpeechRecognizer* recognizer, Platform& platform, EventOutput& events) {
  // Only on-device support counts: availability and the permissions play no part.
  const bool available = recognizer != nullptr && recognizer->supportsOnDeviceRecognition();
  events.emit({{"type", "status"},
               {"available", available},
               {"permissions",
                permissions(platform.speechAuthorization(), platform.microphoneAuthorization())}});
  platform.processExit().exit(0);
}

}  // namespace dictation_agent
