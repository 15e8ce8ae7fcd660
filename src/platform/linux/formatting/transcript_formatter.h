#pragma once

#include <string>
#include <string_view>

namespace dictation_agent {

// Turns the recogniser's words, lower case and separated by spaces, into the text a reader
// expects from dictation, by the rules of the locale's language:
// - every language: no space between two characters of a script written without spaces (Chinese,
//   Japanese, Thai, ...), so also none where two such utterances meet;
// - languages written in a cased script that it knows: the first letter upper case;
// - English besides: "i" and its contractions as "I", "I'm", "I'll", ..., and runs of number
//   words as digits where a reader would write digits (spokenNumbersAsDigits).
// Nothing else changes: a language it does not know keeps its words as they are. The result
// depends on the whole text alone, so a revised hypothesis is formatted afresh and the final
// text reads as the last partial one did.
class TranscriptFormatter {
 public:
  // The language is the identifier's first part, "en" of "en-US", "en_GB" or "EN".
  explicit TranscriptFormatter(std::string_view localeIdentifier);

  std::string format(std::string_view words) const;

 private:
  bool capitalizesFirstLetter_ = false;
  bool english_ = false;
};

}  // namespace dictation_agent
