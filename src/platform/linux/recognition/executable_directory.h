#pragma once

#include <filesystem>

namespace dictation_agent {

// The folder of the running executable (from /proc/self/exe); empty when it cannot be told.
std::filesystem::path executableDirectory();

}  // namespace dictation_agent
