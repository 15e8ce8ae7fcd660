#pragma once

#include <cstddef>
#include <cstdint>

namespace dictation_agent {

// One step through UTF-8 text: a whole character, or the bytes that must be given up.
struct Utf8Step {
  std::uint32_t codepoint;  // meaningful only when `valid`
  std::size_t length;       // at least 1
  bool valid;
};

inline bool isUtf8Continuation(unsigned byte) {
  return (byte & 0xC0) == 0x80;
}

// Any sequence, by the table: the long way that decodeUtf8 falls back to.
Utf8Step decodeUtf8Sequence(const unsigned char* bytes, std::size_t available);

// Decodes the character at `bytes` (with `available` > 0 bytes left) by the table of well-formed
// byte sequences of the Unicode standard: no overlong forms, no surrogates, nothing past
// U+10FFFF. When the bytes are not well formed, `length` covers the longest start of a sequence
// that could still have been well formed (at least one byte), which is what a decoder replaces
// with one U+FFFD. ASCII and the two- and three-byte forms whose every continuation byte is
// allowed take a short way.
inline Utf8Step decodeUtf8(const unsigned char* bytes, std::size_t available) {
  const unsigned lead = bytes[0];
  if (lead < 0x80) return {lead, 1, true};
  if (lead >= 0xE1 && lead <= 0xEF && lead != 0xED && available >= 3 &&
      isUtf8Continuation(bytes[1]) && isUtf8Continuation(bytes[2])) {
    return {((lead & 0x0Fu) << 12) | ((bytes[1] & 0x3Fu) << 6) | (bytes[2] & 0x3Fu), 3, true};
  }
  if (lead >= 0xC2 && lead <= 0xDF && available >= 2 && isUtf8Continuation(bytes[1])) {
    return {((lead & 0x1Fu) << 6) | (bytes[1] & 0x3Fu), 2, true};
  }
  return decodeUtf8Sequence(bytes, available);
}

}  // namespace dictation_agent
