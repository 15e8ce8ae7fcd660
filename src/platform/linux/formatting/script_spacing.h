#pragma once

#include <string>
#include <string_view>

namespace dictation_agent {

// Removes the spaces between two characters of the scripts written without spaces between words
// ("今天 天气" -> "今天天气"), and so also between two utterances of such text: Han, kana,
// Bopomofo, Yi, Thai, Lao, Khmer and Myanmar, with the CJK punctuation and full-width forms
// written among them. Every other space stays, one between a Han character and a Latin word
// included. Bytes that are not UTF-8 are kept as they are.
std::string withoutSpacesInsideUnspacedScripts(std::string_view text);

}  // namespace dictation_agent
