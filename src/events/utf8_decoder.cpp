#include "events/utf8_decoder.h"

namespace dictation_agent {

Utf8Step decodeUtf8Sequence(const unsigned char* bytes, std::size_t available) {
  const unsigned lead = bytes[0];
  if (lead < 0x80) return {lead, 1, true};
  std::size_t trailing = 0;
  std::uint32_t codepoint = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trailing = 1;
    codepoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trailing = 2;
    codepoint = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trailing = 3;
    codepoint = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong below U+10000
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return {0, 1, false};
  }
  for (std::size_t index = 1; index <= trailing; ++index) {
    if (index >= available) return {0, index, false};
    const unsigned byte = bytes[index];
    if (byte < low || byte > high) return {0, index, false};
    codepoint = (codepoint << 6) | (byte & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {codepoint, trailing + 1, true};
}

}  // namespace dictation_agent
