#pragma once

#include <cstddef>
#include <span>

namespace dictation_agent {

struct GraphemeClusterCount {
  std::size_t clusters;   // clusters begun, at most the limit asked for
  std::size_t lastStart;  // the index of the code point that begins the last of them
};

// Counts the extended grapheme clusters of the code points `text` (scalar values, no
// surrogates), segmented as a text of their own, so that the first one begins a cluster; stops
// at the cluster that would be number `limit` + 1. With no code points or a limit of 0 it
// finds none.
//
// The platform provides the segmentation: utf8proc on Linux, CoreFoundation's composed
// character sequences on Apple. The transcript cap calls it only for the short stretches its own
// way through plain text cannot decide, and hands them over decoded, so that no code point is
// decoded twice.
GraphemeClusterCount countGraphemeClusters(std::span<const char32_t> text, std::size_t limit);

}  // namespace dictation_agent
