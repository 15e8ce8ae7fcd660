#pragma once

#include <filesystem>
#include <optional>

namespace dictation_agent {

constexpr const char* kRecognizerProgramName = "dictation-agent-recognizer";

// The recogniser program that belongs with the agent in `executableDirectory`: beside it (a build
// tree, or an installation into one folder), else in ../libexec/dictation-agent/ (an installation
// into a prefix). None when neither is an executable file.
std::optional<std::filesystem::path> findRecognizerProgram(
    const std::filesystem::path& executableDirectory);

}  // namespace dictation_agent
