#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace dictation_agent {

// Where the extended grapheme clusters of `text` begin: fills `starts` (cleared first) with the
// byte offset of each cluster, in order, the first one (0) included, and stops once it holds
// `limit` of them. `text` is well-formed UTF-8 and is segmented as a text of its own, so its
// first code point begins a cluster.
//
// The platform provides the segmentation: utf8proc on Linux, CoreFoundation's composed
// character sequences on Apple. The transcript cap calls it only for the stretches its own
// short way through plain text cannot decide.
void findGraphemeClusterStarts(std::string_view text, std::size_t limit,
                               std::vector<std::size_t>& starts);

}  // namespace dictation_agent
