#pragma once

// Event text as nlohmann::json writes it, invalid UTF-8 replaced: the general-purpose writer
// against which the event writer is checked (fuzzing) and measured (benchmarks).

#include <nlohmann/json.hpp>
#include <string>

#include "events/event.h"

namespace dictation_agent::oracles {

inline nlohmann::json toJson(const Event& event) {
  nlohmann::json object = nlohmann::json::object();
  for (const auto& entry : event) {
    std::visit([&](const auto& v) { object[entry.first] = nlohmann::json(v); }, entry.second);
  }
  return object;
}

inline std::string nlohmannEventText(const Event& event) {
  return toJson(event).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace dictation_agent::oracles
