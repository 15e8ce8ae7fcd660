#pragma once

#include "events/event.h"
#include "platform/platform.h"

namespace dictation_agent {

// Writes the one "status" event for the recogniser (null when the locale has none) and exits
// with status 0. Asks for no permission and reads nothing from standard input.
void runStatusProbe(SpeechRecognizer* recognizer, Platform& platform, EventOutput& events);

}  // namespace dictation_agent
