#include "platform/linux/formatting/script_spacing.h"

#include <utf8proc.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace dictation_agent {
namespace {

constexpr std::array<std::pair<char32_t, char32_t>, 21> kUnspacedRanges = {{
    {0x0E00, 0x0E7F},    // Thai
    {0x0E80, 0x0EFF},    // Lao
    {0x1000, 0x109F},    // Myanmar
    {0x1780, 0x17FF},    // Khmer
    {0x19E0, 0x19FF},    // Khmer symbols
    {0x2E80, 0x2FDF},    // CJK and Kangxi radicals
    {0x3000, 0x303F},    // CJK symbols and punctuation
    {0x3040, 0x30FF},    // Hiragana, Katakana
    {0x3100, 0x312F},    // Bopomofo
    {0x31A0, 0x31FF},    // Bopomofo extended, CJK strokes, Katakana extensions
    {0x3400, 0x4DBF},    // CJK extension A
    {0x4E00, 0x9FFF},    // CJK unified ideographs
    {0xA000, 0xA4CF},    // Yi
    {0xA9E0, 0xA9FF},    // Myanmar extended B
    {0xAA60, 0xAA7F},    // Myanmar extended A
    {0xF900, 0xFAFF},    // CJK compatibility ideographs
    {0xFE10, 0xFE1F},    // vertical forms
    {0xFE30, 0xFE4F},    // CJK compatibility forms
    {0xFF01, 0xFF60},    // full-width punctuation and letters
    {0xFF61, 0xFF9F},    // half-width CJK punctuation and Katakana
    {0x20000, 0x3FFFF},  // CJK extensions B to H
}};

// The character that starts at `at`, if it is well-formed UTF-8.
std::optional<char32_t> characterAt(std::string_view text, std::size_t at) {
  utf8proc_int32_t character = 0;
  const auto length = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + at),
                                       static_cast<utf8proc_ssize_t>(text.size() - at), &character);
  if (length <= 0) return std::nullopt;
  return static_cast<char32_t>(character);
}

// The character that ends just before `end`, if it is well-formed UTF-8.
std::optional<char32_t> characterBefore(std::string_view text, std::size_t end) {
  std::size_t start = end;
  do {
    if (start == 0 || end - start == 4) return std::nullopt;
    --start;
  } while ((static_cast<unsigned char>(text[start]) & 0xC0) == 0x80);
  utf8proc_int32_t character = 0;
  const auto length =
      utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(text.data() + start),
                       static_cast<utf8proc_ssize_t>(end - start), &character);
  if (length != static_cast<utf8proc_ssize_t>(end - start)) return std::nullopt;
  return static_cast<char32_t>(character);
}

bool unspaced(std::optional<char32_t> character) {
  if (!character) return false;
  return std::any_of(kUnspacedRanges.begin(), kUnspacedRanges.end(), [&](const auto& range) {
    return *character >= range.first && *character <= range.second;
  });
}

}  // namespace

std::string withoutSpacesInsideUnspacedScripts(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] != ' ') {
      out.push_back(text[at++]);
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && text[end] == ' ') ++end;
    const bool between = at > 0 && end < text.size() && unspaced(characterBefore(text, at)) &&
                         unspaced(characterAt(text, end));
    if (!between) out.append(text, at, end - at);
    at = end;
  }
  return out;
}

}  // namespace dictation_agent
