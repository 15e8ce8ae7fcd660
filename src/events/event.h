#pragma once

#include <map>
#include <string>
#include <variant>

namespace dictation_agent {

// {"speech": status name, "microphone": status name}
using PermissionSnapshot = std::map<std::string, std::string>;

// The three kinds of value an event carries.
using EventValue = std::variant<std::string, bool, PermissionSnapshot>;

// One event: string keys, always including "type".
using Event = std::map<std::string, EventValue>;

// Where the dictation's events go: standard output in the agent, a recorder in tests.
class EventOutput {
 public:
  virtual ~EventOutput() = default;
  virtual void emit(const Event& event) = 0;
};

}  // namespace dictation_agent
