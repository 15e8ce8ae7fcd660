#include "dictation/transcript_cap.h"

#include <utf8proc.h>

namespace dictation_agent {

std::string capTranscript(std::string_view text, std::size_t maxCharacters) {
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
      // A stray byte stands alone; grapheme breaking starts afresh after it.
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

}  // namespace dictation_agent
