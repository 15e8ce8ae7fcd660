#include <utf8proc.h>

#include "dictation/grapheme_clusters.h"
#include "events/utf8_decoder.h"

namespace dictation_agent {

void findGraphemeClusterStarts(std::string_view text, std::size_t limit,
                               std::vector<std::size_t>& starts) {
  starts.clear();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  utf8proc_int32_t breakState = 0;
  utf8proc_int32_t previous = -1;
  for (std::size_t offset = 0; offset < text.size() && starts.size() < limit;) {
    const Utf8Step step = decodeUtf8(bytes + offset, text.size() - offset);
    if (!step.valid) return;  // not the well-formed text promised
    const auto codepoint = static_cast<utf8proc_int32_t>(step.codepoint);
    if (previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &breakState)) {
      starts.push_back(offset);
    }
    previous = codepoint;
    offset += step.length;
  }
}

}  // namespace dictation_agent
