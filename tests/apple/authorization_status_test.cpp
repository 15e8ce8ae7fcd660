#include "platform/apple/authorization_status.h"

#include <gtest/gtest.h>

#include <climits>

namespace dictation_agent {
namespace {

// Shaped like the Speech and AVFoundation statuses: an unscoped NSInteger (long) enumeration.
enum StatusLikeApple : long {
  kNotDetermined = 0,
  kDenied = 1,
  kRestricted = 2,
  kAuthorized = 3,
};

TEST(RawAuthorizationStatus, PassesEveryValueThroughUnchanged) {
  // Known statuses, one this build does not know, and the extremes of NSInteger: the core's name
  // tables decide, so nothing may be clamped or wrapped on the way.
  for (const long raw : {0L, 1L, 2L, 3L, 4L, -1L, LONG_MIN, LONG_MAX}) {
    EXPECT_EQ(rawAuthorizationStatus(static_cast<StatusLikeApple>(raw)), raw) << raw;
  }
}

}  // namespace
}  // namespace dictation_agent
