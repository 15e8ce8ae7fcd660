#pragma once

#include <algorithm>
#include <vector>

namespace dictation_agent::bench {

// The middle value, or the mean of the two middle ones; the runs a bench prints are summed up
// by it so that a single slow run does not move the figure.
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace dictation_agent::bench
