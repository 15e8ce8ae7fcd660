#include "dictation/transcript_cap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dictation/grapheme_clusters.h"
#include "events/utf8_decoder.h"

namespace dictation_agent {
namespace {

// How a code point takes part in grapheme breaking, as far as a cheap range test can tell.
enum class Breaking {
  // A base character with no grapheme rule of its own (class Other, not pictographic, not part
  // of an Indic conjunct): a cluster always begins at it unless the one before is a Prepend, and
  // nothing before it matters to any later break.
  kPlainBase,
  // A combining diacritical mark (class Extend): it joins the cluster before it, and after a
  // plain base it leaves nothing behind for a later break to look at either.
  kPlainMark,
  // Anything else: the platform's segmentation decides.
  kOther,
};

// The common scripts of a transcript; a unit test checks every code point of the basic plane
// against a plain segmentation by utf8proc.
inline Breaking breakingOf(std::uint32_t codepoint) {
  if (codepoint < 0x80) {
    return codepoint >= 0x20 && codepoint < 0x7F ? Breaking::kPlainBase : Breaking::kOther;
  }
  if (codepoint < 0x370) {
    if (codepoint >= 0x300) return Breaking::kPlainMark;  // combining diacritical marks
    if (codepoint >= 0xC0 && codepoint <= 0x24F) return Breaking::kPlainBase;  // Latin letters
    return Breaking::kOther;
  }
  if (codepoint >= 0x4E00 && codepoint <= 0x9FFF) return Breaking::kPlainBase;  // CJK ideographs
  if (codepoint >= 0x3400 && codepoint <= 0x4DBF) return Breaking::kPlainBase;  // CJK extension A
  if (codepoint >= 0x3001 && codepoint <= 0x3029) return Breaking::kPlainBase;  // CJK punctuation
  if (codepoint >= 0x3041 && codepoint <= 0x3096) return Breaking::kPlainBase;  // Hiragana
  if (codepoint >= 0x30A1 && codepoint <= 0x30FA) return Breaking::kPlainBase;  // Katakana
  if (codepoint >= 0xFF01 && codepoint <= 0xFF5E) return Breaking::kPlainBase;  // full-width forms
  return Breaking::kOther;
}

// Where a walk through plain text stopped.
struct PlainRun {
  std::size_t end;         // the offset of the first byte not taken
  std::size_t characters;  // characters begun in the run
  std::size_t lastStart;   // where the last of them begins; meaningful when there is one
  bool full;               // stopped at a character past `room`
  Utf8Step stop;           // the step it stopped at, when not at the end or full
};

// Walks plain bases and plain marks from `offset`, which follows a plain code point, until
// anything else, the end of the text, or the base that would begin character `room` + 1.
// Not inlined: inside the cap's own loop, which has the stretches to keep track of, it would
// hold the text in memory rather than in registers (a few percent more instructions on a long
// run of Chinese).
[[gnu::noinline]] PlainRun walkPlainText(const unsigned char* bytes, std::size_t offset,
                                         std::size_t size, std::size_t room) {
  // Kept in locals, not in the result, so that they stay in registers.
  std::size_t end = offset;
  std::size_t characters = 0;
  std::size_t lastStart = 0;
  while (end < size) {
    const unsigned lead = bytes[end];
    std::size_t length = 1;
    bool base = true;
    if (lead - 0x20u >= 0x5Fu) {  // not printable ASCII
      const Utf8Step step = decodeUtf8(bytes + end, size - end);
      if (!step.valid) return {end, characters, lastStart, false, step};
      length = step.length;
      // Tried in the order of how often a transcript holds them.
      if (step.codepoint - 0x4E00u > 0x9FFFu - 0x4E00u) {
        const Breaking breaking = breakingOf(step.codepoint);
        if (breaking == Breaking::kOther) return {end, characters, lastStart, false, step};
        base = breaking == Breaking::kPlainBase;
      }
    }
    if (base) {
      if (characters == room) return {end, characters, lastStart, true, {}};
      ++characters;
      lastStart = end;
    }
    end += length;
  }
  return {end, characters, lastStart, false, {}};
}

// A stretch handed to the platform's segmentation ends where plain text resumes, or, where it
// does not, at the first plain base after this many code points, so that it stays short.
constexpr std::size_t kLongStretch = 64;

// How a stretch handed to the platform's segmentation ends.
enum class StretchEnd {
  kText,       // at the end of the text
  kStrayByte,  // before a byte that is not UTF-8, which stands alone
  kPlainBase,  // just after a plain base
};

struct Stretch {
  std::size_t end;
  StretchEnd how;
  std::size_t plainBase;  // where that plain base begins, for kPlainBase
};

// From `offset` (on a code point boundary) up to and including the next plain base that plain
// text follows, or the first one once `codepoints` holds kLongStretch; appends the code points
// of the stretch to `codepoints`. Stretches that end at any plain base would hand every word
// of a script the short way does not know to the platform on its own, with the space before
// and after it.
Stretch stretchFrom(const unsigned char* bytes, std::size_t offset, std::size_t size,
                    std::vector<char32_t>& codepoints) {
  bool afterPlainBase = false;
  std::size_t plainBase = 0;
  while (offset < size) {
    const Utf8Step step = decodeUtf8(bytes + offset, size - offset);
    if (!step.valid) return {offset, StretchEnd::kStrayByte, 0};
    const Breaking breaking = breakingOf(step.codepoint);
    if (afterPlainBase && breaking != Breaking::kOther) {
      return {offset, StretchEnd::kPlainBase, plainBase};
    }
    codepoints.push_back(step.codepoint);
    afterPlainBase = breaking == Breaking::kPlainBase;
    if (afterPlainBase) {
      if (codepoints.size() >= kLongStretch) {
        return {offset + step.length, StretchEnd::kPlainBase, offset};
      }
      plainBase = offset;
    }
    offset += step.length;
  }
  return {size, StretchEnd::kText, 0};
}

// Appends the code points of well-formed UTF-8 from `offset` up to `end`.
void appendCodepoints(const unsigned char* bytes, std::size_t offset, std::size_t end,
                      std::vector<char32_t>& codepoints) {
  while (offset < end) {
    const Utf8Step step = decodeUtf8(bytes + offset, end - offset);
    codepoints.push_back(step.codepoint);
    offset += step.length;
  }
}

// The bytes that the first `count` of `codepoints` take in UTF-8.
std::size_t utf8Length(const std::vector<char32_t>& codepoints, std::size_t count) {
  std::size_t length = 0;
  for (std::size_t index = 0; index < count; ++index) {
    const char32_t codepoint = codepoints[index];
    length += codepoint < 0x80 ? 1 : codepoint < 0x800 ? 2 : codepoint < 0x10000 ? 3 : 4;
  }
  return length;
}

std::size_t saturatingAdd(std::size_t a, std::size_t b) {
  return a > SIZE_MAX - b ? SIZE_MAX : a + b;
}

}  // namespace

// Plain text takes the short way. Everything else goes to the platform's segmentation in
// stretches that begin where a character is known to begin with nothing before it that a break
// rule could look at (the start of the text, after a stray byte, a character that is one plain
// base so far, or a character the segmentation found) and end just after a plain base: the next
// one that plain text follows, or the first past a stretch's usual length. The segmentation is
// handed the code points the stretch decoded, and counts. A plain base begins a character unless
// a Prepend precedes it; where the segmentation says it does, the short way takes over again
// after it, and where not, the next stretch begins at the character it joined.
std::string capTranscript(std::string_view text, std::size_t maxCharacters) {
  // Every character takes at least one byte.
  if (text.size() <= maxCharacters) return std::string(text);

  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t characters = 0;
  std::size_t offset = 0;
  // The character begun last starts at `characterStart` and holds plain code points only: a
  // plain base and the plain marks after it. It has been counted.
  bool plainSoFar = false;
  std::size_t characterStart = 0;
  // The code points of the stretch handed to the platform, from `from` below.
  std::vector<char32_t> codepoints;
  while (offset < size) {
    Utf8Step step{};
    if (plainSoFar) {
      const PlainRun run = walkPlainText(bytes, offset, size, maxCharacters - characters);
      characters += run.characters;
      if (run.full) return std::string(text.substr(0, run.end));
      if (run.characters != 0) characterStart = run.lastStart;
      offset = run.end;
      if (offset == size) break;
      step = run.stop;  // decoded once: where a plain run stopped, it has been decoded already
    } else {
      step = decodeUtf8(bytes + offset, size - offset);
    }
    if (!step.valid) {
      // A stray byte stands alone; grapheme breaking starts afresh after it.
      if (characters == maxCharacters) return std::string(text.substr(0, offset));
      ++characters;
      plainSoFar = false;
      offset += 1;
      continue;
    }
    if (!plainSoFar && breakingOf(step.codepoint) == Breaking::kPlainBase) {
      // Nothing before it: a plain base begins a character.
      if (characters == maxCharacters) return std::string(text.substr(0, offset));
      ++characters;
      plainSoFar = true;
      characterStart = offset;
      offset += step.length;
      continue;
    }

    // The platform decides, beginning with the character this code point may belong to.
    std::size_t from = plainSoFar ? characterStart : offset;
    bool fromCounted = plainSoFar;
    if (codepoints.capacity() == 0) codepoints.reserve(2 * kLongStretch);
    codepoints.clear();
    appendCodepoints(bytes, from, offset, codepoints);
    codepoints.push_back(step.codepoint);
    std::size_t scanFrom = offset + step.length;
    plainSoFar = false;
    for (;;) {
      const Stretch stretch = stretchFrom(bytes, scanFrom, size, codepoints);
      const std::size_t counted = fromCounted ? 1 : 0;
      const std::size_t room = maxCharacters - characters;
      const GraphemeClusterCount found =
          countGraphemeClusters(codepoints, saturatingAdd(saturatingAdd(room, 1), counted));
      const std::size_t begun = found.clusters - counted;
      if (begun > room) {
        // The last cluster found is the first one past the cap.
        return std::string(text.substr(0, from + utf8Length(codepoints, found.lastStart)));
      }
      characters += begun;
      offset = stretch.end;
      if (stretch.how != StretchEnd::kPlainBase) break;
      if (found.lastStart + 1 == codepoints.size()) {  // the plain base, the stretch's last
        plainSoFar = true;
        characterStart = stretch.plainBase;
        break;
      }
      // The plain base joined the character before it.
      from += utf8Length(codepoints, found.lastStart);
      codepoints.erase(codepoints.begin(),
                       codepoints.begin() + static_cast<std::ptrdiff_t>(found.lastStart));
      fromCounted = true;
      scanFrom = stretch.end;
    }
  }
  return std::string(text);
}

}  // namespace dictation_agent
