#pragma once

#include <string>
#include <string_view>

namespace dictation_agent {

// Appends `text` as a JSON string literal, quotes included. The result is valid UTF-8 with no
// raw control character: quote, backslash and every byte below 0x20 are escaped, everything else
// is copied as it is, and each ill-formed UTF-8 sequence (the longest start of one that could
// have been well formed, or a single stray byte) becomes one U+FFFD. Well-formed text therefore
// decodes back to exactly the same bytes.
void appendJsonString(std::string& out, std::string_view text);

}  // namespace dictation_agent
