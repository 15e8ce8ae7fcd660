#include "platform/apple/dispatch_delay.h"

#include <cmath>
#include <limits>

namespace dictation_agent {

std::int64_t dispatchDelayNanoseconds(double seconds) {
  if (!(seconds > 0.0)) return 0;
  constexpr auto kLargest = std::numeric_limits<std::int64_t>::max();
  const double nanoseconds = std::ceil(seconds * 1e9);
  // 2^63 as a double: anything from there on does not fit.
  if (nanoseconds >= static_cast<double>(kLargest)) return kLargest;
  return static_cast<std::int64_t>(nanoseconds);
}

}  // namespace dictation_agent
