#pragma once

#include <chrono>

namespace dictation_agent::testing {

// How long a host may wait for the agent's last event, measured from outside the process.
//
// The agent promises its last event at the latest 2.0 s after the host's first stop (the grace
// period), and at once after a cancel. A test that measures from outside adds scheduling: the
// host's write reaching the agent, the agent's task running, its exit being seen. In the default
// build half a second covers that on a shared machine. The sanitizer builds (AGENT_SANITIZE)
// run every thread of the agent several times slower, the main one included, so there the
// allowance for scheduling is that many times larger: a bound then says that the run ended on
// the grace period's account, not how fast the sanitizer is. Order, the one last event and the
// exit status are checked alike in every build.
#if AGENT_TEST_SANITIZED
inline constexpr int kBuildSlowdown = 6;
#else
inline constexpr int kBuildSlowdown = 1;
#endif

inline constexpr std::chrono::milliseconds kGracePeriod{2000};
inline constexpr std::chrono::milliseconds kSchedulingAllowance{500 * kBuildSlowdown};
// From the host's first stop to the end of the run.
inline constexpr std::chrono::milliseconds kLastEventAfterStop =
    kGracePeriod + kSchedulingAllowance;
// From the host's cancel to the end of the run.
inline constexpr std::chrono::milliseconds kLastEventAfterCancel = kSchedulingAllowance;

}  // namespace dictation_agent::testing
