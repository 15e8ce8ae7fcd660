#pragma once

// Event text as nlohmann::json writes it, invalid UTF-8 replaced: the general-purpose writer
// against which the event writer is checked (fuzzing) and measured (benchmarks).

#include <nlohmann/json.hpp>
#include <string>

#include "events/event.h"

namespace dictation_agent::oracles {

inline nlohmann::json toJson(const Event& event) {
  nlohmann::json object = nlohmann::json::object();
  for (const auto& [key, value] : event)
    std::visit([&object, &key](const auto& v) { object[key] = nlohmann::json(v); }, value);
  return object;
}

inline std::string nlohmannEventText(const Event& event) {
  return toJson(event).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace dictation_agent::oracles
