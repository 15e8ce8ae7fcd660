#pragma once

#include <cstdint>

namespace dictation_agent {

// The delta for dispatch_time(DISPATCH_TIME_NOW, ...) that puts a deadline `seconds` from now,
// never earlier: rounded up to whole nanoseconds, 0 for a delay that is not positive (NaN
// included), and clamped to the largest delta instead of overflowing.
std::int64_t dispatchDelayNanoseconds(double seconds);

}  // namespace dictation_agent
