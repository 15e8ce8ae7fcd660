// The transcript cap: its result is a prefix of its input that ends where a character (an
// extended grapheme cluster, as utf8proc alone finds them) ends, holds no more characters than
// the cap and all of them when the input is longer, and capping it again changes nothing.
//
// Input: two bytes of cap (kept small, so that the cap falls inside the text), then the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dictation/transcript_cap.h"
#include "oracles/utf8proc_text.h"

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t maxCharacters = (static_cast<std::size_t>(data[0]) << 8 | data[1]) % 512;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  const std::string capped = dictation_agent::capTranscript(text, maxCharacters);

  check(text.starts_with(capped));
  const auto boundaries = dictation_agent::oracles::characterBoundaries(text);
  const auto end = std::find(boundaries.begin(), boundaries.end(), capped.size());
  check(end != boundaries.end());  // never inside a character
  const auto characters = static_cast<std::size_t>(end - boundaries.begin());
  check(characters <= maxCharacters);
  check(capped.size() == text.size() || characters == maxCharacters);
  check(dictation_agent::capTranscript(capped, maxCharacters) == capped);
  check(capped == dictation_agent::oracles::capByCountingEveryCharacter(text, maxCharacters));
  return 0;
}
