#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace dictation_agent::testing {

// Which private server scripts/test started (scripts/lib/private_sound_server.sh):
// "pulseaudio" or "pipewire" (through pipewire-pulse); empty when none was named.
inline std::string privateSoundServerKind() {
  const char* kind = std::getenv("AGENT_TEST_SOUND_SERVER");
  return kind == nullptr ? "" : kind;
}

// The address of the private server's PulseAudio protocol. Whatever is played into its sink
// "virt" is what its default source records. Tests that need it fail without it rather than
// reach for the user's own server or pass without having run.
inline std::string privatePulseServer() {
  const char* server = std::getenv("PULSE_SERVER");
  if (server == nullptr || *server == '\0') {
    ADD_FAILURE() << "PULSE_SERVER is not set: run the tests with scripts/test, which starts a "
                     "private sound server (scripts/lib/private_sound_server.sh)";
    return "unix:/nonexistent/pulse/native";
  }
  return server;
}

}  // namespace dictation_agent::testing
