#include "e2e/event_order.h"

#include <gtest/gtest.h>

#include <map>

#include "oracles/utf8proc_text.h"

namespace dictation_agent::testing {
namespace {

// The states of the expression above, one per place in it that a run can have reached.
enum class State {
  kStart,
  kAsked,
  kAuthorizing,
  kSpeechAnswered,
  kMicrophoneAnswered,
  kListening,
  kEnded
};

std::optional<State> step(State state, char letter) {
  switch (state) {
    case State::kStart:
      if (letter == 'E') return State::kEnded;
      if (letter == 'P') return State::kAsked;
      break;
    case State::kAsked:
      if (letter == 'A') return State::kAuthorizing;
      break;
    case State::kAuthorizing:
      if (letter == 'F') return State::kEnded;
      if (letter == 'P') return State::kSpeechAnswered;
      break;
    case State::kSpeechAnswered:
      if (letter == 'E' || letter == 'F') return State::kEnded;
      if (letter == 'P') return State::kMicrophoneAnswered;
      break;
    case State::kMicrophoneAnswered:
      if (letter == 'E') return State::kEnded;
      if (letter == 'L') return State::kListening;
      break;
    case State::kListening:
      if (letter == 'T') return State::kListening;
      if (letter == 'F' || letter == 'E') return State::kEnded;
      break;
    case State::kEnded: break;
  }
  return std::nullopt;
}

char letterOf(const std::string& type) {
  static const std::map<std::string, char> kLetters = {{"permissions", 'P'}, {"authorizing", 'A'},
                                                       {"listening", 'L'},   {"transcript", 'T'},
                                                       {"final", 'F'},       {"error", 'E'}};
  const auto found = kLetters.find(type);
  return found == kLetters.end() ? '?' : found->second;
}

}  // namespace

std::optional<std::string> eventOrderProblem(const std::vector<std::string>& types, bool whole) {
  std::string letters;
  for (const std::string& type : types) letters += letterOf(type);
  State state = State::kStart;
  for (std::size_t i = 0; i < letters.size(); ++i) {
    const std::optional<State> next = step(state, letters[i]);
    if (!next) {
      return "events out of order at \"" + types[i] + "\" (event " + std::to_string(i + 1) +
             "): " + letters;
    }
    state = *next;
  }
  if (whole && state != State::kEnded)
    return "the run does not end with final or error: " + letters;
  return std::nullopt;
}

std::optional<std::string> eventTextProblem(const nlohmann::json& event) {
  if (!event.is_object() || !event.contains("text") || !event["text"].is_string())
    return std::nullopt;
  const std::string& text = event["text"].get_ref<const std::string&>();
  // Every character takes one byte at least: only long texts need counting.
  if (text.size() <= kTextMaxCharacters) return std::nullopt;
  const std::size_t characters = oracles::characterBoundaries(text).size() - 1;
  if (characters <= kTextMaxCharacters) return std::nullopt;
  return "\"text\" holds " + std::to_string(characters) + " characters, more than " +
         std::to_string(kTextMaxCharacters);
}

void expectWellOrderedRun(const std::vector<nlohmann::json>& events) {
  std::vector<std::string> types;
  for (const nlohmann::json& event : events) types.push_back(event.value("type", ""));
  const auto problem = eventOrderProblem(types, /*whole=*/true);
  EXPECT_FALSE(problem.has_value()) << problem.value_or("");
}

}  // namespace dictation_agent::testing
