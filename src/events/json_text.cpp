#include "events/json_text.h"

#include "events/utf8_decoder.h"

namespace dictation_agent {
namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

bool copiedAsItIs(unsigned char byte) {
  return byte >= 0x20 && byte < 0x80 && byte != '"' && byte != '\\';
}

void appendEscaped(std::string& out, unsigned char byte) {
  switch (byte) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: {
      constexpr char kHex[] = "0123456789abcdef";
      const char escape[] = {'\\', 'u', '0', '0', kHex[byte >> 4], kHex[byte & 0xF]};
      out.append(escape, sizeof escape);
    }
  }
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  out.push_back('"');
  // Runs of bytes that need no change are copied in one piece.
  std::size_t runStart = 0;
  std::size_t index = 0;
  while (index < size) {
    const unsigned char byte = bytes[index];
    if (copiedAsItIs(byte)) {
      ++index;
      continue;
    }
    if (byte >= 0x80) {
      const Utf8Step step = decodeUtf8(bytes + index, size - index);
      if (step.valid) {
        index += step.length;
        continue;
      }
      out.append(text.data() + runStart, index - runStart);
      out.append(kReplacementCharacter);
      index += step.length;
    } else {
      out.append(text.data() + runStart, index - runStart);
      appendEscaped(out, byte);
      ++index;
    }
    runStart = index;
  }
  out.append(text.data() + runStart, size - runStart);
  out.push_back('"');
}

}  // namespace dictation_agent
