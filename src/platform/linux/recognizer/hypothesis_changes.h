#pragma once

#include <optional>
#include <string>
#include <utility>

namespace dictation_agent {

// Picks the hypotheses worth a partial result: those that differ from the last one given out.
// Before the first, the last one counts as "", so silence gives nothing out.
class HypothesisChanges {
 public:
  std::optional<std::string> next(std::string hypothesis) {
    if (hypothesis == last_) return std::nullopt;
    last_ = hypothesis;
    return hypothesis;
  }

 private:
  std::string last_;
};

}  // namespace dictation_agent
