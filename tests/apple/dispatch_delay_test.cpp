#include "platform/apple/dispatch_delay.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace dictation_agent {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();

TEST(DispatchDelayNanoseconds, PutsTheDeadlineNoEarlierThanAsked) {
  const struct {
    double seconds;
    std::int64_t nanoseconds;
  } cases[] = {
      {2.0, 2'000'000'000},    // the grace period
      {60.0, 60'000'000'000},  // the listening cap
      {1.5e-9, 2},             // rounded up, never early
      {1e-12, 1},
      {0.0, 0},
      {-1.0, 0},  // already due
      {-kInfinity, 0},
      {kNaN, 0},
      {kInfinity, kLargest},  // clamped rather than overflowing
      {1e300, kLargest},
      {9223372036.854775808, kLargest},  // 2^63 ns
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dispatchDelayNanoseconds(c.seconds), c.nanoseconds) << c.seconds;
  }
}

}  // namespace
}  // namespace dictation_agent
