#pragma once

#include <string>
#include <string_view>

namespace dictation_agent {

// Which runs of English number words become digits.
enum class NumberDigits {
  // As a reader writes them: values of 10 or more, and any run of more than one word that makes
  // one number ("three point five" -> "3.5"); "one of them" and "first" stay words.
  kAsWritten,
  // Every run that makes one number, "seven" included: for comparing two texts by value.
  kEveryNumber,
};

// Rewrites the runs of English number words in space-separated words as digits: "ten meters" ->
// "10 meters", "one hundred and twelve" -> "112", "twenty first" -> "21st", "three point five"
// -> "3.5", "twenty five thousand" -> "25,000" (values from 10000 on are grouped by thousands).
// A run that does not read as one number stays words as it is, since a wrong digit is worse than
// a word: years spoken as pairs ("nineteen ninety nine"), digit strings ("one two three"), a run
// that begins with a scale ("hundred"), "twenty second" (the 22nd, or a 20-second clip) and
// fractions ("one fifth", "one hundredth"). Words are matched case-insensitively; everything that
// is not a number word, spacing included, is kept byte for byte.
std::string spokenNumbersAsDigits(std::string_view words,
                                  NumberDigits digits = NumberDigits::kAsWritten);

}  // namespace dictation_agent
