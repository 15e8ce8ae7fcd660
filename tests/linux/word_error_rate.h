#pragma once

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/formatting/spoken_numbers.h"

namespace dictation_agent::testing {

// The words of a text as two texts are compared: case folded, and every run of number words
// written as digits, so that "Ten" and "10" are one word and "twenty five" and "25" another.
// Both sides go through it, which keeps the agent's formatting from counting as an error, and
// a misheard number from hiding: "ten" and "11" stay apart.
inline std::vector<std::string> comparableWords(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::istringstream stream(spokenNumbersAsDigits(lower, NumberDigits::kEveryNumber));
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

// Word substitutions, insertions and deletions that turn the reference into the hypothesis,
// per reference word, both compared as comparableWords. A number counts as one word however many
// words say it.
inline double wordErrorRate(std::string_view reference, std::string_view hypothesis) {
  const auto expected = comparableWords(reference);
  const auto heard = comparableWords(hypothesis);
  std::vector<std::size_t> row(heard.size() + 1);
  for (std::size_t j = 0; j <= heard.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= heard.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (expected[i - 1] == heard[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return expected.empty() ? (heard.empty() ? 0.0 : 1.0)
                          : static_cast<double>(row[heard.size()]) / expected.size();
}

}  // namespace dictation_agent::testing
