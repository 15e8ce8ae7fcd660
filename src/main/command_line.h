#pragma once

#include <string>
#include <vector>

namespace dictation_agent {

inline constexpr const char* kDefaultLocaleIdentifier = "zh-CN";

struct CommandLine {
  std::string localeIdentifier;  // unchanged from the argument: not trimmed, not validated
  bool statusProbe = false;
  bool help = false;     // print the usage and exit, before anything else
  bool version = false;  // print the version and exit, unless `help`
};

// `arguments` is the whole argument vector, element 0 being the program name. The identifier is
// the first argument after the program name that does not begin with "--"; "--status" anywhere
// (the program name included) selects the status probe; "--help" and "--version" after the
// program name ask for the usage and the version. Everything else is ignored.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

}  // namespace dictation_agent
