#include "main/command_line.h"

namespace dictation_agent {

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine commandLine;
  bool identifierFound = false;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (argument == "--status") commandLine.statusProbe = true;
    if (index > 0 && argument == "--help") commandLine.help = true;
    if (index > 0 && argument == "--version") commandLine.version = true;
    // The program name is never the identifier; "--" alone is no end-of-options marker.
    if (index > 0 && !identifierFound && !argument.starts_with("--")) {
      commandLine.localeIdentifier = argument;
      identifierFound = true;
    }
  }
  if (!identifierFound) commandLine.localeIdentifier = kDefaultLocaleIdentifier;
  return commandLine;
}

}  // namespace dictation_agent
