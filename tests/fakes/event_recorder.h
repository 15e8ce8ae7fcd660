#pragma once

#include <string>
#include <vector>

#include "events/emit.h"
#include "events/event.h"
#include "fakes/fake_platform.h"

namespace dictation_agent::fakes {

// Keeps every event instead of writing it, and notes each in the platform's record as
// "emit(<type>)", so that one record shows events and platform calls in their true order.
class EventRecorder final : public EventOutput {
 public:
  explicit EventRecorder(FakePlatform& platform) : platform_(platform) {}

  void emit(const Event& event) override {
    events_.push_back(event);
    platform_.note("emit(" + typeOf(event) + ")");
  }

  const std::vector<Event>& events() const { return events_; }

  // The lines the agent would have written, line feeds left out. An event that cannot be
  // serialised shows as an empty line.
  std::vector<std::string> jsonLines() const {
    std::vector<std::string> lines;
    for (const Event& event : events_) lines.push_back(serializeEvent(event).value_or(""));
    return lines;
  }

  std::vector<std::string> types() const {
    std::vector<std::string> types;
    for (const Event& event : events_) types.push_back(typeOf(event));
    return types;
  }

 private:
  static std::string typeOf(const Event& event) {
    const auto type = event.find("type");
    if (type == event.end()) return "?";
    const auto* name = std::get_if<std::string>(&type->second);
    return name != nullptr ? *name : "?";
  }

  FakePlatform& platform_;
  std::vector<Event> events_;
};

}  // namespace dictation_agent::fakes
