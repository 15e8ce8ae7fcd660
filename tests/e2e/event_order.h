#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace dictation_agent::testing {

// The order of the events of one dictation, as letters: P permissions, A authorizing,
// L listening, T transcript, F final, E error. A whole run matches
//
//     ^(E|PA(F|P(E|F|P(E|LT*(F|E)))))$
//
// Returns why `types` is not such a run (or, with `whole` false, not the beginning of one), or
// nothing when it is.
std::optional<std::string> eventOrderProblem(const std::vector<std::string>& types, bool whole);

// The longest "text" the agent writes, in extended grapheme clusters (UAX #29).
inline constexpr std::size_t kTextMaxCharacters = 16000;

// Why the event's "text" breaks what the schema cannot say (more than 16000 characters), or
// nothing when it does not.
std::optional<std::string> eventTextProblem(const nlohmann::json& event);

// A failure naming the run when the events, read from its first line to its last, are not in
// an order the agent can write.
void expectWellOrderedRun(const std::vector<nlohmann::json>& events);

}  // namespace dictation_agent::testing
