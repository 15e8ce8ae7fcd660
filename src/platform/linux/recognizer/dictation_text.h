#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace dictation_agent {

// The text of a dictation recognised utterance by utterance: the final hypotheses of the
// utterances that have ended, then the live hypothesis of the one under way, joined by single
// spaces. An utterance's words are committed once it ends and never change after that.
class DictationText {
 public:
  // The live utterance's best hypothesis so far; it may grow, change or shrink.
  void setLive(std::string hypothesis) { live_ = std::move(hypothesis); }

  // The live utterance has ended with this final hypothesis ("" when nothing was heard).
  void commit(std::string_view finalHypothesis) {
    append(committed_, finalHypothesis);
    live_.clear();
  }

  std::string text() const {
    std::string whole = committed_;
    append(whole, live_);
    return whole;
  }

 private:
  static void append(std::string& text, std::string_view words) {
    if (words.empty()) return;
    if (!text.empty()) text.push_back(' ');
    text.append(words);
  }

  std::string committed_;
  std::string live_;
};

}  // namespace dictation_agent
