#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/child_process.h"

namespace dictation_agent::testing {

// The private PulseAudio server of scripts/test: whatever is played into its null sink "virt"
// is what its default source, and so the agent, records.
class VirtualMicrophone {
 public:
  // A failure, not a skip, when the server is not there: these tests must have run.
  static void expectReachable() {
    const char* server = std::getenv("PULSE_SERVER");
    ASSERT_TRUE(server != nullptr && *server != '\0')
        << "PULSE_SERVER is not set: run the tests with scripts/test, which starts a private "
           "PulseAudio server (scripts/lib/private_pulse.sh)";
    ASSERT_EQ(runToEnd({"pactl", "get-sink-volume", "virt"}), 0)
        << "the private PulseAudio server at " << server << " has no sink \"virt\"";
  }

  // Plays the file into the microphone; returns once it has all been played.
  static void speak(const std::string& wav) {
    ASSERT_EQ(runToEnd({"paplay", "--device=virt", wav}), 0) << "paplay " << wav;
  }

  // Starts playing the file; the returned process ends when it has all been played.
  static std::unique_ptr<ChildProcess> startSpeaking(const std::string& wav) {
    auto player =
        std::make_unique<ChildProcess>(std::vector<std::string>{"paplay", "--device=virt", wav});
    EXPECT_TRUE(player->started());
    player->closeInput();
    return player;
  }
};

}  // namespace dictation_agent::testing
