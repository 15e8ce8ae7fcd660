#pragma once

#include <string>
#include <string_view>

namespace dictation_agent {

// True for characters of the scripts written without spaces between words: Han, kana, Bopomofo,
// Yi, Thai, Lao, Khmer and Myanmar, with the CJK punctuation and full-width forms written among
// them.
bool isWrittenWithoutSpaces(char32_t character);

// Removes the spaces between two characters of those scripts ("今天 天气" -> "今天天气"), and so
// also between two utterances of such text. Every other space stays, one between a Han
// character and a Latin word included. Bytes that are not UTF-8 are kept as they are.
std::string withoutSpacesInsideUnspacedScripts(std::string_view text);

}  // namespace dictation_agent
