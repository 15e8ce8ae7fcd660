#include <utf8proc.h>

#include "dictation/grapheme_clusters.h"

namespace dictation_agent {

GraphemeClusterCount countGraphemeClusters(std::span<const char32_t> text, std::size_t limit) {
  if (text.empty() || limit == 0) return {0, 0};
  GraphemeClusterCount count{1, 0};
  utf8proc_int32_t breakState = 0;
  for (std::size_t index = 1; index < text.size(); ++index) {
    if (utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(text[index - 1]),
                                         static_cast<utf8proc_int32_t>(text[index]), &breakState)) {
      if (count.clusters == limit) break;
      ++count.clusters;
      count.lastStart = index;
    }
  }
  return count;
}

}  // namespace dictation_agent
