#include "dictation/transcript_cap.h"

#include <utf8proc.h>

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
  // Anything else: utf8proc decides.
  kOther,
};

// The common scripts of a transcript; a unit test checks every code point of the basic plane
// against utf8proc.
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
  std::size_t end;              // the offset of the first byte not taken
  std::size_t characters;       // characters begun in the run
  std::uint32_t lastCodepoint;  // meaningful when the run is not empty
  bool full;                    // stopped at a character past `room`
  Utf8Step stop;                // the step it stopped at, when not at the end or full
};

// Walks plain bases and plain marks from `offset`, which follows a plain code point, until
// anything else, the end of the text, or the base that would begin character `room` + 1.
PlainRun walkPlainText(const unsigned char* bytes, std::size_t offset, std::size_t size,
                       std::size_t room) {
  PlainRun run{offset, 0, 0, false, {}};
  while (run.end < size) {
    const unsigned char* at = bytes + run.end;
    const std::size_t left = size - run.end;
    std::uint32_t codepoint = at[0];
    std::size_t length = 1;
    bool base = true;
    if (codepoint - 0x20u >= 0x5Fu) {  // not printable ASCII
      const Utf8Step step = decodeUtf8(at, left);
      if (!step.valid) {
        run.stop = step;
        return run;
      }
      codepoint = step.codepoint;
      length = step.length;
      // Tried in the order of how often a transcript holds them.
      if (codepoint - 0x4E00u > 0x9FFFu - 0x4E00u) {
        const Breaking breaking = breakingOf(codepoint);
        if (breaking == Breaking::kOther) {
          run.stop = step;
          return run;
        }
        base = breaking == Breaking::kPlainBase;
      }
    }
    if (base) {
      if (run.characters == room) {
        run.full = true;
        return run;
      }
      ++run.characters;
    }
    run.lastCodepoint = codepoint;
    run.end += length;
  }
  return run;
}

}  // namespace

std::string capTranscript(std::string_view text, std::size_t maxCharacters) {
  // Every character takes at least one byte.
  if (text.size() <= maxCharacters) return std::string(text);

  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  utf8proc_int32_t breakState = 0;
  utf8proc_int32_t previous = -1;  // none, or a stray byte: the next character starts afresh
  // The last code point is plain, and so are all before it back to a plain base: no break rule
  // looks further back, so a break state of 0 (a fresh start) is the true one.
  bool plainSoFar = false;
  std::size_t characters = 0;
  std::size_t offset = 0;
  Utf8Step stopStep{};  // length 0: none
  while (offset < size) {
    if (plainSoFar) {
      const PlainRun run = walkPlainText(bytes, offset, size, maxCharacters - characters);
      stopStep = run.stop;
      characters += run.characters;
      if (run.full) return std::string(text.substr(0, run.end));
      if (run.end != offset) {
        previous = static_cast<utf8proc_int32_t>(run.lastCodepoint);
        breakState = 0;
        offset = run.end;
        if (offset == size) break;
      }
    }
    // Decoded once: where a plain run stopped, it has been decoded already.
    const Utf8Step step =
        stopStep.length != 0 ? stopStep : decodeUtf8(bytes + offset, size - offset);
    stopStep = {};
    if (!step.valid) {
      // A stray byte stands alone; grapheme breaking starts afresh after it.
      if (characters == maxCharacters) return std::string(text.substr(0, offset));
      ++characters;
      previous = -1;
      breakState = 0;
      plainSoFar = false;
      offset += 1;
      continue;
    }
    const auto codepoint = static_cast<utf8proc_int32_t>(step.codepoint);
    const bool startsCharacter =
        previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &breakState);
    if (startsCharacter) {
      if (characters == maxCharacters) return std::string(text.substr(0, offset));
      ++characters;
    }
    plainSoFar = breakingOf(step.codepoint) == Breaking::kPlainBase;
    previous = codepoint;
    offset += step.length;
  }
  return std::string(text);
}

}  // namespace dictation_agent
