#include "platform/apple/utf8_text.h"

namespace dictation_agent {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

struct LeadByte {
  int length = 0;  // 0: cannot start a sequence
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
};

// The second byte's range excludes overlong forms, surrogates and code points above U+10FFFF.
LeadByte classify(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {};
}

void appendCodePoint(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

bool isHighSurrogate(std::uint16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(std::uint16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

std::string repairedUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0x80) {
      out += bytes[at++];
      continue;
    }
    const LeadByte kind = classify(lead);
    if (kind.length == 0) {
      out += kReplacement;
      ++at;
      continue;
    }
    // Take continuation bytes while they still extend a valid prefix; a sequence cut short is
    // one maximal subpart and becomes one replacement, and the byte that cut it is read anew.
    std::size_t end = at + 1;
    bool complete = true;
    for (int position = 1; position < kind.length; ++position, ++end) {
      const unsigned char low = position == 1 ? kind.secondLow : 0x80;
      const unsigned char high = position == 1 ? kind.secondHigh : 0xBF;
      if (end >= bytes.size() || static_cast<unsigned char>(bytes[end]) < low ||
          static_cast<unsigned char>(bytes[end]) > high) {
        complete = false;
        break;
      }
    }
    if (complete) {
      out.append(bytes.substr(at, end - at));
    } else {
      out += kReplacement;
    }
    at = end;
  }
  return out;
}

std::string utf8FromUtf16(std::span<const std::uint16_t> units) {
  std::string out;
  out.reserve(units.size() * 3);
  for (std::size_t at = 0; at < units.size(); ++at) {
    const std::uint16_t unit = units[at];
    if (isHighSurrogate(unit) && at + 1 < units.size() && isLowSurrogate(units[at + 1])) {
      const char32_t codePoint =
          0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (units[at + 1] - 0xDC00);
      appendCodePoint(out, codePoint);
      ++at;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
      out += kReplacement;
    } else {
      appendCodePoint(out, unit);
    }
  }
  return out;
}

}  // namespace dictation_agent
