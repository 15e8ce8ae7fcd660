#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dictation_agent {

// The first `maxCharacters` user-perceived characters (extended grapheme clusters) of UTF-8
// text; a cluster is never cut. A byte that is not valid UTF-8 counts as one character of its
// own and is kept as it is.
std::string capTranscript(std::string_view text, std::size_t maxCharacters);

}  // namespace dictation_agent
