#include <utf8proc.h>

#include "dictation/grapheme_clusters.h"

namespace dictation_agent {

void findGraphemeClusterStarts(std::string_view text, std::size_t limit,
                               std::vector<std::size_t>& starts) {
  starts.clear();
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  const auto size = static_cast<utf8proc_ssize_t>(text.size());
  utf8proc_int32_t breakState = 0;
  utf8proc_int32_t previous = -1;
  for (utf8proc_ssize_t offset = 0; offset < size && starts.size() < limit;) {
    utf8proc_int32_t codepoint = -1;
    const utf8proc_ssize_t length = utf8proc_iterate(bytes + offset, size - offset, &codepoint);
    if (length <= 0) return;  // not the well-formed text promised
    if (previous < 0 || utf8proc_grapheme_break_stateful(previous, codepoint, &breakState)) {
      starts.push_back(static_cast<std::size_t>(offset));
    }
    previous = codepoint;
    offset += length;
  }
}

}  // namespace dictation_agent
