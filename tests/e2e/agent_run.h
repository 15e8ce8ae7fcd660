#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "e2e/child_process.h"
#include "e2e/event_order.h"

namespace dictation_agent::testing {

using Json = nlohmann::json;

// One run of the real agent binary, read event by event, each line checked against the event
// schema (docs/events.schema.json) and the transcript cap as it is read, and the order of all
// the events read checked when the run is destroyed. Every wait is bounded by the agent's own
// longest span, the 60-second listening cap.
class AgentRun {
 public:
  static constexpr std::chrono::seconds kLongestWait{60};

  explicit AgentRun(const std::vector<std::string>& arguments,
                    const EnvironmentChanges& changes = {}, const ChildOptions& options = {});

  // Another copy of the agent than the one built, or the agent started through a launcher: a
  // command that ends by executing the rest of its arguments (the path, then the arguments).
  struct Program {
    std::string path;
    std::vector<std::string> launcher = {};
  };
  AgentRun(const Program& program, const std::vector<std::string>& arguments,
           const EnvironmentChanges& changes);

  // A failure when the events read are out of order: a whole run when its last event was read,
  // else the beginning of one.
  ~AgentRun();
  AgentRun(const AgentRun&) = delete;
  AgentRun& operator=(const AgentRun&) = delete;

  // The next event; a failure (and an empty object) when none comes or the line is not JSON,
  // a failure when the line does not satisfy the event schema.
  Json next();

  // The next event if one comes within `timeout`; none, and no failure, when none does.
  std::optional<Json> nextWithin(std::chrono::milliseconds timeout);

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
  void expectValidEvent(const std::string& line);
  Json parse(const std::string& line);

  ChildProcess child_;
  ChildProcess schemaCheck_;
  std::vector<std::string> types_;  // of every event read, in order  // answers "ok" or "invalid:
                                    // <why>" to each line written to it
};

std::vector<std::string> typesOf(const std::vector<Json>& events);

// The path of the agent under test, set by the build.
std::string agentPath();

}  // namespace dictation_agent::testing
