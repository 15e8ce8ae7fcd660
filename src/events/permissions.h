#pragma once

#include <cstdint>
#include <string>

#include "events/event.h"
#include "platform/authorization.h"

namespace dictation_agent {

// The two platform enumerations order "denied" and "restricted" differently, so each has its own
// table. Values outside a table, negative ones included, are "unknown".
std::string speechStatusName(std::int64_t rawStatus);
std::string microphoneStatusName(std::int64_t rawStatus);

// Each call asks the platform afresh; nothing is remembered between calls.
std::string speechPermission(SpeechAuthorization& speech);
std::string microphonePermission(MicrophoneAuthorization& microphone);

// {"speech": ..., "microphone": ...}, the speech status read first.
PermissionSnapshot permissions(SpeechAuthorization& speech, MicrophoneAuthorization& microphone);

}  // namespace dictation_agent
