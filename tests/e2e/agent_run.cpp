#include "e2e/agent_run.h"

namespace dictation_agent::testing {

std::string agentPath() {
  return AGENT_BINARY;
}

namespace {

std::vector<std::string> withProgram(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {agentPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

}  // namespace

AgentRun::AgentRun(const std::vector<std::string>& arguments, const EnvironmentChanges& changes,
                   const ChildOptions& options)
    : child_(withProgram(arguments), changes, options) {
  EXPECT_TRUE(child_.started()) << "could not start " << agentPath();
}

Json AgentRun::next() {
  const auto line = child_.readLine(kLongestWait);
  if (!line) {
    ADD_FAILURE() << "no further event; standard error: " << child_.errorOutput();
    return Json::object();
  }
  Json event = Json::parse(*line, nullptr, false);
  if (event.is_discarded() || !event.is_object() || !event.contains("type")) {
    ADD_FAILURE() << "not an event line: " << *line;
    return Json::object();
  }
  return event;
}

std::vector<Json> AgentRun::until(const std::string& type) {
  std::vector<Json> events;
  while (true) {
    Json event = next();
    if (event.empty()) return events;
    events.push_back(event);
    if (event["type"] == type || event["type"] == "error" || event["type"] == "final") {
      EXPECT_EQ(event["type"], type) << event.dump();
      return events;
    }
  }
}

std::vector<Json> AgentRun::untilHeard() {
  std::vector<Json> events;
  while (true) {
    Json event = next();
    if (event.empty()) return events;
    events.push_back(event);
    if (event["type"] == "transcript" && !event.value("text", "").empty()) return events;
    if (event["type"] == "error" || event["type"] == "final") {
      ADD_FAILURE() << "ended before hearing anything: " << event.dump();
      return events;
    }
  }
}

void AgentRun::expectCleanExit() {
  EXPECT_EQ(child_.wait(kLongestWait), 0);
  EXPECT_EQ(child_.unreadOutput(), "") << "output after the last event";
  EXPECT_EQ(child_.errorOutput(), "") << "the agent wrote to standard error";
}

std::vector<std::string> typesOf(const std::vector<Json>& events) {
  std::vector<std::string> types;
  for (const Json& event : events) types.push_back(event.value("type", ""));
  return types;
}

}  // namespace dictation_agent::testing
