#include "platform/linux/recognition/executable_directory.h"

#include <system_error>

namespace dictation_agent {

std::filesystem::path executableDirectory() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable.parent_path();
}

}  // namespace dictation_agent
