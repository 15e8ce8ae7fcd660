#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "e2e/child_process.h"
#include "linux/private_sound_server.h"

namespace dictation_agent::testing {

// The private sound server of scripts/test (PulseAudio, or PipeWire through pipewire-pulse):
// whatever is played into its null sink "virt" is what its default source, and so the agent,
// records.
class VirtualMicrophone {
 public:
  // A failure, not a skip, when the server is not there: these tests must have run.
  static void expectReachable() {
    const std::string server = privatePulseServer();
    ASSERT_EQ(runToEnd({"pactl", "get-sink-volume", "virt"}), 0)
        << "the private sound server at " << server << " has no sink \"virt\"";
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
