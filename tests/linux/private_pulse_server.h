#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace dictation_agent::testing {

// The address of the private PulseAudio server that scripts/test starts (its virtual microphone
// is the source "virt.monitor"). Tests that need it fail without it rather than reach for the
// user's own server or pass without having run.
inline std::string privatePulseServer() {
  const char* server = std::getenv("PULSE_SERVER");
  if (server == nullptr || *server == '\0') {
    ADD_FAILURE() << "PULSE_SERVER is not set: run the tests with scripts/test, which starts a "
                     "private PulseAudio server (scripts/lib/private_pulse.sh)";
    return "unix:/nonexistent/pulse/native";
  }
  return server;
}

}  // namespace dictation_agent::testing
