#include "platform/linux/recognition/recognizer_program.h"

#include <unistd.h>

#include <system_error>

namespace dictation_agent {

std::optional<std::filesystem::path> findRecognizerProgram(
    const std::filesystem::path& executableDirectory) {
  if (executableDirectory.empty()) return std::nullopt;
  for (const auto& candidate :
       {executableDirectory / kRecognizerProgramName,
        executableDirectory / ".." / "libexec" / "dictation-agent" / kRecognizerProgramName}) {
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error) &&
        ::access(candidate.c_str(), X_OK) == 0) {
      return candidate.lexically_normal();
    }
  }
  return std::nullopt;
}

}  // namespace dictation_agent
