#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/child_process.h"

namespace dictation_agent::testing {

using Json = nlohmann::json;

// One run of the real agent binary, read event by event. Every wait is bounded by the agent's
// own longest span, the 60-second listening cap.
class AgentRun {
 public:
  static constexpr std::chrono::seconds kLongestWait{60};

  explicit AgentRun(const std::vector<std::string>& arguments,
                    const EnvironmentChanges& changes = {}, const ChildOptions& options = {});

  // The next event; a failure (and an empty object) when none comes or the line is not JSON.
  Json next();

  // Events up to and including the first of type `type`; a failure when it does not come.
  std::vector<Json> until(const std::string& type);

  // Events up to and including the first transcript with text; a failure when none comes.
  std::vector<Json> untilHeard();

  void write(const std::string& bytes) { child_.write(bytes); }
  void closeInput() { child_.closeInput(); }
  ChildProcess& process() { return child_; }

  // After the last event: nothing more on standard output, nothing ever on standard error,
  // exit status 0.
  void expectCleanExit();

 private:
  ChildProcess child_;
};

std::vector<std::string> typesOf(const std::vector<Json>& events);

// The path of the agent under test, set by the build.
std::string agentPath();

}  // namespace dictation_agent::testing
