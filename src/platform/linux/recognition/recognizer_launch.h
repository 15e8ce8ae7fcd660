#pragma once

#include <chrono>
#include <filesystem>

#include "platform/linux/recognizer/pocketsphinx_model.h"

namespace dictation_agent {

// How a recognition task starts its recogniser process.
struct RecognizerLaunch {
  std::filesystem::path program;  // dictation-agent-recognizer
  PocketsphinxModel model;
  // The model loads in a fifth of a second here; a process that has not loaded it by then is
  // stuck in a damaged file (a huge sparse one, say) and is given up as a failure.
  std::chrono::milliseconds loadBound{10000};
};

}  // namespace dictation_agent
