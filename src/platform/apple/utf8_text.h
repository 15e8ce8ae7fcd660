#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace dictation_agent {

// `bytes` with every ill-formed UTF-8 sequence replaced by U+FFFD, one per maximal subpart as
// Unicode recommends; well-formed input, NUL bytes included, comes back unchanged. Foundation
// refuses to make a string from ill-formed UTF-8, so text crossing into it is repaired first.
std::string repairedUtf8(std::string_view bytes);

// UTF-16 code units (what an NSString holds) as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(std::span<const std::uint16_t> units);

}  // namespace dictation_agent
