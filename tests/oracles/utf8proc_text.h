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

// Calls `onCharacter(offset)` with the byte offset at which each character begins, in order,
// until it returns false. A byte that is not valid UTF-8 is a character of its own.
template <typename OnCharacter>
void forEachCharacter(std::string_view text, OnCharacter onCharacter) {
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
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
    if (startsCharacter && !onCharacter(static_cast<std::size_t>(offset))) return;
    previous = codepoint;
    offset += length;
  }
}

// The byte offsets at which a character begins, in order, and the size of the text at the end.
inline std::vector<std::size_t> characterBoundaries(std::string_view text) {
  std::vector<std::size_t> boundaries;
  forEachCharacter(text, [&boundaries](std::size_t offset) {
    boundaries.push_back(offset);
    return true;
  });
  boundaries.push_back(text.size());
  return boundaries;
}

// The first `maxCharacters` characters, found by counting every one of them.
inline std::string capByCountingEveryCharacter(std::string_view text, std::size_t maxCharacters) {
  std::size_t characters = 0;
  std::size_t end = text.size();
  forEachCharacter(text, [&](std::size_t offset) {
    if (characters == maxCharacters) {
      end = offset;
      return false;
    }
    ++characters;
    return true;
  });
  return std::string(text.substr(0, end));
}

}  // namespace dictation_agent::oracles
