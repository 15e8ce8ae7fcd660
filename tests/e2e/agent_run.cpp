#include "e2e/agent_run.h"

namespace dictation_agent::testing {

std::string agentPath() {
  return AGENT_BINARY;
}

namespace {

std::vector<std::string> withProgram(const std::vector<std::string>& arguments,
                                     const std::string& program = agentPath(),
                                     const std::vector<std::string>& launcher = {}) {
  std::vector<std::string> argv = launcher;
  argv.push_back(program);
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return argv;
}

}  // namespace

AgentRun::AgentRun(const std::vector<std::string>& arguments, const EnvironmentChanges& changes,
                   const ChildOptions& options)
    : child_(withProgram(arguments), changes, options),
      schemaCheck_({AGENT_PYTHON, AGENT_EVENT_LINES, AGENT_EVENTS_SCHEMA}) {
  EXPECT_TRUE(child_.started()) << "could not start " << agentPath();
  EXPECT_TRUE(schemaCheck_.started()) << "could not start " << AGENT_EVENT_LINES;
}

AgentRun::AgentRun(const Program& program, const std::vector<std::string>& arguments,
                   const EnvironmentChanges& changes)
    : child_(withProgram(arguments, program.path, program.launcher), changes),
      schemaCheck_({AGENT_PYTHON, AGENT_EVENT_LINES, AGENT_EVENTS_SCHEMA}) {
  EXPECT_TRUE(child_.started()) << "could not start " << program.path;
  EXPECT_TRUE(schemaCheck_.started()) << "could not start " << AGENT_EVENT_LINES;
}

AgentRun::~AgentRun() {
  if (!types_.empty() && types_.front() == "status") {
    EXPECT_EQ(types_.size(), 1u) << "the status probe writes one line";
    return;
  }
  const bool whole = !types_.empty() && (types_.back() == "final" || types_.back() == "error");
  const auto problem = eventOrderProblem(types_, whole);
  EXPECT_FALSE(problem.has_value()) << problem.value_or("");
}

void AgentRun::expectValidEvent(const std::string& line) {
  schemaCheck_.write(line + "\n");
  const auto verdict = schemaCheck_.readLine(std::chrono::seconds(30));
  EXPECT_EQ(verdict.value_or("no answer: " + schemaCheck_.errorOutput()), "ok")
      << "against the event schema: " << line;
}

Json AgentRun::next() {
  const auto line = child_.readLine(kLongestWait);
  if (!line) {
    ADD_FAILURE() << "no further event; standard error: " << child_.errorOutput();
    return Json::object();
  }
  return parse(*line);
}

std::optional<Json> AgentRun::nextWithin(std::chrono::milliseconds timeout) {
  const auto line = child_.readLine(timeout);
  if (!line) return std::nullopt;
  return parse(*line);
}

Json AgentRun::parse(const std::string& line) {
  expectValidEvent(line);
  Json event = Json::parse(line, nullptr, false);
  if (event.is_discarded() || !event.is_object() || !event.contains("type")) {
    ADD_FAILURE() << "not an event line: " << line;
    return Json::object();
  }
  const auto textProblem = eventTextProblem(event);
  EXPECT_FALSE(textProblem.has_value()) << textProblem.value_or("");
  types_.push_back(event["type"].is_string() ? event["type"].get<std::string>() : "");
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
