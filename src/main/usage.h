#pragma once

#include <string>

namespace dictation_agent {

// The answer to --help: what the arguments mean, how a host stops and cancels, where the
// protocol is described. Ends with a line feed.
std::string usageText();

// The answer to --version: the program's name and the package version, on one line.
std::string versionText();

}  // namespace dictation_agent
