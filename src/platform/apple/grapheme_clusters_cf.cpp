#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <vector>

#include "dictation/grapheme_clusters.h"

namespace dictation_agent {

// CoreFoundation's composed character sequences, on the UTF-16 units of the code points.
GraphemeClusterCount countGraphemeClusters(std::span<const char32_t> text, std::size_t limit) {
  if (text.empty() || limit == 0) return {0, 0};
  std::vector<UniChar> units;
  std::vector<std::size_t> codepointOf;  // the index of each unit's code point
  units.reserve(2 * text.size());
  codepointOf.reserve(2 * text.size());
  for (std::size_t index = 0; index < text.size(); ++index) {
    const char32_t codepoint = text[index];
    if (codepoint >= 0x10000) {
      const std::uint32_t above = codepoint - 0x10000;
      units.push_back(static_cast<UniChar>(0xD800 + (above >> 10)));
      units.push_back(static_cast<UniChar>(0xDC00 + (above & 0x3FF)));
      codepointOf.push_back(index);
    } else {
      units.push_back(static_cast<UniChar>(codepoint));
    }
    codepointOf.push_back(index);
  }
  const auto length = static_cast<CFIndex>(units.size());
  // Where the code point after the one at `unit` begins.
  const auto nextCodePoint = [&](CFIndex unit) {
    return unit + ((units[static_cast<std::size_t>(unit)] & 0xFC00) == 0xD800 ? 2 : 1);
  };

  GraphemeClusterCount count{0, 0};
  CFStringRef string = CFStringCreateWithCharactersNoCopy(kCFAllocatorDefault, units.data(), length,
                                                          kCFAllocatorNull);
  if (string == nullptr) {
    // Out of memory: one code point a character, which at least never runs past the text.
    count.clusters = text.size() < limit ? text.size() : limit;
    count.lastStart = count.clusters - 1;
    return count;
  }
  for (CFIndex unit = 0; unit < length && count.clusters < limit;) {
    ++count.clusters;
    count.lastStart = codepointOf[static_cast<std::size_t>(unit)];
    const CFRange range = CFStringGetRangeOfComposedCharactersAtIndex(string, unit);
    const CFIndex next = range.location + range.length;
    unit = next > unit ? next : nextCodePoint(unit);
  }
  CFRelease(string);
  return count;
}

}  // namespace dictation_agent
