#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>

#include "dictation/grapheme_clusters.h"
#include "events/utf8_decoder.h"

namespace dictation_agent {

// CoreFoundation's composed character sequences, on the UTF-16 units of the text. The units are
// made here rather than by CFStringCreateWithBytes, so that a leading U+FEFF stays a character
// and is not taken for a byte order mark.
void findGraphemeClusterStarts(std::string_view text, std::size_t limit,
                               std::vector<std::size_t>& starts) {
  starts.clear();
  if (text.empty() || limit == 0) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::vector<UniChar> units;
  std::vector<std::size_t> byteOffsetOf;  // of each unit's code point
  units.reserve(text.size());
  byteOffsetOf.reserve(text.size() + 1);
  for (std::size_t offset = 0; offset < text.size();) {
    const Utf8Step step = decodeUtf8(bytes + offset, text.size() - offset);
    if (!step.valid) break;  // not the well-formed text promised: segment what came before
    if (step.codepoint >= 0x10000) {
      const std::uint32_t above = step.codepoint - 0x10000;
      units.push_back(static_cast<UniChar>(0xD800 + (above >> 10)));
      units.push_back(static_cast<UniChar>(0xDC00 + (above & 0x3FF)));
      byteOffsetOf.push_back(offset);
    } else {
      units.push_back(static_cast<UniChar>(step.codepoint));
    }
    byteOffsetOf.push_back(offset);
    offset += step.length;
  }
  const auto length = static_cast<CFIndex>(units.size());
  if (length == 0) return;
  // Where the code point after the one at `unit` begins.
  const auto nextCodePoint = [&](CFIndex unit) {
    return unit + ((units[static_cast<std::size_t>(unit)] & 0xFC00) == 0xD800 ? 2 : 1);
  };

  CFStringRef string = CFStringCreateWithCharactersNoCopy(kCFAllocatorDefault, units.data(), length,
                                                          kCFAllocatorNull);
  if (string == nullptr) {
    // Out of memory: one code point a character, which at least never runs past the text.
    for (CFIndex unit = 0; unit < length && starts.size() < limit; unit = nextCodePoint(unit)) {
      starts.push_back(byteOffsetOf[static_cast<std::size_t>(unit)]);
    }
    return;
  }
  for (CFIndex unit = 0; unit < length && starts.size() < limit;) {
    starts.push_back(byteOffsetOf[static_cast<std::size_t>(unit)]);
    const CFRange range = CFStringGetRangeOfComposedCharactersAtIndex(string, unit);
    const CFIndex next = range.location + range.length;
    unit = next > unit ? next : nextCodePoint(unit);
  }
  CFRelease(string);
}

}  // namespace dictation_agent
