#pragma once

// UTF-8 and grapheme clusters as utf8proc alone finds them, one code point at a time: the plain
// and slow way against which the control decision and the transcript cap are checked (tests,
// fuzzing) and measured (benchmarks).

#include <utf8proc.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dictation_agent::oracles {

inline bool isValidUtf8ByUtf8proc(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  for (utf8proc_ssize_t offset = 0; offset < size;) {
    utf8proc_int32_t codepoint = -1;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + offset, size - offset, &codepoint);
    if (length <= 0) return false;
    offset += length;
  }
  return true;
}

// The byte offsets at which a character begins, in order, and the size of the text at the end.
// A byte that is not valid UTF-8 is a character of its own.
inline std::vector<std::size_t> characterBoundaries(std::string_view text) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  std::vector<std::size_t> boundaries;
  utf8proc_int32_t breakState = 0;
  utf8proc_int32_t previous = -1;
  utf8proc_ssize_t offset = 0;
  while (offset < size) {
    utf8proc_int32_t codepoint = -1;
    utf8proc_ssize_t length = utf8proc_iterate(bytes + offset, size - offset, &codepoint);
    bool startsCharacter = true;
    if (length <= 0) {
      length = 1;
      codepoint = -1;
      breakState = 0;
    } else if (previous >= 0) {
      startsCharacter = utf8proc_grapheme_break_stateful(previous, codepoint, &breakState);
    }
    if (startsCharacter) boundaries.push_back(static_cast<std::size_t>(offset));
    previous = codepoint;
    offset += length;
  }
  boundaries.push_back(text.size());
  return boundaries;
}

// The first `maxCharacters` characters, found by counting every one of them.
inline std::string capByCountingEveryCharacter(std::string_view text, std::size_t maxCharacters) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  utf8proc_int32_t breakState = 0;
  utf8proc_int32_t previous = -1;
  std::size_t characters = 0;
  utf8proc_ssize_t offset = 0;
  while (offset < size) {
    utf8proc_int32_t codepoint = -1;
    utf8proc_ssize_t length = utf8proc_iterate(bytes + offset, size - offset, &codepoint);
    bool startsCharacter = true;
    if (length <= 0) {
      length = 1;
      codepoint = -1;
      breakState = 0;
    } else if (previous >= 0) {
      startsCharacter = utf8proc_grapheme_break_stateful(previous, codepoint, &breakState);
    }
    if (startsCharacter) {
      if (characters == maxCharacters)
        return std::string(text.substr(0, static_cast<std::size_t>(offset)));
      ++characters;
    }
    previous = codepoint;
    offset += length;
  }
  return std::string(text);
}

}  // namespace dictation_agent::oracles
